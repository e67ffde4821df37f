#pragma once

#include "level/core/numbers.h"

#include <QString>

namespace tavrin {

// One field of a scratch or level file: empty, a number or a text. It keeps its kind: the text "997"
// stays a text and is written back quoted, the number 997 is written back bare. A number read from a
// file that a double cannot hold exactly (12345678901234567) keeps the text it was read from, so that it
// is written back as it was.
class FieldValue {
public:
    enum class Kind { Empty, Number, Text };

    FieldValue() = default;
    // A number of the editor's own, or a changed one: written in its shortest form.
    static FieldValue number(double value);
    // A number read from `text`. When the text is in the plain form (IsPlainNumberText) and yet not the
    // number's shortest form, the field keeps it; any other text is not kept and is written normalised.
    static FieldValue readNumber(double value, QString text);
    static FieldValue text(QString value);

    Kind kind() const { return m_kind; }
    bool isEmpty() const { return m_kind == Kind::Empty; }
    bool isNumber() const { return m_kind == Kind::Number; }
    bool isText() const { return m_kind == Kind::Text; }
    double numberValue() const { return m_number; }
    // The text of a text field (for a number, the text it keeps, if any).
    const QString& textValue() const { return m_text; }

    // Numeric: empty, a number, or a text that reads as a number.
    bool isNumeric() const;
    // Empty gives 0, a numeric text its value; a text that is no number is failure 13.
    double toNumber() const;
    Integer toInteger() const { return ToInteger(toNumber()); }
    Long toLong() const { return ToLong(toNumber()); }
    // As shown in a box and written to a file: empty as "", a number in decimal (the text it was read
    // from, when it keeps one), a text as it is.
    QString toText() const;

    // Same kind and same value. The text a number keeps takes no part: it is one way of writing the
    // value, and every rule of the editor (a walk, a link, a changed property) goes by the value alone.
    bool operator==(const FieldValue& other) const;
    bool operator!=(const FieldValue& other) const { return !(*this == other); }

private:
    Kind m_kind = Kind::Empty;
    double m_number = 0;
    QString m_text; // a text's value, or the text a number keeps (null for most numbers)
};

} // namespace tavrin
