// ImportLevelJson: a level JSON read and written as a level file, one screen at a time.

#include "level/tools/leveljson.h"

#include "level/core/messages.h"
#include "level/document/screen.h"
#include "level/format/record.h"
#include "level/tools/leveljson_reader.h"
#include "level/tools/leveljson_shared.h"
#include "level/tools/leveljson_tiles.h"
#include "level/tools/leveljson_writer.h"

#include <QStringDecoder>

#include <cmath>
#include <optional>
#include <vector>

namespace tavrin {
namespace leveljson {
namespace {

// A record as Encode gives it (CR LF), with the line end `end` instead.
QByteArray WithLineEnd(QByteArray crlf, QByteArrayView end) {
    if (end != LineEnds[0].bytes) {
        crlf.chop(2);
        crlf.append(end);
    }
    return crlf;
}

// Keys of an object read once each: a bit per key.
class KeySet {
public:
    KeySet(JsonReader& json, const char* what) : m_json(json), m_what(what) {}
    // The index of `key` in `names`; failure for an unknown key or one given twice.
    template <size_t N> int index(QByteArrayView key, qint64 at, const char* const (&names)[N]) {
        for (size_t i = 0; i < N; ++i) {
            if (key != names[i])
                continue;
            if (m_seen & (1u << i))
                throw JsonFault{at, ErrInvalidFormat,
                                Text(Msg::JsonKeyTwice).arg(m_what, QString::fromUtf8(key))};
            m_seen |= 1u << i;
            return int(i);
        }
        throw JsonFault{at, ErrInvalidFormat, Text(Msg::JsonUnknownKey).arg(QString::fromUtf8(key), m_what)};
    }
    bool has(int index) const { return m_seen & (1u << index); }
    // Failure naming the first of `names` that is missing, at the end of the object.
    template <size_t N> void requireAll(const char* const (&names)[N]) const { requireFirst(names, N); }
    void requireFirst(const char* const* names, size_t count) const {
        for (size_t i = 0; i < count; ++i)
            if (!has(int(i)))
                m_json.fail(Text(Msg::JsonKeyMissing).arg(m_what, QLatin1String(names[i])));
    }

private:
    JsonReader& m_json;
    QString m_what;
    quint32 m_seen = 0;
};

// Reads the JSON and writes the records, one screen at a time.
class Importer {
public:
    Importer(QIODevice* in, QIODevice* out) : m_json(in), m_out(out) {}

    void run() {
        static const char* const Keys[] = {"format",  "formatVersion", "screens",
                                           "lineEnd", "byteOrderMark", "properties"};
        KeySet keys(m_json, "the level");
        m_json.object("'{' at the start of a level JSON", [&](QByteArrayView key, qint64 at) {
            const int index = keys.index(key, at, Keys);
            if (index != 5 && keys.has(2) && index != 2)
                throw JsonFault{at, ErrInvalidFormat,
                                Text(Msg::JsonBeforeScreens).arg(QString::fromUtf8(key))};
            switch (index) {
            case 0:
                if (const QString format = m_json.string(); format != QLatin1String(LevelJsonFormat))
                    fail(at, Text(Msg::JsonWrongFormat).arg(format, QLatin1String(LevelJsonFormat)));
                break;
            case 1:
                if (const QByteArrayView version = m_json.number();
                    version != QByteArray::number(LevelJsonVersion))
                    fail(at, Text(Msg::JsonUnknownVersion)
                                 .arg(QString::fromLatin1(version))
                                 .arg(LevelJsonVersion));
                break;
            case 2:
                if (!keys.has(0) || !keys.has(1))
                    fail(at, Text(Msg::JsonFormatFirst));
                screens();
                break;
            case 3:
                lineEnd(at);
                break;
            case 4:
                m_byteOrderMark = m_json.boolean();
                break;
            case 5:
                m_properties = properties();
                break;
            }
        });
        keys.requireFirst(Keys, 3);
        if (m_json.peek() != 0)
            m_json.fail(Text(Msg::JsonTrailingText));
        if (m_properties)
            m_out.put(encode(*m_properties));
        m_out.finish();
    }

private:
    [[noreturn]] static void fail(qint64 at, const QString& message) {
        throw JsonFault{at, ErrInvalidFormat, message};
    }

    void lineEnd(qint64 at) {
        const QString name = m_json.string();
        for (const LineEnd& end : LineEnds)
            if (name == QLatin1String(end.name)) {
                m_lineEnd = &end;
                return;
            }
        fail(at, Text(Msg::JsonBadLineEnd).arg(name));
    }

    // A record as a level file holds it; failure 5 for a text it cannot hold.
    QByteArray encode(const Record& record) {
        try {
            return WithLineEnd(RecordWriter::Encode(record), m_lineEnd->bytes);
        } catch (const Failure& failure) {
            m_json.fail(failure.description(), failure.code());
        }
    }

    FieldValue field() {
        switch (m_json.peek()) {
        case '"':
            return FieldValue::text(m_json.string());
        case 'n':
            m_json.word("null");
            return FieldValue();
        case '-':
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7':
        case '8':
        case '9': {
            const qint64 at = m_json.offset();
            const QByteArrayView literal = m_json.number();
            if (std::optional<FieldValue> value = NumberOfLiteral(literal))
                return *value;
            fail(at, Text(Msg::JsonNumberTooLarge).arg(QString::fromLatin1(literal)));
        }
        default:
            m_json.fail(m_json.found("a field: a number, a string or null"));
        }
    }

    // A whole number from `low` to `high`.
    int whole(int low, int high, const char* what) {
        m_json.peek();
        const qint64 at = m_json.offset();
        const FieldValue value = field();
        const double number = value.numberValue();
        if (!value.isNumber() || std::trunc(number) != number || number < low || number > high)
            fail(at, Text(Msg::JsonWholeNumber).arg(QLatin1String(what)).arg(low).arg(high));
        return int(number);
    }

    // `count` fields in an array, from `record[first]` on.
    void fields(Record& record, size_t first, size_t count, const char* what) {
        size_t n = 0;
        m_json.array(what, [&] {
            if (n == count)
                m_json.fail(Text(Msg::JsonFieldsNoMore).arg(QLatin1String(what)).arg(count));
            record[first + n++] = field();
        });
        if (n != count)
            m_json.fail(Text(Msg::JsonFieldsNot).arg(QLatin1String(what)).arg(count).arg(n));
    }

    void screens() {
        if (m_byteOrderMark)
            m_out.put(ByteOrderMark);
        m_json.array("'[' after \"screens\"", [&] {
            m_screen.number = -1;
            m_screen.info.reset();
            bool records = false;
            int members = 0;
            KeySet keys(m_json, "a screen");
            static const char* const Keys[] = {"number", "links", "tiles", "screenInfo"};
            m_json.object("'{' of a screen or records", [&](QByteArrayView key, qint64 at) {
                if (records || (members++ > 0 && key == "records"))
                    fail(at, Text(Msg::JsonScreenOrRecords));
                if (key == "records") {
                    records = true;
                    m_json.array("'[' after \"records\"", [&] { record(); });
                    return;
                }
                switch (keys.index(key, at, Keys)) {
                case 0:
                    m_screen.number = whole(0, 32767, "a screen number");
                    break;
                case 1:
                    links();
                    break;
                case 2:
                    tiles();
                    break;
                case 3:
                    m_screen.info.emplace();
                    fields(*m_screen.info, 2, 8, "\"screenInfo\"");
                    break;
                }
            });
            if (!records) {
                keys.requireFirst(Keys, 3);
                writeScreen();
            }
        });
    }

    void record() {
        if (m_json.peek() == '[') {
            Record record;
            fields(record, 0, 12, "a record");
            m_out.put(encode(record));
            return;
        }
        KeySet keys(m_json, "a record");
        static const char* const Keys[] = {"raw"};
        m_json.object("a record: '[' or '{'", [&](QByteArrayView key, qint64 at) {
            keys.index(key, at, Keys);
            m_json.peek();
            const qint64 start = m_json.offset();
            // Written as it is read: the blanks and line ends after a record belong to it, however many
            // there are. What is written of a string that turns out to be at fault is not committed.
            bool ascii = true;
            QStringDecoder decoder(QStringDecoder::Utf8);
            QChar beyond; // the first character that a level file cannot store
            m_json.stringPieces(&ascii, [&](QByteArrayView bytes, bool) {
                if (ascii) // and so were the pieces before: no character is cut in two
                    return m_out.put(bytes);
                const QString text = decoder.decode(bytes);
                for (const QChar c : text)
                    if (c.unicode() > 0xFF && beyond.isNull())
                        beyond = c;
                m_out.put(text.toLatin1());
            });
            if (decoder.hasError())
                throw JsonFault{start, ErrInvalidFormat, Text(Msg::JsonNotUtf8)};
            if (!beyond.isNull())
                throw JsonFault{start, ErrInvalidCall, Text(Msg::JsonRawCharacter).arg(beyond)};
        });
        keys.requireAll(Keys);
    }

    void links() {
        int k = 2;
        m_json.array("'[' after \"links\"", [&] {
            if (k > 9)
                m_json.fail(Text(Msg::JsonLinksNoMore));
            m_screen.links[size_t(k++)] = Integer(whole(-32768, 32767, "a link"));
        });
        if (k != 10)
            m_json.fail(Text(Msg::JsonLinksNot).arg(k - 2));
    }

    void tiles() {
        int n = 0;
        m_screen.tileBytes.resize(0);
        m_screen.fault.reset();
        m_json.array("'[' after \"tiles\"", [&] {
            if (n == TilesPerScreen)
                m_json.fail(Text(Msg::JsonTilesNoMore).arg(TilesPerScreen));
            ++n;
            if (const qsizetype length = TileScanner(m_json.ahead()).scan(m_screen.tileBytes)) {
                m_json.pass(length);
                m_screen.tileEnds[size_t(n - 1)] = m_screen.tileBytes.size();
                return;
            }
            Record record;
            // The engine's fields follow from the others: they are read and left aside, so that a script
            // changes a tile by its record's fields alone.
            static const char* const Keys[] = {"colour", "picture", "left",      "up",
                                               "right",  "down",    "colourRgb", "picturePath"};
            KeySet keys(m_json, "a tile");
            m_json.object("'{' of a tile", [&](QByteArrayView key, qint64 at) {
                const int index = keys.index(key, at, Keys);
                if (index >= 6) {
                    field();
                    return;
                }
                if (index < 2) {
                    record[size_t(2 + index)] = field();
                    return;
                }
                const int d = index - 2; // the direction and its operand
                Record pair;
                fields(pair, 0, 2, "a direction and its operand");
                record[size_t(4 + d)] = std::move(pair[0]);
                record[size_t(8 + d)] = std::move(pair[1]);
            });
            keys.requireFirst(Keys, 6);
            // The record without its key and tile number, which come from the screen: written with these
            // two fields empty, it begins with two commas. A text the level file cannot hold is told once
            // the screen is read, where a record of the screen is told.
            try {
                const QByteArray encoded = RecordWriter::Encode(record);
                m_screen.tileBytes.append(QByteArrayView(encoded).sliced(2).chopped(2));
            } catch (const Failure& failure) {
                if (!m_screen.fault)
                    m_screen.fault = failure;
            }
            m_screen.tileEnds[size_t(n - 1)] = m_screen.tileBytes.size();
        });
        if (n != TilesPerScreen)
            m_json.fail(Text(Msg::JsonTilesNot).arg(TilesPerScreen).arg(n));
    }

    void writeScreen() {
        if (m_screen.fault)
            m_json.fail(m_screen.fault->description(), m_screen.fault->code());
        const FieldValue key = FieldValue::text(QStringLiteral("Screen") + QString::number(m_screen.number));
        const QByteArray keyField = '"' + key.textValue().toLatin1() + "\",";
        for (int i = 0; i < TilesPerScreen; ++i) {
            m_out.put(keyField);
            m_out.put(TileNumbers[size_t(i)]);
            const qsizetype from = i ? m_screen.tileEnds[size_t(i - 1)] : 0;
            m_out.put(QByteArrayView(m_screen.tileBytes).sliced(from, m_screen.tileEnds[size_t(i)] - from));
            m_out.put(m_lineEnd->bytes);
        }
        QByteArray links = Screen::encodeLinks(Integer(m_screen.number), m_screen.links);
        if (m_lineEnd->bytes != LineEnds[0].bytes)
            links.replace("\r\n", m_lineEnd->bytes.toByteArray()); // no text there holds a line break
        if (m_screen.info) {
            Record& info = *m_screen.info;
            info[0] = key;
            info[1] = FieldValue::text(QStringLiteral("ScreenInfo"));
            info[10] = info[11] = FieldValue::number(0);
            links.replace(0, links.indexOf(m_lineEnd->bytes) + m_lineEnd->bytes.size(), encode(info));
        }
        m_out.put(links);
    }

    Record properties() {
        static const char* const Keys[] = {"name",     "author",    "dateMade",   "description",
                                           "comments", "startTile", "lastScreen", "filler"};
        Record record;
        record[0] = FieldValue::text(QStringLiteral("LevelProp"));
        for (size_t i = 8; i < 12; ++i)
            record[i] = FieldValue::number(0);
        KeySet keys(m_json, "the properties");
        m_json.object("'{' after \"properties\"", [&](QByteArrayView key, qint64 at) {
            const int index = keys.index(key, at, Keys);
            if (index < 7)
                record[size_t(index + 1)] = field();
            else
                fields(record, 8, 4, "\"filler\"");
        });
        keys.requireFirst(Keys, 7);
        encode(record); // a text that cannot be written is named where it stands
        return record;
    }

    struct ScreenData {
        int number = -1;
        SideLinks links = {};
        std::optional<Record> info; // the eight fields of "ScreenInfo" when they are not the links
        // The tiles' records as the level file holds them, from the colour on, one after the other, and
        // where each ends.
        QByteArray tileBytes;
        std::array<qsizetype, TilesPerScreen> tileEnds = {};
        std::optional<Failure> fault; // the first text of a tile that the level file cannot hold
    };
    // The tile numbers, each with the comma after it.
    const std::vector<QByteArray> TileNumbers = [] {
        std::vector<QByteArray> numbers;
        for (int i = 1; i <= TilesPerScreen; ++i)
            numbers.push_back(QByteArray::number(i) + ',');
        return numbers;
    }();

    JsonReader m_json;
    ChunkWriter m_out;
    const LineEnd* m_lineEnd = &LineEnds[0];
    bool m_byteOrderMark = false;
    std::optional<Record> m_properties;
    ScreenData m_screen;
};

} // namespace
} // namespace leveljson

using namespace leveljson;

void ImportLevelJson(FileAccess& files, const QString& jsonPath, QIODevice* out) {
    const QString name = NativePath(jsonPath);
    const std::unique_ptr<QIODevice> in = OpenNamed(files, jsonPath);
    try {
        Importer(in.get(), out).run();
    } catch (const JsonFault& fault) {
        throw Failure(fault.code, Text(Msg::JsonAt)
                                      .arg(name)
                                      .arg(LineOfOffset(in.get(), fault.offset))
                                      .arg(fault.offset)
                                      .arg(fault.message));
    }
}

} // namespace tavrin
