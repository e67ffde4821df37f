// tavrin-level: the file given to -o.
#include "commands.h"
#include "fileaccess.h"
#include "messages.h"

#include <QFile>
#include <sys/stat.h>

namespace tavrin::cli {

std::unique_ptr<QIODevice> OpenOutput(FileAccess& files, const QString& out, const QString& input) {
    struct stat target {};
    if (::stat(QFile::encodeName(out).constData(), &target) != 0)
        return files.openWrite(out); // nothing there yet; whatever else is wrong, the write tells
    if (S_ISFIFO(target.st_mode) || S_ISCHR(target.st_mode))
        return files.openStream(out);
    if (!S_ISREG(target.st_mode))
        throw Failure(ErrPathAccess, Text(Msg::CliOutputNotAFile).arg(out));
    // Links, hard links and other spellings of the input's name all lead to the same device and inode.
    struct stat source {};
    if (::stat(QFile::encodeName(input).constData(), &source) == 0 && source.st_dev == target.st_dev &&
        source.st_ino == target.st_ino)
        throw Failure(ErrPathAccess, Text(Msg::CliOutputIsInput).arg(out, input));
    return files.openWrite(out);
}

void FinishOutput(FileAccess& files, QIODevice& output) {
    // A stream has taken every byte as it was written.
    if (auto* file = dynamic_cast<AtomicFile*>(&output))
        files.commit(*file);
}

} // namespace tavrin::cli
