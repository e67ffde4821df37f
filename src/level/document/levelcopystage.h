#pragma once

#include "level/document/levelsave.h"
#include "level/document/scratchstage.h"

#include <memory>
#include <vector>

namespace tavrin {

// An edit of many screens written as a new level copy: the level whole, as a save writes it, with the
// screens the edit changes taking their new blocks on the way. One file written at the speed of a save
// takes the place of a scratch file for every screen, and every scratch file of a screen it holds goes.
// Until commit() nothing that reads the level sees it; what was not committed goes with the stage.
class LevelCopyStage : public ScreensStage {
public:
    // The copy holds screens 0..`last`. Throws, having made nothing, when the level cannot be written
    // whole (see LevelSave).
    LevelCopyStage(Module1& level, Integer last);
    ~LevelCopyStage() override;
    LevelCopyStage(const LevelCopyStage&) = delete;
    LevelCopyStage& operator=(const LevelCopyStage&) = delete;

    // Screens are given in increasing order, each above the one before, and no higher than `last`; the
    // screens between them are written as the level holds them.
    void write(Integer screen, const Screen& value) override;
    void write(Integer screen, const WrittenBlock& block) override;
    void drop(Integer screen) override;
    // The copy is finished and put in place of the level copy before (or of the level file as the source
    // of the screens), and the scratch files of the screens it holds are let go, all by the session file
    // that names it. Then the files no session names any more go.
    void commit(Integer lastScreen) override;

private:
    void write(Integer screen, LevelSave::Block block);

    Module1& m_level;
    Integer m_last;
    QString m_path;
    std::unique_ptr<LevelSave> m_save;
    Integer m_changedScreen = -1;
    LevelSave::Block m_changed;
    std::vector<Integer> m_dropped;
    std::optional<FileIdentity> m_finished; // the copy, once the save put it at m_path
    bool m_committed = false;
};

} // namespace tavrin
