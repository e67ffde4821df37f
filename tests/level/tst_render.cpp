// tavrin-level render, run as a program on hand-made levels and compared pixel by pixel with the images in
// tests/data/render; and the layout of a level's map.
//
// To draw those images anew (after a deliberate change of the drawing), run this test with
// TAVRIN_UPDATE_GOLDEN=1: it then writes them instead of comparing. Look at them before committing them.
#include "level/core/colour.h"
#include "level/tools/levelrender.h"
#include "level/tools/worldlayout.h"
#include "levelfixture.h"
#include "leveltool.h"

#include <QDir>
#include <QRegularExpression>
#include <QtTest>

using namespace tavrin;

namespace {
const QString Pictures = QStringLiteral(TAVRIN_SOURCE_DIR "/data/Pics");

FieldValue num(double value) {
    return FieldValue::number(value);
}

FieldValue text(const char* value) {
    return FieldValue::text(QString::fromLatin1(value));
}

void setTile(Screen& screen, int index, Long colour, const FieldValue& picture) {
    screen.tile(index).colour = num(colour);
    screen.tile(index).picture = picture;
}

// The screens, then the level properties: the start tile, and `last` as the last screen.
QByteArray levelBytes(const std::vector<Screen>& screens, int startTile, int last) {
    QByteArray bytes;
    for (size_t n = 0; n < screens.size(); ++n)
        bytes += screens[n].encode(Integer(n));
    return bytes +
           RecordWriter::Encode({text("LevelProp"), text("Render"), text(""), text(""), text(""), text(""),
                                 num(startTile), num(last), num(0), num(0), num(0), num(0)});
}

// System colours, each on a tile of the first row from tile 3 on.
const Long SystemColours[] = {SystemColour(5), SystemColour(15), SystemColour(8),
                              SystemColour(1), SystemColour(13), SystemColour(24)};

// Screen 0: every kind of colour and of picture reference. The start tile is 45.
Screen showcase() {
    Screen s = Screen::fresh();
    setTile(s, 1, Rgb(255, 0, 0), num(0));
    setTile(s, 2, Rgb(0, 160, 80), FieldValue());
    for (int i = 0; i < 6; ++i)
        setTile(s, 3 + i, SystemColours[i], num(0));
    setTile(s, 21, Rgb(0, 0, 128), text("\\grass.bmp"));
    setTile(s, 22, Rgb(0, 0, 128), num(21));  // the picture tile 21 shows
    setTile(s, 23, Rgb(0, 0, 128), num(22));  // through tile 22 to tile 21
    setTile(s, 24, Rgb(0, 0, 128), num(997)); // the built-in figure
    setTile(s, 25, Rgb(0, 0, 128), num(999)); // the walk marker
    setTile(s, 26, Rgb(200, 200, 0), text("\\missing.bmp"));
    setTile(s, 27, Rgb(0, 200, 200), num(998)); // the tile under the marker: none
    setTile(s, 28, Rgb(90, 0, 90), num(29));    // 28 and 29 name each other: none
    setTile(s, 29, Rgb(90, 0, 90), num(28));
    setTile(s, 30, Rgb(90, 90, 0), text("\\..\\outside.bmp")); // outside the Pics folder: none
    setTile(s, 31, Rgb(0, 0, 128), text("997"));               // a numeric text names a box too
    setTile(s, 32, Rgb(0, 0, 128), text("\\tree.bmp"));
    setTile(s, 45, Rgb(255, 255, 255), text("\\sand.bmp"));
    return s;
}

// A map: screens 0..3 in a ring, 1 -> 4 one way, 4 and 2 both want the place right of 2 (5 gets it, 6
// goes below), 7 is reached only through link 7, and every other link leads outside the level.
std::vector<Screen> mapScreens() {
    const char* const pictures[] = {"\\door.bmp", "\\wall.bmp",    "\\water.bmp",  "\\rock.bmp",
                                    "\\tree.bmp", "\\flowers.bmp", "\\bridge.bmp", "\\path.bmp"};
    std::vector<Screen> screens(8, Screen::fresh());
    for (int n = 0; n < 8; ++n) {
        screens[size_t(n)].links.fill(99);
        for (int i = FirstGridTile; i <= LastGridTile; ++i)
            setTile(screens[size_t(n)], i, Rgb(30 * n, 255 - 30 * n, 120),
                    i <= n + 1 ? text(pictures[n]) : num(0));
    }
    const int links[][3] = {{0, 4, 1}, {1, 5, 2}, {2, 3, 3}, {3, 2, 0},
                            {1, 4, 4}, {4, 5, 5}, {2, 4, 6}, {0, 7, 7}};
    for (const auto& link : links)
        screens[size_t(link[0])].links[size_t(link[1])] = Integer(link[2]);
    return screens;
}

bool sameImage(const QImage& actual, const QImage& expected) {
    return actual.size() == expected.size() &&
           actual.convertToFormat(QImage::Format_RGB32) == expected.convertToFormat(QImage::Format_RGB32);
}
} // namespace

class TestRender : public QObject {
    Q_OBJECT
    LevelFixture m_f;

    ToolRun render(const QStringList& arguments) {
        return RunTool(QStringList{"render"} + arguments, m_f.folder.path());
    }

private slots:
    void initTestCase() {
        for (const QString& name : QDir(Pictures).entryList(QDir::Files))
            QFile::copy(Pictures + u'/' + name, m_f.path("Pics/" + name));
        QFile::copy(Pictures + QStringLiteral("/water.bmp"), m_f.path("outside.bmp"));
        // Screens 0 and 1; screen 1 stops at its second record, whose colour is no number.
        m_f.writeFile("level.txt", levelBytes({showcase()}, 45, 1) +
                                       TileLine(1, 1, "16711680,0,0,0,0,0,1,1,1,1") +
                                       TileLine(1, 2, "\"x\",0,0,0,0,0,1,1,1,1") +
                                       TileLine(1, 3, "16711680,0,0,0,0,0,1,1,1,1"));
        m_f.writeFile("map.txt", levelBytes(mapScreens(), 1, 7));
        // A scratch file of screen 0 in the folder the tool runs in, as an editor would leave it: never read.
        m_f.writeFile("Screen0.tmp", Screen::fresh().encode(0));
        m_f.writeFile("old.png", "old");
    }

    void golden_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("image");
        QTest::newRow("screen 0") << QStringList{"level.txt"} << "screen0.png";
        QTest::newRow("marker on the start tile")
            << QStringList{"level.txt", "--marker"} << "screen0-marker.png";
        QTest::newRow("map") << QStringList{"map.txt", "--world", "--marker"} << "map.png";
    }
    void golden() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, image);
        const QStringList before = QDir(m_f.folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QCOMPARE(render(arguments << "-o" << m_f.path("out.png")).code, 0);
        const QImage actual(m_f.path("out.png"));
        QFile::remove(m_f.path("out.png"));
        QCOMPARE(QDir(m_f.folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        const QString golden = QStringLiteral(TAVRIN_TEST_DATA "/render/") + image;
        if (qEnvironmentVariableIntValue("TAVRIN_UPDATE_GOLDEN") == 1) {
            QVERIFY(actual.save(golden));
            QSKIP("image written");
        }
        QVERIFY2(sameImage(actual, QImage(golden)), qPrintable(image));
    }

    void exitCodes_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        const QString out = m_f.path("old.png");
        QTest::newRow("no -o") << QStringList{"level.txt"} << 2;
        QTest::newRow("--scale 9") << QStringList{"level.txt", "--scale", "9", "-o", out} << 2;
        // Screen numbers are plain decimal whole numbers; and only those of the level's screens 0..1.
        for (const char* screen : {"01", "x", "-1", "2"})
            QTest::addRow("--screen \"%s\"", screen)
                << QStringList{"level.txt", "--screen", screen, "-o", out} << 2;
        QTest::newRow("--screen and --world")
            << QStringList{"level.txt", "--screen", "0", "--world", "-o", out} << 2;
        QTest::newRow("missing --pics") << QStringList{"level.txt", "--pics", "nowhere", "-o", out} << 2;
        QTest::newRow("-o in a missing folder")
            << QStringList{"level.txt", "-o", m_f.path("no/out.png")} << 2;
    }
    void exitCodes() {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        const ToolRun run = render(arguments);
        QCOMPARE(run.code, code);
        QVERIFY(run.err.startsWith("tavrin-level: "));
        QCOMPARE(m_f.readFile("old.png"), QByteArray("old"));
        QVERIFY(!QFile::exists(m_f.path("no")));
    }

    // The marks of --directions stay inside the tiles whose steps are blocked or exits; a tile whose four
    // sides are free (0, or a value that is neither a wall nor an exit) is drawn as without them.
    void directionsMarkOnlyTheirTiles_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("scale");
        QTest::newRow("one screen") << QStringList{} << 1;
        QTest::newRow("the map, twice as large") << QStringList{"--world", "--scale", "2"} << 2;
    }
    void directionsMarkOnlyTheirTiles() {
        QFETCH(QStringList, arguments);
        QFETCH(int, scale);
        Screen screen = Screen::fresh();
        screen.links[2] = 0;
        screen.tile(1).directions = {1, 0, 0, 0};
        screen.tile(45).directions = {0, 1, 0, 0};
        screen.tile(46).directions = {0, 0, 4, 0}; // link 4 leads to screen 4, outside the level
        screen.tile(100).directions = {0, 0, 0, 2};
        screen.tile(300).directions = {1, 1, 1, 1};
        screen.tile(150).directions = {-1, 10, 0, 0};
        setTile(screen, 151, Rgb(0, 0, 128), text("\\grass.bmp"));
        m_f.writeFile("directions.txt", levelBytes({screen}, 1, 0));
        QImage images[2];
        for (const bool directions : {false, true}) {
            const QStringList flag = directions ? QStringList{"--directions"} : QStringList{};
            QCOMPARE(render(QStringList{"directions.txt", "-o", m_f.path("out.png")} + arguments + flag).code,
                     0);
            images[directions] = QImage(m_f.path("out.png")).convertToFormat(QImage::Format_RGB32);
        }
        QCOMPARE(images[0].size(), QSize(ScreenImageWidth, ScreenImageHeight) * scale);
        QStringList differ;
        for (int t = FirstGridTile; t <= LastGridTile; ++t) {
            const QRect cell = QRect((t - 1) % GridColumns, (t - 1) / GridColumns, 1, 1);
            const QRect pixels(cell.topLeft() * RenderTileSize * scale, cell.size() * RenderTileSize * scale);
            if (images[0].copy(pixels) != images[1].copy(pixels))
                differ << QString::number(t);
        }
        QCOMPARE(differ, (QStringList{"1", "45", "46", "100", "300"}));
    }

    void damagedScreenIsDrawnAsFarAsRead() {
        const ToolRun run = render({"level.txt", "--screen", "1", "-o", m_f.path("out.png")});
        QCOMPARE(run.code, 0);
        QVERIFY(run.err.contains("screen 1 could not be read whole"));
        const QImage image(m_f.path("out.png"));
        QCOMPARE(image.pixelColor(5, 5), QColor(0, 0, 255));                    // tile 1, read
        QCOMPARE(image.pixelColor(30, 5), ColourToQColor(SysWindowBackground)); // tile 2, never reached
    }

    void layout_data() {
        QTest::addColumn<int>("screens");
        QTest::addColumn<QString>("links"); // "screen:k>target ...", every other link outside the level
        QTest::addColumn<QString>("cells"); // of screens 0, 1, ...; "b" for the row below the map
        // A ring, a link one way, two screens that want one place and a screen reached only through link 7
        // are in the golden map.
        QTest::newRow("outside the level") << 2 << "0:4>2 0:5>-1 0:2>1 1:3>7"
                                           << "0,0 0,-1";
        QTest::newRow("row below from the left") << 5 << "0:3>2 3:4>4"
                                                 << "0,0 b-1,1 -1,0 b0,1 b1,1";
    }
    void layout() {
        QFETCH(int, screens);
        QFETCH(QString, links);
        QFETCH(QString, cells);
        SideLinks nowhere;
        nowhere.fill(-1);
        std::vector<SideLinks> table(size_t(screens), nowhere);
        for (const QString& link : links.split(u' ')) {
            const QStringList parts = link.split(QRegularExpression(QStringLiteral("[:>]")));
            table[size_t(parts[0].toInt())][size_t(parts[1].toInt())] = Integer(parts[2].toInt());
        }
        const WorldLayout layout = LayOutWorld(table);
        QStringList actual;
        for (int n = 0; n < screens; ++n)
            actual << QStringLiteral("%1%2,%3")
                          .arg(layout.onMap[size_t(n)] ? "" : "b")
                          .arg(layout.cells[size_t(n)].x())
                          .arg(layout.cells[size_t(n)].y());
        QCOMPARE(actual.join(u' '), cells);
    }

    // --reach shades the four tiles of a corner room walled off from the start tile, and on the map screen
    // 1, which the walk never comes into; a start tile off the grid cannot be walked from.
    void reachShadesWhatTheWalkMisses() {
        Screen room = Screen::fresh();
        room.tile(278).directions[2] = room.tile(298).directions[2] = room.tile(281).directions[0] = 1;
        room.tile(259).directions[3] = room.tile(260).directions[3] = 1;
        m_f.writeFile("room.txt", levelBytes({room, Screen::fresh()}, 1, 1));
        QImage images[2][2];
        for (const bool world : {false, true})
            for (const bool reach : {false, true}) {
                QStringList arguments{"room.txt", "-o", m_f.path("out.png"), world ? "--world" : "--marker"};
                if (reach)
                    arguments << "--reach";
                QCOMPARE(render(arguments).code, 0);
                images[world][reach] = QImage(m_f.path("out.png")).convertToFormat(QImage::Format_RGB32);
            }
        QStringList differ;
        for (int t = FirstGridTile; t <= LastGridTile; ++t) {
            const QRect pixels(QPoint((t - 1) % GridColumns, (t - 1) / GridColumns) * RenderTileSize,
                               QSize(RenderTileSize, RenderTileSize));
            if (images[0][0].copy(pixels) != images[0][1].copy(pixels))
                differ << QString::number(t);
        }
        QCOMPARE(differ, (QStringList{"279", "280", "299", "300"}));
        qint64 changed = 0;
        for (int y = 0; y < images[1][0].height(); ++y)
            for (int x = 0; x < images[1][0].width(); ++x)
                changed += images[1][0].pixel(x, y) != images[1][1].pixel(x, y);
        QVERIFY(changed > ScreenImageWidth * ScreenImageHeight / 2 &&
                changed <= ScreenImageWidth * ScreenImageHeight);
        m_f.writeFile("room.txt", levelBytes({room}, 301, 0));
        QCOMPARE(render({"room.txt", "--reach", "-o", m_f.path("out.png")}).code, 2);
    }
};

QTEST_MAIN(TestRender)
#include "tst_render.moc"
