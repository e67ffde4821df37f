#include "levelinfo.h"

#include "levelrecords.h"

#include <QDir>
#include <QFileInfo>

namespace tavrin {

namespace {
class InfoVisitor : public LevelRecordVisitor {
public:
    explicit InfoVisitor(LevelInfo& info) : m_info(info) {}

    bool levelRecords = false;

    void block(Integer screen, QByteArrayView bytes, const CopyableBlock& scanned, qint64 begin) override {
        levelRecords = true;
        m_info.screensWithRecords.insert(screen);
        m_lastScreen = screen;
        // The pictures a block names, counted in the block first: a screen names few.
        m_uses.clear();
        ForEachBlockTile(bytes, scanned, begin,
                         [&](Integer, const std::array<QByteArrayView, 12>& fields, qint64) {
                             const QByteArrayView picture = fields[3];
                             if (!picture.startsWith('"'))
                                 return;
                             const QByteArrayView text = BlockFieldText(picture);
                             for (auto& [name, count] : m_uses)
                                 if (name == text)
                                     return void(++count);
                             if (m_uses.size() < MostNamesAtHand)
                                 m_uses.emplace_back(text, 1);
                             else // a screen of many pictures: counted one by one
                                 countPicture(FieldValue::text(QString::fromLatin1(text)), 1);
                         });
        for (const auto& [name, count] : m_uses)
            countPicture(FieldValue::text(QString::fromLatin1(name)), count);
    }

    void record(const Record& record, qint64) override {
        if (!record[0].isText())
            return;
        const QString& key = record[0].textValue();
        if (!IsLevelKey(key))
            return;
        levelRecords = true;
        if (key == QLatin1String("LevelProp")) {
            int field = 0;
            m_info.properties = PropertiesOfRecord(record, &field);
            return;
        }
        // Only the screens the editor has count, under their keys as it writes them: not "Screen-1",
        // "Screen007" or "Screen40000", which it never reads.
        const std::optional<Integer> screen = EditorScreenOfKey(key);
        if (!screen || !record[1].isNumeric())
            return;
        if (screen != m_lastScreen) // records of one screen come together: most inserts are not needed
            m_info.screensWithRecords.insert(*screen);
        m_lastScreen = screen;
        countPicture(record[3], 1);
    }

private:
    void countPicture(const FieldValue& picture, qint64 tiles) {
        if (picture.isText() && !picture.isNumeric())
            m_info.pictureUses[picture.textValue()] += tiles;
    }

    static constexpr size_t MostNamesAtHand = 16;

    LevelInfo& m_info;
    std::optional<Integer> m_lastScreen;
    std::vector<std::pair<QByteArrayView, qint64>> m_uses;
};
} // namespace

LevelInfo ReadLevelInfo(FileAccess& files, const QString& path) {
    LevelInfo info;
    const std::unique_ptr<QIODevice> file = files.openRead(path);
    info.fileSize = QFileInfo(path).size();
    InfoVisitor visitor(info);
    // Of a screen's records only the key, the tile number and the picture count here.
    const std::optional<UnreadRecord> unread =
        VisitLevelRecords(file.get(), visitor, 1u << 0 | 1u << 1 | 1u << 3);
    // A file without level records is no level file, whatever else the reader met: a picture or other
    // data, which the reader gives up on at once.
    if (!visitor.levelRecords)
        throw Failure::notALevelFile(path);
    if (unread)
        throw unread->failure;
    return info;
}

} // namespace tavrin
