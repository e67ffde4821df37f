// tavrin-level, run as a program: its exit codes, and what `info` tells of a level built by hand.
#include "levelfixture.h"
#include "leveltool.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace tavrin;

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
        m_f.writeFile("no screens.txt", "\"LevelProp\",\"\",\"\",\"\",\"\",\"\",1,-2,0,0,0,0\r\n");
    }

    void exitCodes_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        const QString level = m_f.path("level.txt");
        QTest::newRow("no command") << QStringList() << 2;
        QTest::newRow("--help") << QStringList{"--help"} << 0;
        QTest::newRow("--version") << QStringList{"--version"} << 0;
        QTest::newRow("unknown command") << QStringList{"frobnicate", level} << 2;
        QTest::newRow("unknown option") << QStringList{"info", level, "--bogus"} << 2;
        QTest::newRow("info without a file") << QStringList{"info"} << 2;
        QTest::newRow("info of a missing file") << QStringList{"info", m_f.path("gone.txt")} << 2;
        QTest::newRow("info of a picture") << QStringList{"info", m_f.path("picture.bmp")} << 2;
        QTest::newRow("info") << QStringList{"info", level} << 0;
        QTest::newRow("check of a last screen below -1")
            << QStringList{"check", m_f.path("no screens.txt")} << 1;
    }
    void exitCodes() {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QCOMPARE(RunTool(arguments).code, code);
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
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
