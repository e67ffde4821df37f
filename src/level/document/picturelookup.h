#pragma once

#include "level/storage/picturestore.h"

#include <QImage>
#include <QString>
#include <QStringList>

namespace tavrin {

class FileAccess;

// The file a text picture reference names in `picturesFolder`: the folder followed by the reference. A
// reference that would reach outside the folder names no file: failure 53.
QString PictureFilePath(const QString& picturesFolder, const QString& reference);

// A picture file the user chose as the brush picture. Inside one of the pictures folders it is named by
// its place there; outside them the level cannot show it until it is copied into the level's Pics.
struct PictureChoice {
    QString reference;
    bool outside = false;
    QString copyTarget;       // where the copy would go
    bool targetTaken = false; // a different file of that name is there already
};

// The Pics folders a program without the editor's own folder looks for a level's pictures in, those that
// are folders, in order: beside the level file, beside the program, and where an installed editor keeps
// them (the Pics of the installed data folder, found from the program's place).
QStringList LevelPicturesFolders(const QString& levelFile, const QString& programFolder);
// The file a picture reference names in the first of `folders` that holds it (each folder confined to
// itself), else its place in the first folder; failure 53 for a reference that reaches outside.
QString FindPictureFile(PictureStore& store, const QStringList& folders, const QString& reference);

// Where the editor looks up the pictures of the level it works on, and the pictures it has read. The
// level's own Pics folder stands beside its level file, so it follows the level file name it is given
// (read at every call); the program's stands beside the program. Reading fills the picture store, so
// reading procedures are const.
class PictureLookup {
public:
    PictureLookup(const QString& programFolder, const QString& levelFile, FileAccess* const& files)
        : m_programFolder(programFolder), m_levelFile(levelFile), m_files(files) {}
    PictureLookup(const PictureLookup&) = delete;
    PictureLookup& operator=(const PictureLookup&) = delete;

    // The program's own Pics folder.
    QString programFolder() const;
    // The Pics folder beside the level file, where the level's own pictures go; the program's for a level
    // that has no file yet.
    QString levelFolder() const;
    // Where picture references are looked up, in turn: the level's Pics folder, then the program's.
    QStringList folders() const;
    // The file a text picture reference names: the first of folders() that holds it, else the place it
    // would have in the first. A reference that would reach outside the folder names no file: failure 53.
    QString path(const QString& reference) const;
    QImage load(const QString& reference) const;
    // A picture file the user chose as the brush picture.
    PictureChoice choose(const QString& path) const;
    // Copies a picture file into levelFolder(), made if needed, replacing a file or link of that name; the
    // reference of the copy. A file that is no picture is not copied. The file there is replaced only once
    // the copy is whole.
    QString importPicture(const QString& path);
    // Failure 75 when the Pics folder is missing, so that tiles show no pictures.
    void checkFolder() const;

    // Pictures read once are kept while they are unchanged: a new pass looks at every file on disk again.
    void beginPass() const { m_store.beginPass(); }
    // How many times a file was decoded.
    int decodes() const { return m_store.decodes(); }

private:
    const QString& m_programFolder;
    const QString& m_levelFile;
    FileAccess* const& m_files;
    mutable PictureStore m_store;
};

} // namespace tavrin
