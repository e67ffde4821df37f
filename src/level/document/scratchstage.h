#pragma once

#include "level/document/module1.h"

#include <vector>

namespace tavrin {

// Scratch files of many screens written beside the others first and put in their place together, so that
// work on many screens given up half way changes no scratch file. Until commit() nothing that reads the
// level sees them; what was not committed goes with the stage.
class ScratchStage {
public:
    // Makes a folder of its own in the scratch folder; throws when it cannot.
    explicit ScratchStage(Module1& level);
    ~ScratchStage();
    ScratchStage(const ScratchStage&) = delete;
    ScratchStage& operator=(const ScratchStage&) = delete;

    // Screen `screen` is to become `value`.
    void write(Integer screen, const Screen& value);
    // The same with the screen's block changed as bytes; the scratch file it becomes is known to hold
    // such a block, and is read without being checked again while it stays as written.
    void write(Integer screen, const WrittenBlock& block);
    // Screen `screen` is to lose its scratch file, and be read from the level file again.
    void drop(Integer screen);
    int size() const { return int(m_written.size() + m_dropped.size()); }
    // Puts every screen written in place of its scratch file and lets the screens dropped go, with
    // `lastScreen` as the level's last screen from then on. The screens written take names no file has,
    // and only the session file, written whole, names them in place of the files before: whenever the
    // editor stops, a recovery finds either every screen as it was or every screen as it is now. Then the
    // files no session names any more go (only while they are still the files this editor wrote). A
    // failure before the session file is written is thrown, with the scratch files as they were.
    void commit(Integer lastScreen);

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
