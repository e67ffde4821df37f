#include "levelinfo.h"

#include "recordstream.h"

#include <QDir>
#include <QFileInfo>

namespace tavrin {

namespace {
void readRecords(RecordStream& reader, LevelInfo& info, bool* levelRecords);
}

LevelInfo ReadLevelInfo(FileAccess& files, const QString& path) {
    LevelInfo info;
    const std::unique_ptr<QIODevice> file = files.openRead(path);
    info.fileSize = QFileInfo(path).size();
    // Of a screen's records only the key, the tile number and the picture count here.
    RecordStream reader(file.get(), 1u << 0 | 1u << 1 | 1u << 3);
    bool levelRecords = false;
    const Failure notALevel = Failure::notALevelFile(path);
    try {
        readRecords(reader, info, &levelRecords);
    } catch (const Failure&) {
        if (!levelRecords)
            throw notALevel; // a picture or other data, which the reader gives up on at once
        throw;
    }
    if (!levelRecords)
        throw notALevel;
    return info;
}

namespace {
void readRecords(RecordStream& reader, LevelInfo& info, bool* levelRecords) {
    std::optional<Integer> lastScreen;
    while (const Record* next = reader.next()) {
        const Record& record = *next;
        if (!record[0].isText())
            continue;
        const QString& key = record[0].textValue();
        if (!IsLevelKey(key))
            continue;
        *levelRecords = true;
        if (key == QLatin1String("LevelProp")) {
            int field = 0;
            info.properties = PropertiesOfRecord(record, &field);
            continue;
        }
        // Only the screens the editor has count, under their keys as it writes them: not "Screen-1",
        // "Screen007" or "Screen40000", which it never reads.
        const std::optional<Integer> screen = EditorScreenOfKey(key);
        if (!screen || !record[1].isNumeric())
            continue;
        if (screen != lastScreen) // records of one screen come together: most inserts are not needed
            info.screensWithRecords.insert(*screen);
        lastScreen = screen;
        if (record[3].isText() && !record[3].isNumeric())
            ++info.pictureUses[record[3].textValue()];
    }
}
} // namespace

} // namespace tavrin
