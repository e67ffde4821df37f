// ExportLevelJson: a level file written as JSON, record by record.

#include "level/tools/leveljson.h"

#include "level/core/messages.h"
#include "level/core/numbers.h"
#include "level/document/screen.h"
#include "level/format/record.h"
#include "level/format/screenblock.h"
#include "level/tools/leveljson_jsonwriter.h"
#include "level/tools/leveljson_shared.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

namespace tavrin {
namespace leveljson {
namespace {

// Blanks and line ends after a record are held with it up to this many; a longer run is let go of as it is
// read, and the record read again from the file when it is written, RereadBytes at a time.
constexpr qint64 LongBlankRun = ChunkBytes;
constexpr qint64 RereadBytes = 64 * 1024;
constexpr int RecordsPerScreen = 309;
// The names of fields 2 to 8 of the "LevelProp" record.
const char* const PropertyNames[7] = {"name",     "author",    "dateMade",  "description",
                                      "comments", "startTile", "lastScreen"};

// A number field that JSON can carry: written as a JSON number, it reads back as the same field with the
// same text.
bool FitsJson(const FieldValue& field) {
    if (!field.isNumber())
        return true;
    if (field.textValue().isNull()) // written in its shortest form
        return std::isfinite(field.numberValue());
    const QByteArray text = field.textValue().toLatin1();
    if (!IsJsonNumber(text))
        return false;
    const std::optional<FieldValue> back = NumberOfLiteral(text);
    return back && back->toText() == field.textValue();
}

// The screen number n of a key "Screen<n>" as the editor writes it, n 0 to 32767; -1 for any other key.
int ScreenOfKey(const FieldValue& key) {
    const std::optional<Integer> screen = key.isText() ? EditorScreenOfKey(key.textValue()) : std::nullopt;
    return screen ? int(*screen) : -1;
}

// A record of the level, as tavrin-level info counts them.
bool IsLevelKey(const FieldValue& key) {
    return key.isText() && tavrin::IsLevelKey(key.textValue());
}

// The number 0 as the editor writes it.
bool IsZero(const FieldValue& field) {
    return field.isNumber() && field.numberValue() == 0;
}

// The tile number `tile` as the editor writes it in field 2 of a tile record.
bool IsTileNumber(const FieldValue& field, int tile) {
    return field.isNumber() && field.numberValue() == tile && field.textValue().isNull();
}

bool IsBlankOrLineEnd(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Passes on what a device reads and keeps it, so that the bytes of a record are at hand once the record
// reader has taken them.
class KeepingDevice : public QIODevice {
public:
    explicit KeepingDevice(QIODevice* source) : m_source(source) { open(ReadOnly | Unbuffered); }
    bool isSequential() const override { return true; }

    // The bytes from offset `begin` to `end`, which must not have been released; valid until the next
    // read.
    QByteArrayView bytes(qint64 begin, qint64 end) const {
        return QByteArrayView(m_kept).sliced(begin - m_base, end - begin);
    }
    // The bytes before `offset` are needed no longer.
    void release(qint64 offset) { m_released = offset - m_base; }
    // The number of bytes read so far.
    qint64 total() const { return m_base + m_kept.size(); }

protected:
    qint64 readData(char* data, qint64 length) override {
        const qint64 read = m_source->read(data, length);
        if (read > 0) {
            if (m_released >= m_kept.size() / 2) {
                m_kept.remove(0, m_released);
                m_base += m_released;
                m_released = 0;
            }
            m_kept.append(data, read);
        }
        return read;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QIODevice* m_source;
    QByteArray m_kept;
    qint64 m_base = 0; // the offset of m_kept's first byte
    qsizetype m_released = 0;
};

// Reads the bytes `begin` to `end` of the level file again and hands them to `piece` a few at a time.
using Reread =
    std::function<void(qint64 begin, qint64 end, const std::function<void(QByteArrayView)>& piece)>;

// Writes the JSON of the records handed to it in file order. The records of what may be a screen block
// as the editor writes it are held until the block is whole, and a "LevelProp" record until it turns out
// to be the last; everything else goes out at once.
class Exporter {
public:
    Exporter(QIODevice* out, KeepingDevice& source, bool byteOrderMark, const LineEnd& lineEnd, Reread reread)
        : m_json(out), m_source(source), m_lineEnd(lineEnd), m_reread(std::move(reread)) {
        m_block.reserve(RecordsPerScreen);
        m_json.put("{\n  \"format\": \"");
        m_json.put(LevelJsonFormat);
        m_json.put("\",\n  \"formatVersion\": ");
        m_json.put(QByteArray::number(LevelJsonVersion));
        m_json.put(",\n  \"lineEnd\": \"");
        m_json.put(lineEnd.name);
        m_json.put("\",\n  \"byteOrderMark\": ");
        m_json.put(byteOrderMark ? "true" : "false");
        m_json.put(",\n  \"screens\": [");
    }

    // The record read from the bytes `begin` to `end` of the file (the blanks and line ends after it
    // included).
    void take(Record&& record, qint64 begin, qint64 end) {
        if (m_properties) { // a record follows: the properties are not the last record after all
            emitRecord(*m_properties);
            m_properties.reset();
        }
        if (continuesBlock(record)) {
            m_block.push_back({std::move(record), begin, end});
            if (m_block.size() == RecordsPerScreen)
                completeBlock();
        } else {
            flushBlock();
            if (ScreenOfKey(record[0]) >= 0 && IsTileNumber(record[1], 1))
                m_block.push_back({std::move(record), begin, end});
            else if (const QByteArrayView bytes = m_source.bytes(begin, end); !writtenAsRead(record, bytes))
                emitBytes(bytes);
            else if (record[0].isText() && record[0].textValue() == QLatin1String("LevelProp"))
                m_properties = std::move(record);
            else
                emitRecord(record);
        }
        m_source.release(m_block.empty() ? end : m_block.front().begin);
    }

    // Takes the screen block that `bytes` begin with (the record at `begin` in the file on), when the
    // editor's save would copy it as it stands and neither blanks nor line ends follow it: its JSON is
    // written from its bytes, which gives what taking its records one by one gives, at a fraction of the
    // work. `number`: the screen that ScreenOfBlockStart finds there. `atFileEnd`: nothing follows `bytes` in
    // the file. The length taken, or -1 when nothing was.
    qsizetype takeCopyableBlock(QByteArrayView bytes, int number, qint64 begin, bool atFileEnd) {
        if (m_lineEnd.bytes != LineEnds[0].bytes)
            return -1;
        CopyableBlock scanned;
        const qsizetype length = ScanCopyableBlockAt(bytes, Integer(number), &scanned);
        if (length < 0 || (length == bytes.size() ? !atFileEnd : IsBlankOrLineEnd(bytes[length])))
            return -1;
        // A screen's element holds the links and fields 2 to 9 of its "ScreenInfo" record alone.
        if (!scanned.sidesAsWritten || scanned.info[10] != 0 || scanned.info[11] != 0)
            return -1;

        settle();
        SideLinks links = {};
        std::copy(std::begin(scanned.links), std::end(scanned.links), links.begin());
        writeScreen(
            number, links, scanned.infoAsWritten,
            [&] {
                m_json.put('[');
                for (size_t i = 2; i < 10; ++i) {
                    m_json.put(i > 2 ? ", " : "");
                    m_json.put(QByteArray::number(scanned.info[i]));
                }
                m_json.put(']');
            },
            [&] { m_json.tilesOfRecords(bytes.first(scanned.tileBytes), true); });
        m_source.release(begin + length);
        return length;
    }

    // A record whose bytes, from `begin` to `end`, are no longer at hand: the blanks and line ends after it
    // (or before it, at the start of the file) ran on too long to hold. Its bytes are written as they stand,
    // read again from the file, a piece at a time.
    void takeLetGo(qint64 begin, qint64 end) {
        settle();
        openStretch();
        m_json.put("{\"raw\": \"");
        m_reread(begin, end, [this](QByteArrayView bytes) { m_json.stringPiece(bytes); });
        m_json.put("\"}");
        m_source.release(end);
    }

    // The end of a file that ends inside a record; `held`: its bytes are at hand.
    void takeTail(qint64 begin, qint64 end, bool held) {
        if (!held)
            return takeLetGo(begin, end);
        settle();
        emitBytes(m_source.bytes(begin, end));
    }

    // Writes what is held, as a record that follows it would: the level properties, which are not the last
    // record then, and the records of a block that cannot be a screen any more. The bytes before the next
    // record may be let go of after this.
    void settle() {
        if (m_properties) {
            emitRecord(*m_properties);
            m_properties.reset();
        }
        flushBlock();
    }

    void finish() {
        flushBlock();
        closeStretch();
        m_json.put(m_firstElement ? "]" : "\n  ]");
        if (m_properties) {
            const Record& p = *m_properties;
            m_json.put(",\n  \"properties\": {");
            for (int i = 0; i < 7; ++i) {
                m_json.put(i ? ", \"" : "\"");
                m_json.put(PropertyNames[i]);
                m_json.put("\": ");
                m_json.field(p[size_t(i + 1)]);
            }
            if (!std::all_of(p.cbegin() + 8, p.cend(), IsZero)) {
                m_json.put(", \"filler\": ");
                fieldArray(p.cbegin() + 8, p.cend());
            }
            m_json.put('}');
        }
        m_json.put("\n}\n");
        m_json.finish();
    }

private:
    struct Held {
        Record record;
        qint64 begin;
        qint64 end;
    };

    // True when writing the record with RecordWriter, with the file's line end, gives `bytes`, and JSON
    // can carry its fields.
    bool writtenAsRead(const Record& record, QByteArrayView bytes) const {
        QByteArray encoded;
        try {
            encoded = RecordWriter::Encode(record);
        } catch (const Failure&) {
            return false; // a field read without quotes may hold a double quote
        }
        const qsizetype body = encoded.size() - 2; // without its CR LF
        return bytes.size() == body + m_lineEnd.bytes.size() &&
               std::memcmp(bytes.data(), encoded.constData(), size_t(body)) == 0 &&
               bytes.sliced(body) == m_lineEnd.bytes && std::all_of(record.cbegin(), record.cend(), FitsJson);
    }
    QByteArrayView bytesOf(const Held& held) const { return m_source.bytes(held.begin, held.end); }

    bool continuesBlock(const Record& record) const {
        if (m_block.empty() || record[0] != m_block.front().record[0])
            return false;
        const int index = int(m_block.size());
        if (index < TilesPerScreen)
            return IsTileNumber(record[1], index + 1);
        if (!record[1].isText())
            return false;
        if (index == TilesPerScreen)
            return record[1].textValue() == QLatin1String("ScreenInfo");
        return record[1].textValue() == QLatin1String("Side") + QString::number(index - TilesPerScreen + 1);
    }

    // A whole block is a screen when every record in it is written as RecordWriter writes it, its side
    // records are those that Screen::encodeLinks writes, and its "ScreenInfo" record is too but for the
    // eight fields that are written for the reader's benefit only.
    void completeBlock() {
        const int number = ScreenOfKey(m_block.front().record[0]);
        // A block that the editor's save could copy as it stands is written as read; another one is
        // checked record by record.
        CopyableBlock scanned;
        if (!(m_lineEnd.bytes == LineEnds[0].bytes &&
              ScanCopyableBlock(m_source.bytes(m_block.front().begin, m_block.back().end), Integer(number),
                                &scanned)) &&
            !std::all_of(m_block.cbegin(), m_block.cend(),
                         [&](const Held& held) { return writtenAsRead(held.record, bytesOf(held)); }))
            return flushBlock();
        SideLinks links = {};
        for (int k = 2; k <= 9; ++k) {
            const FieldValue& link = m_block[size_t(TilesPerScreen + k - 1)].record[2];
            const double value = link.numberValue();
            if (!link.isNumber() || std::trunc(value) != value || value < -32768 || value > 32767)
                return flushBlock();
            links[size_t(k)] = Integer(value);
        }
        QByteArray expected = Screen::encodeLinks(Integer(number), links);
        if (m_lineEnd.bytes != LineEnds[0].bytes)
            expected.replace("\r\n", m_lineEnd.bytes.toByteArray()); // no text there holds a line break
        const qsizetype sides = expected.indexOf(m_lineEnd.bytes) + m_lineEnd.bytes.size();
        const Record& info = m_block[TilesPerScreen].record;
        if (m_source.bytes(m_block[TilesPerScreen + 1].begin, m_block.back().end) !=
                QByteArrayView(expected).sliced(sides) ||
            !IsZero(info[10]) || !IsZero(info[11]))
            return flushBlock();

        const bool infoAsWritten = bytesOf(m_block[TilesPerScreen]) == QByteArrayView(expected).first(sides);
        writeScreen(
            number, links, infoAsWritten, [&] { fieldArray(info.cbegin() + 2, info.cbegin() + 10); },
            [&] {
                for (int i = 0; i < TilesPerScreen; ++i) {
                    const Record& record = m_block[size_t(i)].record;
                    m_json.put(TileSeparator[i == 0]);
                    for (const TilePiece& piece : TileLayout) {
                        m_json.put(piece.before);
                        m_json.field(record[size_t(piece.field)]);
                    }
                    m_json.engineFields(record[2], record[3]);
                }
            });
        m_block.clear();
    }

    // A screen's element: `infoFields` writes the array of fields 2 to 9 of its "ScreenInfo" record, when
    // that record is not as the links make it, and `tiles` the objects of its tiles.
    template <typename InfoFields, typename Tiles>
    void writeScreen(int number, const SideLinks& links, bool infoAsWritten, InfoFields infoFields,
                     Tiles tiles) {
        closeStretch();
        nextElement();
        m_json.put("{\"number\": ");
        m_json.put(QByteArray::number(number));
        m_json.put(", \"links\": [");
        for (int k = 2; k <= 9; ++k) {
            m_json.put(k > 2 ? ", " : "");
            m_json.put(QByteArray::number(links[size_t(k)]));
        }
        m_json.put(']');
        if (!infoAsWritten) {
            m_json.put(", \"screenInfo\": ");
            infoFields();
        }
        m_json.put(", \"tiles\": [");
        tiles();
        m_json.put("\n    ]}");
    }

    // The records held are no screen after all: each goes out on its own.
    void flushBlock() {
        for (const Held& held : m_block) {
            if (const QByteArrayView bytes = bytesOf(held); writtenAsRead(held.record, bytes))
                emitRecord(held.record);
            else
                emitBytes(bytes);
        }
        m_block.clear();
    }

    void nextElement() {
        m_json.put(m_firstElement ? "\n    " : ",\n    ");
        m_firstElement = false;
    }
    void openStretch() {
        if (m_inStretch) {
            m_json.put(",\n      ");
            return;
        }
        nextElement();
        m_json.put("{\"records\": [\n      ");
        m_inStretch = true;
    }
    void closeStretch() {
        if (m_inStretch)
            m_json.put("\n    ]}");
        m_inStretch = false;
    }

    template <typename It> void fieldArray(It begin, It end) {
        m_json.put('[');
        for (It it = begin; it != end; ++it) {
            if (it != begin)
                m_json.put(", ");
            m_json.field(*it);
        }
        m_json.put(']');
    }
    void emitRecord(const Record& record) {
        openStretch();
        fieldArray(record.cbegin(), record.cend());
    }
    void emitBytes(QByteArrayView bytes) {
        openStretch();
        m_json.put("{\"raw\": ");
        m_json.string(bytes);
        m_json.put('}');
    }

    JsonWriter m_json;
    KeepingDevice& m_source;
    const LineEnd& m_lineEnd;
    const Reread m_reread;
    std::vector<Held> m_block;
    std::optional<Record> m_properties;
    bool m_firstElement = true;
    bool m_inStretch = false;
};

} // namespace
} // namespace leveljson

using namespace leveljson;

void ExportLevelJson(FileAccess& files, const QString& levelPath, QIODevice* out) {
    const QString name = NativePath(levelPath);
    const std::unique_ptr<QIODevice> file = OpenNamed(files, levelPath);
    const Failure notALevel = Failure::notALevelFile(levelPath);
    KeepingDevice source(file.get());
    RecordReader reader(&source);
    reader.peek(1);
    const bool byteOrderMark = source.bytes(0, std::min<qint64>(3, source.total())) == ByteOrderMark;

    // The bytes of the record being read, from `begin` on: the blanks and line ends after it belong to it,
    // and those before the first record to that one.
    qint64 begin = byteOrderMark ? 3 : 0;
    bool held = true;     // the record's bytes are at hand in `source`
    QByteArray lastBytes; // the last two bytes of the first record, which tell its line end
    std::optional<Exporter> exporter;
    // Passes the blanks and line ends at the reader's position. A run of them longer than LongBlankRun is
    // let go of as it is read, and the record's bytes with it, so that a run of any length takes little
    // memory; the record is written from a second reading of the file.
    const auto passBlanks = [&] {
        qint64 run = 0;
        for (qsizetype passed = 0; (passed = reader.passBlanks(ChunkBytes)) > 0;) {
            run += passed;
            const qint64 at = reader.position();
            if (!exporter)
                lastBytes = lastBytes.append(source.bytes(at - std::min<qsizetype>(passed, 2), at)).right(2);
            if (run > LongBlankRun) {
                if (held && exporter)
                    exporter->settle(); // while the bytes of what it holds are at hand
                held = false;
                source.release(at);
            }
            if (passed < ChunkBytes)
                break;
        }
    };
    const Reread reread = [&](qint64 from, qint64 to, const std::function<void(QByteArrayView)>& piece) {
        const std::unique_ptr<QIODevice> again = OpenNamed(files, levelPath);
        qint64 at = !again->isSequential() && again->seek(from) ? from : 0;
        while (at < to) {
            const QByteArray bytes = again->read(std::min(RereadBytes, (at < from ? from : to) - at));
            if (bytes.isEmpty())
                throw Failure(ErrInputPastEnd,
                              Text(Msg::NamedFailure).arg(name, Text(Msg::ChangedWhileRead)));
            if (at >= from)
                piece(bytes);
            at += bytes.size();
        }
    };

    passBlanks();
    if (reader.atEnd())
        throw notALevel;
    bool levelRecords = false;
    for (bool last = false; !last;) {
        if (exporter) {
            // Most of a level is screens as the editor writes them, taken whole from their bytes. A block
            // is seldom longer than 20 KB; one with longer texts is looked at again with more bytes.
            // The key and tile number of a block's first record take at most 16 bytes.
            const int number = ScreenOfBlockStart(reader.peek(16));
            qsizetype taken = -1;
            for (qsizetype want = 64 * 1024; number >= 0 && want <= 1024 * 1024 && taken < 0; want *= 2) {
                const QByteArrayView bytes = reader.peek(want);
                taken = exporter->takeCopyableBlock(bytes, number, begin, bytes.size() < want);
                if (bytes.size() < want)
                    break;
            }
            if (taken >= 0) {
                reader.pass(taken, RecordsPerScreen);
                begin += taken;
                last = reader.atEnd();
                continue;
            }
        }
        Record record;
        bool whole = true;
        try {
            record = reader.read();
        } catch (const Failure& failure) {
            if (failure.code() != ErrInputPastEnd) {
                if (!levelRecords)
                    throw notALevel; // a picture or other data, which the reader gives up on at once
                throw Failure(failure.code(), Text(Msg::NamedFailure).arg(name, failure.description()));
            }
            whole = false; // the file ends inside this record: its bytes are kept as they stand
        }
        if (whole && !exporter)
            lastBytes = source.bytes(reader.position() - 2, reader.position()).toByteArray();
        if (whole)
            passBlanks();
        last = !whole || reader.atEnd();
        const qint64 end = whole ? reader.position() : source.total();
        if (!exporter) {
            // The line end of the first record is the one the records are written with.
            const LineEnd* lineEnd = &LineEnds[0];
            for (const LineEnd& candidate : LineEnds)
                if (whole && lastBytes.endsWith(candidate.bytes)) {
                    lineEnd = &candidate;
                    break;
                }
            exporter.emplace(out, source, byteOrderMark, *lineEnd, reread);
        }
        levelRecords = levelRecords || (whole && IsLevelKey(record[0]));
        if (!whole)
            exporter->takeTail(begin, end, held);
        else if (held)
            exporter->take(std::move(record), begin, end);
        else
            exporter->takeLetGo(begin, end);
        begin = end;
        held = true;
    }
    if (!levelRecords)
        throw notALevel;
    exporter->finish();
}

} // namespace tavrin
