// The walk of the marker from tile 1 through the document, on a screen whose tile i is in colour 5000 + i,
// so that a tile taking on another's look is seen at once. The step left from tile 1 is blocked or an exit.
#include "level/document/leveldocument.h"
#include "level/document/walker.h"
#include "level/tools/levelrecords.h"
#include "level/tools/reach.h"
#include "levelfixture.h"

#include <QSignalSpy>
#include <QtTest>

using namespace tavrin;

namespace {
// Direction d (0 left, 1 up, 2 right, 3 down) of tile `index` on display set to `property`, `operand`.
void setDirection(LevelDocument& document, int index, int d, Integer property, const FieldValue& operand) {
    TileState tile = document.tile(index);
    tile.directions[size_t(d)] = property;
    tile.operands[size_t(d)] = operand;
    document.editTile(index, tile);
}

// A level as values, and the real walk over it: the screen the marker is on is put in a Module1 as the
// document's walk puts it on display.
struct ValueLevel {
    std::vector<Screen> screens;
    TileState blank;
    Module1 m;
    int last() const { return int(screens.size()) - 1; }
    void show(WalkPlace place) {
        Module1::ScreenLoad load;
        load.screen = screens[size_t(place.screen)];
        m.ShowLoadedScreen(Integer(place.screen), load);
        m.StoreTile(0, blank);
        m.PlaceWalker(Integer(place.tile));
    }
    // One key; the screen past the last one an exit leads out of the level to, or -1.
    int walk(int key) {
        const WalkStep step = NextWalkStep(m, key);
        if (step.kind == WalkStep::Exit && step.screen > last())
            return step.screen;
        if (step.kind == WalkStep::Exit)
            show({step.screen, step.tile});
        if (step.kind == WalkStep::Move || step.kind == WalkStep::Exit)
            m.PlaceWalker(step.tile);
        return -1;
    }
    WalkPlace place() const { return {m.CurrentScreen(), m.WalkerTile()}; }
    Reachability reach(WalkPlace from) {
        Reachability reach(
            last(), [this](int screen) { return screens[size_t(screen)]; }, blank);
        reach.start(from);
        while (!reach.step(7)) // in pieces, as a window runs it
            ;
        return reach;
    }
};

QString PlaceText(WalkPlace place) {
    return QStringLiteral("%1:%2").arg(place.screen).arg(place.tile);
}
} // namespace

class TestWalker : public QObject {
    Q_OBJECT
private slots:
    void steps_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<FieldValue>("operand"); // of the exit left, if any
        QTest::addColumn<int>("to");
        QTest::newRow("right") << KeyRight << FieldValue() << 2;
        QTest::newRow("up off the grid") << KeyUp << FieldValue() << 1;
        QTest::newRow("blocked") << KeyLeft << FieldValue() << 1;
        for (const char* bad : {"0", "997", "998", "999", "-1", "301", "sixty"})
            QTest::newRow(bad) << KeyLeft << FieldValue::text(bad) << 1;
    }

    // A step not taken changes nothing and tells nothing; off the grid the marker comes off and stays on
    // its tile. No tile changes on the way.
    void steps() {
        QFETCH(int, key);
        QFETCH(FieldValue, operand);
        QFETCH(int, to);
        LevelFixture f;
        LevelDocument& document = *f.document;
        document.beginStroke(QStringLiteral("Colours"));
        for (int i = 1; i <= 300; ++i)
            f.paintColour(i, 5000 + i);
        document.endStroke();
        TileState blank = document.tile(BlankTile);
        blank.colour = FieldValue::number(5000);
        document.paintBlankTile(blank);
        setDirection(document, 1, 0, operand.isEmpty() ? 1 : 5, operand);
        QCOMPARE(f.module->WalkerTile(), Integer(1));

        QSignalSpy moved(&document, &LevelDocument::walkerMoved);
        QSignalSpy shown(&document, &LevelDocument::screenShown);
        const WalkStep step = document.walk(key);
        const bool offGrid = key == KeyUp;
        QCOMPARE(step.kind, offGrid ? WalkStep::OffGrid : to != 1 ? WalkStep::Move : WalkStep::Stay);
        QCOMPARE(f.module->WalkerTile(), Integer(to));
        QCOMPARE(f.module->CurrentScreen(), Integer(0));
        QCOMPARE(shown.count(), 0);
        if (step.kind == WalkStep::Stay) {
            QCOMPARE(moved.count(), 0);
        } else {
            QCOMPARE(moved.count(), 1);
            QCOMPARE(moved.first(), (QVariantList{to, !offGrid}));
        }
        for (int i = 0; i <= 300; ++i)
            QCOMPARE(f.module->TileBackColor(i).toLong(), Long(5000 + i));
    }

    // No level file loaded: the screen walked out of keeps its paint, the one entered brings its links.
    void exitsKeepTilesAndLinks() {
        LevelFixture f;
        LevelDocument& document = *f.document;
        document.changeScreen(2);
        EditLink(document, 3, 7);
        document.changeScreen(0);
        f.paintColour(150, Rgb(1, 2, 3));
        setDirection(document, 1, 2, 2, FieldValue::number(21));
        const WalkStep step = document.walk(KeyRight);
        QVERIFY(step.kind == WalkStep::Exit && step.screen == 2 && step.tile == 21);
        QVERIFY(f.module->CurrentScreen() == 2 && f.module->WalkerTile() == 21 &&
                f.module->SideScreen(3) == 7);
        document.changeScreen(0);
        QCOMPARE(f.module->TileBackColor(150).toLong(), Rgb(1, 2, 3));
    }

    // A number below 0 names no screen (a link to a deleted screen is -1): no step through it, no Go To
    // Screen, no change of screen and no edit reaches one, and no scratch file is written for it.
    void noScreenBelowZero() {
        LevelFixture f;
        LevelDocument& document = *f.document;
        EditLink(document, 2, -1);
        setDirection(document, 1, 2, 2, FieldValue::number(21));
        const WalkStep step = document.walk(KeyRight);
        QVERIFY(step.kind == WalkStep::NoScreen && step.screen == -1);
        QVERIFY(document.goToScreen(QStringLiteral("-1")).value_or(QString()).contains("-1"));
        QVERIFY(CodeOfFailure([&] { document.changeScreen(-3); }) != 0);
        LevelDocument::LevelEdit edit;
        edit.tiles.push_back({-1, 1, document.tile(5)});
        QVERIFY(CodeOfFailure([&] { document.editLevel(QStringLiteral("Paint"), edit); }) != 0);
        QVERIFY(f.module->CurrentScreen() == 0 && f.module->WalkerTile() == 1);
        document.keepScreenOnDisplay();
        QCOMPARE(QDir(f.folder.path()).entryList({QStringLiteral("Screen-*")}), QStringList());
    }

    // Every direction free, blocked, an exit or another number with operands of all kinds; links to
    // screens of the level, below 0 and past the last.
    void reachOfRandomLevels_data() {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("blocked"); // in a hundred directions
        QTest::addColumn<int>("exits");
        for (quint32 seed = 1; seed <= 4; ++seed) {
            QTest::addRow("open %u", seed) << seed << 15 << 3;
            QTest::addRow("walled %u", seed) << seed << 55 << 5;
            QTest::addRow("many exits %u", seed) << seed << 30 << 30;
        }
    }
    // Each tile called reachable is reached by its route's keys through the walk, and its distance is
    // the route's length; no key takes the walk from a tile reached at distance d to a tile not reached,
    // or to one further than d + 1; the exits out of the level are those the keys from reached tiles
    // take.
    void reachOfRandomLevels() {
        QFETCH(quint32, seed);
        QFETCH(int, blocked);
        QFETCH(int, exits);
        QRandomGenerator random(seed);
        ValueLevel level;
        const int count = random.bounded(2, 5);
        const auto randomTile = [&](TileState& tile) {
            for (size_t d = 0; d < 4; ++d) {
                const int r = random.bounded(100);
                static const Integer free[] = {0, 0, 0, 10, -4};
                tile.directions[d] = r < blocked           ? 1
                                     : r < blocked + exits ? Integer(random.bounded(2, 10))
                                                           : free[r % 5];
                static const FieldValue odd[] = {FieldValue::number(0), FieldValue::number(301),
                                                 FieldValue::text("12"), FieldValue::text("x")};
                tile.operands[d] = r % 10 ? FieldValue::number(random.bounded(1, 301)) : odd[r % 4];
            }
        };
        for (int s = 0; s < count; ++s) {
            Screen screen = Screen::fresh();
            for (int i = 1; i <= 300; ++i)
                randomTile(screen.tile(i));
            for (int k = 2; k <= 9; ++k)
                screen.links[size_t(k)] = Integer(random.bounded(-1, count + 1));
            level.screens.push_back(screen);
        }
        randomTile(level.blank);
        const WalkPlace start{0, random.bounded(1, 301)};
        const Reachability reach = level.reach(start);
        std::set<int> outsideFound;
        for (int s = 0; s < count; ++s)
            for (int t = 0; t <= 300; ++t) {
                const WalkPlace place{s, t};
                if (!reach.reached(place))
                    continue;
                const std::vector<RouteStep> route = *reach.route(place);
                QCOMPARE(int(route.size()), reach.distance(place));
                level.show(start);
                for (const RouteStep& step : route) {
                    QCOMPARE(level.walk(step.key), -1);
                    QCOMPARE(PlaceText(level.place()), PlaceText(step.to));
                }
                QCOMPARE(PlaceText(level.place()), PlaceText(place));
                for (int key = KeyLeft; key <= KeyDown; ++key) {
                    level.show(place);
                    const int outside = level.walk(key);
                    if (outside >= 0)
                        outsideFound.insert(outside);
                    QVERIFY2(outside >= 0 || (reach.reached(level.place()) &&
                                              reach.distance(level.place()) <= reach.distance(place) + 1),
                             qPrintable(PlaceText(place) + " " + KeyName(key)));
                }
            }
        QCOMPARE(outsideFound, reach.exitsOutside());
        // The same search over the level written as the editor writes it (screen 1's tiles in reverse,
        // which no block as the editor writes it has), its screens read from the file's bytes.
        QByteArray bytes, blocks;
        for (int s = 0; s < count; ++s) {
            QList<QByteArray> lines = level.screens[size_t(s)].encode(Integer(s)).split('\n');
            blocks += lines.join('\n');
            if (s == 1)
                std::reverse(lines.begin(), lines.begin() + 300);
            bytes += lines.join('\n');
        }
        const QByteArray properties =
            "\"LevelProp\",\"\",\"\",\"\",\"\",\"\",1," + QByteArray::number(count - 1) + ",0,0,0,0\r\n";
        LevelFixture f;
        f.load("level.txt", bytes + properties);
        FileAccess files;
        const auto file = std::make_shared<LevelFileWalk>(files, f.path("level.txt"));
        PropertyValues read;
        const std::unique_ptr<Reachability> fromFile =
            FileReachability(files, f.path("level.txt"), &read, level.blank);
        // All of its screens blocks as the editor writes them, the file is read in one pass, by one thread
        // and by two (from the middle of the file on).
        QFile whole(f.path("blocks.txt"));
        QVERIFY(whole.open(QIODevice::WriteOnly) && whole.write(blocks + properties) && whole.flush());
        std::vector<std::unique_ptr<Reachability>> fromTable;
        for (const qint64 splitFrom : {qint64(1) << 24, qint64(1)}) {
            std::optional<WalkTable> table = ReadWalkTable(files, whole.fileName(), splitFrom);
            QVERIFY(table && table->properties.lastScreen == level.last());
            fromTable.push_back(
                std::make_unique<Reachability>(level.last(), std::move(*table), nullptr, level.blank));
        }
        // And from the records as Check Level reads them: none for the file with screen 1 out of order.
        for (const QString& name : {f.path("level.txt"), whole.fileName()}) {
            WalkTableBuilder builder;
            QVERIFY(!VisitLevelRecords(files.openRead(name).get(), builder));
            std::optional<WalkTable> table = builder.take();
            QCOMPARE(bool(table), name == whole.fileName());
            if (table)
                fromTable.push_back(
                    std::make_unique<Reachability>(level.last(), std::move(*table), nullptr, level.blank));
        }
        // And as the editor holds either file, with the start tile of screen 0 opened all round and left for
        // screen 1; the file of blocks read in one pass for the screens the editor holds no value of.
        LevelFixture g;
        g.load("blocks.txt", blocks + properties);
        for (LevelDocument* document : {f.document.get(), g.document.get()}) {
            TileState opened = document->tile(start.tile);
            opened.directions = {0, 0, 0, 0};
            document->editTile(start.tile, opened);
            document->changeScreen(1);
        }
        Reachability held(level.last(), HeldLevelWalk(*f.module, file), f.module->TileOnDisplay(0));
        const std::unique_ptr<Reachability> heldTable = HeldLevelSearch(*g.module);
        Reachability values(
            level.last(), [&](int screen) { return f.module->ReadScreen(Integer(screen)); },
            f.module->TileOnDisplay(0));
        for (Reachability* search : {fromFile.get(), &held, &values, heldTable.get()})
            search->start(start), search->run();
        for (const std::unique_ptr<Reachability>& search : fromTable)
            search->start(start), search->run();
        for (int s = 0; s < count; ++s)
            for (int t = 0; t <= 300; ++t) {
                QCOMPARE(fromFile->distance({s, t}), reach.distance({s, t}));
                for (const std::unique_ptr<Reachability>& search : fromTable)
                    QCOMPARE(search->distance({s, t}), reach.distance({s, t}));
                QCOMPARE(held.distance({s, t}), values.distance({s, t}));
                QCOMPARE(heldTable->distance({s, t}), values.distance({s, t}));
            }
    }
};

QTEST_MAIN(TestWalker)
#include "tst_walker.moc"
