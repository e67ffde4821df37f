// Module1: screens read from their scratch files and the level file, as values and onto the display.

#include "level/document/module1.h"

#include "level/document/module1_fields.h"
#include "level/format/screenblock.h"

#include <QBuffer>
#include <QDir>
#include <QScopeGuard>
#include <bitset>

namespace tavrin {

using namespace levelfields;

Failure Module1::fieldFailure(const Failure& failure, const QString& fileName, qint64 offset, int field,
                              const Record& record) const {
    qint64 line = 0;
    try {
        line = LineOfOffset(m_files->openRead(fileName).get(), offset);
    } catch (const Failure&) {
        // the file went while it was read: the message goes without its line
    }
    return Failure(failure.code(), Text(Msg::FieldFailure)
                                       .arg(failure.description())
                                       .arg(line)
                                       .arg(QDir::toNativeSeparators(fileName))
                                       .arg(field + 1)
                                       .arg(QLatin1String(FieldNameOf(record, field)))
                                       .arg(ShownValue(record[field])));
}

std::optional<Integer> Module1::checkTileRecord(const Record& record, const QString& fileName,
                                                qint64 offset) const {
    try {
        return TileOfRecord(record);
    } catch (const FieldFault& fault) {
        throw fieldFailure(fault.failure, fileName, offset, fault.field, record);
    }
}

// The level file is read through its index; scratch files, small and rewritten all the time, are read
// whole.
bool Module1::readsThroughIndex(const QString& fileName) const {
    return m_useIndex && !fileName.isEmpty() &&
           (fileName == screensSource() || fileName == m_state.LevelFileName || fileName == m_loadingFile);
}

void Module1::forEachRecord(const QString& fileName, const QString& key, const RecordVisitor& visit,
                            bool textsOnly, ReadAhead* levelFile) const {
    if (!readsThroughIndex(fileName)) {
        const std::unique_ptr<QIODevice> file = m_files->openRead(fileName);
        RecordReader reader(file.get());
        while (!reader.atEnd()) {
            const Record record = reader.read();
            if (record[0].isText() && record[0].textValue() == key)
                visit(record, RecordPlace{reader.recordStart(), reader.position()});
        }
        return;
    }
    if (!levelFile)
        indexLevelFile(fileName);
    std::unique_ptr<QIODevice> file;
    for (const LevelIndex::Run& run : m_index.runsOf(key)) {
        const qint64 from = textsOnly ? run.textsFrom : run.begin;
        const int records = textsOnly ? run.fromTexts : run.records;
        if (from < 0)
            continue;
        QByteArray bytes;
        if (levelFile) {
            bytes = levelFile->bytes(from, run.end).toByteArray();
        } else {
            if (!file)
                file = m_files->openRead(fileName);
            if (!file->seek(from))
                throw Failure::fileNotFound();
            bytes = file->read(run.end - from);
        }
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        RecordReader reader(&buffer, /*atFileStart=*/false);
        // Read as the whole file is read: what stands between two records is passed over first.
        for (int i = 0; i < records && !reader.atEnd(); ++i) {
            const Record record = reader.read();
            visit(record, RecordPlace{from + reader.recordStart(), from + reader.position()});
        }
    }
    if (m_index.endFailure())
        throw *m_index.endFailure();
}

// Only a record that reads whole is applied: a failing one changes nothing, and neither do those after it.
std::optional<Failure> Module1::readScreenRecords(const QString& fileName, Integer screen, Screen& into,
                                                  bool* found, int* tiles) const {
    *found = false;
    std::bitset<LastGridTile + 1> had;
    const auto counted = qScopeGuard([&] {
        if (tiles)
            *tiles = int(had.count()) - int(had[0]);
    });
    try {
        forEachRecord(fileName, screenKey(screen), [&](const Record& record, const RecordPlace& place) {
            if (!record[1].isNumeric())
                return;
            *found = true; // the file has records of the screen, even when this one is damaged
            if (const std::optional<Integer> tile = checkTileRecord(record, fileName, place.begin)) {
                into.applyTileRecord(record, *tile);
                if (*tile >= 0 && *tile <= LastGridTile)
                    had.set(size_t(*tile));
            }
        });
    } catch (const Failure& failure) {
        if (failure.code() == ErrFileNotFound && !failure.isMissingPicture())
            return std::nullopt; // a file that is not there holds no records
        return failure;
    }
    return std::nullopt;
}

bool Module1::readSideLinks(const QString& fileName, Integer screen, SideLinks& links,
                            ReadAhead* levelFile) const {
    int expected = 2;
    bool info = false;
    const auto visit = [&](const Record& record, const RecordPlace& place) {
        if (!record[1].isText())
            return;
        if (record[1].textValue() == ScreenInfoKey) {
            links = Screen::freshLinks();
            info = true;
        } else if (expected <= 9 && record[1].textValue() == QStringLiteral("Side%1").arg(expected)) {
            try {
                links[size_t(expected)] = InField(2, [&] { return record[2].toInteger(); });
            } catch (const FieldFault& fault) {
                throw fieldFailure(fault.failure, fileName, place.begin, fault.field, record);
            }
            ++expected;
        }
    };
    forEachRecord(fileName, screenKey(screen), visit, /*textsOnly=*/true, levelFile);
    return info || expected > 9;
}

void Module1::indexLevelFile(const QString& fileName) const {
    if (!m_index.describes(fileName))
        m_index.build(*m_files, fileName, /*checkBlocks=*/true);
}

Screen Module1::ReadScreen(Integer screen, std::optional<Failure>* trouble) const {
    if (screen == m_state.CurrentScreen)
        return ScreenOnDisplay();
    if (m_scratch.present(screen))
        if (std::optional<Screen> whole = blockScreen(m_scratch.fileName(screen), screen, true)) {
            if (trouble)
                trouble->reset();
            return std::move(*whole);
        }
    return ReadScreenFrom(sourceOf(screen), screen, trouble);
}

SideLinks Module1::ReadSideLinks(Integer screen) const {
    if (screen == m_state.CurrentScreen)
        return LinksOnDisplay();
    SideLinks links = Screen::freshLinks();
    const QString source = sourceOf(screen);
    try {
        if (!source.isEmpty())
            readSideLinks(source, screen, links);
    } catch (const Failure&) {
        // a screen that cannot be read keeps the links read so far, as ReadScreen does
    }
    return links;
}

SideLinks Module1::ReadSideLinks(Integer screen, std::unique_ptr<ReadAhead>& levelFile) const {
    if (screen != m_state.CurrentScreen)
        if (const std::optional<SideLinks> links = blockLinks(screen, levelFile))
            return *links;
    return ReadSideLinks(screen);
}

std::optional<WrittenBlock> Module1::WrittenBlockOf(Integer screen,
                                                    std::unique_ptr<ReadAhead>& levelFile) const {
    if (screen == m_state.CurrentScreen)
        return std::nullopt;
    if (const ScratchFiles::KnownBlock* known = m_scratch.knownBlock(screen)) {
        try {
            QByteArray bytes = m_files->openRead(m_scratch.fileName(screen))->readAll();
            if (bytes.size() == known->stamp.file.size)
                if (std::optional<WrittenBlock> block =
                        WrittenBlock::known(std::move(bytes), screen, known->tileBytes, known->links))
                    return block;
        } catch (const Failure&) {
        }
    }
    if (m_scratch.present(screen))
        return writtenBlockIn(m_scratch.fileName(screen), screen, true, nullptr);
    if (m_scratch.named(screen))
        return std::nullopt;
    return writtenBlockIn(screensSource(), screen, false, &levelFile);
}

// A scratch file that holds such a block is whole. A screen of the level file gives its links from the
// records that may hold them, as the index found them, without its tile records being read.
std::optional<SideLinks> Module1::blockLinks(Integer screen, std::unique_ptr<ReadAhead>& levelFile) const {
    CopyableBlock block;
    try {
        if (const ScratchFiles::KnownBlock* known = m_scratch.knownBlock(screen)) {
            SideLinks links = Screen::freshLinks();
            std::copy(known->links.begin() + 2, known->links.end(), links.begin() + 2);
            return links;
        }
        if (m_scratch.present(screen)) {
            if (!ScanCopyableBlock(m_files->openRead(ScratchFileName(screen))->readAll(), screen, &block))
                return std::nullopt;
        } else {
            const QString& source = screensSource();
            if (!readsThroughIndex(source))
                return std::nullopt;
            if (!levelFile) {
                indexLevelFile(source);
                levelFile = std::make_unique<ReadAhead>(m_files->openRead(source), ReadAhead::Scattered);
            }
            SideLinks links = Screen::freshLinks();
            if (const LevelIndex::BlockCopy* checked = m_index.copyableBlock(screen)) {
                std::copy(checked->links.begin() + 2, checked->links.end(), links.begin() + 2);
                return links;
            }
            // A block as the editor writes it ends in its only records that may hold a text: its nine link
            // records, which give every link.
            const std::vector<LevelIndex::Run>& runs = m_index.runsOf(screenKey(screen));
            if (!m_index.endFailure() && runs.size() == 1 && runs.front().fromTexts == 9) {
                const LevelIndex::Run& run = runs.front();
                const QByteArrayView tail = levelFile->bytes(run.textsFrom, run.end);
                if (tail.size() == run.end - run.textsFrom &&
                    ScanLinkRecordsAt(tail, screen, &block) == tail.size()) {
                    std::copy(block.links + 2, block.links + 10, links.begin() + 2);
                    return links;
                }
            }
            readSideLinks(source, screen, links, levelFile.get());
            return links;
        }
    } catch (const Failure&) {
        return std::nullopt; // the screen is read the ordinary way, which meets the same failure
    }
    SideLinks links = {};
    std::copy(std::begin(block.links), std::end(block.links), links.begin());
    return links;
}

QString Module1::sourceOf(Integer screen) const {
    const QString scratch = ScratchFileName(screen);
    return m_scratch.present(screen) && m_scratch.isWhole(scratch, screen) ? scratch : screensSource();
}

QString Module1::ScreensFile() const {
    if (m_scratch.levelCopy())
        return m_scratch.levelCopy()->path;
    return m_state.LevelFileIsNew ? QString() : m_state.LevelFileName;
}

Screen Module1::ReadScreenFrom(const QString& source, Integer screen, std::optional<Failure>* trouble) const {
    if (trouble)
        trouble->reset();
    if (std::optional<Screen> whole = blockScreen(source, screen, false))
        return std::move(*whole);
    Screen result = Screen::fresh();
    std::optional<Failure> failure;
    bool found = false;
    if (!source.isEmpty())
        failure = readScreenRecords(source, screen, result, &found);
    if (found && !failure) {
        try {
            readSideLinks(source, screen, result.links);
        } catch (const Failure& sideFailure) {
            failure = sideFailure;
        }
    }
    if (trouble)
        *trouble = failure;
    return result;
}

bool Module1::ScreenIsEdited(Integer screen) const {
    if (m_scratch.present(screen))
        return true;
    if (screen != m_state.CurrentScreen)
        return false;
    std::optional<Failure> trouble;
    const Screen inFile = ReadScreenFrom(ScreensFile(), screen, &trouble);
    return trouble || inFile != ScreenOnDisplay();
}

void Module1::blank(Screen& screen) const {
    for (int i = FirstGridTile; i <= LastGridTile; ++i) {
        TileState& tile = screen.tile(i);
        tile.colour = num(m_state.BrushColour);
        tile.picture = num(0);
        tile.directions = {};
    }
}

std::optional<Screen> Module1::blockScreen(const QString& fileName, Integer number, bool scratch) const {
    const std::optional<WrittenBlock> block = writtenBlockIn(fileName, number, scratch, nullptr);
    return block ? Screen::decode(*block) : std::nullopt;
}

std::optional<WrittenBlock> Module1::writtenBlockIn(const QString& fileName, Integer number, bool scratch,
                                                    std::unique_ptr<ReadAhead>* levelFile) const {
    if (!scratch && !readsThroughIndex(fileName))
        return std::nullopt;
    try {
        if (scratch)
            return WrittenBlock::scan(m_files->openRead(fileName)->readAll(), number);
        if (!levelFile || !*levelFile)
            indexLevelFile(fileName);
        const std::vector<LevelIndex::Run>& runs = m_index.runsOf(screenKey(number));
        if (m_index.endFailure() || runs.size() != 1 || runs.front().records != 309)
            return std::nullopt;
        const LevelIndex::Run& run = runs.front();
        QByteArray bytes;
        if (levelFile) {
            if (!*levelFile)
                *levelFile = std::make_unique<ReadAhead>(m_files->openRead(fileName));
            bytes = (*levelFile)->bytes(run.begin, run.end).toByteArray();
        } else {
            const std::unique_ptr<QIODevice> file = m_files->openRead(fileName);
            if (!file->seek(run.begin))
                return std::nullopt;
            bytes = file->read(run.end - run.begin);
        }
        // A block the block checker took already is not checked again.
        if (const LevelIndex::BlockCopy* checked = m_index.copyableBlock(number);
            checked && checked->begin == run.begin && checked->end == run.end &&
            bytes.size() == run.end - run.begin)
            if (std::optional<WrittenBlock> block =
                    WrittenBlock::known(bytes, number, checked->tileBytes, checked->links))
                return block;
        return WrittenBlock::scan(std::move(bytes), number);
    } catch (const Failure&) {
        return std::nullopt; // read record by record, which meets the same failure
    }
}

bool Module1::loadScreenFrom(const QString& fileName, const QString& callerName, Integer number,
                             Screen& screen, ScreenLoad& load) const {
    // A scratch file's block was tried before it was checked whole; the level file's is tried here.
    if (std::optional<Screen> whole = blockScreen(fileName, number, false)) {
        screen = std::move(*whole);
        load.fromFile = true;
        load.whole = true;
        return true;
    }
    bool found = false;
    int tiles = 0;
    std::optional<Failure> failure = readScreenRecords(fileName, number, screen, &found, &tiles);
    load.fromFile = found;
    if (failure) {
        load.told.emplace_back(
            Failure(failure->code(),
                    Text(Msg::ScreenReadUpTo).arg(failure->description(), QString::number(number))),
            QStringLiteral("LoadLevel - ") + callerName);
    } else if (found) {
        // The links change only when all of them read.
        SideLinks links = screen.links;
        try {
            const bool allLinks = readSideLinks(fileName, number, links);
            screen.links = links;
            load.whole = allLinks && tiles == LastGridTile - FirstGridTile + 1;
        } catch (const Failure& sideFailure) {
            failure = sideFailure;
            if (!load.trouble)
                load.trouble = sideFailure;
        }
    }
    if (failure)
        load.partly = std::make_pair(fileName, *failure);
    return found;
}

// What went wrong on the way is told once the screen is on display, so the grid always shows a whole
// screen: the one from the scratch file, else from the level file, else a blank one.
Module1::ScreenLoad Module1::LoadScreenValue(Integer number, const Screen& shown) const {
    ScreenLoad load;
    Screen screen = shown;
    bool found = false;
    const QString scratch = ScratchFileName(number);
    if (m_scratch.present(number)) {
        // A block as the editor writes it is whole; anything else is looked at record by record.
        if (std::optional<Screen> whole = blockScreen(scratch, number, true)) {
            screen = std::move(*whole);
            load.fromFile = true;
            load.whole = true;
            found = true;
        } else if (m_scratch.isWhole(scratch, number)) {
            loadScreenFrom(scratch, QStringLiteral("mnuSave_Click - tmp Load"), number, screen, load);
            found = true;
        } else {
            load.trouble = lostScratchFile(scratch, Msg::ScratchFileDamaged, number);
        }
    } else if (m_scratch.named(number)) {
        load.trouble = lostScratchFile(scratch, Msg::ScratchFileGone, number);
    }
    const QString& source = screensSource();
    if (!found && !source.isEmpty()) {
        if (!load.trouble && (m_scratch.levelCopy() || !m_state.LevelFileIsNew) && !m_files->exists(source))
            load.trouble =
                Failure(ErrPathAccess,
                        Text(Msg::LevelFileGoneBlank).arg(QDir::toNativeSeparators(source)).arg(number));
        found =
            loadScreenFrom(source, QStringLiteral("mnuSave_Click - FileRunning Load"), number, screen, load);
    }
    if (!found)
        blank(screen);
    load.screen = screen;
    return load;
}

// A screen whose records leave something out depends on the screens before it, back to one that does not
// (or screen 0, which a save reads over the screen on display); those are read in order, as a save does.
Module1::ScreenLoad Module1::SavedScreenValue(Integer number) const {
    if (number == m_state.CurrentScreen) {
        ScreenLoad load;
        load.screen = ScreenOnDisplay();
        load.whole = true;
        return load;
    }
    ScreenLoad load = LoadScreenValue(number, ScreenOnDisplay());
    if (load.whole || load.trouble || number <= 0 || number > m_state.LevelLastScreen)
        return load;
    std::vector<Integer> between;
    Screen before = ScreenOnDisplay();
    for (Integer s = number - 1; s >= 0 && s != m_state.CurrentScreen; --s) {
        ScreenLoad earlier = LoadScreenValue(s, ScreenOnDisplay());
        if (earlier.whole || s == 0 || earlier.trouble) {
            before = std::move(earlier.screen);
            break;
        }
        between.push_back(s);
    }
    for (auto s = between.rbegin(); s != between.rend(); ++s)
        before = LoadScreenValue(*s, before).screen;
    return LoadScreenValue(number, before);
}

void Module1::ShowLoadedScreen(Integer screen, const ScreenLoad& load) {
    m_state.CurrentScreen = screen;
    for (int i = FirstGridTile; i <= LastGridTile; ++i)
        StoreTile(i, load.screen.tile(i));
    setLinksOnDisplay(load.screen.links);
    m_state.FileRunning = load.fromFile ? True : False;
    m_partlyRead.reset();
    if (load.partly)
        m_partlyRead = PartlyRead{screen, load.partly->first, load.partly->second};
    for (const auto& [failure, place] : load.told)
        ShowFailure(failure, place);
    if (m_screenShown)
        m_screenShown(m_state.CurrentScreen);
}

void Module1::LoadScreen() {
    const ScreenLoad load = LoadScreenValue(m_state.CurrentScreen, ScreenOnDisplay());
    ShowLoadedScreen(m_state.CurrentScreen, load);
    if (load.trouble)
        throw *load.trouble;
}

void Module1::ChangeScreen(Integer target, ScratchSync sync) {
    SaveScreenTmp(sync);
    m_state.CurrentScreen = target;
    LoadScreen();
}

// A text that is no number (13), or a number too large for a screen number (6), is told of in words,
// under its own code.
void Module1::GoToScreen(const QString& text, ScratchSync sync) {
    const auto notAScreenNumber = [&text](const Failure& failure) {
        return Failure(failure.code(), Text(Msg::NotAScreenNumber).arg(text));
    };
    double target = 0;
    try {
        target = TextToNumber(text);
    } catch (const Failure& failure) {
        throw notAScreenNumber(failure);
    }
    if (target == m_state.CurrentScreen)
        return;
    SaveScreenTmp(sync);
    try {
        m_state.CurrentScreen = ToInteger(target);
    } catch (const Failure& failure) {
        throw notAScreenNumber(failure);
    }
    LoadScreen();
}

} // namespace tavrin
