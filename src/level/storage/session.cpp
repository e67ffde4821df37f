#include "level/storage/session.h"

#include "level/storage/atomicfile.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QRegularExpression>
#include <QScopeGuard>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrin {

const QString Session::FileName = QStringLiteral("TavrinSession.json");

namespace {
const QString LockName = QStringLiteral("TavrinEditor.lock");
}

Session::Session() = default;

Session::~Session() {
    release();
}

bool Session::claim(const QString& folder) {
    release();
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(LockName));
    // A lock whose editor is no longer running is taken over; a running one keeps it however old it is.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    m_lock = std::move(lock);
    m_folder = folder;
    return true;
}

void Session::release() {
    m_lock.reset();
    m_folder.clear();
}

namespace {
// A number as the editor writes it: decimal digits, no sign, no blanks, no leading zero; at most `most`.
std::optional<int> plainNumber(QStringView text, int most) {
    if (text.isEmpty() || text.size() > 9 || (text.size() > 1 && text.front() == u'0'))
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > most)
        return std::nullopt;
    return value;
}

// The bytes of the regular file at `path`, at most `most` of them; nothing when it is missing or is a link,
// a pipe, a device or anything else. Opening never waits: a pipe put there between the look and the open
// is not read.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 most) {
    if (!RegularFileIdentity(path))
        return std::nullopt;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    QByteArray bytes;
    char buffer[65536];
    while (bytes.size() <= most) {
        const ssize_t read = ::read(fd, buffer, sizeof buffer);
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            return std::nullopt;
        if (read == 0)
            break;
        bytes.append(buffer, read);
    }
    return bytes;
}
} // namespace

std::optional<int> ScreenOfScratchName(const QString& name) {
    static const QRegularExpression form(
        QRegularExpression::anchoredPattern(QStringLiteral("Screen([0-9]+)(?:~([0-9]+))?\\.tmp")));
    const QRegularExpressionMatch match = form.match(name);
    if (!match.hasMatch())
        return std::nullopt;
    if (match.hasCaptured(2) && plainNumber(match.capturedView(2), 999999999).value_or(0) < 1)
        return std::nullopt;
    return plainNumber(match.capturedView(1), 32767);
}

bool IsLevelCopyName(const QString& name) {
    static const QRegularExpression form(
        QRegularExpression::anchoredPattern(QStringLiteral("Level~([0-9]+)\\.tmp")));
    const QRegularExpressionMatch match = form.match(name);
    return match.hasMatch() && plainNumber(match.capturedView(1), 999999999).value_or(0) >= 1;
}

std::optional<SessionState> Session::read(const QString& folder) {
    constexpr qint64 Most = 1 << 24;
    const std::optional<QByteArray> bytes = readRegularFile(QDir(folder).filePath(FileName), Most);
    if (!bytes)
        return std::nullopt;
    SessionState state;
    state.folder = folder;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(*bytes, &error);
    if (bytes->size() > Most || error.error != QJsonParseError::NoError || !document.isObject()) {
        state.damaged = true;
        return state;
    }
    const QJsonObject object = document.object();
    const auto text = [&](const QString& key) {
        const QJsonValue value = object.value(key);
        state.damaged |= !value.isString() && !value.isUndefined();
        return value.toString();
    };
    state.levelFile = text(QStringLiteral("levelFile"));
    state.unsaved = object.value(QStringLiteral("unsaved")).toBool();
    state.lastEdit = QDateTime::fromString(text(QStringLiteral("lastEdit")), Qt::ISODate);
    for (const QJsonValue& value : object.value(QStringLiteral("properties")).toArray())
        state.properties << value.toString();
    const QJsonObject screens = object.value(QStringLiteral("scratchFiles")).toObject();
    for (auto it = screens.begin(); it != screens.end(); ++it) {
        // Only a scratch file of the folder itself, named for its own screen, is taken: the session file
        // names no other file and no other place.
        const std::optional<int> screen = plainNumber(it.key(), 32767);
        const QString name = it.value().toString();
        if (screen && ScreenOfScratchName(name) == screen)
            state.scratchFiles.insert(*screen, QDir(folder).filePath(name));
        else
            state.damaged = true;
    }
    const QString copy = text(QStringLiteral("levelCopy"));
    // A level copy named is there: without it the screens it holds would be read from the level file.
    if (IsLevelCopyName(copy) && RegularFileIdentity(QDir(folder).filePath(copy)))
        state.levelCopy = QDir(folder).filePath(copy);
    else if (!copy.isEmpty())
        state.damaged = true;
    return state;
}

void Session::write(FileAccess& files, const SessionState& state) const {
    QJsonObject screens;
    for (auto it = state.scratchFiles.begin(); it != state.scratchFiles.end(); ++it)
        screens.insert(QString::number(it.key()), QFileInfo(it.value()).fileName());
    QJsonObject object{{QStringLiteral("levelFile"), state.levelFile},
                       {QStringLiteral("unsaved"), state.unsaved},
                       {QStringLiteral("lastEdit"), state.lastEdit.toString(Qt::ISODate)},
                       {QStringLiteral("scratchFiles"), screens},
                       {QStringLiteral("properties"), QJsonArray::fromStringList(state.properties)}};
    if (!state.levelCopy.isEmpty())
        object.insert(QStringLiteral("levelCopy"), QFileInfo(state.levelCopy).fileName());
    const auto file = files.openWrite(QDir(m_folder).filePath(FileName), Links::Replace);
    file->write(QJsonDocument(object).toJson());
    files.commit(*file);
}

void Session::removeFile(FileAccess& files) const {
    if (!m_folder.isEmpty())
        files.remove(QDir(m_folder).filePath(FileName));
}

} // namespace tavrin
