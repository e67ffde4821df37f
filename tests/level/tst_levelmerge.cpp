// Three-way merges of levels through tavrin-level merge: each rule of taking a field, a screen or a
// property, the conflicts, the sides that settle them, and what the merged file holds byte for byte.
#include "level/tools/leveldiff.h"
#include "level/tools/mergeconflicts.h"
#include "levelfixture.h"
#include "leveltool.h"

#include <QtTest>

using namespace tavrin;

namespace {
using Changes = QMap<int, QByteArray>;

QStringList Lines(const QByteArray& out) {
    return QString::fromLatin1(out).split('\n', Qt::SkipEmptyParts);
}

QStringList ChangeLines(const QString& before, const QString& after) {
    FileAccess files;
    QStringList lines;
    for (const LevelChange& change : DiffLevels(files, before, after))
        lines << change.line();
    return lines;
}
} // namespace

class TestLevelMerge : public QObject {
    Q_OBJECT
    LevelFixture m_f;

    // The merge into out.txt, which holds `out` before (none when it is empty), or into `target`.
    ToolRun merge(const QByteArray& base, const QByteArray& ours, const QByteArray& theirs,
                  const QStringList& options = {}, const QByteArray& out = {}, const QString& target = {}) {
        m_f.writeFile("base.txt", base);
        m_f.writeFile("ours.txt", ours);
        m_f.writeFile("theirs.txt", theirs);
        if (target.isEmpty())
            QFile::remove(m_f.path("out.txt"));
        if (!out.isEmpty())
            m_f.writeFile("out.txt", out);
        return RunTool(QStringList{"merge", m_f.path("base.txt"), m_f.path("ours.txt"),
                                   m_f.path("theirs.txt"), "-o",
                                   target.isEmpty() ? m_f.path("out.txt") : target} +
                       options);
    }

private slots:
    void rules_data() {
        QTest::addColumn<QByteArray>("ours");
        QTest::addColumn<QByteArray>("theirs");
        QTest::addColumn<QByteArray>("merged");
        QTest::addColumn<QStringList>("conflicts");
        QTest::addColumn<int>("screens"); // of the base
        const QByteArray base = NumberedLevel(3);
        const QByteArray red = NumberedTile(1, 5, "0,0,0,0,0,1,1,1,1").replace("1005", "255");
        const QByteArray green = NumberedTile(1, 5, "0,0,0,0,0,1,1,1,1").replace("1005", "65280");
        const QByteArray upExit = NumberedTile(1, 5, "0,0,2,0,0,1,290,1,1");
        // A change of one side alone is taken in the rows of two fields and of two screens.
        const auto L3 = [](const Changes& changes, const QByteArray& properties = {}) {
            return NumberedLevel(3, changes, properties);
        };
        const QByteArray redTile = L3({{1005, red}});
        const auto row = [](const char* name, const QByteArray& ours, const QByteArray& theirs,
                            const QByteArray& merged, const QStringList& conflicts = {}, int screens = 3) {
            QTest::newRow(name) << ours << theirs << merged << conflicts << screens;
        };
        row("two fields of one tile", redTile, L3({{1005, upExit}}), L3({{1005, "255,0,0,2,0,0,1,290,1,1"}}));
        row("the same change on both sides", redTile, redTile, redTile);
        row("different screens", L3({{5, "1,0,0,0,0,0,1,1,1,1"}}), L3({{2300, "2,0,0,0,0,0,1,1,1,1"}}),
            L3({{5, "1,0,0,0,0,0,1,1,1,1"}, {2300, "2,0,0,0,0,0,1,1,1,1"}}));
        row("a colour changed two ways", redTile, L3({{1005, green}}), redTile,
            {"screen 1 tile 5 (col 5, row 1) colour: ours 255 (#FF0000), theirs 65280 (#00FF00), base 1005 "
             "(#ED0300)"});
        row("an operand's kind against its value", L3({{1005, NumberedTile(1, 5, "0,0,0,0,0,\"1\",1,1,1")}}),
            L3({{1005, NumberedTile(1, 5, "0,0,0,0,0,2,1,1,1")}}),
            L3({{1005, NumberedTile(1, 5, "0,0,0,0,0,\"1\",1,1,1")}}),
            {"screen 1 tile 5 (col 5, row 1) left operand: ours \"1\", theirs 2, base 1"});
        row("a link and a tile of one screen", WithLink(base, 1, 4, 2), redTile, WithLink(redTile, 1, 4, 2));
        row("a link changed two ways", WithLink(base, 1, 4, 2), WithLink(base, 1, 4, 0),
            WithLink(base, 1, 4, 2), {"screen 1 link 4: ours 2, theirs 0, base 4"});
        row("properties of each side", L3({}, "\"Vale\",\"\",\"\",\"\",\"\",1,2"),
            L3({}, "\"\",\"Ann\",\"\",\"\",\"\",145,2"), L3({}, "\"Vale\",\"Ann\",\"\",\"\",\"\",145,2"));
        row("a property changed two ways", L3({}, "\"Vale\",\"\",\"\",\"\",\"\",1,2"),
            L3({}, "\"Dale\",\"\",\"\",\"\",\"\",1,2"), L3({}, "\"Vale\",\"\",\"\",\"\",\"\",1,2"),
            {"level name: ours \"Vale\", theirs \"Dale\", base \"\""});
        row("a screen added on one side, a tile on the other", NumberedLevel(4), L3({{5, red}}),
            NumberedLevel(4, {{5, red}}));
        row("the same screen number added with other contents",
            NumberedLevel(4, {{3005, "1,0,0,0,0,0,1,1,1,1"}, {3006, "6,0,0,0,0,0,1,1,1,1"}}),
            NumberedLevel(4, {{3005, "2,0,0,0,0,0,1,1,1,1"}, {3007, "7,0,0,0,0,0,1,1,1,1"}}),
            NumberedLevel(4, {{3005, "1,0,0,0,0,0,1,1,1,1"}, {3006, "6,0,0,0,0,0,1,1,1,1"}}),
            {"screen 3 tile 5 (col 5, row 1) colour: ours 1 (#010000), theirs 2 (#020000), base none",
             "screen 3 tile 6 (col 6, row 1) colour: ours 6 (#060000), theirs 3006 (#BE0B00), base none",
             "screen 3 tile 7 (col 7, row 1) colour: ours 3007 (#BF0B00), theirs 7 (#070000), base none"});
        row("removed on one side, untouched on the other", NumberedLevel(2), L3({{5, red}}),
            NumberedLevel(2, {{5, red}}));
        // The level keeps its screens 0..last.
        row("removed below screens the other side added", NumberedLevel(2), NumberedLevel(5),
            NumberedLevel(5));
        row("removed on one side, edited on the other", NumberedLevel(2), L3({{2005, red}}), NumberedLevel(2),
            {"screen 2: ours removed, theirs edited, base present"});

        // A side that renumbered the screens gives the merge its numbers; the other side's changes follow.
        const auto renumbered = [this](const QByteArray& level, const QStringList& how) {
            return RenumberedLevel(m_f.folder.path(), level, how);
        };
        const QByteArray five = NumberedLevel(5);
        const QByteArray red3 = NumberedTile(3, 5, "0,0,0,0,0,1,1,1,1").replace("3005", "255");
        const QByteArray edited = NumberedLevel(5, {{3005, red3}});
        row("deleted on theirs, edited above it on ours", edited, renumbered(five, {"--delete", "1"}),
            renumbered(edited, {"--delete", "1"}), {}, 5);
        // Their side's link to screen 2 leads to it at its new number.
        const QByteArray linked = WithLink(NumberedLevel(5, {{1005, red3}}), 1, 4, 2);
        row("moved on ours, edited and linked on theirs", renumbered(five, {"--move", "1", "3"}), linked,
            renumbered(linked, {"--move", "1", "3"}), {}, 5);
        const QByteArray swapped = renumbered(five, {"--swap", "1", "3"});
        row("renumbered two ways", swapped, renumbered(five, {"--delete", "2"}), swapped,
            {"screens: ours screens 1 and 3 swapped, theirs screen 2 deleted, base screens 0 to 4"}, 5);
        row("deleted on theirs, edited on ours", edited, renumbered(five, {"--delete", "3"}), edited,
            {"screen 3: ours edited, theirs screen 3 deleted, base present"}, 5);
    }

    void rules() {
        QFETCH(QByteArray, ours);
        QFETCH(QByteArray, theirs);
        QFETCH(QByteArray, merged);
        QFETCH(QStringList, conflicts);
        QFETCH(int, screens);
        const ToolRun run = merge(NumberedLevel(screens), ours, theirs);
        QCOMPARE(run.code, conflicts.isEmpty() ? 0 : 1);
        QCOMPARE(Lines(run.out), conflicts);
        QCOMPARE(m_f.readFile("out.txt"), merged);
    }

    void sidesSettleConflicts_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QByteArray>("merged");
        const QByteArray theirs =
            NumberedLevel(3, {{5, "2,0,0,0,0,0,1,1,1,1"}, {2005, "2,0,0,0,0,0,1,1,1,1"}});
        QTest::newRow("ours") << "--ours" << NumberedLevel(2, {{5, "1,0,0,0,0,0,1,1,1,1"}});
        QTest::newRow("theirs") << "--theirs" << theirs;
    }

    void sidesSettleConflicts() {
        QFETCH(QString, option);
        QFETCH(QByteArray, merged);
        // A tile changed two ways, and a screen removed on our side that their side edited.
        const ToolRun run =
            merge(NumberedLevel(3), NumberedLevel(2, {{5, "1,0,0,0,0,0,1,1,1,1"}}),
                  NumberedLevel(3, {{5, "2,0,0,0,0,0,1,1,1,1"}, {2005, "2,0,0,0,0,0,1,1,1,1"}}), {option});
        QCOMPARE(run.code, 0);
        QCOMPARE(Lines(run.out).size(), 2);
        QCOMPARE(m_f.readFile("out.txt"), merged);
    }

    // Records of no screen (a newer game's data, the designers' notes) are merged key by key.
    void otherRecords_data() {
        QTest::addColumn<QByteArray>("base");
        QTest::addColumn<QByteArray>("ours");
        QTest::addColumn<QByteArray>("theirs");
        QTest::addColumn<QByteArray>("merged");
        QTest::addColumn<QStringList>("conflicts");
        const QByteArray a = "\"Notes\",\"a\",1,2,3,4,5,6,7,8,9,10\r\n";
        const QByteArray b = "\"Notes\",\"b\",1,2,3,4,5,6,7,8,9,10\r\n";
        const QByteArray c = "\"Notes\",\"c\",1,2,3,4,5,6,7,8,9,10\r\n";
        const QByteArray game = "\"Game\",1,2,3,4,5,6,7,8,9,10,11\r\n";
        QTest::newRow("added on theirs") << QByteArray() << QByteArray() << a << a << QStringList();
        QTest::newRow("removed on theirs") << a + game << a + game << game << game << QStringList();
        QTest::newRow("one key each") << QByteArray() << a << game << a + game << QStringList();
        QTest::newRow("changed two ways")
            << a << b << c << b
            << QStringList{"records \"Notes\": ours changed, theirs changed, base present"};
    }
    void otherRecords() {
        QFETCH(QByteArray, base);
        QFETCH(QByteArray, ours);
        QFETCH(QByteArray, theirs);
        QFETCH(QByteArray, merged);
        QFETCH(QStringList, conflicts);
        const auto with = [](const QByteArray& records, const QMap<int, QByteArray>& changes) {
            QByteArray level = NumberedLevel(2, changes);
            return level.insert(level.indexOf("\"LevelProp\""), records);
        };
        const ToolRun run = merge(with(base, {}), with(ours, {{5, "1,0,0,0,0,0,1,1,1,1"}}),
                                  with(theirs, {{1006, "2,0,0,0,0,0,1,1,1,1"}}));
        QCOMPARE(run.code, conflicts.isEmpty() ? 0 : 1);
        QCOMPARE(Lines(run.out), conflicts);
        QCOMPARE(m_f.readFile("out.txt"),
                 with(merged, {{5, "1,0,0,0,0,0,1,1,1,1"}, {1006, "2,0,0,0,0,0,1,1,1,1"}}));
    }

    void handWrittenLevelComesOutInTheEditorsForm() {
        // Blanks, numbers written another way, a screen without its summary record, tiles out of order
        // and tiles with no record at all.
        QByteArray base = TileLine(0, 2, "007,0,0,0,0,0,1,1,1,1") + TileLine(0, 1, " 5 ,0,0,0,0,0,1,1,1,1") +
                          "\"Screen0\",\"Side4\",1,0,0,0,0,0,0,0,0,0\r\n" +
                          TileLine(1, 9, "9,\"\\a.bmp\",0,0,0,0,1,1,1,1") +
                          "\"LevelProp\",\"hand\",\"\",\"\",\"\",\"\",1,1,0,0,0,0\r\n";
        const QByteArray ours = QByteArray(base).replace("\"Screen0\",2,007", "\"Screen0\",2,8");
        const QByteArray theirs = QByteArray(base).replace("\\a.bmp", "\\b.bmp");
        const ToolRun run = merge(base, ours, theirs);
        QCOMPARE(run.code, 0);
        QCOMPARE(ChangeLines(m_f.path("ours.txt"), m_f.path("out.txt")),
                 QStringList{"screen 1 tile 9: picture \"\\a.bmp\" -> \"\\b.bmp\""});
        QCOMPARE(ChangeLines(m_f.path("theirs.txt"), m_f.path("out.txt")),
                 QStringList{"screen 0 tile 2: colour 7 -> 8"});
        // Every screen is written whole, as the editor writes it: saved again, it is the same.
        m_f.load("out.txt", m_f.readFile("out.txt"));
        QVERIFY(!m_f.saveTo(m_f.path("saved.txt")));
        QCOMPARE(m_f.readFile("saved.txt"), m_f.readFile("out.txt"));
    }

    // As git's merge driver runs it (merge %O %A %B -o %A), -o may name OURS; BASE and THEIRS, by any name,
    // are refused with every input left as it was.
    void outputOntoAnInput_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("link");
        for (const char* input : {"ours", "base", "theirs"})
            for (const bool link : {false, true})
                QTest::addRow("%s%s", link ? "a link to " : "", input) << input << link;
    }
    void outputOntoAnInput() {
        QFETCH(QString, target);
        QFETCH(bool, link);
        const QByteArray ours = NumberedLevel(3, {{5, "1,0,0,0,0,0,1,1,1,1"}});
        const QByteArray theirs = NumberedLevel(3, {{6, "2,0,0,0,0,0,1,1,1,1"}});
        QFile::remove(m_f.path("out.txt"));
        if (link)
            QVERIFY(QFile::link(m_f.path(target + ".txt"), m_f.path("out.txt")));
        const ToolRun run = merge(NumberedLevel(3), ours, theirs, {}, {},
                                  link ? m_f.path("out.txt") : m_f.path(target + ".txt"));
        const bool ontoOurs = target == "ours";
        QCOMPARE(run.code, ontoOurs ? 0 : 2);
        QCOMPARE(m_f.readFile("base.txt"), NumberedLevel(3));
        QCOMPARE(m_f.readFile("theirs.txt"), theirs);
        QCOMPARE(m_f.readFile("ours.txt"),
                 ontoOurs ? NumberedLevel(3, {{5, "1,0,0,0,0,0,1,1,1,1"}, {6, "2,0,0,0,0,0,1,1,1,1"}})
                          : ours);
    }

    void unusable_data() {
        QTest::addColumn<QByteArray>("theirs");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("no level") << QByteArray("{\"not\": \"a level\"}\n") << QStringList();
        QTest::newRow("a damaged tile")
            << NumberedLevel(3, {{1003, NumberedTile(1, 3, "0,word,0,0,0,1,1,1,1")}}) << QStringList();
        QTest::newRow("both sides chosen") << NumberedLevel(3) << QStringList{"--ours", "--theirs"};
        QByteArray cut = NumberedLevel(3, {{1005, "7,0,0,0,0,0,1,1,1,1"}});
        cut.truncate(cut.indexOf("\"LevelProp\""));
        QTest::newRow("cut short at a record") << cut << QStringList();
    }

    void unusable() {
        QFETCH(QByteArray, theirs);
        QFETCH(QStringList, options);
        const ToolRun run = merge(NumberedLevel(3), NumberedLevel(3, {{5, "1,0,0,0,0,0,1,1,1,1"}}), theirs,
                                  options, "left alone");
        QCOMPARE(run.code, 2);
        QVERIFY(!run.err.isEmpty());
        QCOMPARE(m_f.readFile("out.txt"), QByteArray("left alone"));
    }

    void errorsTheMergeMakesAreTold() {
        // Our side adds an exit to screen 2 through link 2; their side removes screen 2, which we left as
        // it was. Neither side alone has the exit out of range.
        const QByteArray ours = NumberedLevel(3, {{10, NumberedTile(0, 10, "0,0,2,0,0,1,290,1,1")}});
        const ToolRun run = merge(NumberedLevel(3), ours, NumberedLevel(2));
        QCOMPARE(run.code, 1);
        const QStringList lines = Lines(run.out);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().contains(" error: ") && lines.first().endsWith("[link-out-of-range]"),
                 run.out.constData());
        // An error a side had already is its own: here an exit through link 4, to screen 4.
        const QByteArray outOfRange = NumberedLevel(3, {{10, NumberedTile(0, 10, "0,0,4,0,0,1,290,1,1")}});
        QCOMPARE(merge(NumberedLevel(3), outOfRange, NumberedLevel(3, {{7, "2,0,0,0,0,0,1,1,1,1"}})).code, 0);
    }

    // The conflicts left go beside the level (OUT, or the level named with --level, as git's driver does)
    // in a file the editor reads back as they were printed; a merge that leaves none removes an earlier one.
    void conflictsFile_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("level"); // empty: no file
        QTest::newRow("beside OUT") << QStringList() << "out.txt";
        QTest::newRow("beside the level named") << QStringList{"--level", "named.txt"} << "named.txt";
        QTest::newRow("settled by --theirs") << QStringList{"--theirs"} << QString();
    }
    void conflictsFile() {
        QFETCH(QStringList, options);
        QFETCH(QString, level);
        const QString file = m_f.path((level.isEmpty() ? "out.txt" : level) + ".conflicts.json");
        m_f.writeFile(QFileInfo(file).fileName(), "an earlier merge's");
        const ToolRun run =
            merge(NumberedLevel(3), MergeSide3("255", "\"Vale\"", 2), MergeSide3("65280", "\"Dale\"", 0),
                  options.replaceInStrings("named.txt", m_f.path("named.txt")));
        QCOMPARE(QFile::exists(file), !level.isEmpty());
        if (level.isEmpty())
            return;
        FileAccess files;
        const std::vector<MergeConflict> conflicts = ReadConflictsFile(files, file);
        QStringList lines;
        for (const MergeConflict& conflict : conflicts)
            lines << conflict.line();
        QCOMPARE(lines, Lines(run.out));
        QCOMPARE(lines.size(), 3);
        const MergeConflict& tile = conflicts[1];
        QCOMPARE(std::tuple(int(tile.kind), tile.screen, tile.tile, tile.field),
                 std::tuple(int(MergeConflict::Kind::Tile), 1, 5, 2));
        QVERIFY(tile.theirsValue == FieldValue::number(65280) && tile.baseValue == FieldValue::number(1005));
        QCOMPARE(conflicts[0].oursValue, FieldValue::text("Vale"));
        QCOMPARE(conflicts[2].link, 4);
    }
};

QTEST_GUILESS_MAIN(TestLevelMerge)
#include "tst_levelmerge.moc"
