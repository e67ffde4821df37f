// Walls and exits made in one gesture: the records both screens end with, the walk through them both
// ways, and one undo step that gives every screen back as it was.
#include "level/document/leveldocument.h"
#include "level/document/walker.h"
#include "level/tools/directions.h"
#include "levelfixture.h"

#include <QtTest>

using namespace tavrin;

namespace {

const int Keys[] = {KeyLeft, KeyUp, KeyRight, KeyDown};

// Walks the marker from where it stands to `tile` of the screen on display, along free steps.
void walkTo(LevelDocument& document, int tile) {
    const Module1& m = document.state();
    while ((m.WalkerTile() - 1) % GridColumns != (tile - 1) % GridColumns)
        document.walk((m.WalkerTile() - 1) % GridColumns < (tile - 1) % GridColumns ? KeyRight : KeyLeft);
    while (m.WalkerTile() != tile)
        document.walk(m.WalkerTile() < tile ? KeyDown : KeyUp);
}

QByteArray saved(LevelFixture& f) {
    const QString path = f.path(QStringLiteral("saved.txt"));
    f.saveTo(path);
    return f.readFile(QStringLiteral("saved.txt"));
}

} // namespace

class TestDirectionEdits : public QObject {
    Q_OBJECT
private slots:
    void exits_data() {
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("tile");
        QTest::addColumn<bool>("wholeEdge");
        QTest::addColumn<int>("target"); // 3: a new screen
        // The link beside the grid on that side, and the one on the target's opposite side back: 2 above
        // the grid, 3 left of it, 4 right of it, 5 below.
        QTest::addColumn<int>("out");
        QTest::addColumn<int>("back");
        QTest::addColumn<bool>("linked"); // the side's link leads to the target before
        QTest::newRow("right to the linked screen") << int(SideRight) << 40 << false << 1 << 4 << 3 << true;
        QTest::newRow("left, the whole border") << int(SideLeft) << 1 << true << 2 << 3 << 4 << true;
        QTest::newRow("up to a new screen") << int(SideUp) << 7 << false << 3 << 2 << 5 << true;
        QTest::newRow("down into the same screen") << int(SideDown) << 290 << false << 0 << 5 << 2 << true;
        // Link 2 (above the grid) happens to lead to screen 2: an exit down still takes link 5, below.
        QTest::newRow("down, the link below set") << int(SideDown) << 290 << false << 2 << 5 << 2 << false;
    }

    // Each exit leads onto the mirrored tile of the target screen and the way back leads onto the tile it
    // came from, through links both screens have; one undo gives the level back byte for byte, and redo
    // makes it again.
    void exits() {
        QFETCH(int, side);
        QFETCH(int, tile);
        QFETCH(bool, wholeEdge);
        QFETCH(int, target);
        QFETCH(int, out);
        QFETCH(int, back);
        QFETCH(bool, linked);
        LevelFixture f;
        f.load("level.txt", ThreeScreenLevel());
        LevelDocument& document = *f.document;
        const Module1& m = *f.module;
        SideLinks links = document.links();
        if (linked)
            links[size_t(SideLinkOf(side))] = Integer(target);
        document.editLinks(links);
        TileState blocked = document.tile(41); // a blocked step is no exit of the whole border
        blocked.directions[SideLeft] = 1;
        document.editTile(41, blocked);
        const QByteArray before = saved(f);
        const int steps = document.undoStack().count();

        std::vector<int> tiles{tile};
        if (wholeEdge) {
            tiles.clear();
            for (const int t : BorderTiles(side))
                if (t != 41)
                    tiles.push_back(t);
        }
        LevelDocument::LevelEdit edit =
            ExitEdit(0, document.screenValue(0), target, document.screenValue(target), tiles, side);
        if (target == 3)
            edit.lastScreen = 3;
        document.editLevel(QStringLiteral("Make Exit"), edit);
        QCOMPARE(document.undoStack().count(), steps + 1);
        QCOMPARE(m.CurrentScreen(), Integer(0));
        QCOMPARE(m.LevelLastScreen(), Integer(std::max(2, target)));
        QCOMPARE(m.TilePropLeft(41), Integer(1));
        QCOMPARE(document.tile(tiles.front()).directions[size_t(side)], Integer(out));
        QCOMPARE(document.screenValue(target)
                     .tile(MirroredTile(tiles.front(), side))
                     .directions[size_t(Opposite(side))],
                 Integer(back));
        const QByteArray after = saved(f);

        for (const int from : {tiles.front(), tiles.back()}) {
            walkTo(document, from);
            QCOMPARE(document.walk(Keys[side]).kind, WalkStep::Exit);
            QVERIFY2(
                m.CurrentScreen() == target && m.WalkerTile() == MirroredTile(from, side),
                qPrintable(QStringLiteral("screen %1 tile %2").arg(m.CurrentScreen()).arg(m.WalkerTile())));
            QCOMPARE(document.walk(Keys[Opposite(side)]).kind, WalkStep::Exit);
            QVERIFY(m.CurrentScreen() == 0 && m.WalkerTile() == from);
        }

        document.undo();
        QCOMPARE(saved(f), before);
        QCOMPARE(document.undoStack().index(), steps);
        document.redo();
        QCOMPARE(saved(f), after);
    }

    // A screen the step touches that can no longer be read whole stops the undo before anything changed.
    void undoStopsOnADamagedScreen() {
        LevelFixture f;
        f.load("level.txt", ThreeScreenLevel());
        LevelDocument& document = *f.document;
        document.changeScreen(1); // the step's other screen comes first in the level
        document.editLevel(QStringLiteral("Make Exit"),
                           ExitEdit(1, document.screenValue(1), 0, document.screenValue(0), {21}, SideLeft));
        const TileState exit = document.tile(21);
        QVERIFY(IsExit(exit.directions[SideLeft]));
        const QString scratch = f.module->ScratchFileName(0);
        QVERIFY(QFile::exists(scratch));
        QFile damaged(scratch);
        QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write("\"Screen0\",1,\"x\"\r\n");
        damaged.close();

        QVERIFY(CodeOfFailure([&] { document.undo(); }) != 0);
        QCOMPARE(document.tile(21), exit);
        QCOMPARE(document.undoStack().index(), document.undoStack().count());
    }

    void walls_data() {
        QTest::addColumn<int>("tile");
        QTest::addColumn<bool>("clear");
        QTest::addColumn<bool>("blockExits");
        QTest::addColumn<QString>("expected"); // "tile:side=value ..." in the order made
        QTest::newRow("inside") << 45 << false << false << "44:2=1 25:3=1 46:0=1 65:1=1";
        QTest::newRow("corner") << 1 << false << false << "2:0=1 21:1=1";
        QTest::newRow("an exit beside is kept") << 105 << false << false << "85:3=1 106:0=1 125:1=1";
        QTest::newRow("or blocked when asked") << 105 << false << true << "104:2=1 85:3=1 106:0=1 125:1=1";
        QTest::newRow("clear opens only blocked steps") << 145 << true << false << "144:2=0";
    }

    // The tiles beside the tile walled get their steps into it blocked; its own directions stay.
    void walls() {
        QFETCH(int, tile);
        QFETCH(bool, clear);
        QFETCH(bool, blockExits);
        QFETCH(QString, expected);
        Screen screen = Screen::fresh();
        screen.tile(104).directions[SideRight] = 3; // an exit into tile 105
        screen.tile(144).directions[SideRight] = 1; // a wall into tile 145
        screen.tile(146).directions[SideLeft] = 2;  // an exit, which opening leaves alone
        int exitsMet = 0;
        QStringList made;
        for (const DirectionChange& c : WallChanges(screen, tile, clear, blockExits, &exitsMet))
            made << QStringLiteral("%1:%2=%3").arg(c.tile).arg(c.side).arg(c.value);
        QCOMPARE(made.join(u' '), expected);
        QCOMPARE(exitsMet, tile == 105 ? 1 : 0);
    }

    // Every free step off every screen's border is blocked, exits stay, and the walk no longer wraps from
    // the right border onto the next row; one undo gives the level back.
    void blockEdgesOnEveryScreen() {
        LevelFixture f;
        f.load("level.txt", ThreeScreenLevel());
        LevelDocument& document = *f.document;
        const Module1& m = *f.module;
        EditTile(document, 60, [&](TileState& t) { t.directions[SideRight] = 4; });
        const QByteArray before = saved(f);

        LevelDocument::LevelEdit edit;
        for (int screen = 0; screen <= 2; ++screen)
            AddBlockEdges(edit, screen);
        document.editLevel(QStringLiteral("Block Screen Edges"), edit);
        for (int screen = 0; screen <= 2; ++screen) {
            const Screen value = document.screenValue(screen);
            for (int side = 0; side < 4; ++side)
                for (const int t : BorderTiles(side))
                    QCOMPARE(value.tile(t).directions[size_t(side)], Integer(screen == 0 && t == 60 ? 4 : 1));
            QCOMPARE(value.tile(45).directions, (std::array<Integer, 4>{}));
        }
        walkTo(document, 20);
        QCOMPARE(document.walk(KeyRight).kind, WalkStep::Stay);
        QCOMPARE(m.WalkerTile(), Integer(20));

        document.undo();
        QCOMPARE(saved(f), before);
    }
};

QTEST_GUILESS_MAIN(TestDirectionEdits)
#include "tst_directionedits.moc"
