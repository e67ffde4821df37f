#pragma once

#include "level/document/module1.h"

#include <functional>
#include <memory>
#include <vector>

namespace tavrin {

// A Save Level under way: screens 0..LevelLastScreen, then the level properties, into a temporary file
// that replaces `path` when the whole level is written. Every screen is read as a value (or its block
// copied as it stands); nothing on display changes, so a window may stay responsive between screens.
// A save given up before it is finished leaves `path` as it was.
class LevelSave {
public:
    // Fails before anything is written when the level cannot be saved faithfully (Module1::CheckSavable)
    // or the file cannot be made.
    LevelSave(Module1& level, const QString& path);
    // The block a screen takes instead of what the level holds (an edit of many screens writing the level
    // copy): 309 records as the editor writes them, with the bytes of its tile records and its links when
    // they are known (`tileBytes` -1: not known); none for a screen left as it is.
    struct Block {
        QByteArray bytes;
        qsizetype tileBytes = -1;
        BlockLinks links = {};
    };
    using ChangedBlock = std::function<std::optional<Block>(Integer screen)>;
    // The same with screens 0..`last`, changed as `changed` says.
    LevelSave(Module1& level, const QString& path, Integer last, ChangedBlock changed);
    ~LevelSave();
    LevelSave(const LevelSave&) = delete;
    LevelSave& operator=(const LevelSave&) = delete;

    // The screen written next; LevelLastScreen + 1 once every screen is written.
    int nextScreen() const { return m_next; }
    int screens() const { return m_last + 1; }
    bool screensWritten() const { return m_next > m_last; }
    // Writes the next screen.
    void writeScreen();
    // Writes the level properties and puts the file in place of `path`. A notice names the screens that
    // were copied through unread.
    std::optional<Failure> finish();

    // Notes where each screen's block goes, from the first screen written on: for a file indexed from what
    // was written into it (a level copy). A plain save notes nothing, and looks at no block it encodes.
    void notePlaces() { m_noting = m_next == 0; }
    // Where each screen's block went in the file, each written as the editor writes blocks, in file order;
    // none when some records were copied as they stood instead, or places were not noted. Then the level
    // properties, from propertiesAt() to the end.
    using Placed = LevelIndex::Placed;
    std::vector<Placed>* placed() { return m_noting && m_placeable ? &m_placed : nullptr; }
    qint64 propertiesAt() const { return m_propertiesAt; }

private:
    // The screen as a save that had loaded every screen before it would hold it: screens with missing
    // records keep what the screen before them left.
    void loadIntoMemory(int screen);
    void writeForeign(int screen);
    // Notes where screen `screen`'s block went: from `begin` to where the file has come, its tile records
    // taking `tileBytes`; -1: read from `bytes`, the block.
    void place(Integer screen, qint64 begin, qsizetype tileBytes, const BlockLinks& links,
               const QByteArray& bytes = {});

    Module1& m_level;
    QString m_path;
    int m_last;
    int m_next = 0;
    std::unique_ptr<AtomicFile> m_file;
    std::unique_ptr<RecordWriter> m_writer;
    std::unique_ptr<SaveOutput> m_output;
    std::unique_ptr<ReadAhead> m_levelSource;
    Screen m_memory;
    ChangedBlock m_changed;
    int m_notLoaded = -1;        // a screen copied as it stands that m_memory does not hold yet
    QByteArray m_notLoadedBlock; // its block, when it was a changed one
    std::vector<Placed> m_placed;
    bool m_noting = false;
    bool m_placeable = true;
    qint64 m_propertiesAt = -1;
    std::vector<std::pair<int, Failure>> m_copiedThrough;
    std::vector<LevelIndex::Foreign> m_foreign; // by the screen they come after
    size_t m_foreignNext = 0;
    std::unique_ptr<QIODevice> m_foreignSource;
};

} // namespace tavrin
