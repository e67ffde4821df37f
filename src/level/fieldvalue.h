#pragma once

#include "numbers.h"

#include <QString>

namespace tavrin {

// One field of a scratch or level file: empty, a number or a text. It keeps its kind: the text "997"
// stays a text and is written back quoted, the number 997 is written back bare.
class FieldValue {
public:
    enum class Kind { Empty, Number, Text };

    FieldValue() = default;
    static FieldValue number(double value);
    static FieldValue text(QString value);

    Kind kind() const { return m_kind; }
    bool isEmpty() const { return m_kind == Kind::Empty; }
    bool isNumber() const { return m_kind == Kind::Number; }
    bool isText() const { return m_kind == Kind::Text; }
    double numberValue() const { return m_number; }
    const QString& textValue() const { return m_text; }

    // Numeric: empty, a number, or a text that reads as a number.
    bool isNumeric() const;
    // Empty gives 0, a numeric text its value; a text that is no number is failure 13.
    double toNumber() const;
    Integer toInteger() const { return ToInteger(toNumber()); }
    Long toLong() const { return ToLong(toNumber()); }
    // As shown in a box: empty as "", a number in decimal, a text as it is.
    QString toText() const;

    bool operator==(const FieldValue& other) const;
    bool operator!=(const FieldValue& other) const { return !(*this == other); }

private:
    Kind m_kind = Kind::Empty;
    double m_number = 0;
    QString m_text;
};

} // namespace tavrin
