#include "session.h"

#include "atomicfile.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>

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

std::optional<SessionState> Session::read(const QString& folder) {
    QFile file(QDir(folder).filePath(FileName));
    if (!file.open(QIODevice::ReadOnly) || file.size() > (1 << 24))
        return std::nullopt;
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    if (object.isEmpty())
        return std::nullopt;
    SessionState state;
    state.folder = folder;
    state.levelFile = object.value(QStringLiteral("levelFile")).toString();
    state.unsaved = object.value(QStringLiteral("unsaved")).toBool();
    state.lastEdit = QDateTime::fromString(object.value(QStringLiteral("lastEdit")).toString(), Qt::ISODate);
    for (const QJsonValue& value : object.value(QStringLiteral("properties")).toArray())
        state.properties << value.toString();
    const QJsonObject screens = object.value(QStringLiteral("scratchFiles")).toObject();
    for (auto it = screens.begin(); it != screens.end(); ++it) {
        bool number = false;
        const int screen = it.key().toInt(&number);
        // Only a file of the folder itself is taken: the session file names no other place.
        const QString name = QFileInfo(it.value().toString()).fileName();
        if (number && !name.isEmpty())
            state.scratchFiles.insert(screen, QDir(folder).filePath(name));
    }
    return state;
}

void Session::write(FileAccess& files, const SessionState& state) const {
    QJsonObject screens;
    for (auto it = state.scratchFiles.begin(); it != state.scratchFiles.end(); ++it)
        screens.insert(QString::number(it.key()), QFileInfo(it.value()).fileName());
    const QJsonObject object{{QStringLiteral("levelFile"), state.levelFile},
                             {QStringLiteral("unsaved"), state.unsaved},
                             {QStringLiteral("lastEdit"), state.lastEdit.toString(Qt::ISODate)},
                             {QStringLiteral("scratchFiles"), screens},
                             {QStringLiteral("properties"), QJsonArray::fromStringList(state.properties)}};
    const auto file = files.openWrite(QDir(m_folder).filePath(FileName), Links::Replace);
    file->write(QJsonDocument(object).toJson());
    files.commit(*file);
}

void Session::removeFile(FileAccess& files) const {
    if (!m_folder.isEmpty())
        files.remove(QDir(m_folder).filePath(FileName));
}

} // namespace tavrin
