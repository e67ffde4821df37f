// The tile property window: the thirteen fields a display fills, in the order of its steps; failure 9 for
// an index outside 0..300, after which only the caption and TileIndex change; and the window that the walk
// fills without showing and that follows the walk once a click has brought it up.

#include "editorfixture.h"
#include "mainwindow/tileprop.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

class TestTileProp : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorFixture> m_f;
    TileProp* window() const { return m_f->form->TilePropWindow(); }
    QStringList shown() const {
        const TileProp* w = window();
        const bool grass = w->CurrentPicture->picture() == QImage(m_f->path("Pics/grass.bmp"));
        return {
            w->windowTitle(),       w->TileIndex->text(),    QString::number(w->CurrentColor->backColour()),
            w->PropUp->text(),      w->PropLeft->text(),     w->PropDown->text(),
            w->PropRight->text(),   w->PropUpOps->text(),    w->PropLeftOps->text(),
            w->PropDownOps->text(), w->PropRightOps->text(), grass ? "grass" : "other",
            w->TPicLabel->text()};
    }

private slots:
    void init() {
        m_f = std::make_unique<EditorFixture>();
        TileState tile = m_f->document->tile(5);
        tile.colour = FieldValue::number(1971210);
        tile.directions = {2, 1, 32767, -3}; // left, up, right, down
        tile.operands = {FieldValue::number(60), FieldValue::text("abc"), FieldValue::number(2.5),
                         tile.operands[3]};
        tile.picture = FieldValue::text("\\grass.bmp");
        m_f->document->editTile(5, tile);
        QVERIFY(m_f->show());
    }
    void cleanup() { m_f.reset(); }

    void windowFollowsWalkOnlyWhenOpen() {
        QTest::keyClick(m_f->form.get(), Qt::Key_Right);
        QVERIFY(window() && !window()->isVisible() && window()->TileIndex->text() == "2");
        QTest::mouseClick(m_f->form->Tile(5), Qt::LeftButton);
        QCOMPARE(shown(), QStringList({"Tile Properties - Tile 5", "5", "1971210", "1", "2", "-3", "32767",
                                       "abc", "60", "1", "2.5", "grass", "\\grass.bmp"}));
        QTest::keyClick(m_f->form.get(), Qt::Key_Right);
        QVERIFY(window()->isVisible() && window()->TileIndex->text() == "3");
        QCOMPARE(m_f->messages.count(), 0);
    }

    // Enter in a box of the window edits the tile it shows, as one step; a box left as it was keeps the
    // tile's value as it was (an operand held as a number stays one); a text that is no number is told.
    void boxesTakeAnEdit() {
        QTest::mouseClick(m_f->form->Tile(5), Qt::LeftButton);
        const TileState before = m_f->document->tile(5);
        const int steps = m_f->document->undoStack().count();
        window()->PropUp->setText("0");
        QTest::keyClick(window()->PropUp, Qt::Key_Return);
        TileState expected = before;
        expected.directions[1] = 0;
        QVERIFY(m_f->document->tile(5) == expected);
        QCOMPARE(m_f->document->undoStack().count(), steps + 1);
        window()->PropLeftOps->setText("x");
        window()->PropRight->setText("x");
        QTest::keyClick(window()->PropLeftOps, Qt::Key_Return);
        QVERIFY(m_f->document->tile(5) == expected);
        QCOMPARE(m_f->titles().size(), 1);
        QCOMPARE(window()->PropRight->text(), "32767");
    }

    // A picture file that is missing shows as ErrPic's (none), silently; one that is there but no picture
    // is told.
    void unusablePictureFile_data() {
        QTest::addColumn<QByteArray>("bytes"); // the file's contents; none: no file
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("missing") << QByteArray() << QStringList();
        QTest::newRow("no picture") << QByteArray("not a picture") << QStringList{"481, DisplayTileProp"};
    }
    void unusablePictureFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, titles);
        if (!bytes.isEmpty())
            QVERIFY(WriteFile(m_f->path("Pics/bad.bmp"), bytes));
        EditTile(*m_f->document, 6, [&](tavrin::TileState& t) { t.picture = FieldValue::text("\\bad.bmp"); });
        m_f->form->DisplayTileProp(6);
        QCOMPARE(m_f->titles(), titles);
        if (titles.isEmpty())
            QVERIFY(window()->CurrentPicture->picture().isNull());
    }

    void outsideGridIsFailure9_data() {
        QTest::addColumn<int>("index");
        QTest::newRow("-1") << -1;
        QTest::newRow("301") << 301;
        QTest::newRow("Tile(997)") << 997;
    }
    void outsideGridIsFailure9() {
        QFETCH(int, index);
        m_f->form->DisplayTileProp(5);
        const QStringList before = shown();
        m_f->form->DisplayTileProp(Integer(index));
        const QString n = QString::number(index);
        QCOMPARE(shown(), QStringList({"Tile Properties - Tile " + n, n}) + before.mid(2));
        QCOMPARE(m_f->titles(), QStringList{"9, DisplayTileProp"});
    }
};

QTEST_MAIN(TestTileProp)
#include "tst_tileprop.moc"
