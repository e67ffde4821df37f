#pragma once

#include "level/storage/fileaccess.h"

#include <QMap>
#include <QSet>

// File access that fails where a test asks it to: a disk that fills up after so many bytes, files that
// cannot be opened for writing or reading.
class FaultyFiles : public tavrin::FileAccess {
public:
    std::unique_ptr<QIODevice> openRead(const QString& path) override;
    std::unique_ptr<tavrin::AtomicFile> openWrite(const QString& path,
                                                  tavrin::Links links = tavrin::Links::Follow) override;
    bool canWriteIn(const QString& folder) override;
    void commit(tavrin::AtomicFile& file) override;
    void syncFileSystem(const QString& folder) override;
    bool renameToNew(const QString& from, const QString& to) override;

    qint64 diskFullAfter = -1;        // bytes the disk may still take, over all writes; -1 for no limit
    int failOpenWriteWith = 0;        // a failure code for every open for writing
    QSet<QString> unreadable;         // paths whose opening for reading fails with code 75
    QMap<QString, QByteArray> readAs; // paths read as these bytes, whatever the file on the disk holds
    QString fullFolder;              // a folder on a full disk: every write into it fails as a full disk does
    QSet<QString> unwritableFolders; // folders in which no file can be made
    int renamesLeft = -1;            // renames that succeed before every other one fails; -1 for no limit
    QString unwritableName;          // a file name that no write can make, in any folder
    bool syncFails = false;          // every sync of the file system fails as a failing disk does
    bool namedOnly = false;          // temporary files are named from the start, as without O_TMPFILE
    int writesOpened = 0;
    unsigned writeDelayMs = 0; // each open for writing waits this long, as on a slow disk
    // What reached the disk, in order: "<file name> at once" or "<file name> later" for each commit, and
    // "sync" for each sync of the file system.
    QStringList commits;
};
