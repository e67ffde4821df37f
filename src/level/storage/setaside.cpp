#include "level/storage/setaside.h"

#include "level/storage/session.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrin {

namespace {
const QString Prefix = QStringLiteral("Set aside ");
const QString TimeFormat = QStringLiteral("yyyy-MM-dd hh.mm.ss");

// The time and number a set-aside folder's name holds, which order the folders oldest first: the time as
// written (its fields in falling order, so text order is time order), then the number of a later folder
// of the same second. Nothing for a name that SetAside never makes.
struct AsideName {
    QString time;
    int number = 1;
    bool operator<(const AsideName& other) const {
        return time != other.time ? time < other.time : number < other.number;
    }
};

std::optional<AsideName> asideName(const QString& name) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^Set aside (\d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d)(?: \(([2-9]|[1-9]\d+)\))?$)"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch() || !QDateTime::fromString(match.captured(1), TimeFormat).isValid())
        return std::nullopt;
    bool fits = true;
    const int number = match.hasCaptured(2) ? match.captured(2).toInt(&fits) : 1;
    if (!fits)
        return std::nullopt;
    return AsideName{match.captured(1), number};
}

bool isEntry(const QByteArray& path, mode_t type) {
    struct stat status {};
    return ::lstat(path.constData(), &status) == 0 && (status.st_mode & S_IFMT) == type;
}

// The files of a set-aside folder when it holds only what SetAside puts there; nothing otherwise.
std::optional<QStringList> ownFiles(const QDir& aside) {
    QStringList files;
    for (const QString& name :
         aside.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QString path = aside.filePath(name);
        if ((name != Session::FileName && !ScreenOfScratchName(name)) ||
            !isEntry(QFile::encodeName(path), S_IFREG))
            return std::nullopt;
        files << path;
    }
    return files;
}
} // namespace

QString SetAside(const QString& folder, const QStringList& files) {
    if (files.isEmpty())
        return {};
    const QString name = Prefix + QDateTime::currentDateTime().toString(TimeFormat);
    QString aside = QDir(folder).filePath(name);
    for (int k = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++k)
        aside = QDir(folder).filePath(name + QStringLiteral(" (%1)").arg(k));
    if (::mkdir(QFile::encodeName(aside).constData(), 0700) != 0)
        return {};
    for (const QString& file : files)
        ::rename(QFile::encodeName(file).constData(),
                 QFile::encodeName(QDir(aside).filePath(QFileInfo(file).fileName())).constData());
    return aside;
}

void RemoveOldSetAsides(const QString& folder, int keep) {
    const QDir dir(folder);
    std::vector<std::pair<AsideName, QString>> asides;
    for (const QString& name : dir.entryList({Prefix + u'*'}, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks))
        if (const std::optional<AsideName> dated = asideName(name))
            asides.emplace_back(*dated, name);
    std::sort(asides.begin(), asides.end(), [](const auto& a, const auto& b) { return b.first < a.first; });
    for (size_t i = size_t(std::max(keep, 0)); i < asides.size(); ++i) {
        const QDir aside(dir.filePath(asides[i].second));
        if (!isEntry(QFile::encodeName(aside.path()), S_IFDIR))
            continue;
        const std::optional<QStringList> files = ownFiles(aside);
        if (!files)
            continue;
        for (const QString& file : *files)
            ::unlink(QFile::encodeName(file).constData());
        ::rmdir(QFile::encodeName(aside.path()).constData());
    }
}

} // namespace tavrin
