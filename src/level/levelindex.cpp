#include "levelindex.h"

#include "screen.h"

#include "record.h"

#include <QFileInfo>
#include <algorithm>

namespace tavrin {

namespace {
// The keys the editor looks up: the level properties and the records of a screen. Runs of any other key
// are never asked for, and a foreign file could hold a run for nearly every record.
bool isLookedUp(const QByteArray& key) {
    return key == "LevelProp" || key.startsWith("Screen");
}
} // namespace

void LevelIndex::clear() {
    m_path.clear();
    m_size = -1;
    m_runs.clear();
    m_endFailure.reset();
}

void LevelIndex::build(FileAccess& files, const QString& path) {
    clear();
    const std::unique_ptr<QIODevice> file = files.openRead(path);
    const QFileInfo info(path);
    RecordReader reader(file.get());
    QByteArray key;
    bool keyIsText = false;
    std::vector<Run>* last = nullptr; // the runs of the key read last; unordered_map keeps it in place
    QByteArray lastKey;
    try {
        while (!reader.atEnd()) {
            const qint64 begin = reader.position();
            reader.skip(&key, &keyIsText);
            if (!keyIsText || !isLookedUp(key)) {
                last = nullptr;
                continue;
            }
            if (last && key == lastKey) {
                last->back().end = reader.position();
                ++last->back().records;
                continue;
            }
            last = &m_runs[std::string(key.constData(), size_t(key.size()))];
            last->push_back(Run{begin, reader.position(), 1});
            lastKey = key;
        }
    } catch (const Failure& failure) {
        m_endFailure = failure;
    }
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
