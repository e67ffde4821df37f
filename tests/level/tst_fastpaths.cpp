// The index of the level file, the picture cache and the copying of screen blocks must give exactly what
// reading the whole file for every screen gives. A whole session each way, on every level file of its
// corpus, is the load fuzz target's replay; here the tools on generated levels, and the cases it found.
#include "faultyfiles.h"
#include "level/document/levelsave.h"
#include "level/document/screen.h"
#include "level/document/walker.h"
#include "level/format/recordstream.h"
#include "level/format/screenblock.h"
#include "level/format/writtenblock.h"
#include "level/tools/levelcheck.h"
#include "level/tools/levelinfo.h"
#include "levelfixture.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace tavrin;

namespace {

QByteArray pick(QRandomGenerator& random, const QList<QByteArray>& choices) {
    return choices[int(random.bounded(qsizetype(choices.size())))];
}

// A level with the irregularities of hand-edited files: missing, repeated and odd records, blocks out of
// order, one above the last screen, a screen without records, side records out of order, a missing and
// an unreadable picture, a file that ends inside a record. Some screens are as the editor writes them.
QByteArray generateLevel(quint32 seed, int screens) {
    QRandomGenerator random(seed);
    QList<QByteArray> blocks;
    for (int n = 0; n <= screens; ++n) {
        const QByteArray key = "\"Screen" + QByteArray::number(n) + "\",";
        const bool clean = random.bounded(3) == 0;
        QByteArray block;
        for (int t = 1; t <= 300; ++t) {
            if (clean) {
                block += key + QByteArray::number(t) + ',' + QByteArray::number(random.bounded(1 << 24)) +
                         ',' + pick(random, {"\"\\grass.bmp\"", "0", "997", "\"\\gone.bmp\"", ""}) +
                         ",0,1,0,5,1,\"" + QByteArray::number(t) + "\",,60\r\n";
                continue;
            }
            const int repeats = random.bounded(40) == 0 ? 0 : (random.bounded(60) == 0 ? 2 : 1);
            for (int r = 0; r < repeats; ++r) {
                block += key + QByteArray::number(r ? random.bounded(1, 301) : t) + ',' +
                         pick(random, {"255", "-2147483643", "", "007", "1.0", "\"12\"", " 5"}) + ',' +
                         pick(random, {"\"\\grass.bmp\"", "\"\\water.bmp\"", "\"\\gone.bmp\"", "0", "", "997",
                                       "\"997\"", "12", "\"\\sub\\rock.bmp\"", "\"\\..\\outside.bmp\""});
                for (int d = 0; d < 4; ++d)
                    block += ',' + pick(random, {"0", "1", "2", "5", "9", "-3"});
                for (int d = 0; d < 4; ++d)
                    block += ',' + pick(random, {"1", "60", "\"41\"", "", "\"a, b\r\nc\"", "300"});
                block += "\r\n";
            }
        }
        if (random.bounded(8) != 0) {
            block += key + "\"ScreenInfo\",0,0,0,0,0,0,0,0,0,0\r\n";
            for (int k = 2; k <= 9; ++k)
                block += key + "\"Side" + QByteArray::number(k) + "\"," +
                         QByteArray::number(random.bounded(screens + 2)) + ",0,0,0,0,0,0,0,0,0\r\n";
        }
        if (clean && random.bounded(2) == 0)
            block += key + "\"Side2\",4,0,0,0,0,0,0,0,0,0\r\n";
        blocks << block;
    }
    if (random.bounded(3) == 0)
        blocks.removeAt(int(random.bounded(1, screens)));
    for (int i = 0; i < 3; ++i)
        blocks.swapItemsAt(int(random.bounded(blocks.size())), int(random.bounded(blocks.size())));
    QByteArray level = blocks.join() + "\"LevelProp\",\"Generated\",\"\",\"\",\"line\r\nbreak\",\"\"," +
                       QByteArray::number(random.bounded(1, 301)) + ',' + QByteArray::number(screens - 1) +
                       ",0,0,0,0\r\n";
    if (random.bounded(5) == 0)
        level += "\"Screen1\",7,1,";
    return level;
}

// The level file an editor that loads `level` and saves it at once writes.
QByteArray savedByAFreshEditor(const QByteArray& level) {
    LevelFixture fresh;
    fresh.load("level.txt", level);
    fresh.saveTo(fresh.path("saved.txt"));
    return fresh.readFile("saved.txt");
}

} // namespace

class TestFastPaths : public QObject {
    Q_OBJECT
private slots:
    // tavrin-level info and check take screen blocks as the editor writes them whole from their bytes; with
    // LF line ends no block is taken so, and every record is read on its own (info here in two parts at once,
    // split early, as a large file is). Both must tell the same.
    void toolsSameAsReadingRecordByRecord_data() {
        QTest::addColumn<QByteArray>("level");
        for (quint32 seed : {3u, 4u, 6u, 10u, 13u, 17u, 19u, 21u, 30u})
            QTest::newRow(qPrintable(QStringLiteral("level %1").arg(seed)))
                << generateLevel(seed, 3 + int(seed % 5));
        QMap<int, QByteArray> pictures; // screen 1 names 40 pictures, each on several tiles
        for (int t = 1; t <= 300; ++t)
            pictures[1000 + t] = "5,\"\\p" + QByteArray::number(t % 40) + ".bmp\",0,0,0,0,1,1,1,1";
        QTest::newRow("a screen of many pictures") << NumberedLevel(3, pictures);
    }
    void toolsSameAsReadingRecordByRecord() {
        QFETCH(QByteArray, level);
        // The line ends of records, not those inside texts.
        QByteArray lf = QByteArray(level).replace("\r\n\"", "\n\"");
        if (lf.endsWith("\r\n"))
            lf.replace(lf.size() - 2, 2, "\n");
        LevelFixture f;
        f.writeFile("crlf.txt", level);
        f.writeFile("lf.txt", lf);
        LevelCheckSettings settings;
        settings.picturesFolders = {f.path("Pics")};
        FileAccess files;
        QStringList problems[2];
        LevelInfo info[2];
        ScanOptions split;
        split.splitFrom = 0;
        split.splitAt = 0.3;
        for (int i = 0; i < 2; ++i) {
            const QString path = f.path(i ? "lf.txt" : "crlf.txt");
            for (const LevelProblem& problem : CheckLevelFile(files, path, settings))
                problems[i] << problem.toLine("level");
            try {
                info[i] = ReadLevelInfo(files, path, i ? split : ScanOptions());
            } catch (const Failure& failure) {
                problems[i] << QString(failure.description()).replace(path, "level");
            }
        }
        QVERIFY(problems[0].size() > 10);
        QCOMPARE(problems[0], problems[1]);
        QCOMPARE(info[0].screensWithRecords, info[1].screensWithRecords);
        QCOMPARE(info[0].pictureUses, info[1].pictureUses);
        QVERIFY(info[0].properties == info[1].properties);
    }

    // A line that ends in a comma leaves its line end between two records of the same screen, which the
    // reader passes over: found by fuzzing, where reading through the index once took it as a field.
    void lineEndBetweenRecords() {
        QByteArray level = TileLine(1, 1, "5,0,0,0,0,0,1,1,1,1");
        level += "\"Screen1\",2,5,0,0,0,0,0,1,1,1,1,\r\n"; // a comma too many: the line end stands alone
        level += TileLine(1, 3, "5,0,0,0,x,0,1,1,1,1") + TileLine(1, 4, "5,0,0,0,0,0,1,1,1,1");
        QStringList messages[2];
        for (const bool fast : {false, true}) {
            LevelFixture f;
            f.writeFile("level.txt", level);
            // The file is the level's, so that the index may serve the reading; screen 1, read when it comes
            // on display, tells of its damaged record.
            f.document->setUseIndex(fast);
            f.document->nameNewLevelFile(f.path("level.txt"));
            f.document->changeScreen(1);
            messages[fast] = f.messages.replaceInStrings(f.folder.path(), "<folder>");
        }
        QCOMPARE(messages[1], messages[0]);
        QCOMPARE(messages[0].size(), 1);
    }

    // The answers of the block checker belong to the file it looked at: a save after the level file was
    // rewritten copies the blocks of the file as it is now.
    void saveAfterTheLevelFileChanged() {
        const QByteArray before = NumberedLevel(3);
        // Screen 1 in other colours, of another length, and screen 2 no longer copyable.
        const QByteArray after =
            NumberedLevel(3, {{1005, "123456789,0,0,0,0,0,1,1,1,1"}, {2007, "7,7,0,0,0,0,1,1,1,1"}});
        LevelFixture f;
        f.load("level.txt", before);
        f.saveTo(f.path("first.txt")); // every block checked and copied
        QCOMPARE(f.readFile("first.txt"), before);
        f.writeFile("level.txt", after);
        f.saveTo(f.path("second.txt"));
        QCOMPARE(f.readFile("second.txt"), savedByAFreshEditor(after));
        QVERIFY(f.readFile("second.txt").contains("\"Screen1\",5,123456789,"));
    }

    // The block checker reads the level file as the save does, through the document's file access: a save
    // copies no block whose bytes, as it reads them, are not as the editor writes them.
    void blocksCheckedAsTheSaveReadsThem() {
        const QByteArray level = NumberedLevel(8);
        QByteArray read = level; // in each screen's block a colour as text, in the same number of bytes
        for (const QByteArray n : {"1", "2", "3", "4", "5", "6", "7"})
            read.replace("\"Screen" + n + "\",5," + n + "005,", "\"Screen" + n + "\",5,\"" + n + "0\",");
        FaultyFiles files;
        LevelFixture f;
        files.readAs.insert(f.path("level.txt"), read);
        f.document->setFiles(&files);
        f.load("level.txt", level);
        f.saveTo(f.path("saved.txt"));
        QCOMPARE(f.readFile("saved.txt"), savedByAFreshEditor(read));
    }

    // Blocks copied as they stand are copied in the order of the screens, whatever their order in the
    // file and whatever stands between them (a record of another key stays after the screen it came
    // after); screen information that the links do not give is written anew.
    void savedInTheOrderOfTheScreens() {
        const QByteArray level = NumberedLevel(4);
        QList<QByteArray> blocks;
        for (int n = 0; n < 4; ++n) {
            const qsizetype begin = level.indexOf("\"Screen" + QByteArray::number(n) + "\",");
            const qsizetype end = n < 3 ? level.indexOf("\"Screen" + QByteArray::number(n + 1) + "\",")
                                        : level.indexOf("\"LevelProp\"");
            blocks << level.mid(begin, end - begin);
        }
        blocks[3].replace("\"ScreenInfo\",2,3,4,5,6,7,8,9,0,0", "\"ScreenInfo\",0,0,0,0,0,0,0,0,0,0");
        const QByteArray shuffled = blocks[0] + blocks[2] + "\"Other\",1,2,3,4,5,6,7,8,9,10,11\r\n" +
                                    blocks[1] + blocks[3] + level.mid(level.indexOf("\"LevelProp\""));
        LevelFixture f;
        f.load("level.txt", shuffled);
        f.saveTo(f.path("saved.txt"));
        QByteArray expected = level;
        expected.insert(level.indexOf("\"Screen3\","), "\"Other\",1,2,3,4,5,6,7,8,9,10,11\r\n");
        QCOMPARE(f.readFile("saved.txt"), expected);
    }

    // A block is taken only as the editor writes it, byte for byte; link records that are not those the
    // links make are taken, and told apart.
    void copyableBlockForm_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("copyable");
        QTest::addColumn<bool>("sidesAsWritten");
        QTest::addColumn<bool>("infoAsWritten");
        QTest::addColumn<int>("link2");
        QByteArray block;
        for (int t = 1; t <= 300; ++t)
            block += TileLine(12, t, QByteArray::number(t) + ",0,0,0,0,0,1,1,1,1");
        block += LinkRecords(12);
        const auto changed = [&block](const QByteArray& from, const QByteArray& to) {
            if (block.count(from) != 1)
                qFatal("not a single record: %s", from.constData());
            return QByteArray(block).replace(from, to);
        };
        const QByteArray tile7 = TileLine(12, 7, "7,0,0,0,0,0,1,1,1,1");
        const QByteArray tile8 = TileLine(12, 8, "8,0,0,0,0,0,1,1,1,1");
        // Tile 8 written with `rest` after its tile number. Refused rows reach each way the scan gives up;
        // the fuzz replays try the rest.
        const auto tile8As = [&](const QByteArray& rest) { return changed(tile8, TileLine(12, 8, rest)); };
        const QByteArray side3 = "\"Screen12\",\"Side3\",3,0,0,0,0,0,0,0,0,0\r\n";
        const QByteArray info = "\"ScreenInfo\",2,3,4,5,6,7,8,9,0,0\r\n";

        QTest::newRow("as written") << block << true << true << true << 2;
        QTest::newRow("a picture file")
            << tile8As("8,\"\\grass.bmp\",0,0,0,0,1,1,1,1") << true << true << true << 2;
        QTest::newRow("empty operands") << tile8As("8,0,0,0,0,0,,1,\"x\",1") << true << true << true << 2;
        QTest::newRow("ScreenInfo other than the links")
            << changed(info, "\"ScreenInfo\",0,3,4,5,6,7,8,9,0,0\r\n") << true << true << false << 2;
        QTest::newRow("ScreenInfo with more than the links")
            << changed(info, "\"ScreenInfo\",2,3,4,5,6,7,8,9,0,1\r\n") << true << true << false << 2;
        QTest::newRow("a side record with more than its link")
            << changed(side3, "\"Screen12\",\"Side3\",3,0,0,0,0,0,0,0,0,-1\r\n") << true << false << true
            << 2;
        QTest::newRow("links other than k, ScreenInfo with them")
            << changed(info, "\"ScreenInfo\",-7,3,4,5,6,7,8,9,0,0\r\n")
                   .replace("\"Side2\",2,", "\"Side2\",-7,")
            << true << true << true << -7;

        const auto refused = [](const char* name, const QByteArray& bytes) {
            QTest::newRow(name) << bytes << false << false << false << 0;
        };
        refused("a tile out of order", changed(tile7 + tile8, tile8 + tile7));
        refused("no ScreenInfo record", changed("\"Screen12\"," + info, ""));
        refused("another screen's key in a tile", changed(tile8, TileLine(13, 8, "8,0,0,0,0,0,1,1,1,1")));
        refused("a leading zero", tile8As("08,0,0,0,0,0,1,1,1,1"));
        refused("minus zero", tile8As("8,-0,0,0,0,0,1,1,1,1"));
        refused("an empty direction", tile8As("8,0,,0,0,0,1,1,1,1"));
        refused("a picture box other than 0, 997, 999", tile8As("8,5,0,0,0,0,1,1,1,1"));
        refused("a colour past the long range", tile8As("2147483648,0,0,0,0,0,1,1,1,1"));
        refused("a direction past the integer range", tile8As("8,0,32768,0,0,0,1,1,1,1"));
        refused("a tile record of 13 fields", changed(tile8, TileLine(12, 8, "8,0,0,0,0,0,1,1,1,1,1")));
        refused("a tile record of 11 fields", changed(tile8, TileLine(12, 8, "8,0,0,0,0,0,1,1,1")));
        refused("CR without LF", changed(tile8, tile8.chopped(1)));
        refused("LF without CR", changed(tile8, tile8.chopped(2) + "\n"));
        refused("bytes after the block", block + "\r\n");
    }
    void copyableBlockForm() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, copyable);
        QFETCH(bool, sidesAsWritten);
        QFETCH(bool, infoAsWritten);
        QFETCH(int, link2);
        CopyableBlock block;
        QCOMPARE(ScanCopyableBlock(bytes, 12, &block), copyable);
        // A screen is read from such a block straight from its bytes: as its records give it.
        const std::optional<WrittenBlock> written = WrittenBlock::scan(bytes, 12);
        QCOMPARE(written.has_value(), copyable);
        if (!copyable)
            return;
        QVERIFY(Screen::decode(*written) == Screen::decode(bytes, 12));
        QCOMPARE(block.tileBytes, bytes.indexOf("\"Screen12\",\"ScreenInfo\""));
        QCOMPARE(block.sidesAsWritten, sidesAsWritten);
        QCOMPARE(block.infoAsWritten, infoAsWritten);
        QCOMPARE(block.verbatim(), sidesAsWritten && infoAsWritten);
        QCOMPARE(int(block.links[2]), link2);
        for (int k = 3; k <= 9; ++k)
            QCOMPARE(int(block.links[k]), k);
        // What the index and the export are told must be what writing the links again gives.
        SideLinks links = {};
        std::copy(std::begin(block.links), std::end(block.links), links.begin());
        QCOMPARE(bytes.sliced(block.tileBytes) == Screen::encodeLinks(12, links), block.verbatim());
    }

    void pictureDecodedOnceUntilItChanges() {
        LevelFixture f;
        f.writePicture("grass.bmp", Qt::green);
        QByteArray level;
        for (int t = 1; t <= 300; ++t)
            level += TileLine(0, t, "1,\"\\grass.bmp\",0,0,0,0,1,1,1,1");
        f.load("level.txt", level);
        const Module1& m = *f.module;
        // Every tile's picture, as a redraw of the grid looks them up; the picture of tile 300.
        const auto lookUpAll = [&m] {
            m.Pictures().beginPass();
            QImage last;
            for (int t = 1; t <= 300; ++t)
                last = m.Pictures().load(m.TilePicture(t).textValue());
            return last;
        };
        lookUpAll();
        lookUpAll();
        QCOMPARE(m.Pictures().decodes(), 1);
        // The file changes on disk: the next look-up gives its new look.
        QFile::remove(f.path("Pics/grass.bmp"));
        SolidImage(Qt::red, 20, 20).save(f.path("Pics/grass.bmp"), "BMP");
        QFile(f.path("Pics/grass.bmp"))
            .setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime);
        const QImage tile300 = lookUpAll();
        QCOMPARE(m.Pictures().decodes(), 2);
        QCOMPARE(tile300, SolidImage(Qt::red, 20, 20));
    }

    // An edit of many screens changes their directions and links, and a renumbering their keys, as bytes:
    // the block must be what reading the screen, changing it and writing it under its new number gives.
    // A block changed as bytes gives what changing the screen and writing it gives, found field by field
    // (scan) or, once checked, by its keys alone (known), with commas, quotes and line ends in its texts.
    void blockChangedAsBytes() {
        QRandomGenerator random(7);
        for (int round = 0; round < 40; ++round) {
            const int from = int(random.bounded(20)), to = int(random.bounded(20));
            Screen screen = Screen::fresh();
            for (int t = FirstGridTile; t <= LastGridTile; ++t) {
                TileState& tile = screen.tile(t);
                tile.colour = FieldValue::number(double(random.bounded(-9, 1 << 24)));
                tile.picture = random.bounded(3) ? FieldValue::number(0) : FieldValue::text("\\p, q.bmp");
                for (size_t d = 0; d < 4; ++d) {
                    tile.directions[d] = Integer(random.bounded(-12, 12));
                    tile.operands[d] = random.bounded(4) ? FieldValue::number(double(random.bounded(300)))
                                       : random.bounded(2)
                                           ? FieldValue()
                                           : FieldValue::text(random.bounded(2) ? "7" : "a,\r\n");
                }
            }
            for (int k = 2; k <= 9; ++k)
                screen.links[size_t(k)] = Integer(random.bounded(-1, 30));
            const QByteArray bytes = screen.encode(Integer(from));
            CopyableBlock checked;
            QVERIFY(ScanCopyableBlock(bytes, Integer(from), &checked));
            BlockLinks links;
            std::copy(std::begin(checked.links), std::end(checked.links), links.begin());
            std::optional<WrittenBlock> blocks[] = {
                WrittenBlock::scan(bytes, Integer(from)),
                WrittenBlock::known(bytes, Integer(from), checked.tileBytes, links)};
            QVERIFY(blocks[0] && blocks[1]);
            for (int n = int(random.bounded(8)); n > 0; --n) {
                const int t = int(random.bounded(FirstGridTile, LastGridTile + 1)),
                          side = int(random.bounded(4));
                const auto value = Integer(random.bounded(-32768, 32768));
                for (std::optional<WrittenBlock>& block : blocks) {
                    QCOMPARE(block->number(t, 4 + side), screen.tile(t).directions[size_t(side)]);
                    block->setNumber(t, 4 + side, Integer(-value - 1)); // the last change holds
                    block->setNumber(t, 4 + side, value);
                }
                screen.tile(t).directions[size_t(side)] = value;
            }
            if (random.bounded(2)) {
                screen.links[size_t(random.bounded(2, 10))] = Integer(random.bounded(-5, 40));
                for (std::optional<WrittenBlock>& block : blocks)
                    block->setLinks(screen.links);
            }
            for (std::optional<WrittenBlock>& block : blocks) {
                qsizetype tileBytes = 0;
                QCOMPARE(block->bytes(Integer(to), &tileBytes), screen.encode(Integer(to)));
                QCOMPARE(tileBytes,
                         screen.encode(Integer(to)).indexOf("\"ScreenInfo\"") - (to > 9 ? 11 : 10));
            }
        }
        // Bytes that are not what was checked: no block, or a throw where a record no longer splits.
        const QByteArray bytes = Screen::fresh().encode(3);
        CopyableBlock checked;
        QVERIFY(ScanCopyableBlock(bytes, 3, &checked));
        BlockLinks links;
        QVERIFY(!WrittenBlock::known(bytes, 3, checked.tileBytes - 1, links));
        QVERIFY(!WrittenBlock::known(bytes, 4, checked.tileBytes, links));
        QByteArray cut = bytes;
        cut.replace(",0,0,0,0,1,1,1,1\r\n\"Screen3\",8,", ",0,0,0,0,1\r\n\"Screen3\",8,");
        std::optional<WrittenBlock> block = WrittenBlock::known(cut, 3, checked.tileBytes - 6, links);
        QVERIFY(block);
        QCOMPARE(block->number(8, 5), 0);
        QVERIFY_THROWS_EXCEPTION(Failure, block->number(7, 5));
    }

    // What the reading thread of the record stream throws besides a record's failure reaches the caller:
    // here it runs out of memory on the first screen record.
    // A file the editor has just written is indexed from where it put each block, without being read: the
    // index is the one reading the file builds, its runs and its blocks a save may copy. A file with records
    // copied as they stood is read instead.
    void indexAdoptedAsBuilt_data() {
        QTest::addColumn<QByteArray>("level");
        QTest::addColumn<bool>("placed");
        QTest::newRow("as the editor writes it") << NumberedLevel(6) << true;
        // Screens 6 and 7 have no records, a text holds a comma and a line end, and link records are
        // written anew.
        QByteArray odd = NumberedLevel(6, {{3007, "5,\"a, b\r\nc\",0,0,0,0,\"x,y\",1,1,1"}},
                                       "\"\",\"\",\"\",\"\",\"\",1,7");
        odd.replace("\"Screen4\",\"ScreenInfo\",2,3,4,5,6,7,8,9,0,0",
                    "\"Screen4\",\"ScreenInfo\",0,0,0,0,0,0,0,0,0,0");
        QTest::newRow("screens without records, odd texts") << odd << true;
        QByteArray foreign = NumberedLevel(6);
        foreign.insert(foreign.indexOf("\"Screen3\""), "\"Notes\",1,2,3,4,5,6,7,8,9,10,11\r\n");
        QTest::newRow("a record of no screen") << foreign << false;
    }
    void indexAdoptedAsBuilt() {
        QFETCH(QByteArray, level);
        QFETCH(bool, placed);
        LevelFixture f;
        f.load("level.txt", level);
        f.document->changeScreen(2);
        f.paintColour(4, 99);
        f.document->changeScreen(1);
        const QString path = f.path("written.txt");
        const std::unique_ptr<LevelSave> save = f.document->beginSave(path);
        save->notePlaces();
        while (!save->screensWritten())
            save->writeScreen();
        QVERIFY(!save->finish());
        QCOMPARE(save->placed() != nullptr, placed);
        if (!placed)
            return;
        FileAccess files;
        LevelIndex adopted;
        LevelIndex built;
        adopted.adopt(path, *save->placed(), save->propertiesAt());
        built.build(files, path, /*checkBlocks=*/true);
        QVERIFY(adopted.describes(path));
        ReadAhead file(files.openRead(path));
        const auto runs = [](const LevelIndex& index, const QString& key) {
            QList<qint64> all;
            for (const LevelIndex::Run& run : index.runsOf(key))
                all << run.begin << run.end << run.records << run.textsFrom << run.fromTexts;
            return all;
        };
        QCOMPARE(runs(adopted, "LevelProp"), runs(built, "LevelProp"));
        for (int screen = 0; screen <= 7; ++screen) {
            const QString key = QStringLiteral("Screen%1").arg(screen);
            QCOMPARE(runs(adopted, key), runs(built, key));
            LevelIndex::BlockCopy a;
            LevelIndex::BlockCopy b;
            QCOMPARE(adopted.blockCopy(Integer(screen), file, &a),
                     built.blockCopy(Integer(screen), file, &b));
            QCOMPARE(QList<qint64>({a.begin, a.end, a.tileBytes, a.verbatim}),
                     QList<qint64>({b.begin, b.end, b.tileBytes, b.verbatim}));
            QVERIFY(a.links == b.links);
        }
    }

    void readingThreadThrowsToTheCaller() {
        QByteArray bytes = NumberedLevel(1);
        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        RecordStream stream(&in, 1, [](const Record&) -> bool { throw std::bad_alloc(); });
        QVERIFY_THROWS_EXCEPTION(std::bad_alloc, stream.next());
    }
    // Side links read through the index pass over the records whose second field begins with a digit;
    // what they give must be what reading every record gives, with link records among the tile records
    // (quoted and not), a quoted number, unquoted keys and a block whose records end the file part way.
    void linksSameAsReadingRecordByRecord() {
        for (const quint32 seed : {3u, 4u, 6u, 13u, 21u, 30u}) {
            QByteArray level = generateLevel(seed, 5);
            level.replace("\"Screen1\",150,",
                          "\"Screen1\",\"Side3\",7,0,0,0,0,0,0,0,0,0\r\n\"Screen1\",150,");
            level.replace("\"Screen2\",200,",
                          "\"Screen2\",\"ScreenInfo\",0,0,0,0,0,0,0,0,0,0\r\nScreen2,200,");
            level.replace("\"Screen3\",100,",
                          "\"Screen3\",\"Side2\",\"9\",0,0,0,0,0,0,0,0,0\r\n\"Screen3\",100,");
            level.replace("\"Screen4\",60,", "\"Screen4\",Side2,5,0,0,0,0,0,0,0,0,0\r\n\"Screen4\",60,");
            QList<SideLinks> links[2];
            QList<std::optional<std::pair<int, int>>> counts[2];
            for (const bool fast : {false, true}) {
                LevelFixture f;
                f.document->setUseIndex(fast);
                try {
                    f.load("level.txt", level);
                } catch (const Failure&) {
                    level.chop(level.size() - level.lastIndexOf("\r\n") - 2); // it ended inside a record
                    f.load("level.txt", level);
                }
                for (int screen = 0; screen <= 6; ++screen) {
                    links[fast] << f.document->readSideLinks(Integer(screen));
                    counts[fast] << f.document->linksTo(screen);
                }
            }
            QCOMPARE(links[1], links[0]);
            QCOMPARE(counts[1], counts[0]);
        }
    }

    // ScanCopyableBlockAt, whose tile records are read quickly where the processor can, takes the
    // blocks that the field by field reading takes, with the same ends and directions: blocks of
    // fields as the editor writes them (long, with commas, quotes and line ends in texts), one field
    // of one tile odd, and every other block with one byte changed.
    void quickTileRecordsAsCareful() {
        QRandomGenerator random(5);
        const QList<QList<QByteArray>> written = {
            {"7", "0", "123456789"},
            {"", "0", "997", "\"\\a.bmp\""},
            {"0", "1", "5", "32767"},
            {"", "1", "\"12\"", "\"x,\r\n\"", "\"" + QByteArray(40, 'p') + '"'}};
        const QList<QByteArray> odd = {
            "07",     "-0", "-3",     "",      "32768",     "2147483648", "1234567890123456", "5",  "a",
            "\"12\"", "\"", "1\"2\"", "\"x\"", "\"\\b\"\"", "999",        "\"12\r\"",         "9\r"};
        for (int round = 0; round < 300; ++round) {
            QByteArray block;
            const int oddTile = int(random.bounded(1, 301)), oddField = int(random.bounded(2, 12));
            for (int t = 1; t <= 300; ++t) {
                QByteArray rest;
                for (int f = 2; f < 12; ++f)
                    rest += (f > 2 ? "," : "") + (t == oddTile && f == oddField
                                                      ? pick(random, odd)
                                                      : pick(random, written[f < 4   ? f - 2
                                                                             : f < 8 ? 2
                                                                                     : 3]));
                block += TileLine(12, t, rest);
            }
            block += LinkRecords(12);
            if (round % 2)
                block[random.bounded(block.size())] = "0,\"\r\n-a"[random.bounded(7)];
            CopyableBlock quick, careful;
            auto quickEnds = std::make_unique<BlockFieldEnds>(),
                 carefulEnds = std::make_unique<BlockFieldEnds>();
            BlockDirections quickDirections, carefulDirections;
            const qsizetype length =
                ScanCopyableBlockAt(block, 12, &quick, quickEnds.get(), &quickDirections);
            QCOMPARE(length, ScanCopyableBlockAtCarefully(block, 12, &careful, carefulEnds.get(),
                                                          &carefulDirections));
            if (length < 0)
                continue;
            QVERIFY(*quickEnds == *carefulEnds && quickDirections == carefulDirections);
            QCOMPARE(quick.tileBytes, careful.tileBytes);
        }
    }
};

QTEST_MAIN(TestFastPaths)
#include "tst_fastpaths.moc"
