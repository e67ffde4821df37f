#pragma once

#include "level/document/module1.h"

#include <vector>

namespace tavrin {

// The screens an edit of many screens changes, written where nothing that reads the level sees them until
// commit(), which makes them the level's all at once; what was not committed goes with the stage.
class ScreensStage {
public:
    virtual ~ScreensStage() = default;
    // Screen `screen` is to become `value`.
    virtual void write(Integer screen, const Screen& value) = 0;
    // The same with the screen's block changed as bytes.
    virtual void write(Integer screen, const WrittenBlock& block) = 0;
    // Screen `screen` is to lose what it holds now, and be read from the level file again.
    virtual void drop(Integer screen) = 0;
    // Makes the screens written the level's, with `lastScreen` as the level's last screen from then on, by
    // one write of the session file. A failure before it is thrown, with the level as it was.
    virtual void commit(Integer lastScreen) = 0;
};

// Scratch files of many screens written beside the others first and put in their place together, so that
// work on many screens given up half way changes no scratch file. Until commit() nothing that reads the
// level sees them; what was not committed goes with the stage.
class ScratchStage : public ScreensStage {
public:
    // Makes a folder of its own in the scratch folder; throws when it cannot.
    explicit ScratchStage(Module1& level);
    ~ScratchStage() override;
    ScratchStage(const ScratchStage&) = delete;
    ScratchStage& operator=(const ScratchStage&) = delete;

    // Screen `screen` is to become `value`.
    void write(Integer screen, const Screen& value) override;
    // The same with the screen's block changed as bytes; the scratch file it becomes is known to hold
    // such a block, and is read without being checked again while it stays as written.
    void write(Integer screen, const WrittenBlock& block) override;
    // Screen `screen` is to lose its scratch file, and be read from the level file again.
    void drop(Integer screen) override;
    int size() const { return int(m_written.size() + m_dropped.size()); }
    // Puts every screen written in place of its scratch file and lets the screens dropped go, with
    // `lastScreen` as the level's last screen from then on. The screens written take names no file has,
    // and only the session file, written whole, names them in place of the files before: whenever the
    // editor stops, a recovery finds either every screen as it was or every screen as it is now. Then the
    // files no session names any more go (only while they are still the files this editor wrote). A
    // failure before the session file is written is thrown, with the scratch files as they were.
    void commit(Integer lastScreen) override;

private:
    Module1& m_level;
    QString m_folder;
    struct Written {
        Integer screen;
        QString path;
        FileIdentity identity; // kept by the rename that puts it beside the scratch files
        std::optional<ScratchFiles::KnownBlock> block; // its stamp taken once it is in place
    };
    void write(Integer screen, const QByteArray& bytes, std::optional<ScratchFiles::KnownBlock> block);
    std::vector<Written> m_written;
    std::vector<Integer> m_dropped;
};

} // namespace tavrin
