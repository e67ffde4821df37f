#pragma once

#include "level/core/messages.h"

#include <QCommandLineParser>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <initializer_list>
#include <memory>
#include <vector>

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

// A whole number from `low` to `high` given as an option's value, in plain decimal digits as
// QString::number writes it: a '-' only before a number below 0, no blank, '+', leading zero, decimal point
// or exponent ("7" and "-3", not " 7", "+7", "07", "7.0", "7e0" or "-0").
bool WholeNumber(const QString& text, int low, int high, int* value);

// An option of a command as its usage spells it ("-o", "--json"), the name of its value (null for an
// option that takes none) and what it does.
struct CliOption {
    const char* name;
    const char* value;
    Msg about;
};

// A command: its name, the forms and the words its usage gives it, its options, how many files it takes
// and what runs it.
struct CliCommand {
    const char* name;
    std::vector<Msg> forms;
    Msg about;
    std::vector<CliOption> options;
    int files;
    int (*run)(const CliCommand& command, QStringList arguments);
    // The options named, for a form of the command that takes no others.
    std::vector<CliOption> only(std::initializer_list<QLatin1String> names) const;
};

// Every command, in the order the usage lists them.
const std::vector<CliCommand>& Commands();
// The command of that name; null when there is none.
const CliCommand* FindCommand(const QString& name);
// What --help prints: every command with its forms, the options of the program and the exit codes.
QString UsageText();
// What `tavrin-level COMMAND --help` prints: the command's forms, what it does and its options.
QString HelpText(const CliCommand& command);

// A command's arguments read by QCommandLineParser against the command's options, each taken only as its
// usage spells it ("--json", not "-json", "--json=1" or "--" before it; "-o", not "--o"), with its value in
// the argument after it; the files are the arguments left over.
class CommandLine {
public:
    CommandLine(const CliCommand& command, const QStringList& arguments);
    // `name` names the command in an error ("diff --git").
    CommandLine(const std::vector<CliOption>& options, const QStringList& arguments, const QString& name,
                int files);
    // The usage error, empty when the arguments are right: an option given last without its value, else
    // the first unknown option, else a number of files other than the command takes.
    const QString& error() const { return m_error; }
    bool isSet(const char* option) const;
    // The value given last; null when the option is not given.
    QString value(const char* option) const;
    const QStringList& files() const { return m_files; }

private:
    QCommandLineParser m_parser;
    QString m_error;
    QStringList m_files;
};

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

int Info(const CliCommand& command, QStringList arguments);
int Check(const CliCommand& command, QStringList arguments);
int Render(const CliCommand& command, QStringList arguments);
int Export(const CliCommand& command, QStringList arguments);
int Import(const CliCommand& command, QStringList arguments);
int Screens(const CliCommand& command, QStringList arguments);
int Diff(const CliCommand& command, QStringList arguments);
int Merge(const CliCommand& command, QStringList arguments);
int GitSetup(const CliCommand& command, QStringList arguments);
int Route(const CliCommand& command, QStringList arguments);
int Reach(const CliCommand& command, QStringList arguments);

} // namespace tavrin::cli
