#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <memory>

namespace tavrin {
class Failure;
class FileAccess;
} // namespace tavrin

// The commands of tavrin-level. Each takes the arguments after its own name and returns the exit code.
namespace tavrin::cli {

// Exit codes: 0 done (warnings alone included), 1 problems found, 2 the command could not be carried out
// (a usage error, a file that cannot be read as a level, a file that cannot be written).
constexpr int ExitDone = 0;
constexpr int ExitProblems = 1;
constexpr int ExitUnusable = 2;

// Prints "tavrin-level: <what>", a blank line and the usage text to standard error; ExitUnusable.
int UsageError(const QString& what);
// Prints "tavrin-level: <what>" to standard error; ExitUnusable.
int Unusable(const QString& what);
// Tells why `file` could not be used: the description, after the file's name unless it names it already;
// ExitUnusable.
int Unusable(const QString& file, const QString& description);
// The same for a failure, told as the editor tells it (ShownText in messages.h): its code's sentence when
// it carries only the code's standard description.
int Unusable(const Failure& failure);
int Unusable(const QString& file, const Failure& failure);

// Takes `option` and the value after it out of `arguments`. False (with `error` set) when the option is
// given without a value; `value` is left alone when the option is not given.
bool TakeOption(QStringList& arguments, const QString& option, QString* value, QString* error);
// Takes every `flag` out of `arguments`; true when there was one.
bool TakeFlag(QStringList& arguments, const QString& flag);
// A whole number from `low` to `high` given as an option's value, in plain decimal digits as
// QString::number writes it: a '-' only before a number below 0, no blank, '+', leading zero, decimal point
// or exponent ("7" and "-3", not " 7", "+7", "07", "7.0", "7e0" or "-0").
bool WholeNumber(const QString& text, int low, int high, int* value);
// The arguments left over: an unknown option is a usage error, as is a number of files other than
// `files`. Empty when they are right, else the usage error's text.
QString CheckRest(const QStringList& arguments, const QString& command, int files);

// Opens `out`, the file given to -o, for the output of a command that reads `inputs`. A file, or a symbolic
// link to one, or nothing yet, is written through an AtomicFile: FinishOutput puts it in place whole. A
// pipe or a character device (/dev/null, a terminal) is written into as it is, each write going straight
// to it. Anything else (a folder, a socket, a block device) and each of the files `inputs`, under whatever
// name, are refused with a failure before anything is written; nothing is ever put in their place.
std::unique_ptr<QIODevice> OpenOutput(FileAccess& files, const QString& out, const QStringList& inputs);
// Puts what was written to a device from OpenOutput in place. Throws the failure of writing it.
void FinishOutput(FileAccess& files, QIODevice& output);

// A command's standard output, checked: text and bytes go out in the order written, and finish() tells
// whether every byte went out (a full disk, /dev/full, a closed pipe's reader gone...).
class StandardOutput {
public:
    StandardOutput();
    ~StandardOutput();
    QTextStream& text() { return m_text; }
    // Writes `bytes` as they stand, after the text written before them.
    void write(QByteArrayView bytes);
    // False once a write failed: a long output stops there.
    bool ok() const;
    // The failure of writing, to be thrown by an output that stops.
    Failure failure() const;
    // Writes out what is left. `code` when every byte went out; else tells the failure on standard error
    // and returns ExitUnusable.
    int finish(int code);

private:
    class Device;
    std::unique_ptr<Device> m_device;
    QTextStream m_text;
};

int Info(QStringList arguments);
int Check(QStringList arguments);
int Render(QStringList arguments);
int Export(QStringList arguments);
int Import(QStringList arguments);
int Screens(QStringList arguments);
int Diff(QStringList arguments);
int Merge(QStringList arguments);
int GitSetup(QStringList arguments);
int Route(QStringList arguments);
int Reach(QStringList arguments);

} // namespace tavrin::cli
