#include "level/tools/leveljson_shared.h"

#include "level/core/messages.h"
#include "level/core/numbers.h"

#include <QDir>

#include <charconv>

namespace tavrin::leveljson {

QString NativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

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

std::unique_ptr<QIODevice> OpenNamed(FileAccess& files, const QString& path) {
    try {
        return files.openRead(path);
    } catch (const Failure& failure) {
        throw Failure(failure.code(), Text(Msg::NamedFailure).arg(NativePath(path), failure.description()));
    }
}

} // namespace tavrin::leveljson
