#pragma once

#include "level/core/colour.h"
#include "level/core/numbers.h"
#include "level/document/module1.h"
#include "level/format/record.h"
#include "level/format/screenblock.h"
#include "level/tools/leveljson_writer.h"

#include <QColor>
#include <QHash>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

namespace tavrin::leveljson {

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

} // namespace tavrin::leveljson
