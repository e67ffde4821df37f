#pragma once

#include "level/document/module1.h"
#include "level/format/recordscan.h"

#include <QMap>
#include <QString>
#include <set>

namespace tavrin {

// What `tavrin-level info` tells of a level file: its properties, how many screens have records, which
// picture files its tiles name and how many tiles name each, and its size. Read in one pass over the
// records, found by the record scan of the editor's load.
struct LevelInfo {
    PropertyValues properties;
    std::set<int> screensWithRecords;
    QMap<QString, qint64> pictureUses; // picture file reference -> tiles naming it
    qint64 fileSize = 0;
};

// Failure 53 for a missing file, 321 for a file that holds no level record at all, and the reader's
// failure for a file that ends inside a record.
// The records are found by the fast scan with `options` (a large file in two parts at once), or with
// RecordScan::Carefully one by one, which gives the same.
enum class RecordScan { Fast, Carefully };
LevelInfo ReadLevelInfo(FileAccess& files, const QString& path, ScanOptions options = {},
                        RecordScan scan = RecordScan::Fast);

} // namespace tavrin
