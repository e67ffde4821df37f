// tavrin-level, run as a program: its exit codes, what `info` tells of a level built by hand, and what -o
// may write over.
#include "levelfixture.h"
#include "leveltool.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tavrin;

namespace {
// tavrin-level run while the bytes that come through the pipe open for reading as `pipe` (without
// blocking) are taken as they come, so that a full pipe cannot stop it.
ToolRun RunToolIntoPipe(const QStringList& arguments, int pipe, QByteArray* piped) {
    QProcess tool;
    tool.start(QStringLiteral(TAVRIN_LEVEL_TOOL), arguments);
    const QDeadlineTimer deadline(120000);
    char buffer[4096];
    for (bool running = true; running;) {
        running = !tool.waitForFinished(20) && tool.state() != QProcess::NotRunning && !deadline.hasExpired();
        for (ssize_t n; (n = ::read(pipe, buffer, sizeof buffer)) > 0;)
            piped->append(buffer, n);
    }
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1, tool.readAllStandardOutput(),
            tool.readAllStandardError()};
}

bool IsFifo(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISFIFO(status.st_mode);
}
} // namespace

class TestCli : public QObject {
    Q_OBJECT
    LevelFixture m_f;

private slots:
    void initTestCase() {
        // Screens 0 and 5 have records; "\a.bmp" is named twice, a box by number and by numeric text.
        QByteArray level =
            TileLine(0, 1, "1,\"\\a.bmp\",0,0,0,0,1,1,1,1") +
            TileLine(0, 2, "1,\"\\a.bmp\",0,0,0,0,1,1,1,1") + TileLine(0, 3, "1,997,0,0,0,0,1,1,1,1") +
            TileLine(5, 4, "1,\"997\",0,0,0,0,1,1,1,1") + TileLine(5, 5, "1,\"\\b c.png\",0,0,0,0,1,1,1,1");
        level += "\"LevelProp\",\"Hand-made\",\"Tester\",\"today\",\"\",\"\",42,7,0,0,0,0\r\n";
        m_f.writeFile("level.txt", level);
        m_f.writeFile("picture.bmp", QByteArray("BM\x00\x01\"unterminated", 17));
        QCOMPARE(RunTool({"export", m_f.path("level.txt"), "-o", m_f.path("level.json")}).code, 0);
        m_f.writeFile("no screens.txt", "\"LevelProp\",\"\",\"\",\"\",\"\",\"\",1,-2,0,0,0,0\r\n");
        m_f.writeFile("start 301.txt", "\"LevelProp\",\"\",\"\",\"\",\"\",\"\",301,0,0,0,0,0\r\n");
    }

    void exitCodes_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("line"); // the start of a line of standard output; empty: none
        const QString level = m_f.path("level.txt");
        QTest::newRow("no command") << QStringList() << 2 << QByteArray();
        QTest::newRow("--help") << QStringList{"--help"} << 0 << QByteArray("Usage: tavrin-level COMMAND ");
        QTest::newRow("unknown command") << QStringList{"frobnicate", level} << 2 << QByteArray();
        QTest::newRow("info without a file") << QStringList{"info"} << 2 << QByteArray();
        QTest::newRow("info of a missing file")
            << QStringList{"info", m_f.path("gone.txt")} << 2 << QByteArray();
        QTest::newRow("info of a picture")
            << QStringList{"info", m_f.path("picture.bmp")} << 2 << QByteArray();
        QTest::newRow("check of a last screen below -1")
            << QStringList{"check", m_f.path("no screens.txt")} << 1 << QByteArray();
        // Options only as the usage spells them.
        for (const char* option : {"-json", "--json=1", "--"})
            QTest::addRow("info %s", option) << QStringList{"info", option, level} << 2 << QByteArray();
        QTest::newRow("check --pics=DIR") << QStringList{"check", level, "--pics=."} << 2 << QByteArray();
        // Each command tells its own usage, and the program's lists it.
        for (const char* command : {"info", "check", "render", "export", "import", "screens", "diff", "merge",
                                    "git-setup", "reach", "route"}) {
            QTest::addRow("%s --help", command)
                << QStringList{command, "--help"} << 0 << "Usage: tavrin-level " + QByteArray(command) + ' ';
            QTest::addRow("--help lists %s", command)
                << QStringList{"--help"} << 0 << "  " + QByteArray(command) + ' ';
        }
    }
    void exitCodes() {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QByteArray, line);
        const ToolRun run = RunTool(arguments);
        QCOMPARE(run.code, code);
        const QList<QByteArray> lines = run.out.split('\n');
        QVERIFY2(line.isEmpty() ||
                     std::any_of(lines.begin(), lines.end(),
                                 [&line](const QByteArray& l) { return (l + ' ').startsWith(line); }),
                 run.out.constData());
    }

    // What is there but is no file is told so, not as missing.
    void notAFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a pipe") << "pipe";
        QTest::newRow("a folder") << "folder";
    }
    void notAFile() {
        QFETCH(QString, kind);
        LevelFixture f;
        const QString path = f.path("input");
        QVERIFY(kind == "pipe" ? ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0
                               : QDir().mkdir(path));
        for (const QStringList& arguments : {QStringList{"info", path}, QStringList{"diff", path, path}}) {
            const ToolRun run = RunTool(arguments);
            QCOMPARE(run.code, 2);
            QVERIFY2(run.err.contains("is not a regular file"), run.err.constData());
        }
    }

    // Standard output that cannot take what is written fails the command.
    void outputFails_data() {
        QTest::addColumn<QStringList>("arguments");
        const QString level = m_f.path("level.txt");
        QTest::newRow("info") << QStringList{"info", level};
        QTest::newRow("check") << QStringList{"check", level};
        QTest::newRow("diff") << QStringList{"diff", level, m_f.path("no screens.txt")};
        QTest::newRow("--help") << QStringList{"--help"};
        QTest::newRow("route") << QStringList{"route", level, "--to", "0:44"};
        QTest::newRow("reach --json") << QStringList{"reach", level, "--json"};
    }
    void outputFails() {
        QFETCH(QStringList, arguments);
        QProcess tool;
        tool.setStandardOutputFile(QStringLiteral("/dev/full"));
        tool.start(QStringLiteral(TAVRIN_LEVEL_TOOL), arguments);
        QVERIFY(tool.waitForFinished(120000));
        QCOMPARE(tool.exitCode(), 2);
        QVERIFY(tool.readAllStandardError().contains("standard output could not be written"));
    }

    void info() {
        const ToolRun run = RunTool({"info", m_f.path("level.txt"), "--json"});
        QCOMPARE(run.code, 0);
        const QJsonObject object = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(object.value("name").toString(), "Hand-made");
        QCOMPARE(object.value("startTile").toInt(), 42);
        QCOMPARE(object.value("lastScreen").toInt(), 7);
        QCOMPARE(object.value("screensWithRecords").toInt(), 2);
        QCOMPARE(object.value("pictures").toObject(), (QJsonObject{{"\\a.bmp", 2}, {"\\b c.png", 1}}));
        QCOMPARE(object.value("fileSize").toInteger(), QFileInfo(m_f.path("level.txt")).size());
        QVERIFY(RunTool({"info", m_f.path("level.txt")}).out.contains("\\a.bmp: 2 tiles"));
    }

    // Only the keys of screens 0..32767 as the editor writes them are screens, with the pictures their
    // tiles name.
    void infoCountsScreensOnly_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<bool>("screen");
        for (const char* key : {"Screen0", "Screen32767"})
            QTest::newRow(key) << QByteArray(key) << true;
        for (const char* key : {"Screen-1", "Screen-0", "Screen+1", "Screen01", "Screen 1", "Screen32768",
                                "Screen2147483648", "Screen1.0"})
            QTest::newRow(key) << QByteArray(key) << false;
    }
    void infoCountsScreensOnly() {
        QFETCH(QByteArray, key);
        QFETCH(bool, screen);
        m_f.writeFile("keys.txt", "\"" + key + "\",1,0,\"\\a.bmp\",0,0,0,0,1,1,1,1\r\n" +
                                      "\"LevelProp\",\"\",\"\",\"\",\"\",\"\",1,3,0,0,0,0\r\n");
        const ToolRun run = RunTool({"info", m_f.path("keys.txt"), "--json"});
        QCOMPARE(run.code, 0);
        const QJsonObject object = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(object.value("screensWithRecords").toInt(), screen ? 1 : 0);
        QCOMPARE(object.value("pictures").toObject().contains("\\a.bmp"), screen);
    }

    // -o never puts a file in place of the input, whatever name it is given by, nor in place of what is no
    // file; a pipe is written into.
    void output_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("code");
        for (const char* command : {"export", "import", "render", "screens"}) {
            QTest::addRow("%s onto its input", command) << command << "input" << 2;
            QTest::addRow("%s onto a link to its input", command) << command << "link" << 2;
            QTest::addRow("%s into a pipe", command) << command << "pipe" << 0;
            QTest::addRow("%s onto a folder", command) << command << "folder" << 2;
        }
    }
    void output() {
        QFETCH(QString, command);
        QFETCH(QString, target);
        QFETCH(int, code);
        LevelFixture f;
        const QString name = command == "import" ? "level.json" : "level.txt";
        const QByteArray before = m_f.readFile(name);
        f.writeFile(name, before);
        const QString input = f.path(name);
        // The input named another way, or what stands at the name given.
        const QString out = target == "input" ? f.folder.path() + "/./" + name : f.path(target);
        if (target == "link")
            QVERIFY(QFile::link(input, out));
        if (target == "pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(out).constData(), 0600), 0);
        if (target == "folder")
            QVERIFY(QDir().mkdir(out));
        const int pipe =
            target == "pipe" ? ::open(QFile::encodeName(out).constData(), O_RDONLY | O_NONBLOCK) : -1;
        QByteArray piped;
        const QStringList operation = command == "screens" ? QStringList{"--swap", "0", "5"} : QStringList();
        const ToolRun run = RunToolIntoPipe(QStringList{command, input, "-o", out} + operation, pipe, &piped);
        if (pipe >= 0)
            ::close(pipe);
        QCOMPARE(run.code, code);
        QCOMPARE(f.readFile(name), before);
        QCOMPARE(QFileInfo(out).isSymLink(), target == "link");
        QCOMPARE(QFileInfo(out).isDir(), target == "folder");
        QCOMPARE(IsFifo(out), target == "pipe");
        if (target == "pipe") {
            // The bytes that a file would have held.
            QCOMPARE(RunTool(QStringList{command, input, "-o", f.path("file")} + operation).code, 0);
            QCOMPARE(piped, f.readFile("file"));
        }
    }

    // Screen 0 of the level is free all round (tile 0 below the grid too, which tile 1 steps onto); no
    // exit leads anywhere else. A place is SCREEN:TILE of the level.
    void routeAndReach_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("out"); // a part of standard output; empty: none at all
        const QString level = m_f.path("level.txt");
        QTest::newRow("route") << QStringList{"route", level, "--to", "0:44"} << 0
                               << QByteArray("right 0:43\nright 0:44\n");
        QTest::newRow("route --json")
            << QStringList{"route", level, "--to", "0:62", "--json"} << 0 << QByteArray(R"("key": "down")");
        QTest::newRow("no route") << QStringList{"route", level, "--to", "3:1"} << 1 << QByteArray();
        QTest::newRow("no route --json") << QStringList{"route", level, "--to", "3:1", "--json"} << 1
                                         << QByteArray(R"("reachable": false)");
        QTest::newRow("reach")
            << QStringList{"reach", level} << 0
            << QByteArray("screen 0: 301 tiles\n301 tiles reached on 1 of the level's 8 screens\n");
        QTest::newRow("reach --json")
            << QStringList{"reach", level, "--from", "7:300", "--json"} << 0 << QByteArray(R"("tiles": 301)");
        QTest::newRow("route without --to") << QStringList{"route", level} << 2 << QByteArray();
        QTest::newRow("tile past 300") << QStringList{"route", level, "--to", "1:301"} << 2 << QByteArray();
        QTest::newRow("screen past the last")
            << QStringList{"route", level, "--to", "8:1"} << 2 << QByteArray();
        QTest::newRow("start tile past 300")
            << QStringList{"reach", m_f.path("start 301.txt")} << 2 << QByteArray();
    }
    void routeAndReach() {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QByteArray, out);
        const ToolRun run = RunTool(arguments);
        QCOMPARE(run.code, code);
        QVERIFY2(out.isEmpty() ? run.out.isEmpty() : run.out.contains(out), run.out.constData());
        QCOMPARE(run.err.isEmpty(), code == 0);
    }

    // tavrin-level screens writes what the editor's Screen menu and a save would write; a screen that is
    // not one of the level's, or no operation or two, is refused and nothing is written.
    void screens_data() {
        QTest::addColumn<QStringList>("operation");
        QTest::addColumn<int>("code");
        QTest::newRow("delete") << QStringList{"--delete", "0"} << 0;
        QTest::newRow("move") << QStringList{"--move", "5", "1"} << 0;
        QTest::newRow("swap") << QStringList{"--swap", "7", "0"} << 0;
        QTest::newRow("duplicate") << QStringList{"--duplicate", "5"} << 0;
        QTest::newRow("past the last screen") << QStringList{"--delete", "8"} << 2;
        QTest::newRow("no number") << QStringList{"--move", "1"} << 2;
        QTest::newRow("two operations") << QStringList{"--delete", "1", "--duplicate", "2"} << 2;
        QTest::newRow("one twice") << QStringList{"--delete", "1", "--delete", "2"} << 2;
        QTest::newRow("none") << QStringList() << 2;
    }
    void screens() {
        QFETCH(QStringList, operation);
        QFETCH(int, code);
        LevelFixture f;
        f.load("level.txt", m_f.readFile("level.txt"));
        const ToolRun run =
            RunTool(QStringList{"screens", f.path("level.txt"), "-o", f.path("out.txt")} + operation);
        QCOMPARE(run.code, code);
        QCOMPARE(QFileInfo::exists(f.path("out.txt")), code == 0);
        if (code != 0)
            return;
        const int first = operation[1].toInt();
        const int last = f.module->LevelLastScreen();
        if (operation[0] == "--duplicate")
            f.document->duplicateScreen(first);
        else if (operation[0] == "--delete")
            f.document->renumberScreens(ScreenRenumbering::deleting(first, last));
        else
            f.document->renumberScreens(
                {operation[0] == "--move" ? ScreenRenumbering::Move : ScreenRenumbering::Swap, first,
                 operation[2].toInt(), last});
        f.saveTo(f.path("expected.txt"));
        QCOMPARE(f.readFile("out.txt"), f.readFile("expected.txt"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
