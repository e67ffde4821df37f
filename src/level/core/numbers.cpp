#include "level/core/numbers.h"

#include "level/core/failure.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace tavrin {

namespace {
bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
} // namespace

bool ReadsAsNumber(QStringView text, double* value) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    if (begin == end)
        return false;

    // Check the shape first: sign, digits with an optional point, optional exponent.
    std::string plain;
    plain.reserve(static_cast<size_t>(end - begin));
    qsizetype i = begin;
    if (text[i] == u'+' || text[i] == u'-') {
        if (text[i] == u'-')
            plain.push_back('-');
        ++i;
    }
    int digits = 0;
    while (i < end && isDigit(text[i])) {
        plain.push_back(static_cast<char>(text[i++].unicode()));
        ++digits;
    }
    if (i < end && text[i] == u'.') {
        plain.push_back('.');
        ++i;
        while (i < end && isDigit(text[i])) {
            plain.push_back(static_cast<char>(text[i++].unicode()));
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        plain.push_back('e');
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            plain.push_back(static_cast<char>(text[i++].unicode()));
        int exponentDigits = 0;
        while (i < end && isDigit(text[i])) {
            plain.push_back(static_cast<char>(text[i++].unicode()));
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return false;
    }
    if (i != end)
        return false;

    double result = 0;
    const auto [ptr, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), result);
    if (ec != std::errc() || ptr != plain.data() + plain.size() || !std::isfinite(result))
        return false;
    if (value)
        *value = result;
    return true;
}

double TextToNumber(QStringView text) {
    double value = 0;
    if (!ReadsAsNumber(text, &value))
        throw Failure(ErrTypeMismatch);
    return value;
}

bool IsPlainNumberText(QStringView text) {
    qsizetype i = text.startsWith(u'-') ? 1 : 0;
    const qsizetype wholeBegin = i;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    const qsizetype wholeDigits = i - wholeBegin;
    if (wholeDigits == 0 || (wholeDigits > 1 && text[wholeBegin] == u'0'))
        return false;
    if (i == text.size())
        return !(wholeBegin == 1 && wholeDigits == 1 && text[wholeBegin] == u'0');
    if (text[i] != u'.')
        return false;
    const qsizetype fractionBegin = ++i;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i == text.size() && i > fractionBegin && text[i - 1] != u'0';
}

namespace {
template <typename T> T roundToKind(double value) {
    // Most values are whole numbers already, which need no rounding.
    if (value >= std::numeric_limits<T>::min() && value <= std::numeric_limits<T>::max()) {
        const T whole = static_cast<T>(value);
        if (static_cast<double>(whole) == value)
            return whole;
    }
    if (!std::isfinite(value))
        throw Failure(ErrOverflow);
    const double rounded = std::nearbyint(value); // the default rounding mode sends halves to even
    if (rounded < std::numeric_limits<T>::min() || rounded > std::numeric_limits<T>::max())
        throw Failure(ErrOverflow);
    return static_cast<T>(rounded);
}
} // namespace

Integer ToInteger(double value) {
    return roundToKind<Integer>(value);
}
Long ToLong(double value) {
    return roundToKind<Long>(value);
}

Integer TextToInteger(QStringView text) {
    return ToInteger(TextToNumber(text));
}

QString NumberToText(double value) {
    if (value == 0)
        return QStringLiteral("0");
    if (std::trunc(value) == value && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    char buffer[64];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc())
        return QString::number(value, 'g', 17);
    QString text = QString::fromLatin1(buffer, ptr - buffer);
    text.replace(u'e', u'E');
    return text;
}

} // namespace tavrin
