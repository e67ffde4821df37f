// The level as a document: a screen read as a value without touching the one on display, the block
// written from the tiles' values, and the document's announcements.
#include "level/document/leveldocument.h"
#include "level/document/walker.h"
#include "levelfixture.h"

#include <QSignalSpy>
#include <QtTest>

using namespace tavrin;

class TestDocument : public QObject {
    Q_OBJECT
private slots:
    // From its scratch file, from the level file, fresh; the screen on display stays as it is, another
    // editor reads it from the level file too, and the value is what changing to the screen shows.
    void readScreenLeavesTheDisplayAlone() {
        LevelFixture f;
        f.load("level.txt", ThreeScreenLevel());
        LevelDocument& document = *f.document;
        const Module1& m = *f.module;
        document.changeScreen(1);
        f.paintColour(5, 77);
        document.changeScreen(0);
        const Screen shown = m.ScreenOnDisplay();

        QCOMPARE(m.ReadScreen(1).tile(5).colour, FieldValue::number(77));
        const Screen two = m.ReadScreen(2);
        QVERIFY(two.tile(300).colour == FieldValue::number(2300) && two.links[4] == 12);
        QCOMPARE(m.ReadScreen(9), Screen::fresh());
        QVERIFY(m.CurrentScreen() == 0 && m.ScreenOnDisplay() == shown);
        QCOMPARE(m.TileBackColor(5), FieldValue::number(5));
        const Module1 other(f.folder.path()); // an editor with nothing on display reads it from the file
        QCOMPARE(other.ReadScreenFrom(f.path("level.txt"), 2), two);

        document.changeScreen(2);
        QCOMPARE(m.ScreenOnDisplay(), two);
        QCOMPARE(two.encode(2), m.EncodeScreenBlock());
    }

    // The block is written from the tiles' values: a tile under the walk marker is written with its own
    // colour. A colour read as a text is written as the number it shows, as it always was.
    void blockIsWrittenFromTheTiles() {
        LevelFixture f;
        f.load("level.txt", TileLine(0, 5, "\"123\",0,0,0,0,0,1,1,1,1"));
        f.paintColour(6, 1234);
        for (int step = 0; step < 5; ++step)
            f.document->walk(KeyRight);
        QCOMPARE(f.module->WalkerTile(), Integer(6));
        const QByteArray block = f.module->EncodeScreenBlock();
        QVERIFY(block.contains("\"Screen0\",5,123,") && block.contains("\"Screen0\",6,1234,"));
    }

    // An edit, a change of screen, undo back to the saved state, a new level: each announced once.
    void announcements() {
        LevelFixture f;
        LevelDocument& document = *f.document;
        const Module1& m = *f.module;
        QSignalSpy tiles(&document, &LevelDocument::tileChanged);
        QSignalSpy links(&document, &LevelDocument::linksChanged);
        QSignalSpy properties(&document, &LevelDocument::propertiesChanged);
        QSignalSpy shown(&document, &LevelDocument::screenShown);
        QSignalSpy modified(&document, &LevelDocument::modifiedChanged);
        QSignalSpy replaced(&document, &LevelDocument::levelReplaced);

        const TileState before = document.tile(5);
        TileState painted = before;
        painted.colour = FieldValue::number(1);
        document.editTile(5, painted);
        document.editTile(5, painted); // nothing changed: nothing to tell
        QCOMPARE(tiles.count(), 1);
        QCOMPARE(modified.takeFirst(), QVariantList{true});

        document.changeScreen(3);
        QCOMPARE(shown.takeFirst(), QVariantList{3});
        EditLink(document, 4, 9);
        QCOMPARE(links.takeFirst(), QVariantList{3});
        PropertyValues renamed = m.Properties();
        renamed.name = QStringLiteral("Renamed");
        document.editProperties(renamed);
        QCOMPARE(properties.count(), 1);

        document.undo();
        QCOMPARE(properties.count(), 2);
        document.undo();
        QCOMPARE(links.takeFirst(), QVariantList{3});
        document.changeScreen(0);
        document.undo();
        QCOMPARE(tiles.last(), (QVariantList{0, 5}));
        QCOMPARE(modified.takeFirst(), QVariantList{false});
        QCOMPARE(m.TileBackColor(5), before.colour);

        document.redo();
        document.newLevel();
        QVERIFY(replaced.count() == 1 && !document.isModified());
    }
};

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
