#pragma once

#include "level/core/numbers.h"
#include "level/format/writtenblock.h"
#include "level/storage/fileaccess.h"
#include "level/storage/knownfile.h"

#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <limits>

namespace tavrin {

// The scratch files of the level being edited, one a screen, each holding the 309 records of a screen
// edited and left. Only the files this editor wrote, or took over from a session it recovered, hold
// screens: a file another run left in the folder is never read as a screen, never written over or
// through, and never deleted.
class ScratchFiles {
public:
    // A file the editor wrote that holds a block as the editor writes it (written from a block already
    // checked and changed as bytes, or checked as it was written), with its link records at `tileBytes`
    // giving `links`. While the file keeps its stamp it holds those bytes still, and is read without being
    // checked again.
    struct KnownBlock {
        WrittenStamp stamp;
        qsizetype tileBytes = 0;
        BlockLinks links = {};
    };
    struct File {
        QString path;
        FileIdentity identity; // as this editor wrote it: a file changed since is no longer its own
        std::optional<KnownBlock> block;
    };

    // Every file goes through `*files` as it is at the time (tests point it at one that injects faults);
    // the files go into the folder `folder` names at the time.
    ScratchFiles(FileAccess* const& files, std::function<QString()> folder)
        : m_files(files), m_folder(std::move(folder)) {}

    // The file of `screen`: the one this editor wrote for it, else Screen<n>.tmp.
    QString fileName(Integer screen) const;
    // The editor has a file of `screen` on its list, whether or not it is still there.
    bool named(Integer screen) const { return m_byScreen.contains(screen); }
    // It has, and it is a regular file that is there.
    bool present(Integer screen) const;
    // What the file of `screen` is known to hold, while it is as the editor wrote it.
    const KnownBlock* knownBlock(Integer screen) const;
    // The file the editor just put at `path` (the file `identity` names) as a known block, its stamp taken
    // now; none when something else stands there.
    static std::optional<KnownBlock> knownAt(const QString& path, FileIdentity identity, qsizetype tileBytes,
                                             const BlockLinks& links);
    // The file holds the 309 records of `screen` (or none at all): nothing damaged it since it was written.
    bool isWhole(const QString& path, Integer screen) const;
    // Writes `block` as the file of `screen`: over the file this editor wrote for it while that is still as
    // written, else a new one. With `deferSync` the disk is not waited for; see unsynced().
    void write(Integer screen, const QByteArray& block, bool deferSync);
    // A name in the folder where nothing stands: Screen<n>.tmp, else Screen<n>~<k>.tmp.
    QString freeName(Integer screen) const;
    // Screen<n>.tmp in the folder, whatever stands there.
    QString plainName(Integer screen) const;
    // Some file was written without waiting for the disk since the last sync().
    bool unsynced() const { return m_unsynced; }
    void sync() const;
    // Deletes the files this editor wrote, the level copy included, as long as they are still as it wrote
    // them; `keep` stays.
    void deleteAll(const QString& keep = QString());
    // The screens whose files are there.
    QList<Integer> screens() const;

    // The files by screen: what the session file names, and what a stage puts in place together.
    const QHash<Integer, File>& byScreen() const { return m_byScreen; }
    void take(Integer screen, const QString& path);
    // The same with the identity of the file, already known.
    void take(Integer screen, const QString& path, FileIdentity identity,
              std::optional<KnownBlock> block = std::nullopt) {
        m_byScreen.insert(screen, File{path, identity, std::move(block)});
    }
    void forget(Integer screen) { m_byScreen.remove(screen); }
    void restore(QHash<Integer, File> files) { m_byScreen = std::move(files); }

    // The level copy: the level as the last edit of many screens left it, a level file of its own in the
    // folder. The screens without a scratch file are read from it instead of the level file.
    struct LevelCopy {
        QString path;
        FileIdentity identity;
        Integer last = std::numeric_limits<Integer>::max(); // the last screen it holds, when known
    };
    const std::optional<LevelCopy>& levelCopy() const { return m_levelCopy; }
    void setLevelCopy(std::optional<LevelCopy> copy) { m_levelCopy = std::move(copy); }
    // A name in the folder for a new level copy, where nothing stands.
    QString freeLevelCopyName() const;
    // Deletes `copy` when it is still the file this editor wrote.
    void remove(const LevelCopy& copy) const;

private:
    FileAccess* const& m_files;
    std::function<QString()> m_folder;
    QHash<Integer, File> m_byScreen;
    std::optional<LevelCopy> m_levelCopy;
    mutable bool m_unsynced = false;
};

} // namespace tavrin
