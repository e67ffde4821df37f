// tavrin-level: the file given to -o.
#include "cli/commands.h"
#include "level/core/messages.h"
#include "level/storage/fileaccess.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrin::cli {

std::unique_ptr<QIODevice> OpenOutput(FileAccess& files, const QString& out, const QStringList& inputs) {
    struct stat target {};
    if (::stat(QFile::encodeName(out).constData(), &target) != 0)
        return files.openWrite(out); // nothing there yet; whatever else is wrong, the write tells
    if (S_ISFIFO(target.st_mode) || S_ISCHR(target.st_mode))
        return files.openStream(out);
    if (!S_ISREG(target.st_mode))
        throw Failure(ErrPathAccess, Text(Msg::CliOutputNotAFile).arg(out));
    // Links, hard links and other spellings of an input's name all lead to the same device and inode.
    for (const QString& input : inputs) {
        struct stat source {};
        if (::stat(QFile::encodeName(input).constData(), &source) == 0 && source.st_dev == target.st_dev &&
            source.st_ino == target.st_ino)
            throw Failure(ErrPathAccess, Text(Msg::CliOutputIsInput).arg(out, input));
    }
    return files.openWrite(out);
}

void FinishOutput(FileAccess& files, QIODevice& output) {
    // A stream has taken every byte as it was written.
    if (auto* file = dynamic_cast<AtomicFile*>(&output))
        files.commit(*file);
}

// Standard output with each write going straight to the system, and the error number of the first that
// failed.
class StandardOutput::Device : public QIODevice {
public:
    Device() { open(WriteOnly | Unbuffered); }
    int error = 0;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override {
        for (qint64 done = 0; done < length && error == 0;) {
            const ssize_t taken = ::write(STDOUT_FILENO, data + done, size_t(length - done));
            if (taken < 0 && errno == EINTR)
                continue;
            if (taken <= 0)
                error = taken < 0 ? errno : EIO;
            else
                done += taken;
        }
        return error == 0 ? length : -1;
    }
};

StandardOutput::StandardOutput() : m_device(std::make_unique<Device>()) {
    m_text.setDevice(m_device.get());
}

StandardOutput::~StandardOutput() = default;

bool StandardOutput::ok() const {
    return m_device->error == 0 && m_text.status() == QTextStream::Ok;
}

void StandardOutput::write(QByteArrayView bytes) {
    m_text.flush();
    m_device->write(bytes.data(), bytes.size());
}

Failure StandardOutput::failure() const {
    return Failure(ErrPathAccess,
                   Text(Msg::CliOutputFailed).arg(QString::fromLocal8Bit(std::strerror(m_device->error))));
}

int StandardOutput::finish(int code) {
    m_text.flush();
    return ok() ? code : Unusable(failure());
}

} // namespace tavrin::cli
