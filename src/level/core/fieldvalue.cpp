#include "level/core/fieldvalue.h"

#include "level/core/failure.h"

namespace tavrin {

// Ten fields are kept per tile: a number's text shares the room of a text's value.
static_assert(sizeof(FieldValue) == sizeof(double) * 2 + sizeof(QString));

FieldValue FieldValue::number(double value) {
    FieldValue field;
    field.m_kind = Kind::Number;
    field.m_number = value;
    return field;
}

FieldValue FieldValue::readNumber(double value, QString text) {
    FieldValue field = number(value);
    if (IsPlainNumberText(text) && text != NumberToText(value))
        field.m_text = std::move(text);
    return field;
}

FieldValue FieldValue::text(QString value) {
    FieldValue field;
    field.m_kind = Kind::Text;
    field.m_text = std::move(value);
    return field;
}

bool FieldValue::isNumeric() const {
    return m_kind != Kind::Text || ReadsAsNumber(m_text);
}

double FieldValue::toNumber() const {
    switch (m_kind) {
    case Kind::Empty:
        return 0;
    case Kind::Number:
        return m_number;
    case Kind::Text:
        break;
    }
    return TextToNumber(m_text);
}

QString FieldValue::toText() const {
    switch (m_kind) {
    case Kind::Empty:
        return QString();
    case Kind::Number:
        return m_text.isNull() ? NumberToText(m_number) : m_text;
    case Kind::Text:
        break;
    }
    return m_text;
}

bool FieldValue::operator==(const FieldValue& other) const {
    if (m_kind != other.m_kind)
        return false;
    switch (m_kind) {
    case Kind::Empty:
        return true;
    case Kind::Number:
        return m_number == other.m_number;
    case Kind::Text:
        break;
    }
    return m_text == other.m_text;
}

} // namespace tavrin
