#include "leveljson.h"

#include "colour.h"
#include "messages.h"
#include "module1.h"
#include "record.h"
#include "screen.h"
#include "screenblock.h"

#include <QDir>
#include <QStringDecoder>

#include <condition_variable>
#include <mutex>
#include <thread>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavrin {

namespace {

constexpr qsizetype ChunkBytes = 1024 * 1024;
// Blanks and line ends after a record are held with it up to this many; a longer run is let go of as it is
// read, and the record read again from the file when it is written, RereadBytes at a time.
constexpr qint64 LongBlankRun = ChunkBytes;
constexpr qint64 RereadBytes = 64 * 1024;
// The longest string read whole from JSON, in UTF-8: a field of a level file holds at most MaxFieldBytes
// Latin-1 characters, two bytes each at the most. A raw record is read a piece at a time instead.
constexpr qsizetype MaxStringBytes = 2 * MaxFieldBytes;
constexpr int TilesPerScreen = 300;
constexpr int RecordsPerScreen = 309;
constexpr QByteArrayView ByteOrderMark("\xEF\xBB\xBF");

struct LineEnd {
    const char* name;
    QByteArrayView bytes;
};
constexpr LineEnd LineEnds[] = {{"CRLF", "\r\n"}, {"LF", "\n"}, {"CR", "\r"}};

// A tile's object: each field of its record (2 to 11) after the text that comes before it.
struct TilePiece {
    QByteArrayView before;
    int field;
};
constexpr TilePiece TileLayout[10] = {{"{\"colour\": ", 2},   {", \"picture\": ", 3},
                                      {", \"left\": [", 4},   {", ", 8},
                                      {"], \"up\": [", 5},    {", ", 9},
                                      {"], \"right\": [", 6}, {", ", 10},
                                      {"], \"down\": [", 7},  {", ", 11}};
// After the fields of its record, a tile's object holds the fields an engine reads instead: the colour as
// the editor draws it and the picture file's path from the level folder.
constexpr QByteArrayView TileColourRgb = "], \"colourRgb\": ";
constexpr QByteArrayView TilePicturePath = ", \"picturePath\": ";
constexpr QByteArrayView TileEnd = "}";
constexpr QByteArrayView TileSeparator[2] = {",\n      ", "\n      "}; // before a tile, the first
// The names of fields 2 to 8 of the "LevelProp" record.
const char* const PropertyNames[7] = {"name",     "author",    "dateMade",  "description",
                                      "comments", "startTile", "lastScreen"};

QString NativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// A record as Encode gives it (CR LF), with the line end `end` instead.
QByteArray WithLineEnd(QByteArray crlf, QByteArrayView end) {
    if (end != LineEnds[0].bytes) {
        crlf.chop(2);
        crlf.append(end);
    }
    return crlf;
}

// The shape JSON gives numbers: a minus sign, digits without a redundant leading zero, a point and
// digits, an exponent.
bool IsJsonNumber(QByteArrayView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto digits = [&] {
        const qsizetype begin = i;
        while (i < n && text[i] >= '0' && text[i] <= '9')
            ++i;
        return i - begin;
    };
    if (i < n && text[i] == '-')
        ++i;
    const qsizetype whole = i;
    if (digits() == 0 || (text[whole] == '0' && i - whole > 1))
        return false;
    if (i < n && text[i] == '.') {
        ++i;
        if (digits() == 0)
            return false;
    }
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == n;
}

bool IsNumberCharacter(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// The field that a number written `literal` in JSON reads back as: the value, and the text when the
// field would keep it (as FieldValue::readNumber decides). Nothing when the literal is no finite number.
std::optional<FieldValue> NumberOfLiteral(QByteArrayView literal) {
    // Whole numbers of up to 15 digits, the common case, need no text.
    const bool negative = literal.startsWith('-');
    const QByteArrayView digits = literal.sliced(negative ? 1 : 0);
    if (!digits.isEmpty() && digits.size() <= 15 && !(digits.size() > 1 && digits[0] == '0')) {
        qint64 whole = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), whole);
        if (error == std::errc() && end == digits.data() + digits.size())
            return FieldValue::number(double(negative ? -whole : whole));
    }
    QString text = QString::fromLatin1(literal);
    double value = 0;
    if (!ReadsAsNumber(text, &value))
        return std::nullopt;
    return FieldValue::readNumber(value, std::move(text));
}

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

// Bytes written in chunks. A chunk that is full goes to a thread of its own, which writes it to the
// device while the next one is filled: copying the bytes into the system takes about as long as making
// them.
class ChunkWriter {
public:
    explicit ChunkWriter(QIODevice* device)
        : m_device(device), m_buffer(ChunkBytes, Qt::Uninitialized), m_writing(ChunkBytes, Qt::Uninitialized),
          m_thread([this] { writeChunks(); }) {}
    // Anything not finished is let go: the device is only ever written to a file that is not committed.
    ~ChunkWriter() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    void put(QByteArrayView bytes) {
        std::memcpy(room(bytes.size()), bytes.data(), size_t(bytes.size()));
        m_size += bytes.size();
    }
    void put(char c) {
        *room(1) = c;
        ++m_size;
    }
    // Writes everything held and waits until it is written; the failure of any write is thrown.
    void finish() {
        handOver();
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_writingSize == 0; });
        throwFailure();
    }

protected:
    // Room for `length` more bytes after those held.
    char* room(qsizetype length) {
        if (m_size + length > m_buffer.size()) {
            handOver();
            if (length > m_buffer.size())
                m_buffer.resize(length);
        }
        return m_buffer.data() + m_size;
    }

    qsizetype m_size = 0; // the bytes of m_buffer in use

private:
    // Gives the bytes held to the writing thread, once it is done with the chunk before.
    void handOver() {
        if (m_size == 0)
            return;
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_writingSize == 0; });
        throwFailure();
        std::swap(m_buffer, m_writing);
        m_writingSize = m_size;
        m_size = 0;
        lock.unlock();
        m_changed.notify_all();
    }
    void throwFailure() {
        if (m_failure)
            throw *m_failure;
    }
    void writeChunks() {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_stopping || m_writingSize > 0; });
            if (m_writingSize == 0)
                return;
            lock.unlock();
            std::optional<Failure> failure;
            if (m_device->write(m_writing.constData(), m_writingSize) != m_writingSize)
                failure = WriteFailure(*m_device);
            lock.lock();
            if (failure && !m_failure)
                m_failure = failure;
            m_writingSize = 0;
            m_changed.notify_all();
        }
    }

    QIODevice* m_device;
    QByteArray m_buffer;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    QByteArray m_writing; // the chunk the thread writes
    qsizetype m_writingSize = 0;
    std::optional<Failure> m_failure;
    bool m_stopping = false;
    std::thread m_thread;
};

// JSON text: strings escaped, fields by kind.
class JsonWriter : public ChunkWriter {
public:
    using ChunkWriter::ChunkWriter;

    // A string of a level's text (Latin-1) or of a record's bytes taken as Latin-1, written as UTF-8.
    void string(QStringView text) { string(text.utf16(), text.size()); }
    void string(QByteArrayView bytes) {
        string(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    }
    void field(const FieldValue& value) {
        if (value.isText()) {
            string(value.textValue());
        } else if (value.isEmpty()) {
            put("null");
        } else {
            const double number = value.numberValue();
            if (value.textValue().isNull() && std::trunc(number) == number && std::fabs(number) < 1e15) {
                // NumberToText's whole numbers, without a detour through a QString
                char* const begin = room(24);
                m_size += std::to_chars(begin, begin + 24, qint64(number)).ptr - begin;
            } else {
                put(value.toText().toLatin1());
            }
        }
    }

    // A piece of a string being written: `bytes` taken as Latin-1, without the quotes around the string.
    void stringPiece(QByteArrayView bytes) {
        char* const begin = room(6 * bytes.size());
        m_size +=
            escapeCharacters(begin, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) -
            begin;
    }

    // The engine's fields of a tile whose record holds `colour` and `picture`, ending its object.
    void engineFields(const FieldValue& colour, const FieldValue& picture) {
        std::optional<Long> value;
        try {
            value = colour.toLong();
        } catch (const Failure&) {
            // no colour the editor can draw: null
        }
        const QByteArray file =
            picture.isText() ? picture.textValue().toLatin1() : QByteArray(); // a level's texts are Latin-1
        char* const begin = room(96 + 6 * file.size());
        const QByteArrayView reference(file);
        m_size += writeEngineFields(begin, value, picture.isText() ? &reference : nullptr) - begin;
    }

    // The objects of the tiles whose records, as the editor writes them, `records` holds; `first`: the
    // first of them is the first tile of its screen. Made in place, a tile at a time, as the bulk of an
    // export is.
    void tilesOfRecords(QByteArrayView records, bool first) {
        std::array<QByteArrayView, 12> fields;
        for (const char *p = records.data(), *end = p + records.size(); p < end; first = false) {
            const char* const record = p;
            p = SplitRecord(p, end, fields);
            if (!p) // none of a block that ScanCopyableBlock took
                throw Failure(ErrInvalidFormat);
            char* const begin = room(256 + 12 * (p - record));
            char* out = copy(begin, TileSeparator[first]);
            for (const TilePiece& piece : TileLayout) {
                out = copy(out, piece.before);
                const QByteArrayView field = fields[size_t(piece.field)];
                if (field.isEmpty())
                    out = copy(out, "null");
                else if (field.front() == '"')
                    out = escape(out, reinterpret_cast<const unsigned char*>(field.data()) + 1,
                                 field.size() - 2);
                else
                    out = copy(out, field);
            }
            // The block scan took the colour as a whole number of a colour's range, and a picture as a
            // number (a box) or a text that names a file.
            const Long colour = Long(BlockFieldNumber(fields[2]));
            const QByteArrayView picture = fields[3];
            const QByteArrayView file = picture.startsWith('"') ? BlockFieldText(picture) : picture;
            out = writeEngineFields(out, colour, picture.startsWith('"') ? &file : nullptr);
            m_size += out - begin;
        }
    }

private:
    // Writes the end of a tile's object from its direction "down" on, with the engine's fields, at `out`,
    // which has room for 96 bytes and six for each character of `file`: `colour` none when the editor
    // cannot draw it, `file` the characters of a picture text (nullptr for a number or nothing).
    char* writeEngineFields(char* out, std::optional<Long> colour, const QByteArrayView* file) {
        out = copy(out, TileColourRgb);
        if (colour) {
            // Most tiles share a few colours and pictures: each is worked out once, while it stays in
            // the slot of its hash.
            ColourSlot& slot = m_colours[size_t(quint32(*colour) * 2654435761u >> 24)];
            if (!slot.known || slot.colour != *colour) {
                const QColor drawn = ColourToQColor(*colour);
                slot.colour = *colour;
                slot.known = true;
                char* name = slot.name.data();
                *name++ = '"';
                *name++ = '#';
                for (const int part : {drawn.red(), drawn.green(), drawn.blue()}) {
                    *name++ = Hex[part >> 4];
                    *name++ = Hex[part & 15];
                }
                *name = '"';
            }
            out = copy(out, QByteArrayView(slot.name.data(), qsizetype(slot.name.size())));
        } else {
            out = copy(out, "null");
        }
        out = copy(out, TilePicturePath);
        if (!file)
            return copy(copy(out, "null"), TileEnd);
        PictureSlot& slot = m_pictures[qHash(*file) % m_pictures.size()];
        if (!slot.known || slot.file != *file) {
            slot.file = file->toByteArray();
            slot.known = true;
            slot.path.clear();
            const QString reference = QString::fromLatin1(*file);
            try {
                // A text that reads as a number names a box, not a file.
                if (!ReadsAsNumber(reference))
                    slot.path = PictureFilePath(QStringLiteral("Pics"), reference);
            } catch (const Failure&) {
                // it reaches outside the Pics folder: no file of the level's
            }
        }
        out = slot.path.isNull() ? copy(out, "null") : escape(out, slot.path.utf16(), slot.path.size());
        return copy(out, TileEnd);
    }

    struct ColourSlot {
        Long colour = 0;
        std::array<char, 9> name; // "#rrggbb" in quotes, as QColor::name() gives it
        bool known = false;
    };
    struct PictureSlot {
        QByteArray file;
        QString path; // null for none
        bool known = false;
    };
    std::array<ColourSlot, 256> m_colours;
    std::array<PictureSlot, 256> m_pictures;

    static char* copy(char* out, QByteArrayView bytes) {
        std::memcpy(out, bytes.data(), size_t(bytes.size()));
        return out + bytes.size();
    }
    template <typename Char> void string(const Char* chars, qsizetype length) {
        char* const begin = room(2 + 6 * length);
        m_size += escape(begin, chars, length) - begin;
    }
    // Writes `length` characters as a JSON string at `p`, which has room for 2 + 6 * length bytes; the end
    // of what was written.
    template <typename Char> static char* escape(char* p, const Char* chars, qsizetype length) {
        *p++ = '"';
        p = escapeCharacters(p, chars, length);
        *p++ = '"';
        return p;
    }
    // The same without the quotes, in room for 6 * length bytes.
    static constexpr char Hex[] = "0123456789abcdef";
    template <typename Char> static char* escapeCharacters(char* p, const Char* chars, qsizetype length) {
        for (const Char* end = chars + length; chars < end; ++chars) {
            const char16_t c = *chars;
            if (c >= 0x20 && c < 0x80 && c != u'"' && c != u'\\') {
                *p++ = char(c);
                continue;
            }
            switch (c) {
            case u'"':
            case u'\\':
                *p++ = '\\';
                *p++ = char(c);
                continue;
            case u'\n':
                *p++ = '\\';
                *p++ = 'n';
                continue;
            case u'\r':
                *p++ = '\\';
                *p++ = 'r';
                continue;
            case u'\t':
                *p++ = '\\';
                *p++ = 't';
                continue;
            default:
                break;
            }
            if (c < 0x20) {
                p = std::copy_n("\\u00", 4, p);
                *p++ = Hex[c >> 4];
                *p++ = Hex[c & 15];
            } else if (c < 0x800) {
                *p++ = char(0xC0 | (c >> 6));
                *p++ = char(0x80 | (c & 0x3F));
            } else {
                *p++ = char(0xE0 | (c >> 12));
                *p++ = char(0x80 | ((c >> 6) & 0x3F));
                *p++ = char(0x80 | (c & 0x3F));
            }
        }
        return p;
    }
};

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

// ---------------------------------------------------------------------------------------------------------

// Where reading the JSON stopped, and why.
struct JsonFault {
    qint64 offset;
    int code;
    QString message;
};

// Reads JSON text token by token from a device, a chunk at a time.
class JsonReader {
public:
    explicit JsonReader(QIODevice* device) : m_device(device) {}

    qint64 offset() const { return m_base + m_pos; }
    [[noreturn]] void fail(const QString& message, int code = ErrInvalidFormat) const {
        throw JsonFault{offset(), code, message};
    }

    // The next character that is not white space, which stays unread; 0 at the end of the input.
    char peek() {
        while (m_pos < m_buffer.size() || fill()) {
            const char c = m_buffer.at(m_pos);
            if (c != ' ' && c != '\n' && c != '\r' && c != '\t')
                return c;
            ++m_pos;
        }
        return 0;
    }
    bool take(char c) {
        if (peek() != c)
            return false;
        ++m_pos;
        return true;
    }
    void expect(char c, const char* what) {
        if (!take(c))
            fail(found(what));
    }
    // "expected <what>", and what stands there instead.
    QString found(const char* what) {
        const char c = peek();
        if (c == 0)
            return Text(Msg::JsonExpectedEnd).arg(QLatin1String(what));
        return Text(Msg::JsonExpectedFound).arg(QLatin1String(what), QString(QLatin1Char(c)));
    }

    QString string() {
        peek();
        const qint64 start = offset();
        bool ascii = true;
        const QByteArrayView utf8 = stringBytes(&ascii);
        if (ascii)
            return QString::fromLatin1(utf8);
        QStringDecoder decoder(QStringDecoder::Utf8);
        QString text = decoder.decode(utf8);
        if (decoder.hasError())
            throw JsonFault{start, ErrInvalidFormat, Text(Msg::JsonNotUtf8)};
        return text;
    }

    // The UTF-8 bytes of a string, escapes resolved; valid until the next read. `ascii` is cleared when
    // they are not all ASCII. A string longer than a level file's field is refused, so that it takes
    // little memory.
    QByteArrayView stringBytes(bool* ascii) {
        m_text.resize(0);
        QByteArrayView whole;
        bool first = true;
        stringPieces(ascii, [&](QByteArrayView bytes, bool last) {
            if (first && last) { // the common case: the string stands in the buffer
                whole = bytes;
                return;
            }
            first = false;
            if (m_text.size() + bytes.size() > MaxStringBytes)
                fail(Text(Msg::JsonStringTooLong).arg(MaxStringBytes));
            m_text.append(bytes);
        });
        return first ? whole : QByteArrayView(m_text);
    }

    // The UTF-8 bytes of a string, escapes resolved, handed to `piece` a stretch at a time as they are
    // read, so that a string of any length takes little memory; `last` is set for the stretch that ends the
    // string. Each stretch is valid until the next read. `ascii` is cleared when they are not all ASCII.
    template <typename Piece> void stringPieces(bool* ascii, Piece piece) {
        expect('"', "a string");
        const qint64 start = offset() - 1;
        for (;;) {
            if (m_pos == m_buffer.size() && !fill())
                fail(Text(Msg::JsonEndsInString).arg(start));
            const char* const begin = m_buffer.constData() + m_pos;
            const char* const end = m_buffer.constData() + m_buffer.size();
            const char* p = begin;
            while (p < end && *p != '"' && *p != '\\' && static_cast<unsigned char>(*p) >= 0x20) {
                *ascii = *ascii && static_cast<unsigned char>(*p) < 0x80;
                ++p;
            }
            m_pos += p - begin;
            const bool closed = p < end && *p == '"';
            piece(QByteArrayView(begin, p - begin), closed);
            if (p == end)
                continue;
            ++m_pos;
            if (closed)
                return;
            if (*p != '\\')
                fail(Text(Msg::JsonControlCharacter));
            m_escaped.resize(0);
            *ascii = escape(m_escaped) && *ascii;
            piece(QByteArrayView(m_escaped), false);
        }
    }

    // A number as it is written; valid until the next read.
    QByteArrayView number() {
        peek();
        const qint64 start = offset();
        m_text.resize(0);
        qsizetype begin = m_pos;
        for (;;) {
            while (m_pos < m_buffer.size() && IsNumberCharacter(m_buffer.at(m_pos)))
                ++m_pos;
            if (m_pos < m_buffer.size() || m_pos == begin)
                break;
            m_text.append(m_buffer.constData() + begin, m_pos - begin); // it goes on in the next chunk
            if (m_text.size() > MaxFieldBytes) {
                begin = m_pos; // read no further: too long, as told below
                break;
            }
            const bool more = fill();
            begin = 0; // in the chunk read, which is empty at the end of the input
            if (!more)
                break;
        }
        QByteArrayView literal(m_buffer.constData() + begin, m_pos - begin);
        if (!m_text.isEmpty())
            literal = m_text.append(literal);
        if (literal.size() > MaxFieldBytes)
            fail(Text(Msg::JsonNumberTooLong).arg(MaxFieldBytes));
        if (literal.isEmpty())
            fail(found("a number"));
        if (!IsJsonNumber(literal))
            throw JsonFault{start, ErrInvalidFormat,
                            Text(Msg::JsonMalformedNumber).arg(QString::fromLatin1(literal))};
        return literal;
    }

    // The bytes read from the next character that is not white space on; valid until the next read.
    QByteArrayView ahead() {
        peek();
        return QByteArrayView(m_buffer).sliced(m_pos);
    }
    // Passes over `length` bytes of ahead().
    void pass(qsizetype length) { m_pos += length; }

    bool boolean() {
        const char c = peek();
        if (c != 't' && c != 'f')
            fail(found("true or false"));
        word(c == 't' ? "true" : "false");
        return c == 't';
    }
    void word(const char* text) {
        peek();
        for (const char* p = text; *p; ++p) {
            if ((m_pos == m_buffer.size() && !fill()) || m_buffer.at(m_pos) != *p)
                fail(Text(Msg::JsonExpected).arg(QLatin1String(text)));
            ++m_pos;
        }
    }

    // The members of an object: `member` is given each key with the offset where it stands, and reads
    // the value.
    template <typename Member> void object(const char* what, Member member) {
        expect('{', what);
        if (take('}'))
            return;
        do {
            peek();
            const qint64 at = offset();
            bool ascii = true;
            const QByteArrayView bytes = stringBytes(&ascii);
            // Reading on may replace the buffer the bytes stand in; keys are short enough to need no
            // allocation for the copy.
            const std::string key(bytes.data(), size_t(bytes.size()));
            expect(':', "':'");
            member(QByteArrayView(key.data(), qsizetype(key.size())), at);
        } while (take(','));
        expect('}', "',' or '}'");
    }
    // The elements of an array; `element` reads each one.
    template <typename Element> void array(const char* what, Element element) {
        expect('[', what);
        if (take(']'))
            return;
        do
            element();
        while (take(','));
        expect(']', "',' or ']'");
    }

private:
    bool fill() {
        m_base += m_buffer.size();
        m_buffer = m_device->read(ChunkBytes);
        m_pos = 0;
        return !m_buffer.isEmpty();
    }
    char next() {
        if (m_pos == m_buffer.size() && !fill())
            fail(Text(Msg::JsonEndsInEscape));
        return m_buffer.at(m_pos++);
    }
    int hexQuad() {
        int value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = next();
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0)
                fail(Text(Msg::JsonBadUnicodeEscape));
            value = value * 16 + digit;
        }
        return value;
    }
    // The escape after a backslash, as UTF-8; true when that is ASCII.
    bool escape(QByteArray& utf8) {
        const char c = next();
        switch (c) {
        case '"':
        case '\\':
        case '/':
            utf8.append(c);
            return true;
        case 'b':
            utf8.append('\b');
            return true;
        case 'f':
            utf8.append('\f');
            return true;
        case 'n':
            utf8.append('\n');
            return true;
        case 'r':
            utf8.append('\r');
            return true;
        case 't':
            utf8.append('\t');
            return true;
        case 'u':
            break;
        default:
            fail(Text(Msg::JsonUnknownEscape).arg(QLatin1Char(c)));
        }
        char32_t code = char32_t(hexQuad());
        if (code >= 0xDC00 && code <= 0xDFFF)
            fail(Text(Msg::JsonLoneLowSurrogate));
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (next() != '\\' || next() != 'u')
                fail(Text(Msg::JsonHighSurrogateAlone));
            const int low = hexQuad();
            if (low < 0xDC00 || low > 0xDFFF)
                fail(Text(Msg::JsonHighSurrogateAlone));
            code = 0x10000 + ((code - 0xD800) << 10) + char32_t(low - 0xDC00);
        }
        utf8.append(QString::fromUcs4(&code, 1).toUtf8());
        return code < 0x80;
    }

    QIODevice* m_device;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_base = 0;
    QByteArray m_text;    // a string or number that does not stand in the buffer as it is
    QByteArray m_escaped; // the bytes of an escape
};

// Reads a tile's object as export writes it, blanks between its parts aside, from the bytes it stands in:
// most of a level's JSON is such objects, and reading them token by token takes most of an import.
class TileScanner {
public:
    explicit TileScanner(QByteArrayView json)
        : m_begin(json.data()), p(json.data()), end(json.data() + json.size()) {}

    // The object the bytes begin with: its fields 2 to 11 as a level file holds them (without a line end)
    // appended to `record`, and its length. 0, with nothing appended, for what the careful reading must
    // take: a number in another form than the shortest, a string with escapes other than "\\" or with
    // characters outside ASCII, other keys or another order, an object that goes on past the bytes.
    qsizetype scan(QByteArray& record) {
        std::array<QByteArrayView, 10> fields; // in the order of the record's fields 2 to 11
        if (!asWritten(fields)) {
            p = m_begin;
            if (!anyBlanks(fields))
                return 0;
        }
        // What is written is no longer than what was read.
        const qsizetype start = record.size();
        record.resize(start + (p - m_begin));
        char* out = record.data() + start;
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i > 0)
                *out++ = ',';
            const QByteArrayView field = fields[i];
            if (field.front() == 'n') // null
                continue;
            // The only escape taken is that of a backslash.
            for (const char *at = field.data(), *fieldEnd = at + field.size(); at < fieldEnd; ++at) {
                *out++ = *at;
                at += *at == '\\';
            }
        }
        record.resize(out - record.data());
        return p - m_begin;
    }

private:
    // The object with the very blanks export writes, its parts compared as a whole.
    bool asWritten(std::array<QByteArrayView, 10>& fields) {
        QByteArrayView engine;
        for (const TilePiece& piece : TileLayout)
            if (!exactly(piece.before) || !value(&fields[size_t(piece.field - 2)]))
                return false;
        return exactly("]}") || (exactly(TileColourRgb) && value(&engine) && exactly(TilePicturePath) &&
                                 value(&engine) && exactly(TileEnd));
    }
    bool exactly(QByteArrayView text) {
        if (end - p < text.size() || std::memcmp(p, text.data(), size_t(text.size())) != 0)
            return false;
        p += text.size();
        return true;
    }
    // The object with any blanks between its parts.
    bool anyBlanks(std::array<QByteArrayView, 10>& fields) {
        QByteArrayView engine;
        return literal('{') && key("colour") && value(&fields[0]) && literal(',') && key("picture") &&
               value(&fields[1]) && direction("left", &fields[2], &fields[6]) &&
               direction("up", &fields[3], &fields[7]) && direction("right", &fields[4], &fields[8]) &&
               direction("down", &fields[5], &fields[9]) &&
               (literal('}') || (literal(',') && key("colourRgb") && value(&engine) && literal(',') &&
                                 key("picturePath") && value(&engine) && literal('}')));
    }
    void blanks() {
        while (p < end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t'))
            ++p;
    }
    bool literal(char c) {
        blanks();
        if (p == end || *p != c)
            return false;
        ++p;
        return true;
    }
    template <size_t N> bool key(const char (&name)[N]) {
        blanks();
        constexpr qsizetype length = N - 1;
        if (end - p < length + 3 || p[0] != '"' || std::memcmp(p + 1, name, size_t(length)) != 0 ||
            p[length + 1] != '"')
            return false;
        p += length + 2;
        return literal(':');
    }
    template <size_t N>
    bool direction(const char (&name)[N], QByteArrayView* property, QByteArrayView* operand) {
        return literal(',') && key(name) && literal('[') && value(property) && literal(',') &&
               value(operand) && literal(']');
    }
    // null, a whole number in its shortest form of up to 15 digits, or a string of printable ASCII
    // characters and escaped backslashes, as it stands.
    bool value(QByteArrayView* field) {
        blanks();
        const char* const begin = p;
        if (end - p >= 4 && std::memcmp(p, "null", 4) == 0) {
            p += 4;
        } else if (p < end && *p == '"') {
            for (++p; p < end && *p != '"'; ++p) {
                if (*p < 0x20 || *p > 0x7E)
                    return false;
                if (*p == '\\' && (++p == end || *p != '\\'))
                    return false;
            }
            if (p == end)
                return false;
            ++p;
        } else {
            const bool negative = p < end && *p == '-';
            const char* const digits = negative ? p + 1 : p;
            for (p = digits; p < end && *p >= '0' && *p <= '9';)
                ++p;
            const qsizetype count = p - digits;
            if (count == 0 || count > 15 || (*digits == '0' && (count > 1 || negative)))
                return false;
        }
        *field = QByteArrayView(begin, p - begin);
        return true;
    }

    const char* const m_begin;
    const char* p;
    const char* const end;
};

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

namespace {
// Opens `path` to read, a failure naming the file.
std::unique_ptr<QIODevice> OpenNamed(FileAccess& files, const QString& path) {
    try {
        return files.openRead(path);
    } catch (const Failure& failure) {
        throw Failure(failure.code(), Text(Msg::NamedFailure).arg(NativePath(path), failure.description()));
    }
}
} // namespace

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
