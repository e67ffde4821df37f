#include "level/document/levelcopystage.h"

#include <cerrno>

namespace tavrin {

LevelCopyStage::LevelCopyStage(Module1& level, Integer last)
    : m_level(level), m_last(last), m_path(level.m_scratch.freeLevelCopyName()) {
    m_save = std::make_unique<LevelSave>(level, m_path, last,
                                         [this](Integer screen) -> std::optional<LevelSave::Block> {
                                             if (screen != m_changedScreen)
                                                 return std::nullopt;
                                             return std::exchange(m_changed, {});
                                         });
    m_save->notePlaces();
}

// A copy not finished goes with its save; one finished and not committed is deleted here.
LevelCopyStage::~LevelCopyStage() {
    m_save.reset();
    if (m_finished && !m_committed && RegularFileIdentity(m_path) == m_finished)
        m_level.Files()->remove(m_path);
}

void LevelCopyStage::write(Integer screen, const Screen& value) {
    write(screen, LevelSave::Block{value.encode(screen)});
}

void LevelCopyStage::write(Integer screen, const WrittenBlock& block) {
    LevelSave::Block changed;
    changed.bytes = block.bytes(screen, &changed.tileBytes);
    changed.links = block.links();
    write(screen, std::move(changed));
}

void LevelCopyStage::write(Integer screen, LevelSave::Block block) {
    if (screen < m_save->nextScreen() || screen > m_last)
        throw Failure(ErrSubscript, Text(Msg::NoSuchScreen).arg(screen));
    while (m_save->nextScreen() < screen)
        m_save->writeScreen();
    m_changedScreen = screen;
    m_changed = std::move(block);
    m_save->writeScreen();
    m_changedScreen = -1;
}

void LevelCopyStage::drop(Integer screen) {
    m_dropped.push_back(screen);
}

void LevelCopyStage::commit(Integer lastScreen) {
    while (!m_save->screensWritten())
        m_save->writeScreen();
    // Screens whose records could not be read whole are copied through as they stand, as in the level.
    m_save->finish();
    std::vector<LevelSave::Placed>* placed = m_save->placed();
    const std::vector<LevelSave::Placed> blocks =
        placed ? std::move(*placed) : std::vector<LevelSave::Placed>();
    const qint64 propertiesAt = placed ? m_save->propertiesAt() : -1;
    m_save.reset();
    m_finished = RegularFileIdentity(m_path);
    if (!m_finished)
        throw WriteFailure(m_path, ENOENT, false);
    const FileIdentity identity = *m_finished;

    ScratchFiles& scratch = m_level.m_scratch;
    const QHash<Integer, ScratchFiles::File> before = scratch.byScreen();
    const std::optional<ScratchFiles::LevelCopy> copyBefore = scratch.levelCopy();
    std::vector<Integer> folded = m_dropped;
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (it.key() <= m_last)
            folded.push_back(it.key());
    try {
        for (const Integer screen : folded)
            scratch.forget(screen);
        scratch.setLevelCopy(ScratchFiles::LevelCopy{m_path, identity, m_last});
        m_level.SyncScratchFiles();
        m_level.writeSession(true, lastScreen);
    } catch (...) {
        scratch.restore(before);
        scratch.setLevelCopy(copyBefore);
        throw;
    }
    m_committed = true;
    // The copy is indexed from what was written into it, as reading it would index it.
    if (propertiesAt >= 0)
        m_level.m_index.adopt(m_path, blocks, propertiesAt);
    for (const Integer screen : folded) {
        const auto file = before.constFind(screen);
        if (file != before.cend() && RegularFileIdentity(file->path) == file->identity)
            m_level.Files()->remove(file->path);
    }
    if (copyBefore)
        scratch.remove(*copyBefore);
}

} // namespace tavrin
