#pragma once

#include "level/core/boxes.h"
#include "level/core/colour.h"
#include "level/core/fieldvalue.h"
#include "level/core/messages.h"
#include "level/core/numbers.h"
#include "level/core/tilearrays.h"
#include "level/document/editorsession.h"
#include "level/document/picturelookup.h"
#include "level/document/scratchfiles.h"
#include "level/document/screen.h"
#include "level/format/levelindex.h"
#include "level/format/record.h"
#include "level/format/writtenblock.h"
#include "level/storage/fileaccess.h"
#include "level/storage/session.h"

#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace tavrin {

struct CopyableBlock;
class SaveOutput;
class LevelSave;
class ScratchStage;
class LevelCopyStage;

// The seven level properties, as one value.
struct PropertyValues {
    QString name, author, dateMade, description, comments;
    Integer startTile = 1;
    Integer lastScreen = 0;

    bool operator==(const PropertyValues& other) const;
    bool operator!=(const PropertyValues& other) const { return !(*this == other); }
};

// The properties of a "LevelProp" record. A start tile or last screen that is no Integer fails with the
// failure of its conversion; `field` then tells which field it was.
PropertyValues PropertiesOfRecord(const Record& record, int* field);

// The level state and the procedures that keep it on disk. It draws nothing: the windows draw it from its
// values. The level document owns the one instance the editor works on and is the only way to change it;
// windows get it read-only. Reading procedures are const: they fill caches (the index, the pictures) but
// change no state.
class Module1 {
public:
    explicit Module1(QString programFolder = QString());
    Module1(const Module1&) = delete;
    Module1& operator=(const Module1&) = delete;

    // --- The level state ---------------------------------------------------------------------------------
    // Read here; only Module1's own procedures and the level document change it.
    Integer CurrentScreen() const { return m_state.CurrentScreen; }
    const CheckedArray<Integer, 2, 9>& SideScreen() const { return m_state.SideScreen; }
    Integer SideScreen(int k) const { return m_state.SideScreen(k); }

    const QString& LevelName() const { return m_state.LevelName; }
    const QString& LevelAuthor() const { return m_state.LevelAuthor; }
    const QString& LevelDateMade() const { return m_state.LevelDateMade; }
    const QString& LevelDescription() const { return m_state.LevelDescription; }
    const QString& LevelComments() const { return m_state.LevelComments; }
    Integer LevelStartTile() const { return m_state.LevelStartTile; }
    Integer LevelLastScreen() const { return m_state.LevelLastScreen; }

    // The seven properties above as one value, and all seven set at once.
    PropertyValues Properties() const;
    void SetProperties(const PropertyValues& properties);

    const QString& LevelFileName() const { return m_state.LevelFileName; }
    Flag FileRunning() const { return m_state.FileRunning; }
    Integer WalkerTile() const { return m_state.WalkerTile; }
    // The walk marker stands on `tile` of the screen on display.
    void PlaceWalker(Integer tile) { m_state.WalkerTile = tile; }
    const QString& PictureName() const { return m_state.PictureName; }
    // The brush colour, which a screen found nowhere (blank) takes for all its tiles.
    Long BrushColour() const { return m_state.BrushColour; }

    // The screen on display, Tile(0) below the grid included: each array whole, or one tile's entry.
    const TileArray<FieldValue>& TileBackColor() const { return m_state.TileBackColor; }
    const FieldValue& TileBackColor(int index) const { return m_state.TileBackColor(index); }
    const TileArray<FieldValue>& TilePicture() const { return m_state.TilePicture; }
    const FieldValue& TilePicture(int index) const { return m_state.TilePicture(index); }
    const TileArray<Integer>& TilePropLeft() const { return m_state.TilePropLeft; }
    const Integer& TilePropLeft(int index) const { return m_state.TilePropLeft(index); }
    const TileArray<Integer>& TilePropUp() const { return m_state.TilePropUp; }
    const Integer& TilePropUp(int index) const { return m_state.TilePropUp(index); }
    const TileArray<Integer>& TilePropRight() const { return m_state.TilePropRight; }
    const Integer& TilePropRight(int index) const { return m_state.TilePropRight(index); }
    const TileArray<Integer>& TilePropDown() const { return m_state.TilePropDown; }
    const Integer& TilePropDown(int index) const { return m_state.TilePropDown(index); }
    const TileArray<FieldValue>& TilePropLeftOps() const { return m_state.TilePropLeftOps; }
    const FieldValue& TilePropLeftOps(int index) const { return m_state.TilePropLeftOps(index); }
    const TileArray<FieldValue>& TilePropUpOps() const { return m_state.TilePropUpOps; }
    const FieldValue& TilePropUpOps(int index) const { return m_state.TilePropUpOps(index); }
    const TileArray<FieldValue>& TilePropRightOps() const { return m_state.TilePropRightOps; }
    const FieldValue& TilePropRightOps(int index) const { return m_state.TilePropRightOps(index); }
    const TileArray<FieldValue>& TilePropDownOps() const { return m_state.TilePropDownOps; }
    const FieldValue& TilePropDownOps(int index) const { return m_state.TilePropDownOps(index); }

    // Told the number of the screen on display whenever a screen was put on display.
    void setScreenShown(std::function<void(Integer)> shown) { m_screenShown = std::move(shown); }

    // --- Where things are -----------------------------------------------------------------------------
    const QString& ProgramFolder() const { return m_programFolder; }
    // Every file goes through Files(); tests may point it at one that injects faults.
    FileAccess* Files() const { return m_files; }
    void setFiles(FileAccess* files) { m_files = files; }
    // Reads the level file through an index of where each screen's records stand, instead of reading the
    // whole file for every screen. Off, every read goes through the whole file; the result is the same.
    bool UseIndex() const { return m_useIndex; }
    void setUseIndex(bool useIndex) { m_useIndex = useIndex; }

    // --- Sessions: what a crash leaves behind ----------------------------------------------------------
    // The scratch folder, the session file and what other editors left (see EditorSession).
    const EditorSession& Sessions() const { return m_sessions; }
    EditorSession& Sessions() { return m_sessions; }
    bool Saving() const { return m_saving; }
    // Writes the session file: the level file, whether there are unsaved edits, the scratch files.
    void WriteSession(bool unsaved) { writeSession(unsaved, m_state.LevelLastScreen); }
    // Loads the level of `session` (or none) and takes its scratch files as this editor's own, so that
    // every screen edited comes back as it was left.
    void RecoverSession(const SessionState& session);
    // The scratch file of a screen: the one this editor wrote for it, else Screen<n>.tmp.
    QString ScratchFileName(Integer screen) const;
    QString TemplateLevelFileName() const;
    // Where the level's pictures are looked up, and the pictures read.
    const PictureLookup& Pictures() const { return m_pictures; }
    PictureLookup& Pictures() { return m_pictures; }

    // --- Start-up ---------------------------------------------------------------------------------------
    // The defaults of the load step: side links k, operands 1, start tile and walker 1.
    void SetDefaults();
    // The level as after a start without a level file: this editor's scratch files deleted, the defaults
    // of the load step, a fresh screen 0 on display, no level file.
    void NewLevel();
    // LevelFileName() names a file that did not exist when it was named: a new level to be saved there.
    bool LevelFileIsNew() const { return m_state.LevelFileIsNew; }
    // The level file the screens without a scratch file are read from: the level copy that the last edit of
    // many screens wrote, else the level file; empty when there is neither (no level file, or one named
    // that does not exist yet). The level file stays the one the level is saved to.
    QString ScreensFile() const;

    // --- Screens and scratch files ---------------------------------------------------------------------
    void LoadLevel(const QString& fileName, const QString& callerName);
    bool ScreenTmpExists() const;
    // How the screen on display goes to its scratch file: on the disk before the call returns, or, while
    // the level holds nothing unsaved, left to the system for later (the saved level holds the same
    // screen, and a crash then offers nothing to recover). WriteSession puts such files on the disk before
    // it names them as unsaved work.
    enum class ScratchSync { Now, Later };
    void SaveScreenTmp(ScratchSync sync = ScratchSync::Now);
    void LoadScreen();
    // The change of screen: the screen on display goes to its scratch file, then `target` is loaded.
    void ChangeScreen(Integer target, ScratchSync sync = ScratchSync::Now);
    // Go To Screen with the text of a box: a text that is no number fails before anything is saved; the
    // number of the screen on display changes nothing; one outside the Integer range fails after the
    // screen on display was saved.
    void GoToScreen(const QString& text, ScratchSync sync = ScratchSync::Now);
    // Deletes the scratch files this editor wrote, as long as they are still the files it wrote; a file
    // it merely finds in the folder is never deleted. `keep` (a level being loaded) is left in place.
    void DeleteScratchFiles(const QString& keep = QString());

    // --- Level files ------------------------------------------------------------------------------------
    void LoadLevelProp(const QString& fileName);
    // True when some record of the file is a level record ("LevelProp", or "Screen" followed by a screen
    // number): the file is a level file at all. Missing, it is failure 53.
    bool HoldsLevelRecords(const QString& fileName) const;
    void LoadSideScreens(const QString& fileName);
    void WriteScreen(RecordWriter& writer);
    // Level-load sequence: screen 0, the level properties, the side links, the walk marker. All or
    // nothing: the properties, screen 0's records and its side links are read and checked first, and a
    // file that fails there (its description names the file, line and field) changes nothing at all.
    // On success LevelFileName names the file.
    void LoadLevelSequence(const QString& fileName, const QString& callerName);
    // Refuses a level that cannot be saved faithfully: a last screen below 0, a property text that a level
    // file cannot hold. Nothing is written.
    void CheckSavable() const;
    // Writes screens 0..LevelLastScreen and the level properties to `path` (see LevelSave). `onScreen` is
    // told the number of every screen before it is written and once more with LevelLastScreen + 1 at the
    // end; it may stop the save by throwing. A screen that cannot be read whole is copied into the file as
    // its records stand in its source; the save still succeeds and returns a notice naming those screens
    // and why.
    std::optional<Failure> SaveLevel(const QString& path, const std::function<void(int)>& onScreen = {});

    // The 309 records of the screen on display.
    QByteArray EncodeScreenBlock() const;

    // --- Screens as values -----------------------------------------------------------------------------
    TileState TileOnDisplay(int index) const;
    // Stores a tile of the screen on display (or of Tile(0)).
    void StoreTile(int index, const TileState& state);
    Screen ScreenOnDisplay() const;
    // The side links of the screen on display.
    SideLinks LinksOnDisplay() const;
    // Screen `screen` becomes `value`: put on display when it is the screen on display, else written to
    // its scratch file. One of many screens written together leaves the waiting for the disk to
    // SyncScratchFiles().
    void StoreScreen(Integer screen, const Screen& value, bool oneOfMany = false);
    void SyncScratchFiles() const;
    // Screen `screen` as changing to it would give it: from its scratch file, else from the level file,
    // else fresh (Screen::fresh), without touching the screen on display. A record that cannot
    // be read stops the reading there; `trouble` gets why.
    Screen ReadScreen(Integer screen, std::optional<Failure>* trouble = nullptr) const;
    // The side links of screen `screen` as ReadScreen gives them, without reading its tiles: for a map of
    // the whole level. Links that cannot be read are left as far as they were read.
    SideLinks ReadSideLinks(Integer screen) const;
    // Screen `screen`, not the one on display, as the bytes of its block in its scratch file or in the
    // level file (read through the index), when that block is as the editor writes it: what ReadScreen
    // gives, without reading it as a value. None otherwise. `levelFile` keeps the level file open from one
    // screen to the next.
    std::optional<WrittenBlock> WrittenBlockOf(Integer screen, std::unique_ptr<ReadAhead>& levelFile) const;
    // The same for many screens in turn: a block written as the editor writes it, in the scratch file or
    // the level file (as the index's block checker found it), gives its links without its records being
    // read one by one; `levelFile` keeps the level file open from one screen to the next.
    SideLinks ReadSideLinks(Integer screen, std::unique_ptr<ReadAhead>& levelFile) const;
    // Screen `screen` from the records of the file `source` alone, scratch files and the screen on display
    // left out: fresh when the file has no tile records of it, or `source` is empty.
    Screen ReadScreenFrom(const QString& source, Integer screen,
                          std::optional<Failure>* trouble = nullptr) const;
    // True when screen `screen` may differ from the level file: it has a scratch file, or it is on display
    // and is not as the level file holds it.
    bool ScreenIsEdited(Integer screen) const;
    // The screens that have a scratch file of this editor's.
    QList<Integer> ScratchScreens() const;

    // What changing to screen `screen` would put on display, without changing anything: the screen as
    // LoadScreen reads it over `shown`, the screen on display before, and what went wrong on the way. The
    // failure that `trouble` holds is the one LoadScreen throws; `told` are the messages it shows.
    struct ScreenLoad {
        Screen screen;
        bool fromFile = false; // what FileRunning becomes
        std::optional<Failure> trouble;
        std::vector<std::pair<Failure, QString>> told; // each failure with the place it is told under
        // Where the screen came from and why it stopped, when it could not be read whole.
        std::optional<std::pair<QString, Failure>> partly;
        // Its records gave every tile and every side link: nothing was left from `shown`.
        bool whole = false;
    };
    ScreenLoad LoadScreenValue(Integer screen, const Screen& shown) const;
    // Screen `screen` as Save Level writes it: a screen of the level whose records leave tiles or links
    // out keeps what the screen before it left (the first one, what is on display), however the screens
    // were visited; the screen on display as it is.
    ScreenLoad SavedScreenValue(Integer screen) const;
    // The screen on display could not be read whole: its scratch file is not written from it.
    bool ScreenOnDisplayPartlyRead() const {
        return m_partlyRead && m_partlyRead->screen == m_state.CurrentScreen;
    }
    // Puts a screen on display as LoadScreen does, from what LoadScreenValue gave; nothing is read again.
    void ShowLoadedScreen(Integer screen, const ScreenLoad& load);

private:
    friend class LevelDocument;
    friend class LevelSave;
    friend class ScratchStage;
    friend class LevelCopyStage;
    // The level state, its fields under the names of the procedures that read it.
    struct State {
        Integer CurrentScreen = 0;
        CheckedArray<Integer, 2, 9> SideScreen;
        QString LevelName;
        QString LevelAuthor;
        QString LevelDateMade;
        QString LevelDescription;
        QString LevelComments;
        Integer LevelStartTile = 1;
        Integer LevelLastScreen = 0;
        QString LevelFileName;
        bool LevelFileIsNew = false;
        Flag FileRunning = False;
        Integer WalkerTile = 1;
        QString PictureName;
        Long BrushColour = SysButtonFace;
        TileArray<FieldValue> TileBackColor;
        TileArray<FieldValue> TilePicture;
        TileArray<Integer> TilePropLeft;
        TileArray<Integer> TilePropUp;
        TileArray<Integer> TilePropRight;
        TileArray<Integer> TilePropDown;
        TileArray<FieldValue> TilePropLeftOps;
        TileArray<FieldValue> TilePropUpOps;
        TileArray<FieldValue> TilePropRightOps;
        TileArray<FieldValue> TilePropDownOps;
    };
    struct RecordPlace {
        qint64 begin; // byte offsets of the record in its file
        qint64 end;
    };
    using RecordVisitor = std::function<void(const Record&, const RecordPlace&)>;
    struct LevelProperties {
        PropertyValues values;
        Record record; // the record they were read from, and where it stands
        qint64 offset = 0;
    };
    // The screen on display when it could not be read whole: where it came from and why it stopped.
    struct PartlyRead {
        Integer screen;
        QString source;
        Failure failure;
    };

    // Calls `visit` for every record of the file whose key is the text `key`, in file order. With
    // `textsOnly`, a file read through its index may leave out records whose second field is a whole
    // number: those that only give tiles. `levelFile`, when given, is the file read through the index,
    // indexed already.
    void forEachRecord(const QString& fileName, const QString& key, const RecordVisitor& visit,
                       bool textsOnly = false, ReadAhead* levelFile = nullptr) const;
    bool readsThroughIndex(const QString& fileName) const;
    // The failure `failure` met in field `field` of a record: the description says where.
    Failure fieldFailure(const Failure& failure, const QString& fileName, qint64 offset, int field,
                         const Record& record) const;
    // Checks every conversion a tile record needs; its tile number, or none for a record that is not a
    // tile record. Throws a failure that names the file, line and field.
    std::optional<Integer> checkTileRecord(const Record& record, const QString& fileName,
                                           qint64 offset) const;
    // Reads the tile records of `screen` in `fileName` into `into`; the failure that stopped it. `found`
    // tells whether the file has tile records of the screen.
    // `tiles` counts the grid tiles that had a record.
    std::optional<Failure> readScreenRecords(const QString& fileName, Integer screen, Screen& into,
                                             bool* found, int* tiles = nullptr) const;
    // The scratch file of `screen` when it has a whole one, else screensSource().
    QString sourceOf(Integer screen) const;
    // The level copy when there is one, else the level file (which may not exist yet).
    const QString& screensSource() const {
        return m_scratch.levelCopy() ? m_scratch.levelCopy()->path : m_state.LevelFileName;
    }
    void setLinksOnDisplay(const SideLinks& links);
    std::optional<LevelProperties> readLevelProperties(const QString& fileName) const;
    // The side links of `screen` in the file, starting from `links`; true when the file gave all of them.
    bool readSideLinks(const QString& fileName, Integer screen, SideLinks& links,
                       ReadAhead* levelFile = nullptr) const;
    // The links of `screen`'s block when it is written as the editor writes it; none when it is not, or
    // when it could not be looked at.
    std::optional<SideLinks> blockLinks(Integer screen, std::unique_ptr<ReadAhead>& levelFile) const;
    // Reads screen `number`'s tiles and side links from a scratch or level file over `screen`, as
    // LoadScreen does; true when the file has records of it.
    bool loadScreenFrom(const QString& fileName, const QString& callerName, Integer number, Screen& screen,
                        ScreenLoad& load) const;
    // Screen `number` straight from the bytes of its block when `fileName` (a scratch file, or the level file
    // read through its index) holds it as the editor writes it and nothing else of it: every tile and link
    // of the screen, so the screen whole. None when it does not, or could not be looked at: the records are
    // then read one by one, which meets the same failure.
    std::optional<Screen> blockScreen(const QString& fileName, Integer number, bool scratch) const;
    // The block of screen `number` in `fileName` when it is as the editor writes it: the whole scratch
    // file (`scratch`), or in a level file read through its index, the screen's only records. With
    // `levelFile` that file is read through a read-ahead kept from one screen to the next (made here when
    // there is none), else only the block is read.
    std::optional<WrittenBlock> writtenBlockIn(const QString& fileName, Integer number, bool scratch,
                                               std::unique_ptr<ReadAhead>* levelFile) const;
    // A screen found nowhere: every tile in the brush colour, picture 0, directions 0; the operands and
    // links stay as they were.
    void blank(Screen& screen) const;
    // Gives the bytes of screen `screen` to `out` when a save may copy them as they stand: a block
    // exactly as the editor writes it, in its scratch file or as the only records of the screen in the
    // level file. False, having given nothing, when it may not.
    // `placed` gets the bytes of its tile records and its links.
    bool appendCopyableBlock(Integer screen, SaveOutput& out, std::unique_ptr<ReadAhead>& levelSource,
                             std::pair<qsizetype, BlockLinks>* placed = nullptr) const;
    // Indexes the level file `fileName` unless the index describes it as it is.
    void indexLevelFile(const QString& fileName) const;
    // The records of screen `screen` in `fileName` as they stand, each ended with CR LF.
    QByteArray recordsAsTheyStand(const QString& fileName, Integer screen) const;
    Record levelPropRecord() const;

    State m_state;
    QString m_programFolder;
    FileAccess m_defaultFiles;
    FileAccess* m_files = &m_defaultFiles;
    bool m_useIndex = true;
    std::function<void(Integer)> m_screenShown;
    PictureLookup m_pictures{m_programFolder, m_state.LevelFileName, m_files};
    mutable LevelIndex m_index; // filled as files are read
    ScratchFiles m_scratch{m_files, [this] { return m_sessions.scratchFolder(); }};
    EditorSession m_sessions{m_files, m_programFolder, m_scratch};
    std::optional<PartlyRead> m_partlyRead;
    QString m_loadingFile; // the level file a level-load sequence is reading
    Failure lostScratchFile(const QString& scratch, Msg what, Integer screen) const;
    bool m_saving = false;
    // The session file, naming `lastScreen` as the last screen.
    void writeSession(bool unsaved, Integer lastScreen);
};

} // namespace tavrin
