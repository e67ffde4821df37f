// Module1: the level file loaded and saved.

#include "level/document/module1.h"

#include "level/document/levelsave.h"
#include "level/document/module1_fields.h"
#include "level/document/saveoutput.h"
#include "level/format/screenblock.h"

#include <QDir>
#include <QScopeGuard>
#include <algorithm>

namespace tavrin {

using namespace levelfields;

// The records read whole are applied, in file order; the failure that stopped the reading is told.
void Module1::LoadLevel(const QString& fileName, const QString& callerName) {
    Screen screen = ScreenOnDisplay();
    bool found = false;
    const std::optional<Failure> failure = readScreenRecords(fileName, m_state.CurrentScreen, screen, &found);
    for (int i = FirstGridTile; i <= LastGridTile; ++i)
        StoreTile(i, screen.tile(i));
    m_state.FileRunning = found ? True : False;
    if (failure)
        ShowFailure(*failure, QStringLiteral("LoadLevel - ") + callerName);
}

std::optional<Module1::LevelProperties> Module1::readLevelProperties(const QString& fileName) const {
    std::optional<LevelProperties> read;
    forEachRecord(fileName, LevelPropKey, [&](const Record& record, const RecordPlace& place) {
        int field = 0;
        try {
            read = LevelProperties{PropertiesOfRecord(record, &field), record, place.begin};
        } catch (const Failure& failure) {
            throw fieldFailure(failure, fileName, place.begin, field, record);
        }
    });
    return read;
}

void Module1::LoadLevelProp(const QString& fileName) {
    const std::optional<LevelProperties> properties = readLevelProperties(fileName);
    if (properties)
        SetProperties(properties->values);
}

bool Module1::HoldsLevelRecords(const QString& fileName) const {
    indexLevelFile(fileName);
    return m_index.hasLevelRecords();
}

void Module1::LoadSideScreens(const QString& fileName) {
    SideLinks links = LinksOnDisplay();
    readSideLinks(fileName, m_state.CurrentScreen, links);
    setLinksOnDisplay(links);
}

void Module1::LoadLevelSequence(const QString& fileName, const QString& callerName) {
    m_pictures.beginPass();
    m_loadingFile = fileName;
    const auto endOfLoad = qScopeGuard([this] { m_loadingFile.clear(); });

    // A file in which no record is a level record (a picture, an empty file) is no level at all.
    if (!HoldsLevelRecords(fileName))
        throw Failure(ErrInvalidFormat,
                      Failure::notALevelFile(fileName).description() + u' ' + Text(Msg::NothingLoaded));

    // Read and check first, changing nothing: the properties, screen 0's tile records, its side links. A
    // file without properties has those of a new level.
    std::optional<LevelProperties> read = readLevelProperties(fileName);
    const LevelProperties properties = read.value_or(LevelProperties());
    const Integer startTile = properties.values.startTile;
    if (startTile < FirstGridTile || startTile > LastGridTile)
        throw fieldFailure(Failure(ErrSubscript, Text(Msg::StartTileNotOnGrid)), fileName, properties.offset,
                           6, properties.record);
    forEachRecord(fileName, screenKey(0), [&](const Record& record, const RecordPlace& place) {
        checkTileRecord(record, fileName, place.begin);
    });
    SideLinks links = LinksOnDisplay();
    readSideLinks(fileName, 0, links);

    // The file reads whole: from here on the level is the file's, and scratch files of an earlier run
    // belong to another level.
    DeleteScratchFiles(fileName);
    m_state.LevelFileName = fileName;
    m_state.LevelFileIsNew = false;
    m_state.CurrentScreen = 0;
    LoadLevel(fileName, callerName);
    SetProperties(properties.values);
    setLinksOnDisplay(links);
    m_state.WalkerTile = m_state.LevelStartTile;
    if (m_screenShown)
        m_screenShown(m_state.CurrentScreen);
}

Record Module1::levelPropRecord() const {
    return {FieldValue::text(LevelPropKey),
            FieldValue::text(m_state.LevelName),
            FieldValue::text(m_state.LevelAuthor),
            FieldValue::text(m_state.LevelDateMade),
            FieldValue::text(m_state.LevelDescription),
            FieldValue::text(m_state.LevelComments),
            num(m_state.LevelStartTile),
            num(m_state.LevelLastScreen),
            num(0),
            num(0),
            num(0),
            num(0)};
}

void Module1::CheckSavable() const {
    if (m_state.LevelLastScreen < 0)
        throw Failure(ErrInvalidValue, Text(Msg::LastScreenBelowZero).arg(m_state.LevelLastScreen));
    RecordWriter::CheckWritable(levelPropRecord());
    if (!m_state.LevelFileName.isEmpty() && !m_state.LevelFileIsNew &&
        !m_files->exists(m_state.LevelFileName))
        throw Failure(
            ErrPathAccess,
            Text(Msg::LevelFileGoneBeforeSave).arg(QDir::toNativeSeparators(m_state.LevelFileName)));
}

std::optional<Failure> Module1::SaveLevel(const QString& path, const std::function<void(int)>& onScreen) {
    LevelSave save(*this, path);
    while (!save.screensWritten()) {
        if (onScreen)
            onScreen(save.nextScreen());
        save.writeScreen();
    }
    if (onScreen)
        onScreen(save.nextScreen());
    return save.finish();
}

namespace {
// A record's bytes as they stand, ended with CR LF whatever ended it in its file.
void appendRecordLine(QByteArray* out, QByteArrayView record) {
    if (record.endsWith("\r\n"))
        record.chop(2);
    else if (record.endsWith(',') || record.endsWith('\r') || record.endsWith('\n'))
        record.chop(1);
    out->append(record.data(), record.size());
    out->append("\r\n");
}
} // namespace

QByteArray Module1::recordsAsTheyStand(const QString& fileName, Integer screen) const {
    std::vector<RecordPlace> places;
    try {
        forEachRecord(fileName, screenKey(screen),
                      [&places](const Record&, const RecordPlace& place) { places.push_back(place); });
    } catch (const Failure&) {
        // The file ends inside a record: the whole records before it are copied.
    }
    QByteArray bytes;
    const std::unique_ptr<QIODevice> file = m_files->openRead(fileName);
    for (const RecordPlace& place : places) {
        if (!file->seek(place.begin))
            throw Failure::fileNotFound();
        appendRecordLine(&bytes, file->read(place.end - place.begin));
    }
    return bytes;
}

bool Module1::appendCopyableBlock(Integer screen, SaveOutput& out, std::unique_ptr<ReadAhead>& levelSource,
                                  std::pair<qsizetype, BlockLinks>* placed) const {
    CopyableBlock copyable;
    QByteArrayView tiles; // the block's tile records
    QByteArray scratch;
    try {
        const ScratchFiles::KnownBlock* known = m_scratch.knownBlock(screen);
        if (known || m_scratch.present(screen)) {
            scratch = m_files->openRead(ScratchFileName(screen))->readAll();
            // The tile records of a file still as the editor wrote it are not checked again; its link
            // records are, where they were written, and give the links.
            const QByteArrayView linkRecords = known && known->tileBytes > 0 &&
                                                       known->tileBytes < scratch.size() &&
                                                       scratch.at(known->tileBytes - 1) == '\n'
                                                   ? QByteArrayView(scratch).sliced(known->tileBytes)
                                                   : QByteArrayView();
            if (!linkRecords.isEmpty() &&
                ScanLinkRecordsAt(linkRecords, screen, &copyable) == linkRecords.size()) {
                copyable.tileBytes = known->tileBytes;
            } else if (!ScanCopyableBlock(scratch, screen, &copyable)) {
                return false;
            }
            tiles = QByteArrayView(scratch).first(copyable.tileBytes);
        } else {
            const QString& source = screensSource();
            if (source.isEmpty())
                return false;
            // The level file cannot change while it is saved: it is looked at once, when first read.
            if (!levelSource)
                indexLevelFile(source);
            const std::vector<LevelIndex::Run>& runs = m_index.runsOf(screenKey(screen));
            if (m_index.endFailure() || runs.size() != 1 || runs.front().records != 309)
                return false;
            if (!levelSource)
                levelSource = std::make_unique<ReadAhead>(m_files->openRead(source));
            // The block checker has mostly looked at the block already.
            LevelIndex::BlockCopy checked;
            switch (m_index.blockCopy(screen, *levelSource, &checked)) {
            case LevelIndex::Copy::No:
                return false;
            case LevelIndex::Copy::Yes:
                std::copy(checked.links.begin(), checked.links.end(), std::begin(copyable.links));
                // A block whose link records are written anew goes through the editor's large writes; the
                // others the system copies, stretch after stretch.
                if (const int source = levelSource->handle(); source >= 0 && checked.verbatim) {
                    out.copy(source, checked.begin, checked.end);
                    if (placed)
                        *placed = {checked.tileBytes, checked.links};
                    return true;
                }
                tiles = levelSource->bytes(checked.begin, checked.begin + checked.tileBytes);
                if (tiles.size() != checked.tileBytes)
                    return false;
                break;
            case LevelIndex::Copy::Unknown: {
                const QByteArrayView block = levelSource->bytes(runs.front().begin, runs.front().end);
                if (!ScanCopyableBlock(block, screen, &copyable))
                    return false;
                tiles = block.first(copyable.tileBytes);
                break;
            }
            }
        }
    } catch (const Failure&) {
        return false; // loading the screen the ordinary way meets the same failure and handles it
    }
    // The screen information and side records are written anew from the links the block holds.
    SideLinks links = {};
    std::copy(std::begin(copyable.links), std::end(copyable.links), links.begin());
    out.append(tiles);
    out.append(Screen::encodeLinks(screen, links));
    if (placed)
        *placed = {tiles.size(), links};
    return true;
}

} // namespace tavrin
