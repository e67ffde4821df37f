#include "level/format/levelindex.h"

#include "level/core/boundedqueue.h"
#include "level/format/levelkeys.h"
#include "level/format/recordscan.h"
#include "level/format/screenblock.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <limits>

namespace tavrin {

namespace {
// The keys the editor looks up: the level properties and the records of a screen. Runs of any other key
// are never asked for, and a foreign file could hold a run for nearly every record.
bool isLookedUp(QByteArrayView key) {
    return key == "LevelProp" || key.startsWith("Screen");
}

// False only for a record, as the scan found it in `bytes`, whose key is quoted and whose second field
// follows it at once with a digit: that field is a number, or a text that no link record's is ("ScreenInfo",
// "Side2" to "Side9", quoted or not). True for anything else, the records read the careful way (no bytes)
// among them.
bool mayGiveLinks(QByteArrayView key, QByteArrayView bytes) {
    const qsizetype second = key.size() + 3; // past the key's quotes and the comma
    if (bytes.size() <= second || bytes[0] != '"' || bytes[second - 2] != '"' || bytes[second - 1] != ',')
        return true;
    return unsigned(bytes[second] - '0') > 9;
}

} // namespace

// Looks at the screens' blocks on a thread of its own, from the last in the file to the first, reading the
// file a window at a time backwards, and answers for each whether a save may copy it as it stands. A save
// asking for a block not yet looked at looks at it itself: it goes from the first block on and the checker
// from the last, each claiming a block before looking at it, until they meet. The answer for a block is
// what its claimer read: bytes that could not be read whole are Copy::Unknown, and the save reads them
// again itself. What the checker throws ends it and is thrown to the save at its next question.
class LevelIndex::BlockChecker {
public:
    // `file` is the level file opened through the index's file access; none when it could not be opened
    // again, and the save then looks at every block itself.
    BlockChecker(std::unique_ptr<QIODevice> file, const std::vector<std::pair<Integer, Run>>& blocks)
        : m_blocks(new Block[blocks.size()]), m_count(blocks.size()),
          m_blockOfScreen(size_t(std::numeric_limits<Integer>::max()) + 1, -1) {
        for (size_t i = 0; i < blocks.size(); ++i) {
            Block& block = m_blocks[i];
            block.screen = blocks[i].first;
            block.begin = blocks[i].second.begin;
            block.end = blocks[i].second.end;
            m_blockOfScreen[size_t(block.screen)] = int(i);
        }
        if (file) {
            m_file = std::make_unique<ReadAhead>(std::move(file), ReadAhead::Backwards);
            m_thread = std::thread([this] {
                m_checks.produce([this] { run(); });
                m_ended.store(true, std::memory_order_release);
            });
        }
    }
    // Blocks written as the editor writes them: each answered already, and no thread looks at them.
    explicit BlockChecker(const std::vector<Placed>& blocks)
        : m_blocks(new Block[blocks.size()]), m_count(blocks.size()),
          m_blockOfScreen(size_t(std::numeric_limits<Integer>::max()) + 1, -1) {
        for (size_t i = 0; i < blocks.size(); ++i) {
            const Placed& placed = blocks[i];
            Block& block = m_blocks[i];
            block.screen = placed.screen;
            block.begin = placed.begin;
            block.end = placed.end;
            block.copy = BlockCopy{placed.begin, placed.end, placed.tileBytes, placed.links, true};
            block.answer.store(int(Copy::Yes), std::memory_order_relaxed);
            m_blockOfScreen[size_t(block.screen)] = int(i);
        }
    }
    ~BlockChecker() {
        m_checks.close();
        if (m_thread.joinable())
            m_thread.join();
    }

    Copy answer(Integer screen, ReadAhead& file, BlockCopy* copy) {
        // The queue's lock is taken only once the checker has ended: a copy of the process made by fork()
        // while the checker held it would wait for ever.
        if (m_ended.load(std::memory_order_acquire)) {
            Integer none;
            m_checks.tryPop(none); // throws what the checker threw
        }
        if (screen < 0 || m_blockOfScreen[size_t(screen)] < 0)
            return Copy::Unknown;
        Block& block = m_blocks[size_t(m_blockOfScreen[size_t(screen)])];
        int state = Unclaimed;
        if (block.answer.compare_exchange_strong(state, Claimed)) {
            check(block, file.bytes(block.begin, block.end));
            state = block.answer.load(std::memory_order_acquire);
        } else if (state == Claimed) {
            // The checker is looking at it this very moment: rather than wait for a thread that might not
            // answer (a copy of the process made by fork() has none), the save looks at it too.
            return look(block, file.bytes(block.begin, block.end), copy);
        } else {
            state = block.answer.load(std::memory_order_acquire);
        }
        if (state == int(Copy::Yes))
            *copy = block.copy;
        return state == int(Copy::Yes) ? Copy::Yes : state == int(Copy::No) ? Copy::No : Copy::Unknown;
    }

    // The answer for a block that has one already; none while it is not looked at or is being looked at.
    const BlockCopy* answered(Integer screen) const {
        if (screen < 0 || m_blockOfScreen[size_t(screen)] < 0)
            return nullptr;
        const Block& block = m_blocks[size_t(m_blockOfScreen[size_t(screen)])];
        return block.answer.load(std::memory_order_acquire) == int(Copy::Yes) ? &block.copy : nullptr;
    }

private:
    // Block states besides the answers.
    static constexpr int Unclaimed = 8;
    static constexpr int Claimed = 9;

    struct Block {
        Integer screen = 0;
        qint64 begin = 0;
        qint64 end = 0;
        std::atomic<int> answer{Unclaimed};
        BlockCopy copy; // when the answer is Copy::Yes
    };

    // Whether the bytes read for `block` may be copied: Copy::Unknown when they were not read whole.
    static Copy look(const Block& block, QByteArrayView bytes, BlockCopy* copy) {
        if (bytes.size() != block.end - block.begin)
            return Copy::Unknown;
        CopyableBlock found;
        if (!ScanCopyableBlock(bytes, block.screen, &found))
            return Copy::No;
        *copy = BlockCopy{block.begin, block.end, found.tileBytes, {}, found.verbatim()};
        std::copy(std::begin(found.links), std::end(found.links), copy->links.begin());
        return Copy::Yes;
    }

    // Answers for a block its claimer read.
    static void check(Block& block, QByteArrayView bytes) {
        block.answer.store(int(look(block, bytes, &block.copy)), std::memory_order_release);
    }

    void run() {
        for (size_t i = m_count; i-- > 0 && !m_checks.closed();) {
            Block& block = m_blocks[i];
            int state = Unclaimed;
            if (!block.answer.compare_exchange_strong(state, Claimed))
                return; // the save has come this far
            check(block, m_file->bytes(block.begin, block.end));
        }
    }

    std::unique_ptr<Block[]> m_blocks;
    size_t m_count;
    std::vector<int> m_blockOfScreen; // by screen number, -1 for none
    std::unique_ptr<ReadAhead> m_file;
    // Hands nothing over: the blocks' answers are the checker's work. It ends the checks when it has
    // looked at every block it claimed, carrying what the checker threw; the index closes it to stop them.
    BoundedQueue<Integer> m_checks{1};
    std::atomic<bool> m_ended{false};
    std::thread m_thread;
};

LevelIndex::LevelIndex() = default;
LevelIndex::~LevelIndex() = default;

void LevelIndex::stopBlockChecks() {
    m_checker.reset();
}

LevelIndex::Copy LevelIndex::blockCopy(Integer screen, ReadAhead& file, BlockCopy* copy) {
    return m_checker ? m_checker->answer(screen, file, copy) : Copy::Unknown;
}

const LevelIndex::BlockCopy* LevelIndex::copyableBlock(Integer screen) const {
    return m_checker ? m_checker->answered(screen) : nullptr;
}

void LevelIndex::clear() {
    stopBlockChecks();
    m_path.clear();
    m_size = -1;
    m_runs.clear();
    m_endFailure.reset();
}

namespace {

// Gathers the runs of records of the keys looked up.
class RunSink : public RecordSink {
public:
    using Runs = std::unordered_map<std::string, std::vector<LevelIndex::Run>>;

    explicit RunSink(bool noteTexts) : m_noteTexts(noteTexts) {}

    void record(qint64 begin, qint64 end, QByteArrayView key, bool keyIsText, QByteArrayView bytes) override {
        const bool first = !m_anyRecord;
        m_anyRecord = true;
        // Records of the other keys make runs under the empty key, whatever their own keys are: a save
        // keeps them, and a file of nothing else has one run.
        const bool lookedUp = keyIsText && isLookedUp(key);
        if (!lookedUp)
            key = QByteArrayView("");
        const bool noteTexts = m_noteTexts && lookedUp;
        if (m_last && SameShortBytes(key, m_lastKey)) {
            LevelIndex::Run& run = m_last->back();
            run.end = end;
            ++run.records;
            if (run.textsFrom >= 0)
                ++run.fromTexts;
            else if (noteTexts && mayGiveLinks(key, bytes))
                run.textsFrom = begin, run.fromTexts = 1;
            return;
        }
        m_last = &m_runs[std::string(key.data(), size_t(key.size()))];
        m_last->push_back(LevelIndex::Run{begin, end, 1});
        if (noteTexts && mayGiveLinks(key, bytes))
            m_last->back().textsFrom = begin, m_last->back().fromTexts = 1;
        m_lastKey = key.toByteArray();
        if (first)
            m_firstKey = m_lastKey;
    }

    std::unique_ptr<RecordSink> makeSecond() const override { return std::make_unique<RunSink>(m_noteTexts); }

    void append(RecordSink& other) override {
        auto& second = static_cast<RunSink&>(other);
        if (!second.m_anyRecord)
            return;
        // The second part's first run goes on with this part's last when their keys are the same.
        const bool joined = m_last && !second.m_firstKey.isNull() && second.m_firstKey == m_lastKey;
        if (joined) {
            const LevelIndex::Run& firstRun = second.m_runs.at(second.m_firstKey.toStdString()).front();
            LevelIndex::Run& run = m_last->back();
            run.end = firstRun.end;
            if (run.textsFrom >= 0)
                run.fromTexts += firstRun.records;
            else
                run.textsFrom = firstRun.textsFrom, run.fromTexts = firstRun.fromTexts;
            run.records += firstRun.records;
        }
        for (auto& [key, runs] : second.m_runs) {
            std::vector<LevelIndex::Run>& mine = m_runs[key];
            const auto from =
                joined && SameShortBytes(QByteArrayView(key.data(), qsizetype(key.size())), m_lastKey)
                    ? runs.begin() + 1
                    : runs.begin();
            mine.insert(mine.end(), from, runs.end());
        }
        m_last = second.m_last ? &m_runs[second.m_lastKey.toStdString()] : nullptr;
        m_lastKey = second.m_lastKey;
    }

    Runs& runs() { return m_runs; }

private:
    bool m_noteTexts;
    Runs m_runs;
    std::vector<LevelIndex::Run>* m_last =
        nullptr; // the runs of the key read last; the map keeps it in place
    QByteArray m_lastKey;
    bool m_anyRecord = false;
    QByteArray m_firstKey; // the key of the first record, when that record began a run
};
} // namespace

void LevelIndex::build(FileAccess& files, const QString& path, bool checkBlocks) {
    clear();
    const std::unique_ptr<QIODevice> file = files.openRead(path);
    const QFileInfo info(path);
    RunSink sink(/*noteTexts=*/checkBlocks);
    ScanOptions options;
    options.openAgain = [&files, &path] { return files.openRead(path); };
    m_endFailure = ScanRecords(*file, sink, options);
    m_runs = std::move(sink.runs());
    m_path = path;
    m_size = info.size();
    m_modified = info.lastModified();
    if (!checkBlocks || m_endFailure)
        return;
    // The screens whose records are a whole block in one run, in file order.
    std::vector<std::pair<Integer, Run>> blocks;
    for (const auto& [key, runs] : m_runs) {
        if (runs.size() != 1 || runs.front().records != 309 || key.rfind("Screen", 0) != 0)
            continue;
        bool isNumber = false;
        const QByteArray digits = QByteArray::fromStdString(key.substr(6));
        const int screen = digits.toInt(&isNumber);
        if (isNumber && screen >= 0 && screen <= std::numeric_limits<Integer>::max() &&
            QByteArray::number(screen) == digits)
            blocks.emplace_back(Integer(screen), runs.front());
    }
    std::sort(blocks.begin(), blocks.end(),
              [](const auto& a, const auto& b) { return a.second.begin < b.second.begin; });
    if (blocks.empty())
        return;
    std::unique_ptr<QIODevice> blockFile;
    try {
        blockFile = files.openRead(path);
    } catch (const Failure&) {
    }
    m_checker = std::make_unique<BlockChecker>(std::move(blockFile), blocks);
}

// The runs are those a scan notes: a block's 309 records, of which the last nine may give links; the
// level properties' one record, whose second field is a text.
void LevelIndex::adopt(const QString& path, const std::vector<Placed>& blocks, qint64 propertiesAt) {
    clear();
    const QFileInfo info(path);
    if (!info.exists() || propertiesAt < 0 || propertiesAt >= info.size())
        return;
    for (const Placed& block : blocks)
        m_runs["Screen" + std::to_string(block.screen)].push_back(
            Run{block.begin, block.end, 309, block.begin + block.tileBytes, 9});
    m_runs["LevelProp"].push_back(Run{propertiesAt, info.size(), 1, propertiesAt, 1});
    m_path = path;
    m_size = info.size();
    m_modified = info.lastModified();
    if (!blocks.empty())
        m_checker = std::make_unique<BlockChecker>(blocks);
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

std::vector<LevelIndex::Foreign> LevelIndex::foreignRuns() const {
    std::vector<std::pair<qint64, int>> screens; // where each screen's runs begin
    std::vector<Foreign> foreign;
    for (const auto& [key, runs] : m_runs) {
        const QString text = QString::fromLatin1(key.data(), qsizetype(key.size()));
        const std::optional<Integer> screen = EditorScreenOfKey(text);
        for (const Run& run : runs) {
            if (screen)
                screens.emplace_back(run.begin, int(*screen));
            else if (key != "LevelProp")
                foreign.push_back(Foreign{run.begin, run.end, -1});
        }
    }
    std::sort(screens.begin(), screens.end());
    std::sort(foreign.begin(), foreign.end(),
              [](const Foreign& a, const Foreign& b) { return a.begin < b.begin; });
    for (Foreign& run : foreign) {
        const auto after = std::lower_bound(screens.begin(), screens.end(), std::make_pair(run.begin, -1));
        if (after != screens.begin())
            run.after = std::prev(after)->second;
    }
    return foreign;
}

bool LevelIndex::hasLevelRecords() const {
    return std::any_of(m_runs.begin(), m_runs.end(), [](const auto& run) {
        return IsLevelKey(QString::fromLatin1(run.first.data(), qsizetype(run.first.size())));
    });
}

} // namespace tavrin
