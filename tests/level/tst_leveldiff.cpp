// Comparing two levels by what they mean: each kind of change, the kinds of values, screens added and
// removed, and the exit codes and forms of tavrin-level diff.
#include "level/tools/leveldiff.h"
#include "levelfixture.h"
#include "leveltool.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace tavrin;

namespace {

QByteArray Replaced(QByteArray bytes, const QByteArray& what, const QByteArray& by) {
    return bytes.replace(what, by);
}
} // namespace

class TestLevelDiff : public QObject {
    Q_OBJECT
    LevelFixture m_f;

    QStringList linesOf(const QByteArray& before, const QByteArray& after) {
        m_f.writeFile("before.txt", before);
        m_f.writeFile("after.txt", after);
        FileAccess files;
        QStringList lines;
        for (const LevelChange& change : DiffLevels(files, m_f.path("before.txt"), m_f.path("after.txt")))
            lines << change.line();
        return lines;
    }

private slots:
    void changes_data() {
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QStringList>("lines");
        const QByteArray plainRest = "0,0,0,0,0,1,1,1,1";
        QTest::newRow("the same level") << NumberedLevel(3) << QStringList();
        static const char withNul[] = "\"\\a\0\x1b.bmp\",0,0,0,0,1,1,1,1";
        QTest::newRow("control characters in a picture")
            << NumberedLevel(3, {{1005, NumberedTile(1, 5, QByteArray(withNul, sizeof withNul - 1))}})
            << QStringList{"screen 1 tile 5: picture 0 -> \"\\a<U+0000><U+001B>.bmp\""};
        QTest::newRow("a direction and its operand")
            << NumberedLevel(3, {{2300, NumberedTile(2, 300, "0,0,0,4,0,1,1,21,1")}})
            << QStringList{"screen 2 tile 300: right property 0 -> 4",
                           "screen 2 tile 300: right operand 1 -> 21"};
        QTest::newRow("numbers written as text, an empty operand")
            << NumberedLevel(3, {{7, NumberedTile(0, 7, "\"0\",0,0,0,0,1,\"1\",1,")}})
            << QStringList{"screen 0 tile 7: picture 0 -> \"0\"", "screen 0 tile 7: up operand 1 -> \"1\"",
                           "screen 0 tile 7: down operand 1 -> nothing"};
        QTest::newRow("tiles in screen and tile order")
            << NumberedLevel(3,
                             {{2001, "1," + plainRest}, {1300, "1," + plainRest}, {1002, "1," + plainRest}})
            << QStringList{"screen 1 tile 2: colour 1002 -> 1", "screen 1 tile 300: colour 1300 -> 1",
                           "screen 2 tile 1: colour 2001 -> 1"};
        QTest::newRow("the first and the last side link")
            << Replaced(Replaced(NumberedLevel(3), "\"Screen1\",\"Side2\",2,", "\"Screen1\",\"Side2\",7,"),
                        "\"Screen1\",\"Side9\",9,", "\"Screen1\",\"Side9\",-1,")
            << QStringList{"screen 1 link 2: 2 -> 7", "screen 1 link 9: 9 -> -1"};
        // A number written another way, the links' summary record alone (loading takes the links from the
        // side records), a tile record moved to the end of its block.
        const QByteArray tile5 = TileLine(1, 5, "1005," + plainRest),
                         tile6 = TileLine(1, 6, "1006," + plainRest);
        QTest::newRow("the same meaning written otherwise")
            << NumberedLevel(3, {{7, NumberedTile(0, 7, "0,0,0,0,0,1.0,1,1,1")}})
                   .replace("\"Screen1\",\"ScreenInfo\",2,3,4", "\"Screen1\",\"ScreenInfo\",2,3,9")
                   .replace(tile5, "")
                   .replace(tile6, tile6 + tile5)
            << QStringList();
        QTest::newRow("properties") << NumberedLevel(3, {}, "\"Vale\",\"\",\"\",\"\",\"\",145,2")
                                    << QStringList{"level: level name \"\" -> \"Vale\"",
                                                   "level: start tile 1 -> 145"};
        QTest::newRow("a screen added")
            << NumberedLevel(4) << QStringList{"level: last screen 2 -> 3", "screen 3: added"};
        QTest::newRow("records of no screen")
            << Replaced(NumberedLevel(3), "\"LevelProp\"",
                        "\"Notes\",\"x\",1,2,3,4,5,6,7,8,9,10\r\n\"LevelProp\"")
            << QStringList{"records \"Notes\": added"};
        QTest::newRow("screens beyond the last screen do not count")
            << NumberedLevel(4, {{3001, "1," + plainRest}}, "\"\",\"\",\"\",\"\",\"\",1,2") << QStringList();
    }

    void changes() {
        QFETCH(QByteArray, after);
        QFETCH(QStringList, lines);
        QCOMPARE(linesOf(NumberedLevel(3), after), lines);
    }

    void aScreenWithoutRecordsIsFresh() {
        // Screen 1 has no records before; after, its block holds what a fresh screen holds but tile 9.
        const QByteArray before =
            TileLine(0, 1, "0,0,0,0,0,0,1,1,1,1") + "\"LevelProp\",\"\",\"\",\"\",\"\",\"\",1,1,0,0,0,0\r\n";
        Screen fresh = Screen::fresh();
        fresh.tile(9).colour = FieldValue::number(255);
        const QByteArray after = TileLine(0, 1, "0,0,0,0,0,0,1,1,1,1") + fresh.encode(1) +
                                 "\"LevelProp\",\"\",\"\",\"\",\"\",\"\",1,1,0,0,0,0\r\n";
        QCOMPARE(linesOf(before, after), QStringList{"screen 1 tile 9: colour -2147483643 -> 255"});
    }

    void exitCodes_data() {
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("code");
        QTest::newRow("equal") << NumberedLevel(2) << QStringList() << 0;
        QTest::newRow("different") << NumberedLevel(3) << QStringList() << 1;
        QTest::newRow("no level") << QByteArray("just some text\r\n") << QStringList() << 2;
        QTest::newRow("a damaged tile record")
            << NumberedLevel(2, {{1003, NumberedTile(1, 3, "0,word,0,0,0,1,1,1,1")}}) << QStringList() << 2;
    }

    void exitCodes() {
        QFETCH(QByteArray, after);
        QFETCH(QStringList, options);
        QFETCH(int, code);
        m_f.writeFile("one.txt", NumberedLevel(2));
        m_f.writeFile("two.txt", after);
        const ToolRun run = RunTool(QStringList{"diff", m_f.path("one.txt"), m_f.path("two.txt")} + options);
        QCOMPARE(run.code, code);
        if (code == 2)
            QVERIFY2(!run.err.isEmpty(), run.out.constData());
    }

    void missingFileIsNamed() {
        m_f.writeFile("one.txt", NumberedLevel(1));
        const ToolRun run = RunTool({"diff", m_f.path("one.txt"), m_f.path("nowhere.txt")});
        QCOMPARE(run.code, 2);
        QVERIFY(run.err.contains("nowhere.txt"));
    }

    void jsonKeepsKinds() {
        m_f.writeFile("one.txt", NumberedLevel(2));
        m_f.writeFile("two.txt", NumberedLevel(3, {{7, NumberedTile(0, 7, "0,0,0,0,0,1,\"1\",1,1")}}));
        const ToolRun run = RunTool({"diff", m_f.path("one.txt"), m_f.path("two.txt"), "--json"});
        QCOMPARE(run.code, 1);
        const QJsonArray changes = QJsonDocument::fromJson(run.out).array();
        QCOMPARE(changes.size(), 3);
        QCOMPARE(changes[0].toObject()["field"].toString(), QStringLiteral("last screen"));
        const QJsonObject operand = changes[1].toObject();
        QCOMPARE(operand["screen"].toInt(), 0);
        QCOMPARE(operand["tile"].toInt(), 7);
        QCOMPARE(operand["field"].toString(), QStringLiteral("up operand"));
        QVERIFY(operand["before"].isDouble());
        QCOMPARE(operand["after"].toString(), QStringLiteral("1"));
        QCOMPARE(changes[2].toObject()["change"].toString(), QStringLiteral("added"));
    }

    void statCountsPerScreen() {
        m_f.writeFile("one.txt", NumberedLevel(2));
        m_f.writeFile("two.txt", NumberedLevel(3, {{5, NumberedTile(0, 5, "0,1,1,1,1,1,1,1,1")},
                                                   {6, "1,0,0,0,0,0,1,1,1,1"}}));
        const ToolRun run = RunTool({"diff", m_f.path("one.txt"), m_f.path("two.txt"), "--stat"});
        QCOMPARE(run.code, 1);
        QCOMPARE(QString::fromLatin1(run.out).split('\n', Qt::SkipEmptyParts),
                 (QStringList{"level: 1 change", "screen 0: 5 changes", "screen 2: added",
                              "7 changes in 3 places"}));
    }
};

QTEST_GUILESS_MAIN(TestLevelDiff)
#include "tst_leveldiff.moc"
