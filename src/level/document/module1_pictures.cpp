// Module1: where pictures are looked up, and a picture file chosen or copied into the level's Pics folder.

#include "level/document/module1.h"

#include "level/storage/dataplace.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <algorithm>

namespace tavrin {

QString Module1::PicturesFolder() const {
    return QDir(ProgramFolder).filePath(QStringLiteral("Pics"));
}

QString Module1::LevelPicturesFolder() const {
    if (LevelFileName.isEmpty())
        return QDir::cleanPath(QFileInfo(PicturesFolder()).absoluteFilePath());
    return QDir::cleanPath(QFileInfo(LevelFileName).absoluteDir().filePath(QStringLiteral("Pics")));
}

QStringList Module1::PictureFolders() const {
    const QString level = LevelPicturesFolder();
    const QString program = QDir::cleanPath(QFileInfo(PicturesFolder()).absoluteFilePath());
    return level == program ? QStringList{program} : QStringList{level, program};
}

QString Module1::PicturePath(const QString& reference) const {
    return FindPictureFile(Pictures, PictureFolders(), reference);
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

QImage Module1::LoadPictureReference(const QString& reference) const {
    return Pictures.load(PicturePath(reference));
}

PictureChoice Module1::ChoosePicture(const QString& path) const {
    const QString file = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    PictureChoice choice;
    for (const QString& folder : PictureFolders())
        if (file.startsWith(folder + u'/')) {
            choice.reference = u'\\' + file.mid(folder.size() + 1).replace(u'/', u'\\');
            return choice;
        }
    choice.reference = GetFileName(path);
    choice.copyTarget = QDir(LevelPicturesFolder()).filePath(QFileInfo(path).fileName());
    choice.outside = true;
    if (QFileInfo(choice.copyTarget).isFile())
        choice.targetTaken = !SameFileBytes(*Files, choice.copyTarget, path);
    return choice;
}

QString Module1::ImportPicture(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const QString reference = u'\\' + name;
    RecordWriter::CheckWritableText(reference);
    const QByteArray bytes = Files->openRead(path)->readAll();
    if (QImage::fromData(bytes).isNull())
        throw Failure(ErrInvalidPicture, Text(Msg::ImportNotAPicture).arg(QDir::toNativeSeparators(path)));
    const QString folder = LevelPicturesFolder();
    if (!QDir().mkpath(folder))
        throw Failure(ErrPathAccess, Text(Msg::PicturesFolderNotMade).arg(QDir::toNativeSeparators(folder)));
    const QString target = QDir(folder).filePath(name);
    // A link of that name is replaced, never written through: the file it points to is not the level's.
    const auto file = Files->openWrite(target, Links::Replace);
    if (file->write(bytes) != bytes.size())
        throw WriteFailure(*file);
    Files->commit(*file);
    Pictures.beginPass();
    return reference;
}

void Module1::CheckPicturesFolder() const {
    const QStringList folders = PictureFolders();
    if (std::none_of(folders.begin(), folders.end(),
                     [](const QString& folder) { return QFileInfo(folder).isDir(); }))
        throw Failure(ErrPathAccess,
                      Text(Msg::PicturesFolderMissing).arg(QDir::toNativeSeparators(PicturesFolder())));
}

} // namespace tavrin
