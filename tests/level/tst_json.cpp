// tavrin-level export and import, run as a program: the level comes back byte for byte, malformed JSON
// changes nothing.
#include "level/core/colour.h"
#include "level/tools/leveljson.h"
#include "levelfixture.h"
#include "leveltool.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace tavrin;

namespace {
QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// A screen block as the editor writes it; `changes` replaces the text after the tile number of some tiles.
QByteArray Block(int screen, const QMap<int, QByteArray>& changes = {}, const QByteArray& info = {}) {
    QByteArray bytes;
    for (int t = 1; t <= 300; ++t)
        bytes += TileLine(screen, t, changes.value(t, QByteArray::number(t * 7) + ",0,0,0,0,0,1,1,1,1"));
    return bytes + LinkRecords(screen, {}, info);
}

const QByteArray Properties = "\"LevelProp\",\"Test\",\"\",\"\",\"\",\"\",1,1,0,0,0,0\r\n";

const QByteArray JsonTop = "{\"format\": \"tavrin-level\", \"formatVersion\": 1, ";
const QByteArray NoteStart = JsonTop + "\"screens\": [{\"records\": [[\"Note\", ";

// JSON of one screen holding one record: a "Note" whose first field is `value`.
QByteArray NoteJson(const QByteArray& value) {
    return NoteStart + value + ", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0]]}]}";
}

// `json` with tiles of its first screen object changed, by tile index.
QByteArray WithTiles(const QByteArray& json, const QMap<int, std::function<void(QJsonObject&)>>& changes) {
    QJsonObject level = QJsonDocument::fromJson(json).object();
    QJsonArray screens = level.value("screens").toArray();
    QJsonObject screen = screens.at(0).toObject();
    QJsonArray tiles = screen.value("tiles").toArray();
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        QJsonObject tile = tiles.at(it.key()).toObject();
        it.value()(tile);
        tiles.replace(it.key(), tile);
    }
    screen.insert("tiles", tiles);
    screens.replace(0, screen);
    level.insert("screens", screens);
    return QJsonDocument(level).toJson();
}

} // namespace

class TestJson : public QObject {
    Q_OBJECT
    LevelFixture m_f;

    // `input` through tavrin-level `command`; nothing when the command fails.
    QByteArray converted(const char* command, const QByteArray& input, const QString& in,
                         const QString& out) {
        m_f.writeFile(in, input);
        const ToolRun run = RunTool({command, m_f.path(in), "-o", m_f.path(out)});
        if (run.code != 0)
            qWarning() << run.err;
        return run.code == 0 ? m_f.readFile(out) : QByteArray();
    }
    QByteArray exported(const QByteArray& level) { return converted("export", level, "in.txt", "out.json"); }
    QByteArray imported(const QByteArray& json) {
        return converted("import", json, "edited.json", "edited.txt");
    }

private slots:
    void roundTripIsByteForByte_data() {
        QTest::addColumn<QByteArray>("level");
        QTest::addColumn<int>("raw"); // records that only their bytes can keep
        QTest::newRow("template level") << ReadFile(TAVRIN_SOURCE_DIR "/data/PelmarLevel.txt") << 0;

        // Screen 1 cannot be read: Save Level copies it as it stands, blanks and all.
        const QByteArray damaged = "4294967296, 007 ,0,0,0,0,+1,1,1,1";
        LevelFixture f;
        f.writeFile("damaged.txt", Block(0) + Block(1, {{150, damaged}}) + Block(2) +
                                       "\"LevelProp\",\"Saved\",\"\",\"\",\"\",\"\",1,2,0,0,0,0\r\n");
        f.document->loadLevel(f.path("damaged.txt"), "test");
        f.document->changeScreen(1);
        f.document->changeScreen(0);
        f.saveTo(f.path("saved.txt"));
        const QByteArray saved = f.readFile("saved.txt");
        QVERIFY(saved.contains(damaged));
        QTest::newRow("saved by the editor, with a damaged screen") << saved << 1;

        QTest::newRow("numbers kept as written")
            << Block(0, {{5, "1,0,0,0,0,0,12345678901234567,99999999999999999999,0."
                             "1000000000000000055511151231257827,1"},
                         {6, "007,0,0,0,0,0,1.50,1,1,1"}}) +
                   Properties
            << 1;
        QTest::newRow("numeric texts and empty fields")
            << Block(0, {{7, ",\"997\",0,0,0,0,\"60\",,,"}, {8, "1,997,,0,0,0,1,1,1,1"}}) + Properties << 0;
        QTest::newRow("commas, line breaks and Latin-1")
            << Block(0, {{9, "1,\"\\caf\xe9, 1.bmp\",0,0,0,0,1,1,1,1"}}) +
                   "\"LevelProp\",\"Vale, \xe9t\xe9\",\"\",\"\",\"one\r\ntwo\nthree\",\"\\\",1,0,0,0,0,0\r\n"
            << 0;
        QTest::newRow("foreign records, properties not last")
            << "\"Note\",1,2,3,4,5,6,7,8,9,10,11\r\n" + Properties + Block(0) + "1,2,,,,,,,,,,\r\n"
            << 0;
        QTest::newRow("byte order mark, LF line ends")
            << "\xEF\xBB\xBF" + QByteArray(Block(0) + Properties).replace("\r\n", "\n") << 0;
        QTest::newRow("duplicate tile records") << Block(0).insert(0, TileLine(0, 1, "5,0,0,0,0,0,1,1,1,1")) +
                                                       TileLine(0, 9, "5,0,0,0,0,0,1,1,1,1") + Properties
                                                << 0;
        QTest::newRow("ScreenInfo other than the links") << Block(0, {}, "0,0,0,0,0,0,0,0") + Properties << 0;
        QTest::newRow("blank lines, lone CR, no line end at the end")
            << "\r\n  " + Block(0) + "\r\n\r\n\"X\",1,2,3,4,5,6,7,8,9,10,11\r" + Properties.chopped(2) << 4;
        QTest::newRow("blank lines after blocks")
            << Properties + Block(0) + "\r\n\r\n" + Block(1) + Block(2) + "  \r\n"
            << 2;
        // The export looks at the first 64 KB of a block, then at more: one that ends right there must
        // not be taken before the bytes after it are seen.
        QByteArray padded = Block(1, {{5, "1,\"\\" + QByteArray(60000, 'p') + ".bmp\",0,0,0,0,1,1,1,1"}});
        padded = Block(
            1, {{5, "1,\"\\" + QByteArray(60000 + 65536 - padded.size(), 'p') + ".bmp\",0,0,0,0,1,1,1,1"}});
        QTest::newRow("blank lines right after the first 64 KB of a block")
            << Properties + padded + "\r\n\r\n" + Block(2) + Properties << 1;
        QTest::newRow("ends inside a record") << Block(0) + Properties + "\"Screen0\",1,\"unclosed" << 1;

        // Runs of blanks and line ends longer than the export holds (1 MB): the record they follow is
        // written from a second reading of the file, and imported a piece at a time.
        const QByteArray run = QByteArray(" \t\n\r\r\n\r\n").repeated(200 * 1024);
        const QByteArray block = Block(0);
        const qsizetype firstEnd = block.indexOf("\r\n") + 2;
        // The line end of the first record is the last one before the next record, as with a short run.
        QTest::newRow("a long run after the first record, ending in a lone CR")
            << block.left(firstEnd) + run + '\r' + block.mid(firstEnd) + Properties << 310;
        QTest::newRow("a long run of LF ending in blanks, the properties held before it")
            << QByteArray(Properties + block).replace("\r\n", "\n") + QByteArray("\n").repeated(1536 * 1024) +
                   "  " + QByteArray(Block(1)).replace("\r\n", "\n")
            << 1;
        const qsizetype middle = block.indexOf(TileLine(0, 150, ""));
        QTest::newRow("a long run inside a block, after a screen")
            << Block(2) + block.left(middle) + run + block.mid(middle) + Properties << 1;
        QTest::newRow("a long run at the end") << block + Properties + run << 1;
        QTest::newRow("a long run before the first record") << run + block + Properties << 1;
    }
    void roundTripIsByteForByte() {
        QFETCH(QByteArray, level);
        QFETCH(int, raw);
        const QByteArray json = exported(level);
        QCOMPARE(json.count("{\"raw\": "), raw);
        QJsonParseError error;
        QJsonDocument::fromJson(json, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const ToolRun run = RunTool({"import", m_f.path("out.json"), "-o", m_f.path("back.txt")});
        QVERIFY2(run.code == 0, run.err.constData());
        QCOMPARE(m_f.readFile("back.txt"), level);
    }

    // A regular level comes out in screen objects, and a script's change goes into the level file.
    void scriptsSeeScreensAndTiles() {
        const QByteArray json = exported(ReadFile(TAVRIN_SOURCE_DIR "/data/PelmarLevel.txt"));
        const QJsonDocument level = QJsonDocument::fromJson(json);
        QCOMPARE(level["properties"]["startTile"].toInt(), 145);
        QCOMPARE(level["screens"].toArray().size(), 5);
        QCOMPARE(level["screens"][0]["links"].toArray(), (QJsonArray{3, 0, 1, 2, 0, 0, 0, 0}));
        QCOMPARE(level["screens"][0]["tiles"][9]["picture"].toString(), "\\path.bmp");
        QCOMPARE(level["screens"][0]["tiles"][9]["up"].toArray(), (QJsonArray{2, 290}));
        const QByteArray edited = imported(WithTiles(json, {{9, [](QJsonObject& tile) {
                                                                 tile.insert("colour", 255);
                                                                 tile.insert("picture", "997");
                                                             }}}));
        QVERIFY(edited.contains("\r\n\"Screen0\",10,255,\"997\",0,2,0,0,0,290,0,0\r\n"));
    }

    // Beside the fields of its record, a tile has the colour as the editor draws it and the picture file
    // from the level's folder, for engines; the same whether the screen is taken whole from its bytes
    // (CR LF) or record by record (LF).
    void engineFields_data() {
        QTest::addColumn<QByteArray>("fields"); // colour and picture
        QTest::addColumn<QJsonValue>("rgb");
        QTest::addColumn<QJsonValue>("path");
        const QJsonValue none(QJsonValue::Null);
        const auto row = [](const char* name, const char* fields, const QJsonValue& rgb,
                            const QJsonValue& path) {
            QTest::newRow(name) << QByteArray(fields) << rgb << path;
        };
        row("red, a file", "255,\"\\grass.bmp\"", "#ff0000", "Pics/grass.bmp");
        row("sky blue, a file in a folder", "16744448,\"\\sub\\rock.bmp\"", "#0080ff", "Pics/sub/rock.bmp");
        row("button face, a box", "-2147483633,997", ColourToQColor(SysButtonFace).name(), none);
        row("outside the Pics folder", "0,\"\\..\\secret.bmp\"", "#000000", none);
        row("no colour the editor can read", "\"red\",0", none, none);
    }
    void engineFields() {
        QFETCH(QByteArray, fields);
        QFETCH(QJsonValue, rgb);
        QFETCH(QJsonValue, path);
        const QByteArray level = Block(0, {{2, fields + ",0,0,0,0,1,1,1,1"}}) + Properties;
        for (const QByteArray& lineEnd : {QByteArray("\r\n"), QByteArray("\n")}) {
            const QByteArray json = exported(QByteArray(level).replace("\r\n", lineEnd));
            const QJsonObject tile = QJsonDocument::fromJson(json)["screens"][0]["tiles"][1].toObject();
            QCOMPARE(tile.value("colourRgb"), rgb);
            QCOMPARE(tile.value("picturePath"), path);
        }
    }

    // Import leaves the engine's fields aside: changed or left out, the level comes back from the fields
    // of the records.
    void importLeavesEngineFieldsAside() {
        const QByteArray level = Block(0, {{1, "255,\"\\grass.bmp\",0,0,0,0,1,1,1,1"}}) + Properties;
        const QByteArray json = exported(level);
        QCOMPARE(imported(WithTiles(json, {{0,
                                            [](QJsonObject& tile) {
                                                tile.insert("colourRgb", "#00ff00");
                                                tile.insert("picturePath", "Pics/other.bmp");
                                            }},
                                           {1,
                                            [](QJsonObject& tile) {
                                                tile.remove("colourRgb");
                                                tile.remove("picturePath");
                                            }}})),
                 level);
    }

    // Tiles laid out as export writes them are read from their bytes, tiles laid out otherwise token by
    // token: the same tile gives the same record either way, or the same refusal.
    void tileReadEitherWay_data() {
        QTest::addColumn<QByteArray>("colour");
        QTest::addColumn<QByteArray>("picture");
        QTest::addColumn<QByteArray>("operand");
        QTest::addColumn<QByteArray>("engine"); // the value of both engine fields
        QTest::addColumn<bool>("taken");
        const auto row = [](const char* name, const char* colour, const char* picture, const char* operand,
                            const char* engine, bool taken) {
            QTest::newRow(name) << QByteArray(colour) << QByteArray(picture) << QByteArray(operand)
                                << QByteArray(engine) << taken;
        };
        row("plain", "255", "\"\\\\a.bmp\"", "7", "null", true);
        row("negative, zero, null", "-2147483643", "0", "null", "\"#000000\"", true);
        row("minus zero, a fraction, an exponent", "-0", "1.50", "1e3", "null", true);
        row("16 digits", "1234567890123456", "12345678901234567", "-1234567890123456", "null", true);
        row("escapes and Latin-1", "\"\\u00e9\"", "\"caf\xc3\xa9\\n\\t\\/x\"", "\"a, b\"",
            "\"Pics/\xc3\xa9.bmp\"", true);
        row("a double quote", "1", "\"a\\\"b\"", "3", "null", false);
        row("a character beyond Latin-1", "1", "\"\\u20ac\"", "3", "null", false);
        row("a leading zero", "007", "0", "3", "null", false);
        row("an engine field that is no value", "1", "0", "3", "[1]", false);
    }
    void tileReadEitherWay() {
        QFETCH(QByteArray, colour);
        QFETCH(QByteArray, picture);
        QFETCH(QByteArray, operand);
        QFETCH(QByteArray, engine);
        QFETCH(bool, taken);
        const QByteArray tile =
            "{\"colour\": " + colour + ", \"picture\": " + picture + ", \"left\": [0, " + operand +
            "], \"up\": [1, 0], \"right\": [1, 0], \"down\": [1, 0], \"colourRgb\": " + engine +
            ", \"picturePath\": " + engine + "}";
        // The same keys in another order.
        const QByteArray reordered = "{\"picturePath\": " + engine + ", \"down\": [1, 0], \"left\": [0, " +
                                     operand + "], \"colour\": " + colour + ", \"colourRgb\": " + engine +
                                     ", \"up\": [1, 0], \"picture\": " + picture + ", \"right\": [1, 0]}";
        QByteArray levels[2];
        QByteArray errors[2];
        for (int i = 0; i < 2; ++i) {
            QByteArray tiles =
                (i ? reordered : tile) + QByteArray(",\n").append(i ? reordered : tile).repeated(299);
            m_f.writeFile("tile.json",
                          JsonTop +
                              "\"screens\": [{\"number\": 0, \"links\": [0, 0, 0, 0, 0, 0, 0, 0], "
                              "\"tiles\": [\n" +
                              tiles + "]}]}");
            QFile::remove(m_f.path("tile.txt"));
            const ToolRun run = RunTool({"import", m_f.path("tile.json"), "-o", m_f.path("tile.txt")});
            levels[i] = m_f.readFile("tile.txt");
            errors[i] = run.err.mid(run.err.indexOf("): ") + 1);
            QVERIFY2(run.code == (taken ? 0 : 2), run.err.constData());
        }
        QCOMPARE(levels[0], levels[1]);
        QCOMPARE(errors[0], errors[1]);
    }

    // JSON written by hand or by a script: keys in any order where the reading allows it, numbers in any
    // JSON form, escapes, and strings as long as a field may be (a raw record's as long as it likes).
    void handWrittenJson_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("level");
        QTest::newRow("numbers in any form, LF, properties first")
            << JsonTop +
                   "\"lineEnd\": \"LF\", \"properties\": {\"startTile\": 1, \"lastScreen\": 0, \"name\": "
                   "\"N\", \"author\": \"\", \"dateMade\": \"\", \"description\": \"\", \"comments\": "
                   "\"\\u00e9\\/\"}, \"screens\": [{\"records\": [[\"Note\", 5.0, 1e3, -0, 1.50, 0.25, "
                   "\"x\", null, 0, 0, 0, 0]]}]}"
            << QByteArray("\"Note\",5,1000,0,1.5,0.25,\"x\",,0,0,0,0\n"
                          "\"LevelProp\",\"N\",\"\",\"\",\"\",\"\xe9/\",1,0,0,0,0,0\n");
        QTest::newRow("raw records and a byte order mark")
            << JsonTop + "\"byteOrderMark\": true, \"screens\": [{\"records\": [{\"raw\": "
                         "\" \\\"A\\\" ,1\\r\\n,2,3,4,5,6,7,8,9,10,11\\n\"}]}, {\"records\": []}]}"
            << QByteArray("\xEF\xBB\xBF \"A\" ,1\r\n,2,3,4,5,6,7,8,9,10,11\n");
        QTest::newRow("a text of 1 MB of \\u00e9, 2 MB in UTF-8")
            << NoteJson('"' + QByteArray("\\u00e9").repeated(1024 * 1024) + '"')
            << "\"Note\",\"" + QByteArray(1024 * 1024, '\xe9') + "\",0,0,0,0,0,0,0,0,0,0\r\n";
        const QByteArray blanks(3 * 1024 * 1024, ' ');
        QTest::newRow("a raw record of 3 MB")
            << JsonTop + "\"screens\": [{\"records\": [{\"raw\": \"" + blanks + "\\r\\n\"}]}]}"
            << blanks + "\r\n";
    }
    void handWrittenJson() {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, level);
        m_f.writeFile("hand.json", json);
        const ToolRun run = RunTool({"import", m_f.path("hand.json"), "-o", m_f.path("hand.txt")});
        QVERIFY2(run.code == 0, run.err.constData());
        QCOMPARE(m_f.readFile("hand.txt"), level);
    }

    // JSON the import refuses: what is wrong and where is `told`, and the target is left as it was, or not
    // made. A string or a number longer than any field of a level file is refused as it is read, before it
    // fills memory; JSON that ends inside a number is read as far as the number goes.
    void malformedJsonChangesNothing_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("told");
        const QByteArray json = exported(Block(0) + Properties);
        QVERIFY(!json.isEmpty());
        const auto line = [](qsizetype n) { return QString(", line %1 ").arg(n); };
        const auto lineOf = [&](const char* text) {
            return line(json.left(json.indexOf(text)).count('\n') + 1);
        };
        const auto edited = [&](const char* from, const char* to) {
            return QByteArray(json).replace(from, to);
        };
        const qsizetype half = json.size() / 2;
        QTest::newRow("truncated") << json.left(half) << line(json.left(half).count('\n') + 1);
        QTest::newRow("wrong type") << edited("{\"colour\": 70,", "{\"colour\": true,")
                                    << lineOf("{\"colour\": 70,");
        QTest::newRow("unknown format version")
            << edited("\"formatVersion\": 1", "\"formatVersion\": 2") << lineOf("\"formatVersion\"");
        QByteArray short1 = json;
        short1.remove(json.indexOf("\n      {\"colour\": 14,"),
                      json.indexOf("\n      {\"colour\": 21,") - json.indexOf("\n      {\"colour\": 14,"));
        QTest::newRow("299 tiles") << short1 << line(short1.left(short1.indexOf("\n    ]}")).count('\n') + 2);
        QTest::newRow("a text beyond Latin-1")
            << edited("\"name\": \"Test\"", "\"name\": \"\\u0100\"") << lineOf("\"properties\"");
        QTest::newRow("a misspelt key")
            << edited("{\"colour\": 70,", "{\"color\": 70,") << lineOf("{\"colour\": 70,");
        QTest::newRow("text after the end") << json + "{}" << line(json.count('\n') + 1);

        const QString noComma = "expected ',' or '}', but the JSON ends here";
        QTest::newRow("ends inside a tile's colour")
            << json.left(json.indexOf("{\"colour\": 70,") + 12) << noComma;
        for (const char* number : {"-", "1.", "25e+"}) // after a minus sign, in a fraction, in an exponent
            QTest::addRow("ends inside the number %s", number)
                << NoteStart + number << "malformed number " + QString(number);
        // The reader takes 1 MB at a time: "1" ends the first chunk, ".5" is the second and last.
        QByteArray across = NoteStart + "1";
        across.insert(NoteStart.size() - 2, QByteArray(1024 * 1024 - across.size(), ' '));
        QTest::newRow("ends inside a number across the end of a chunk")
            << across + ".5"
            << "expected ',' or ']', but the JSON ends here";

        QTest::newRow("a text of 2 MB and one byte")
            << NoteJson('"' + QByteArray(2 * 1024 * 1024 + 1, 'a') + '"')
            << "a string of more than 2097152 bytes";
        QTest::newRow("a number of 1 MB and ten digits")
            << NoteJson(QByteArray(1024 * 1024 + 10, '7')) << "a number of more than 1048576 characters";
    }
    void malformedJsonChangesNothing() {
        QFETCH(QByteArray, json);
        QFETCH(QString, told);
        m_f.writeFile("bad.json", json);
        for (const bool existing : {true, false}) {
            QFile::remove(m_f.path("target.txt"));
            if (existing)
                m_f.writeFile("target.txt", Properties);
            const ToolRun run = RunTool({"import", m_f.path("bad.json"), "-o", m_f.path("target.txt")});
            QCOMPARE(run.code, 2);
            QVERIFY2(QString::fromUtf8(run.err).contains(told), run.err.constData());
            QCOMPARE(QFileInfo::exists(m_f.path("target.txt")), existing);
            QCOMPARE(m_f.readFile("target.txt"), existing ? Properties : QByteArray());
        }
    }

    // Most screens are taken whole from their bytes; read record by record instead (as a file with LF
    // line ends is), the same screens must come out the same.
    void screenTakenWholeAsRecordByRecord_data() {
        QTest::addColumn<QByteArray>("level");
        QTest::addColumn<int>("screens"); // screen objects
        QTest::newRow("plain") << Block(4) + Properties << 1;
        QTest::newRow("texts, empty fields, boxes")
            << Block(0, {{1, "-5,\"\\caf\xe9, \\\\1.bmp\",0,-1,0,0,,\"x\",,-7"},
                         {300, "0,997,0,0,0,0,\"\",\"\",0,0"},
                         {2, "16777215,999,0,0,0,0,1,1,1,1"}}) +
                   Block(1) + Properties
            << 2;
        QTest::newRow("ScreenInfo other than the links") << Block(3, {}, "0,-1,0,0,0,0,0,7") << 1;
        QTest::newRow("ScreenInfo with more than the links")
            << Properties + QByteArray(Block(5)).replace("9,0,0\r\n", "9,0,1\r\n") + Block(6) << 1;
        QTest::newRow("a block cut short at the end") << Block(0) + Block(1).chopped(3) << 1;
    }
    void screenTakenWholeAsRecordByRecord() {
        QFETCH(QByteArray, level);
        QFETCH(int, screens);
        const QJsonArray whole = QJsonDocument::fromJson(exported(level))["screens"].toArray();
        const QJsonArray byRecord =
            QJsonDocument::fromJson(exported(QByteArray(level).replace("\r\n", "\n")))["screens"].toArray();
        QCOMPARE(whole, byRecord);
        QCOMPARE(std::count_if(whole.begin(), whole.end(),
                               [](const QJsonValue& v) { return v["number"].isDouble(); }),
                 screens);
    }

    void exportOfNoLevel_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("records without a level key") << QByteArray("\"a\",1,2,3,4,5,6,7,8,9,10,11\r\n");
    }
    void exportOfNoLevel() {
        QFETCH(QByteArray, file);
        QFile::remove(m_f.path("in.txt"));
        if (!file.isEmpty())
            m_f.writeFile("in.txt", file);
        m_f.writeFile("out.json", "old");
        const ToolRun run = RunTool({"export", m_f.path("in.txt"), "-o", m_f.path("out.json")});
        QCOMPARE(run.code, 2);
        QVERIFY(run.err.contains("in.txt"));
        QCOMPARE(m_f.readFile("out.json"), QByteArray("old"));
    }
};

QTEST_GUILESS_MAIN(TestJson)
#include "tst_json.moc"
