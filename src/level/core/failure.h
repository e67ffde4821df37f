#pragma once

#include <QString>
#include <exception>
#include <functional>

namespace tavrin {

// Failure codes used throughout the editor. The numbers are the ones level files and messages show.
enum FailureCode : int {
    ErrInvalidCall = 5,
    ErrOverflow = 6,
    ErrSubscript = 9,
    ErrTypeMismatch = 13,
    ErrFileNotFound = 53,
    ErrDiskFull = 61,
    ErrInputPastEnd = 62,
    ErrPermission = 70,
    ErrPathAccess = 75,
    ErrInvalidFormat = 321,
    ErrNoSuchControl = 340,
    ErrInvalidValue = 380,
    ErrInvalidPicture = 481,
    ErrCancel = 32755,
};

// Every code above, each of which has a sentence in the message table (messages.h).
constexpr FailureCode AllFailureCodes[] = {
    ErrInvalidCall,   ErrOverflow,     ErrSubscript,      ErrTypeMismatch, ErrFileNotFound,
    ErrDiskFull,      ErrInputPastEnd, ErrPermission,     ErrPathAccess,   ErrInvalidFormat,
    ErrNoSuchControl, ErrInvalidValue, ErrInvalidPicture, ErrCancel,
};

// The standard description of a code ("File not found" for 53, and so on).
QString StandardDescription(int code);

// The one failure type: a code and a description.
class Failure : public std::exception {
public:
    Failure(int code, QString description);
    explicit Failure(int code);

    int code() const { return m_code; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

    // A file opened for reading is missing: the short, fixed description "File not found".
    static Failure fileNotFound();
    // A picture file is missing: code 53 too, with a description that names the file.
    static Failure pictureNotFound(const QString& path);
    // A file in which no record is a level record ("LevelProp", or "Screen" followed by a screen number):
    // failure 321, naming the file.
    static Failure notALevelFile(const QString& path);
    // Made by pictureNotFound: the picture-file case of code 53, whatever the description says.
    bool isMissingPicture() const { return m_missingPicture; }

private:
    int m_code;
    bool m_missingPicture = false;
    QString m_description;
    QByteArray m_what;
};

// Where failures are shown. The editor installs a sink that opens an information message box; tests
// install one that records. The default writes to standard error.
using MessageSink = std::function<void(const QString& title, const QString& text)>;
MessageSink SetMessageSink(MessageSink sink);

// Shows a failure: title = its code in decimal, ", " and the place; text = ShownText(failure) (messages.h),
// which is its description, or its code's sentence when the description is only the standard one.
void ShowFailure(const Failure& failure, const QString& place);

} // namespace tavrin
