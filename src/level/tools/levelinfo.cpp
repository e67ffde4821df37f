#include "level/tools/levelinfo.h"

#include "level/tools/levelrecords.h"

#include <QFileInfo>
#include <QHash>

namespace tavrin {

namespace {

// What the records of a part of a level file tell, found by the record scan. A large file is read in two
// parts at once, each by a sink of its own; the second is added to the first at the end.
class InfoSink : public RecordSink {
public:
    bool levelRecords = false;
    std::optional<PropertyValues> properties; // of the last "LevelProp" record
    std::set<int> screens;
    std::optional<Failure> failure; // the first record whose properties could not be read

    void record(qint64, qint64, QByteArrayView key, bool keyIsText, QByteArrayView bytes) override {
        if (!keyIsText || failure)
            return;
        if (!SameShortBytes(key, m_lastKey)) {
            m_lastKey = key.toByteArray();
            const QString text = QString::fromLatin1(key);
            m_lastKind = !IsLevelKey(text)                    ? Key::Other
                         : text == QLatin1String("LevelProp") ? Key::Properties
                                                              : Key::Screen;
            m_lastScreen = EditorScreenOfKey(text);
            m_screenCounted = false;
        }
        if (m_lastKind == Key::Other)
            return;
        levelRecords = true;
        if (m_lastKind == Key::Properties) {
            try {
                int field = 0;
                properties = PropertiesOfRecord(ReadRecordOfBytes(bytes), &field);
            } catch (const Failure& met) {
                failure = met;
            }
            return;
        }
        // Only the screens the editor has count, under their keys as it writes them: not "Screen-1",
        // "Screen007" or "Screen40000", which it never reads.
        if (!m_lastScreen)
            return;
        // Of a screen's records only the tile number and the picture count here.
        std::array<QByteArrayView, 3> fields;
        if (!SplitPlainFields(AfterKey(bytes, key), fields)) {
            const Record record = ReadRecordOfBytes(bytes);
            if (!record[1].isNumeric())
                return;
            countScreen();
            if (record[3].isText())
                countPicture(record[3].textValue().toLatin1(), 1);
            return;
        }
        const QByteArrayView tile = fields[0];
        if (tile.startsWith('"') && !ReadsAsNumber(QString::fromLatin1(BlockFieldText(tile))))
            return;
        countScreen();
        if (fields[2].startsWith('"'))
            countPicture(BlockFieldText(fields[2]), 1);
    }

    bool wantsBytes() const override { return true; }
    std::unique_ptr<RecordSink> makeSecond() const override { return std::make_unique<InfoSink>(); }

    void append(RecordSink& other) override {
        auto& second = static_cast<InfoSink&>(other);
        if (failure)
            return;
        failure = second.failure;
        levelRecords = levelRecords || second.levelRecords;
        if (second.properties)
            properties = second.properties;
        screens.merge(second.screens);
        for (const auto& [name, count] : second.m_uses)
            countPicture(name, count);
        for (auto it = second.m_moreUses.cbegin(); it != second.m_moreUses.cend(); ++it)
            countPicture(it.key(), it.value());
    }

    // The tiles that name each picture file: a text that reads as a number names a box instead.
    QMap<QString, qint64> pictureUses() const {
        QMap<QString, qint64> uses;
        const auto add = [&uses](const QByteArray& name, qint64 count) {
            if (const QString text = QString::fromLatin1(name); !ReadsAsNumber(text))
                uses[text] += count;
        };
        for (const auto& [name, count] : m_uses)
            add(name, count);
        for (auto it = m_moreUses.cbegin(); it != m_moreUses.cend(); ++it)
            add(it.key(), it.value());
        return uses;
    }

private:
    enum class Key { Other, Properties, Screen };

    void countScreen() {
        if (!m_screenCounted) // records of one screen come together: most inserts are not needed
            screens.insert(*m_lastScreen);
        m_screenCounted = true;
    }

    // A level names few pictures, looked up among those at hand; a level of many counts the rest in a
    // table.
    void countPicture(QByteArrayView name, qint64 tiles) {
        for (auto& [known, count] : m_uses)
            if (SameShortBytes(known, name))
                return void(count += tiles);
        if (m_uses.size() < MostNamesAtHand)
            m_uses.emplace_back(name.toByteArray(), tiles);
        else
            m_moreUses[name.toByteArray()] += tiles;
    }

    static constexpr size_t MostNamesAtHand = 16;

    QByteArray m_lastKey;
    Key m_lastKind = Key::Other;
    std::optional<Integer> m_lastScreen;
    bool m_screenCounted = false;
    std::vector<std::pair<QByteArray, qint64>> m_uses;
    QHash<QByteArray, qint64> m_moreUses;
};

} // namespace

LevelInfo ReadLevelInfo(FileAccess& files, const QString& path, ScanOptions options, RecordScan scan) {
    LevelInfo info;
    const std::unique_ptr<QIODevice> file = files.openRead(path);
    info.fileSize = QFileInfo(path).size();
    InfoSink sink;
    options.openAgain = [&files, &path] { return files.openRead(path); };
    const std::optional<Failure> unread =
        scan == RecordScan::Fast ? ScanRecords(*file, sink, options) : ScanRecordsCarefully(*file, sink);
    if (sink.failure)
        throw *sink.failure;
    // A file without level records is no level file, whatever else the reader met: a picture or other
    // data, which the reader gives up on at once.
    if (!sink.levelRecords)
        throw Failure::notALevelFile(path);
    if (unread)
        throw *unread;
    if (sink.properties)
        info.properties = *sink.properties;
    info.screensWithRecords = std::move(sink.screens);
    info.pictureUses = sink.pictureUses();
    return info;
}

} // namespace tavrin
