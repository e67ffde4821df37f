#include "levelindex.h"

#include "screen.h"

#include "recordscan.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace tavrin {

namespace {
// The keys the editor looks up: the level properties and the records of a screen. Runs of any other key
// are never asked for, and a foreign file could hold a run for nearly every record.
bool isLookedUp(QByteArrayView key) {
    return key == "LevelProp" || key.startsWith("Screen");
}
} // namespace

void LevelIndex::clear() {
    m_path.clear();
    m_size = -1;
    m_runs.clear();
    m_endFailure.reset();
}

namespace {
// Keys are short: those of 8 to 16 bytes are compared as two words.
bool sameBytes(QByteArrayView a, QByteArrayView b) {
    const qsizetype size = a.size();
    if (size != b.size())
        return false;
    if (size < 8 || size > 16)
        return std::memcmp(a.data(), b.data(), size_t(size)) == 0;
    quint64 a1, a2, b1, b2;
    std::memcpy(&a1, a.data(), 8);
    std::memcpy(&b1, b.data(), 8);
    std::memcpy(&a2, a.data() + size - 8, 8);
    std::memcpy(&b2, b.data() + size - 8, 8);
    return ((a1 ^ b1) | (a2 ^ b2)) == 0;
}

// Gathers the runs of records of the keys looked up.
class RunSink : public RecordSink {
public:
    using Runs = std::unordered_map<std::string, std::vector<LevelIndex::Run>>;

    void record(qint64 begin, qint64 end, QByteArrayView key, bool keyIsText) override {
        const bool first = !m_anyRecord;
        m_anyRecord = true;
        if (m_last && sameBytes(key, m_lastKey)) {
            m_last->back().end = end;
            ++m_last->back().records;
            return;
        }
        if (!keyIsText || !isLookedUp(key)) {
            m_last = nullptr;
            return;
        }
        m_last = &m_runs[std::string(key.data(), size_t(key.size()))];
        m_last->push_back(LevelIndex::Run{begin, end, 1});
        m_lastKey = key.toByteArray();
        if (first)
            m_firstKey = m_lastKey;
    }

    std::unique_ptr<RecordSink> makeSecond() const override { return std::make_unique<RunSink>(); }

    void append(RecordSink& other) override {
        auto& second = static_cast<RunSink&>(other);
        if (!second.m_anyRecord)
            return;
        // The second part's first run goes on with this part's last when their keys are the same.
        const bool joined = m_last && !second.m_firstKey.isNull() && second.m_firstKey == m_lastKey;
        if (joined) {
            const LevelIndex::Run& firstRun = second.m_runs.at(second.m_firstKey.toStdString()).front();
            m_last->back().end = firstRun.end;
            m_last->back().records += firstRun.records;
        }
        for (auto& [key, runs] : second.m_runs) {
            std::vector<LevelIndex::Run>& mine = m_runs[key];
            const auto from =
                joined && sameBytes(QByteArrayView(key.data(), qsizetype(key.size())), m_lastKey)
                    ? runs.begin() + 1
                    : runs.begin();
            mine.insert(mine.end(), from, runs.end());
        }
        m_last = second.m_last ? &m_runs[second.m_lastKey.toStdString()] : nullptr;
        m_lastKey = second.m_lastKey;
    }

    Runs& runs() { return m_runs; }

private:
    Runs m_runs;
    std::vector<LevelIndex::Run>* m_last =
        nullptr; // the runs of the key read last; the map keeps it in place
    QByteArray m_lastKey;
    bool m_anyRecord = false;
    QByteArray m_firstKey; // the key of the first record, when that record began a run
};
} // namespace

void LevelIndex::build(FileAccess& files, const QString& path) {
    clear();
    const std::unique_ptr<QIODevice> file = files.openRead(path);
    const QFileInfo info(path);
    RunSink sink;
    ScanOptions options;
    options.openAgain = [&files, &path] { return files.openRead(path); };
    m_endFailure = ScanRecords(*file, sink, options);
    m_runs = std::move(sink.runs());
    m_path = path;
    m_size = info.size();
    m_modified = info.lastModified();
}

bool LevelIndex::describes(const QString& path) const {
    if (m_path.isEmpty() || path != m_path)
        return false;
    const QFileInfo info(path);
    return info.exists() && info.size() == m_size && info.lastModified() == m_modified;
}

const std::vector<LevelIndex::Run>& LevelIndex::runsOf(const QString& key) const {
    static const std::vector<Run> none;
    const auto found = m_runs.find(key.toLatin1().toStdString());
    return found == m_runs.end() ? none : found->second;
}

bool LevelIndex::hasLevelRecords() const {
    return std::any_of(m_runs.begin(), m_runs.end(), [](const auto& run) {
        return IsLevelKey(QString::fromLatin1(run.first.data(), qsizetype(run.first.size())));
    });
}

} // namespace tavrin
