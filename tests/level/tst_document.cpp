// The level as a document: a screen read as a value without touching the one on display, the block
// written from the tiles' values whatever the grid draws, and the document's announcements.
#include "leveldocument.h"
#include "levelfixture.h"

#include <QSignalSpy>
#include <QtTest>

using namespace tavrin;

namespace {
// Three screens; tile t of screen n has the colour n * 1000 + t, and screen n's link 4 leads to n + 10.
QByteArray threeScreenLevel() {
    QByteArray bytes;
    for (int n = 0; n <= 2; ++n) {
        Screen screen = Screen::fresh();
        for (int t = 1; t <= 300; ++t)
            screen.tile(t).colour = FieldValue::number(n * 1000 + t);
        screen.links[4] = Integer(n + 10);
        bytes += screen.encode(Integer(n));
    }
    return bytes + "\"LevelProp\",\"Three\",\"\",\"\",\"\",\"\",1,2,0,0,0,0\r\n";
}
} // namespace

class TestDocument : public QObject {
    Q_OBJECT
private slots:
    // From its scratch file, from the level file, fresh; the screen on display and the grid stay as they
    // are, an editor without a grid reads it too, and the value is what changing to the screen shows.
    void readScreenLeavesTheDisplayAlone() {
        LevelFixture f;
        f.load("level.txt", threeScreenLevel());
        Module1& m = *f.module;
        m.ChangeScreen(1);
        m.TileBackColor(5) = FieldValue::number(77);
        m.ChangeScreen(0);
        const Screen shown = m.ScreenOnDisplay();

        QCOMPARE(m.ReadScreen(1).tile(5).colour, FieldValue::number(77));
        const Screen two = m.ReadScreen(2);
        QVERIFY(two.tile(300).colour == FieldValue::number(2300) && two.links[4] == 12);
        QCOMPARE(m.ReadScreen(9), Screen::fresh());
        QVERIFY(m.CurrentScreen == 0 && m.ScreenOnDisplay() == shown);
        QCOMPARE(f.grid.backColour(5), Long(5));
        Module1 headless(nullptr, f.folder.path()); // reading needs no grid
        headless.LevelFileName = f.path("level.txt");
        QCOMPARE(headless.ReadScreen(2), two);

        m.ChangeScreen(2);
        QCOMPARE(m.ScreenOnDisplay(), two);
        QCOMPARE(two.encode(2), m.EncodeScreenBlock());
    }

    // The grid only draws: a tile drawn otherwise (as under the walk marker) is written with its own
    // colour. A colour read as a text is written as the number it shows, as it always was.
    void blockIsWrittenFromTheTiles() {
        LevelFixture f;
        f.load("level.txt", TileLine(0, 5, "\"123\",0,0,0,0,0,1,1,1,1"));
        f.module->TileBackColor(6) = FieldValue::number(1234);
        f.grid.setBackColour(6, 999);
        const QByteArray block = f.module->EncodeScreenBlock();
        QVERIFY(block.contains("\"Screen0\",5,123,") && block.contains("\"Screen0\",6,1234,"));
    }

    void screenRecordsRoundTrip() {
        Screen screen = Screen::fresh();
        screen.tile(3).colour = FieldValue::number(-5);
        screen.tile(3).picture = FieldValue::text("\\tree.bmp");
        screen.tile(4).picture = FieldValue::number(997);
        screen.tile(4).directions = {-1, 2, 3, 32767};
        screen.tile(4).operands = {FieldValue(), FieldValue::text("a, b"), FieldValue::text("7"),
                                   FieldValue::number(2.5)};
        screen.links[9] = 40;
        const QByteArray block = screen.encode(7);
        QCOMPARE(block.count("\r\n"), 309);
        QCOMPARE(Screen::decode(block, 7), screen);
        QCOMPARE(Screen::decode(block, 8), Screen::fresh());
    }

    // An edit, a change of screen, undo back to the saved state, a new level: each announced once.
    void announcements() {
        LevelFixture f;
        Module1& m = *f.module;
        LevelDocument document(m);
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

        m.ChangeScreen(3);
        QCOMPARE(shown.takeFirst(), QVariantList{3});
        const SideLinks oldLinks = document.links();
        m.SideScreen(4) = 9;
        document.recordLinksEdit(oldLinks);
        QCOMPARE(links.takeFirst(), QVariantList{3});
        const PropertyValues oldProperties = m.Properties();
        m.LevelName = QStringLiteral("Renamed");
        document.recordPropertiesEdit(oldProperties);
        QCOMPARE(properties.count(), 1);

        document.undoStack().undo();
        QCOMPARE(properties.count(), 2);
        document.undoStack().undo();
        QCOMPARE(links.takeFirst(), QVariantList{3});
        m.ChangeScreen(0);
        document.undoStack().undo();
        QCOMPARE(tiles.last(), (QVariantList{0, 5}));
        QCOMPARE(modified.takeFirst(), QVariantList{false});
        QVERIFY(m.TileBackColor(5) == before.colour && f.grid.backColour(5) == before.colour.toLong());

        document.undoStack().redo();
        document.levelLoaded();
        QVERIFY(replaced.count() == 1 && !document.isModified());
    }
};

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
