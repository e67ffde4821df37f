#pragma once

#include "failure.h"
#include "fileaccess.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <string>
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
    };

    // Indexes `path`. Opening failures (53 for a missing file) reach the caller.
    void build(FileAccess& files, const QString& path);
    // True while the index describes `path` as it is on disk.
    bool describes(const QString& path) const;
    void clear();

    // The runs of records whose key is the text `key`, in file order. Only "LevelProp" and the keys that
    // start with "Screen" are indexed; any other key has no runs.
    const std::vector<Run>& runsOf(const QString& key) const;
    // The failure met at the end of the file, when it ends inside a record.
    const std::optional<Failure>& endFailure() const { return m_endFailure; }
    qint64 fileSize() const { return m_size; }
    // True when some record's key is "LevelProp" or "Screen<n>": the file is a level file at all.
    bool hasLevelRecords() const;

private:
    QString m_path;
    qint64 m_size = -1;
    QDateTime m_modified;
    std::unordered_map<std::string, std::vector<Run>> m_runs;
    std::optional<Failure> m_endFailure;
};

} // namespace tavrin
