#pragma once

#include "level/core/failure.h"
#include "level/storage/fileaccess.h"

#include "level/core/numbers.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace tavrin {

// Where the records of each key stand in a level file: made in one pass over the file, so that a screen,
// its side links or the level properties are read from their own bytes instead of the whole file.
// Reading the records of one key through the index gives exactly what reading the whole file and
// skipping the other keys gives, the failure of a file that ends inside a record included.
class LevelIndex {
public:
    struct Run {
        qint64 begin;
        qint64 end;
        int records;
        // Where the records that may give a screen its side links begin: the first record whose second
        // field does not begin with a digit, and the records from it to the end of the run (-1 and 0 for
        // none). The records before it give tiles only, so the links are read from there on alone. Noted
        // only in the editor's index (built with `checkBlocks`), the one that is asked for links.
        qint64 textsFrom = -1;
        int fromTexts = 0;
    };

    LevelIndex();
    LevelIndex(const LevelIndex&) = delete;
    LevelIndex& operator=(const LevelIndex&) = delete;
    ~LevelIndex();

    // Indexes `path`. Opening failures (53 for a missing file) reach the caller. With `checkBlocks`, a
    // thread of its own then looks at each screen's block, for blockCopy(), reading the file through
    // `files` too.
    void build(FileAccess& files, const QString& path, bool checkBlocks = false);
    // A screen's block in a file the editor wrote: its place, the bytes of its 300 tile records, its links.
    struct Placed {
        Integer screen;
        qint64 begin;
        qint64 end;
        qsizetype tileBytes;
        std::array<Integer, 10> links;
    };
    // The index of `path`, a level file the editor has just written whole: the blocks `blocks`, each as the
    // editor writes blocks and in file order, then the level properties from `propertiesAt` to the end and
    // nothing else. The file is not read: what build() with `checkBlocks` would find is known already.
    void adopt(const QString& path, const std::vector<Placed>& blocks, qint64 propertiesAt);
    // True while the index describes `path` as it is on disk.
    bool describes(const QString& path) const;
    void clear();

    // The runs of records whose key is the text `key`, in file order. Only "LevelProp" and the keys that
    // start with "Screen" are indexed; any other key has no runs.
    const std::vector<Run>& runsOf(const QString& key) const;
    // A run of records that belong neither to the level properties nor to a screen 0..32767 (another key,
    // a key that is no text, "Screen007", "Screen-1"), and the screen whose records come last before it
    // (-1 for none): a save keeps them where they were.
    struct Foreign {
        qint64 begin;
        qint64 end;
        int after;
    };
    // In file order.
    std::vector<Foreign> foreignRuns() const;
    // The failure met at the end of the file, when it ends inside a record.
    const std::optional<Failure>& endFailure() const { return m_endFailure; }
    qint64 fileSize() const { return m_size; }
    // True when some record's key is "LevelProp" or "Screen<n>": the file is a level file at all.
    bool hasLevelRecords() const;

    // What a save needs to copy a screen's block as it stands: its place in the file, the bytes of its
    // 300 tile records, and the side links that loading it gives (see ScanCopyableBlock).
    struct BlockCopy {
        qint64 begin = 0;
        qint64 end = 0;
        qsizetype tileBytes = 0;
        std::array<Integer, 10> links = {};
        // Its link records are those the links are written as, so the whole block is copied byte for byte.
        bool verbatim = false;
    };
    enum class Copy {
        Unknown, // not looked at: no block of 309 records in one run, or the look failed
        Yes,
        No,
    };
    // Whether screen `screen`'s block is written exactly as the editor writes it, so that a save may copy
    // it. The block checker answers for every screen whose records are one run of 309; a block it has not
    // looked at yet is looked at here, read from `file` (the level file).
    Copy blockCopy(Integer screen, ReadAhead& file, BlockCopy* copy);
    // The block of screen `screen` when the block checker has found already that a save may copy it; none
    // otherwise, without waiting or looking at it.
    const BlockCopy* copyableBlock(Integer screen) const;

private:
    class BlockChecker;
    void stopBlockChecks();

    QString m_path;
    qint64 m_size = -1;
    QDateTime m_modified;
    std::unordered_map<std::string, std::vector<Run>> m_runs;
    std::optional<Failure> m_endFailure;
    std::unique_ptr<BlockChecker> m_checker;
};

} // namespace tavrin
