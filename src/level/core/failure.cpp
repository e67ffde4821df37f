#include "level/core/failure.h"

#include "level/core/messages.h"

#include <QDir>

#include <QDebug>

namespace tavrin {

Failure Failure::notALevelFile(const QString& path) {
    return Failure(ErrInvalidFormat, Text(Msg::NotALevelFile).arg(QDir::toNativeSeparators(path)));
}

QString StandardDescription(int code) {
    switch (code) {
    case ErrInvalidCall:
        return QStringLiteral("Invalid procedure call or argument");
    case ErrOverflow:
        return QStringLiteral("Overflow");
    case ErrSubscript:
        return QStringLiteral("Subscript out of range");
    case ErrTypeMismatch:
        return QStringLiteral("Type mismatch");
    case ErrFileNotFound:
        return QStringLiteral("File not found");
    case ErrDiskFull:
        return QStringLiteral("Disk full");
    case ErrInputPastEnd:
        return QStringLiteral("Input past end of file");
    case ErrPermission:
        return QStringLiteral("Permission denied");
    case ErrPathAccess:
        return QStringLiteral("Path/File access error");
    case ErrInvalidFormat:
        return QStringLiteral("Invalid file format");
    case ErrNoSuchControl:
        return QStringLiteral("Control array element does not exist");
    case ErrInvalidValue:
        return QStringLiteral("Invalid property value");
    case ErrInvalidPicture:
        return QStringLiteral("Invalid picture");
    case ErrCancel:
        return QStringLiteral("Cancel was selected.");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}

Failure::Failure(int code, QString description)
    : m_code(code), m_description(std::move(description)), m_what(m_description.toUtf8()) {}

Failure::Failure(int code) : Failure(code, StandardDescription(code)) {}

Failure Failure::fileNotFound() {
    return Failure(ErrFileNotFound);
}

Failure Failure::pictureNotFound(const QString& path) {
    Failure failure(ErrFileNotFound, Text(Msg::PictureFileNotFound).arg(path));
    failure.m_missingPicture = true;
    return failure;
}

namespace {
MessageSink& currentSink() {
    static MessageSink sink = [](const QString& title, const QString& text) {
        qWarning().noquote() << title << ":" << text;
    };
    return sink;
}
} // namespace

MessageSink SetMessageSink(MessageSink sink) {
    MessageSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

void ShowFailure(const Failure& failure, const QString& place) {
    currentSink()(QString::number(failure.code()) + QStringLiteral(", ") + place, ShownText(failure));
}

} // namespace tavrin
