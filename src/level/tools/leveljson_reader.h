#pragma once

#include "level/core/messages.h"
#include "level/format/record.h"
#include "level/tools/leveljson_shared.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringDecoder>

#include <string>

namespace tavrin::leveljson {

// The longest string read whole from JSON, in UTF-8: a field of a level file holds at most MaxFieldBytes
// Latin-1 characters, two bytes each at the most. A raw record is read a piece at a time instead.
constexpr qsizetype MaxStringBytes = 2 * MaxFieldBytes;

inline bool IsNumberCharacter(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

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

} // namespace tavrin::leveljson
