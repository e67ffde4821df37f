#include "level/document/levelsave.h"

#include "level/document/saveoutput.h"
#include "level/format/screenblock.h"

#include <QDir>
#include <QFileDevice>
#include <algorithm>
#include <limits>

namespace tavrin {

namespace {
// What a save tells of the screens it copied through unread: one line for each, ten at most.
Failure copiedThroughNotice(const QString& path, const std::vector<std::pair<int, Failure>>& screens) {
    const QString file = QDir::toNativeSeparators(path);
    QString text = screens.size() == 1 ? Text(Msg::CopiedThroughOne).arg(file).arg(screens.front().first)
                                       : Text(Msg::CopiedThroughMany).arg(file).arg(screens.size());
    constexpr size_t shown = 10;
    for (size_t i = 0; i < screens.size() && i < shown; ++i)
        text +=
            u'\n' + Text(Msg::CopiedThroughScreen).arg(screens[i].first).arg(screens[i].second.description());
    if (screens.size() > shown)
        text += u'\n' + Text(Msg::CopiedThroughMore).arg(screens.size() - shown);
    return Failure(screens.front().second.code(), text);
}
} // namespace

LevelSave::LevelSave(Module1& level, const QString& path)
    : LevelSave(level, path, level.LevelLastScreen(), {}) {}

LevelSave::LevelSave(Module1& level, const QString& path, Integer last, ChangedBlock changed)
    : m_level(level), m_path(path), m_last(last), m_changed(std::move(changed)) {
    m_level.CheckSavable();
    m_file = m_level.Files()->openWrite(path);
    m_writer = std::make_unique<RecordWriter>(m_file.get());
    m_output = std::make_unique<SaveOutput>(*m_file);
    // The first screen read goes over what is on display, as loading it would.
    m_memory = m_level.ScreenOnDisplay();
    m_level.m_saving = true;
    // Records of the level file that belong to no screen and are not the level properties are the user's
    // data too (a newer game may read them): each goes out after the screen it came after.
    if (const QString& source = m_level.screensSource();
        !source.isEmpty() && m_level.Files()->exists(source)) {
        m_level.indexLevelFile(source);
        m_foreign = m_level.m_index.foreignRuns();
        std::stable_sort(
            m_foreign.begin(), m_foreign.end(),
            [](const LevelIndex::Foreign& a, const LevelIndex::Foreign& b) { return a.after < b.after; });
        if (!m_foreign.empty())
            m_foreignSource = m_level.Files()->openRead(source);
        m_placeable = m_foreign.empty();
    }
}

// Writes the foreign records that came after screens up to `screen`, each run ended with CR LF.
void LevelSave::writeForeign(int screen) {
    const auto* file = qobject_cast<QFileDevice*>(m_foreignSource.get());
    for (; m_foreignNext < m_foreign.size() && m_foreign[m_foreignNext].after <= screen; ++m_foreignNext) {
        const LevelIndex::Foreign& run = m_foreign[m_foreignNext];
        if (!m_foreignSource->seek(std::max<qint64>(run.begin, run.end - 2)))
            throw Failure::fileNotFound();
        QByteArray ending = m_foreignSource->read(run.end - std::max<qint64>(run.begin, run.end - 2));
        qint64 end = run.end;
        if (ending.endsWith("\r\n"))
            end -= 2;
        else if (ending.endsWith(',') || ending.endsWith('\r') || ending.endsWith('\n'))
            end -= 1;
        if (file && file->handle() >= 0) {
            m_output->copy(file->handle(), run.begin, end);
        } else {
            m_foreignSource->seek(run.begin);
            m_output->append(m_foreignSource->read(end - run.begin));
        }
        m_output->append("\r\n");
    }
}

// Unfinished, the temporary file goes with m_file and the level file stays as it was.
LevelSave::~LevelSave() {
    m_level.m_saving = false;
}

void LevelSave::loadIntoMemory(int screen) {
    if (!m_notLoadedBlock.isEmpty()) {
        std::optional<WrittenBlock> block = WrittenBlock::scan(std::exchange(m_notLoadedBlock, {}), screen);
        if (std::optional<Screen> value = block ? Screen::decode(*block) : std::nullopt) {
            m_memory = std::move(*value);
            return;
        }
    }
    const Module1::ScreenLoad load = m_level.LoadScreenValue(static_cast<Integer>(screen), m_memory);
    if (load.trouble)
        throw *load.trouble;
    m_memory = load.screen;
}

// A screen whose block is copied as it stands is not read; it is read only when the screen after it needs
// what it leaves in memory (a screen with missing records keeps the tiles of the one before). The screen on
// display is taken from memory, unless it could not be read whole: then its records are copied through as
// they stand, like those of any other such screen.
void LevelSave::writeScreen() {
    if (m_next == 0)
        writeForeign(-1);
    const auto screen = static_cast<Integer>(m_next);
    const bool onDisplay = screen == m_level.CurrentScreen();
    const bool partlyOnDisplay = onDisplay && m_level.m_partlyRead && m_level.m_partlyRead->screen == screen;
    std::optional<Block> changed = m_changed ? m_changed(screen) : std::nullopt;
    const qint64 begin = m_output->position();
    std::pair<qsizetype, BlockLinks> copied;
    if (changed) {
        m_output->append(changed->bytes);
        place(screen, begin, changed->tileBytes, changed->links, changed->bytes);
        m_notLoaded = screen;
        m_notLoadedBlock = std::move(changed->bytes);
    } else if (onDisplay && !partlyOnDisplay) {
        m_notLoaded = -1;
        m_notLoadedBlock.clear();
        m_memory = m_level.ScreenOnDisplay();
        const QByteArray bytes = m_memory.encode(screen);
        m_output->append(bytes);
        place(screen, begin, -1, {}, bytes);
    } else if (!onDisplay && m_level.UseIndex() &&
               m_level.appendCopyableBlock(screen, *m_output, m_levelSource, &copied)) {
        place(screen, begin, copied.first, copied.second);
        m_notLoaded = screen;
        m_notLoadedBlock.clear();
    } else {
        m_output->flush();
        if (m_notLoaded >= 0)
            loadIntoMemory(m_notLoaded);
        m_notLoaded = -1;
        const Module1::ScreenLoad load = m_level.LoadScreenValue(screen, m_memory);
        if (load.trouble)
            throw *load.trouble;
        m_memory = load.screen;
        if (load.partly) {
            m_output->append(m_level.recordsAsTheyStand(load.partly->first, screen));
            m_copiedThrough.emplace_back(screen, load.partly->second);
            m_placeable = false;
        } else {
            const QByteArray bytes = m_memory.encode(screen);
            m_output->append(bytes);
            place(screen, begin, -1, {}, bytes);
        }
    }
    writeForeign(screen);
    ++m_next;
}

// A block encoded from a value is looked at: what cannot be written as the editor writes blocks is written
// all the same, but not placed.
void LevelSave::place(Integer screen, qint64 begin, qsizetype tileBytes, const BlockLinks& links,
                      const QByteArray& bytes) {
    if (!m_noting || !m_placeable)
        return;
    Placed placed{screen, begin, m_output->position(), tileBytes, links};
    if (tileBytes < 0) {
        CopyableBlock found;
        if (!ScanCopyableBlock(bytes, screen, &found) || !found.verbatim()) {
            m_placeable = false;
            return;
        }
        placed.tileBytes = found.tileBytes;
        std::copy(std::begin(found.links), std::end(found.links), placed.links.begin());
    }
    m_placed.push_back(placed);
}

std::optional<Failure> LevelSave::finish() {
    if (m_next == 0)
        writeForeign(-1);
    writeForeign(std::numeric_limits<int>::max());
    m_output->flush();
    m_propertiesAt = m_output->position();
    m_writer->write(m_level.levelPropRecord());
    m_level.Files()->commit(*m_file);
    if (!m_copiedThrough.empty())
        return copiedThroughNotice(m_path, m_copiedThrough);
    return std::nullopt;
}

} // namespace tavrin
