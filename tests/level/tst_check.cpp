// tavrin-level check on levels built to break one rule each, and the check of a level being edited.
#include "level/tools/directions.h"
#include "level/tools/levelcheck.h"
#include "level/tools/levelcheckfix.h"
#include "levelfixture.h"
#include "leveltool.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <map>

using namespace tavrin;

namespace {
// File access that counts the files opened for reading.
struct CountedFiles : FileAccess {
    int opened = 0;
    std::unique_ptr<QIODevice> openRead(const QString& path) override {
        ++opened;
        return FileAccess::openRead(path);
    }
};

constexpr int Left = 0, Up = 1, Right = 2;

// A level of screens 0..last, each fresh with its border walled unless changed, written as the editor
// writes it.
struct LevelText {
    std::map<int, Screen> screens;
    QByteArray properties = "\"LevelProp\",\"\",\"\",\"\",\"\",\"\",1,%LAST%,0,0,0,0\r\n";
    QByteArray extra; // records after the screens
    int last = 1;

    Screen& screen(int n) {
        const auto [place, added] = screens.try_emplace(n, Screen::fresh());
        if (added)
            for (int side = 0; side < 4; ++side)
                for (const int tile : BorderTiles(side))
                    place->second.tile(tile).directions[size_t(side)] = 1;
        return place->second;
    }
    // An exit from tile `tile` of screen `from` in direction `d` through link `k`, landing on `landing`.
    void exit(int from, int tile, int d, int k, int to, FieldValue landing) {
        Screen& s = screen(from);
        s.links[size_t(k)] = Integer(to);
        s.tile(tile).directions[size_t(d)] = Integer(k);
        s.tile(tile).operands[size_t(d)] = landing;
    }
    // Screens 0 and 1 joined both ways through link 4.
    static LevelText ring() {
        LevelText level;
        level.exit(0, 20, Right, 4, 1, FieldValue::number(1));
        level.exit(1, 1, Left, 4, 0, FieldValue::number(20));
        return level;
    }
    QByteArray bytes() {
        QByteArray text;
        for (int n = 0; n <= last; ++n)
            text += screen(n).encode(Integer(n));
        return text + extra + QByteArray(properties).replace("%LAST%", QByteArray::number(last));
    }
};

// A problem as "code screen/tile/direction", the parts it has.
QString Brief(const QJsonObject& p) {
    QString text = p.value("code").toString();
    for (const char* part : {"screen", "tile", "direction"})
        if (!p.value(part).isNull())
            text += u' ' + p.value(part).toVariant().toString();
    return text;
}

QString Brief(const LevelProblem& p) {
    QString text = p.code;
    if (p.screen)
        text += u' ' + QString::number(*p.screen);
    if (p.tile)
        text += u' ' + QString::number(*p.tile);
    if (p.direction)
        text += u' ' + p.directionName();
    return text;
}

} // namespace

class TestCheck : public QObject {
    Q_OBJECT
    LevelFixture m_f;

private slots:
    void rules_data();
    void rules();
    void lineAndText();
    void editedLevel();
    void groupsByKind();
    void fixes_data();
    void fixes();
    void walkFromStart_data();
    void walkFromStart();
};

void TestCheck::rules_data() {
    QTest::addColumn<QByteArray>("level");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("code");
    const auto row = [](const char* name, LevelText level, QStringList expected, int code) {
        QTest::newRow(name) << level.bytes() << expected << code;
    };

    // The ring of screens 0 and 1 with `change` made to it.
    const auto ring = [&row](const char* name, const QStringList& expected, int code,
                             const std::function<void(LevelText&)>& change) {
        LevelText level = LevelText::ring();
        change(level);
        row(name, level, expected, code);
    };
    const QStringList linkOut{"link-out-of-range 0 20 right", "unreachable-screen 1",
                              "one-way-link 1 1 left"};
    ring("two screens joined both ways", {}, 0, [](LevelText&) {});
    ring("a link outside the level", linkOut, 1, [](LevelText& l) { l.screen(0).links[4] = 5; });
    ring("a link below screen 0", linkOut, 1, [](LevelText& l) { l.screen(0).links[4] = -1; });
    for (const auto& [name, landing] : {std::pair{"landing on tile 0", FieldValue::number(0)},
                                        {"landing on 301", FieldValue::number(301)},
                                        {"landing on a text", FieldValue::text("x")}})
        ring(name, {"landing-out-of-range 0 20 right"}, 1,
             [&](LevelText& l) { l.screen(0).tile(20).operands[Right] = landing; });
    ring("landing on 1.4, which rounds to tile 1", {}, 0,
         [](LevelText& l) { l.screen(0).tile(20).operands[Right] = FieldValue::text("1.4"); });
    ring("a start tile off the grid", {"start-tile-out-of-range"}, 1, [](LevelText& l) {
        l.properties = "\"LevelProp\",\"\",\"\",\"\",\"\",\"\",301,%LAST%,0,0,0,0\r\n";
    });
    ring("a last screen beyond the Integer range", {"number-out-of-range"}, 1,
         [](LevelText& l) { l.properties.replace("%LAST%", "40000"); });
    ring("a picture box that does not exist", {"picture-box-missing 1 5"}, 1,
         [](LevelText& l) { l.screen(1).tile(5).picture = FieldValue::number(500); });
    ring("a picture reaching outside Pics", {"picture-outside-pics 1 5"}, 1,
         [](LevelText& l) { l.screen(1).tile(5).picture = FieldValue::text("\\..\\..\\secret.bmp"); });
    ring("a picture file in no Pics folder", {"picture-missing 1 5"}, 0, [](LevelText& l) {
        l.screen(1).tile(5).picture = FieldValue::text("\\nowhere.bmp");
        l.screen(1).tile(6).picture = FieldValue::text("\\found.bmp");
    });
    ring("a colour beyond the Long range", {"number-out-of-range 1 7"}, 1,
         [](LevelText& l) { l.screen(1).tile(7).colour = FieldValue::number(1e12); });
    ring("a direction that is no number", {"unreadable-record 1 300"}, 1,
         [](LevelText& l) { l.extra = "\"Screen1\",300,0,0,\"up\",0,0,0,1,1,1,1\r\n"; });
    // The start tile, blocked all round, reaches nothing.
    ring("an exit landing on a tile blocked all round",
         {"landing-blocked 1 1 left", "exit-no-way-back 0 20 right", "exit-never-used 0 20 right",
          "tile-unreachable 0"},
         0, [](LevelText& l) {
             l.screen(0).tile(1).directions = {1, 1, 1, 1};
             l.screen(1).tile(1).operands[Left] = FieldValue::number(1);
         });
    ring("a one-way link", {"one-way-link 0 20 right", "exit-no-way-back 0 20 right"}, 0,
         [](LevelText& l) { l.screen(1).tile(1).directions[Left] = 0; });
    ring("exits that miss each other's tiles", {"exit-no-way-back 0 20 right", "exit-no-way-back 1 1 left"},
         0, [](LevelText& l) { l.screen(1).tile(1).operands[Left] = FieldValue::number(40); });
    ring("the way back through another side and link", {}, 0, [](LevelText& l) {
        l.screen(1).tile(1).directions[Left] = 1;
        l.exit(1, 1, Up, 6, 0, FieldValue::number(20));
    });
    ring("no link of screen 1 leads back", {"one-way-link 0 20 right"}, 0, [](LevelText& l) {
        l.screen(1).tile(1).directions[Left] = 1;
        l.screen(1).links[4] = 4;
    });
    ring("free steps off the left and right borders", {"edge-wrap 1 41 left", "edge-wrap 0 40 right"}, 0,
         [](LevelText& l) {
             l.screen(1).tile(41).directions[Left] = 0;
             l.screen(0).tile(40).directions[Right] = 10; // neither a wall nor an exit
         });
    ring("free steps off the grid at its corners", {}, 0, [](LevelText& l) {
        l.screen(0).tile(1).directions[Left] = 0;
        l.screen(0).tile(300).directions[Right] = 0;
    });
    QStringList blank{"unreachable-screen 2"};
    for (int first = 21; first < 300; first += 20)
        blank << QStringLiteral("edge-wrap 2 %1 left").arg(first)
              << QStringLiteral("edge-wrap 2 %1 right").arg(first - 1);
    ring("a screen without records, free all round", blank, 0,
         [](LevelText& l) { l.properties.replace("%LAST%", "2"); });
    ring("a screen no exit reaches", {"unreachable-screen 2"}, 0, [](LevelText& l) { l.last = 2; });
    ring(
        "screens outside the level", {"screen-outside-level -3", "screen-outside-level 4"}, 0,
        [](LevelText& l) { l.extra = Screen::fresh().encode(4) + "\"Screen-3\",1,0,0,0,0,0,0,1,1,1,1\r\n"; });
    ring("two records of one tile", {"duplicate-tile 0 7"}, 0,
         [](LevelText& l) { l.extra = "\"Screen0\",7,0,0,0,0,0,0,1,1,1,1\r\n"; });
    // A last screen below 0 leaves the level no screens: records of screen 0 are outside it.
    for (const int last : {-1, -32768})
        for (const bool records : {false, true}) {
            LevelText level;
            level.last = last;
            level.extra = records ? Screen::fresh().encode(0) : QByteArray();
            const QByteArray name = "last screen " + QByteArray::number(last) +
                                    (records ? ", records of screen 0" : ", no screen records");
            row(name.constData(), level,
                records ? QStringList{"number-out-of-range", "screen-outside-level 0"}
                        : QStringList{"number-out-of-range"},
                1);
        }
    ring("no level properties", {"no-level-properties"}, 0, [](LevelText& l) { l.properties = ""; });
    ring("a file that ends inside a record", {"unreadable-record", "no-level-properties"}, 1,
         [](LevelText& l) { l.properties = "\"LevelProp\",\"ends inside a text"; });
}

void TestCheck::rules() {
    QFETCH(QByteArray, level);
    QFETCH(QStringList, expected);
    QFETCH(int, code);
    m_f.writeFile("level.txt", level);
    m_f.writePicture("found.bmp", Qt::red);
    const ToolRun run = RunTool({"check", m_f.path("level.txt"), "--json", "--pics", m_f.path("Pics")});
    QCOMPARE(run.code, code);
    QStringList found;
    for (const QJsonValue& problem : QJsonDocument::fromJson(run.out).array())
        found << Brief(problem.toObject());
    found.sort();
    expected.sort();
    QCOMPARE(found, expected);
}

void TestCheck::lineAndText() {
    LevelText level = LevelText::ring();
    // In the order of the file, although the wrap at the edge is found after the second duplicate; at one
    // line, in the order found.
    level.extra = "\"Screen1\",21,0,0,0,0,0,0,1,1,1,1\r\n"
                  "\"Screen1\",5,0,0,0,0,0,0,1,1,1,1\r\n";
    m_f.writeFile("level.txt", level.bytes());
    const QString path = m_f.path("level.txt");
    const ToolRun run = RunTool({"check", path, "--pics", m_f.path("Pics")});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out,
             (path +
              ":619: screen 1 tile 21: warning: a second record of this tile: the last one counts "
              "[duplicate-tile]\n" +
              path +
              ":619: screen 1 tile 21 left: warning: the step left from tile 21 is free, and the walk "
              "takes it to tile 20 at the end of the row above [edge-wrap]\n" +
              path +
              ":620: screen 1 tile 5: warning: a second record of this tile: the last one counts "
              "[duplicate-tile]\n" +
              path + ": 0 errors, 3 warnings\n")
                 .toUtf8());
    QCOMPARE(RunTool({"check", path, "--strict", "--pics", m_f.path("Pics")}).code, 1); // fails on warnings
    // Neither a file that is no level nor a missing one can be checked at all.
    m_f.writeFile("notes.txt", "just some notes\n");
    QCOMPARE(RunTool({"check", m_f.path("notes.txt")}).code, 2);
    QCOMPARE(RunTool({"check", m_f.path("missing.txt")}).code, 2);
    QCOMPARE(RunTool({"check", path, "--pics"}).code, 2);
    QCOMPARE(RunTool({"check", path, "--pics", m_f.path("no such folder")}).code, 2);
}

// An edit made in memory counts, whatever the file says; screens not edited come from the file.
void TestCheck::editedLevel() {
    LevelText level = LevelText::ring();
    level.last = 2;
    level.exit(2, 3, Left, 6, 9, FieldValue::number(1));
    m_f.writeFile("level.txt", level.bytes());
    m_f.document->loadLevel(m_f.path("level.txt"), QStringLiteral("test"));
    EditTile(*m_f.document, 20, [&](TileState& t) { t.directions[Right] = 0; });
    QStringList found;
    for (const LevelProblem& p : CheckEditedLevel(*m_f.module, {}))
        found << Brief(p);
    found.sort();
    QCOMPARE(found,
             (QStringList{"edge-wrap 0 20 right", "exit-no-way-back 1 1 left", "link-out-of-range 2 3 left",
                          "one-way-link 1 1 left", "unreachable-screen 1", "unreachable-screen 2"}));
}

// Errors first; of each, the kinds with the fewest problems first, ties in the order found.
void TestCheck::groupsByKind() {
    std::vector<LevelProblem> problems;
    for (const char* code :
         {"edge-wrap", "edge-wrap", "link-out-of-range", "unreachable-screen", "edge-wrap",
          "picture-outside-pics", "exit-no-way-back", "unreachable-screen", "picture-outside-pics"}) {
        LevelProblem& problem = problems.emplace_back();
        problem.code = code;
        problem.severity =
            QString(code).contains("out") ? LevelProblem::Severity::Error : LevelProblem::Severity::Warning;
    }
    QStringList groups;
    for (const ProblemGroup& group : GroupProblems(problems)) {
        QStringList members;
        for (const size_t i : group.members)
            members << QString::number(i);
        groups << group.code + ' ' + members.join(',');
    }
    QCOMPARE(groups, (QStringList{"link-out-of-range 2", "picture-outside-pics 5,8", "exit-no-way-back 6",
                                  "unreachable-screen 3,7", "edge-wrap 0,1,4"}));
}

// Screens 0 and 1 joined, screen 0's link 4 turned to screen 5, no screen of the level: either fix, made,
// leaves no exit into no screen; the new screen links only the side that joins it.
void TestCheck::fixes_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("change");
    QTest::newRow("make the screen")
        << int(LevelFixKind::MakeScreen)
        << "Fix will make screen 2, lead link 4 of screen 0 to it, and make the left "
           "side of tile 1 of screen 2 an exit back onto tile 20 of screen 0.";
    QTest::newRow("block the step") << int(LevelFixKind::BlockStep)
                                    << "Fix will block the step right from tile 20 of screen 0.";
}

void TestCheck::fixes() {
    QFETCH(int, kind);
    LevelText level = LevelText::ring();
    level.screen(0).links[4] = 5;
    m_f.writeFile("level.txt", level.bytes());
    m_f.document->loadLevel(m_f.path("level.txt"), QStringLiteral("test"));
    const std::vector<LevelProblem> problems = CheckEditedLevel(*m_f.module, {});
    QCOMPARE(Brief(problems[0]), "link-out-of-range 0 20 right");
    const LevelFix fix = PlanFix(*m_f.document, problems[0], LevelFixKind(kind));
    QTEST(fix.change, "change");
    m_f.document->editLevel(FixName(LevelFixKind(kind)), fix.edit);
    const std::vector<LevelProblem> after = CheckEditedLevel(*m_f.module, {});
    QVERIFY(std::none_of(after.begin(), after.end(), [](auto& p) { return p.code == "link-out-of-range"; }));
    if (LevelFixKind(kind) == LevelFixKind::MakeScreen) {
        const Screen made = m_f.module->ReadScreen(2);
        QCOMPARE(made.links, (SideLinks{0, 0, -1, 0, -1, -1, -1, -1, -1, -1}));
        QCOMPARE(made.tile(1).directions[Left], Integer(3));
        QCOMPARE(made.tile(1).operands[Left], FieldValue::number(20));
    }
}

// A door in a corner room walled off from the start tile: never used, the room's four tiles counted on
// their screen; screen 2 behind the door, which the walk never comes into, gets no row. The file says so,
// and the level being edited follows an edit that opens the room.
void TestCheck::walkFromStart_data() {
    QTest::addColumn<bool>("open");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("walled off") << false << QStringList{"exit-never-used 0 300 down", "tile-unreachable 0"};
    QTest::newRow("opened") << true << QStringList{};
}

void TestCheck::walkFromStart() {
    QFETCH(bool, open);
    LevelText level = LevelText::ring();
    level.last = 2;
    level.screen(0).tile(278).directions[Right] = level.screen(0).tile(298).directions[Right] = 1;
    level.screen(0).tile(259).directions[3] = level.screen(0).tile(260).directions[3] = 1;
    level.exit(0, 300, 3, 5, 2, FieldValue::number(1));
    m_f.writeFile("level.txt", level.bytes());
    const auto walkRows = [](const QStringList& found) {
        QStringList rows = found.filter(QRegularExpression("^(exit-never-used|tile-unreachable) "));
        rows.sort();
        return rows;
    };
    QStringList inFile;
    for (const QJsonValue& problem :
         QJsonDocument::fromJson(RunTool({"check", m_f.path("level.txt"), "--json"}).out).array())
        inFile << Brief(problem.toObject());
    QCOMPARE(walkRows(inFile), (QStringList{"exit-never-used 0 300 down", "tile-unreachable 0"}));
    // The walk goes by what the checks read: the file is read once, and once more for the problems' lines.
    CountedFiles files;
    CheckLevelFile(files, m_f.path("level.txt"), {});
    QCOMPARE(files.opened, 2);
    m_f.document->loadLevel(m_f.path("level.txt"), QStringLiteral("test"));
    if (open)
        EditTile(*m_f.document, 278, [](TileState& t) { t.directions[Right] = 0; });
    QStringList edited, messages;
    for (const LevelProblem& p : CheckEditedLevel(*m_f.module, {}))
        edited << Brief(p), messages << p.message;
    QTEST(walkRows(edited), "expected");
    QCOMPARE(messages.contains("4 tile(s) of this screen cannot be reached from the start tile (tiles "
                               "blocked all round not counted)"),
             !open);
}

QTEST_GUILESS_MAIN(TestCheck)
#include "tst_check.moc"
