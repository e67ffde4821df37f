// Where pictures are looked up, and a picture file chosen or copied into the level's Pics folder.

#include "level/document/picturelookup.h"

#include "level/core/messages.h"
#include "level/format/record.h"
#include "level/storage/dataplace.h"
#include "level/storage/fileaccess.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <algorithm>

namespace tavrin {

namespace {
// The name of the file `path` names, as a picture reference names it: a backslash, then the name.
QString GetFileName(const QString& path) {
    const qsizetype separator = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    if (separator < 0)
        throw Failure(ErrInvalidCall);
    return u'\\' + path.mid(separator + 1);
}
} // namespace

QString PictureLookup::programFolder() const {
    return QDir(m_programFolder).filePath(QStringLiteral("Pics"));
}

QString PictureLookup::levelFolder() const {
    if (m_levelFile.isEmpty())
        return QDir::cleanPath(QFileInfo(programFolder()).absoluteFilePath());
    return QDir::cleanPath(QFileInfo(m_levelFile).absoluteDir().filePath(QStringLiteral("Pics")));
}

QStringList PictureLookup::folders() const {
    const QString level = levelFolder();
    const QString program = QDir::cleanPath(QFileInfo(programFolder()).absoluteFilePath());
    return level == program ? QStringList{program} : QStringList{level, program};
}

QString PictureLookup::path(const QString& reference) const {
    return FindPictureFile(m_store, folders(), reference);
}

QString FindPictureFile(PictureStore& store, const QStringList& folders, const QString& reference) {
    QString first;
    for (const QString& folder : folders) {
        const QString path = PictureFilePath(folder, reference);
        if (store.exists(path))
            return path;
        if (first.isEmpty())
            first = path;
    }
    if (first.isEmpty())
        throw Failure::pictureNotFound(reference);
    return first;
}

QString PictureFilePath(const QString& picturesFolder, const QString& reference) {
    QString relative = reference;
    relative.replace(u'\\', u'/');
    const bool absolute = relative.size() >= 2 && relative[1] == u':';
    const QString folder = QDir::cleanPath(picturesFolder);
    const QString path = QDir::cleanPath(folder + u'/' + relative);
    // A name with a NUL character in it names no file on any system.
    if (absolute || !path.startsWith(folder + u'/') || reference.contains(QChar(0)))
        throw Failure::pictureNotFound(reference);
    return path;
}

QStringList LevelPicturesFolders(const QString& levelFile, const QString& programFolder) {
    const QDir program(programFolder);
    QStringList folders;
    for (const QString& folder : {QFileInfo(levelFile).absoluteDir().filePath(QStringLiteral("Pics")),
                                  program.filePath(QStringLiteral("Pics")),
                                  QDir(InstalledDataFolder(programFolder)).filePath(QStringLiteral("Pics"))})
        if (QFileInfo(folder).isDir() && !folders.contains(QDir::cleanPath(folder)))
            folders << QDir::cleanPath(folder);
    return folders;
}

QImage PictureLookup::load(const QString& reference) const {
    return m_store.load(path(reference));
}

PictureChoice PictureLookup::choose(const QString& path) const {
    const QString file = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    PictureChoice choice;
    for (const QString& folder : folders())
        if (file.startsWith(folder + u'/')) {
            choice.reference = u'\\' + file.mid(folder.size() + 1).replace(u'/', u'\\');
            return choice;
        }
    choice.reference = GetFileName(path);
    choice.copyTarget = QDir(levelFolder()).filePath(QFileInfo(path).fileName());
    choice.outside = true;
    if (QFileInfo(choice.copyTarget).isFile())
        choice.targetTaken = !SameFileBytes(*m_files, choice.copyTarget, path);
    return choice;
}

QString PictureLookup::importPicture(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const QString reference = u'\\' + name;
    RecordWriter::CheckWritableText(reference);
    const QByteArray bytes = m_files->openRead(path)->readAll();
    if (QImage::fromData(bytes).isNull())
        throw Failure(ErrInvalidPicture, Text(Msg::ImportNotAPicture).arg(QDir::toNativeSeparators(path)));
    const QString folder = levelFolder();
    if (!QDir().mkpath(folder))
        throw Failure(ErrPathAccess, Text(Msg::PicturesFolderNotMade).arg(QDir::toNativeSeparators(folder)));
    const QString target = QDir(folder).filePath(name);
    // A link of that name is replaced, never written through: the file it points to is not the level's.
    const auto file = m_files->openWrite(target, Links::Replace);
    if (file->write(bytes) != bytes.size())
        throw WriteFailure(*file);
    m_files->commit(*file);
    m_store.beginPass();
    return reference;
}

void PictureLookup::checkFolder() const {
    const QStringList there = folders();
    if (std::none_of(there.begin(), there.end(),
                     [](const QString& folder) { return QFileInfo(folder).isDir(); }))
        throw Failure(ErrPathAccess,
                      Text(Msg::PicturesFolderMissing).arg(QDir::toNativeSeparators(programFolder())));
}

} // namespace tavrin
