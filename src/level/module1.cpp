#include "module1.h"

#include "screenblock.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <cstring>
#include <optional>

namespace tavrin {

namespace {
const QString LevelPropKey = QStringLiteral("LevelProp");
const QString ScreenInfoKey = QStringLiteral("ScreenInfo");

QString screenKey(Integer screen) {
    return QStringLiteral("Screen") + QString::number(screen);
}

FieldValue num(double value) {
    return FieldValue::number(value);
}
} // namespace

Module1::Module1(TileGrid* grid, QString programFolder)
    : Grid(grid), ProgramFolder(std::move(programFolder)) {
    for (int k = 2; k <= 9; ++k)
        SideScreen(k) = static_cast<Integer>(k);
}

// --- Where things are -----------------------------------------------------------------------------------

QString Module1::scratchFolder() const {
    return ScratchFolder.isEmpty() ? ProgramFolder : ScratchFolder;
}

void Module1::ChooseScratchFolder() {
    ScratchFolder.clear();
    const QFileInfo program(ProgramFolder);
    if (program.isDir() && program.isWritable())
        return;
    // An installed editor cannot write beside itself: its scratch files go to a folder of the user's.
    const QString own = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (!own.isEmpty() && QDir().mkpath(own))
        ScratchFolder = own;
}

QString Module1::ScratchFileName(Integer screen) const {
    return QDir(scratchFolder()).filePath(QStringLiteral("Screen%1.tmp").arg(screen));
}

QString Module1::TemplateLevelFileName() const {
    return QDir(ProgramFolder).filePath(QStringLiteral("PelmarLevel.txt"));
}

QString Module1::PicturesFolder() const {
    return QDir(ProgramFolder).filePath(QStringLiteral("Pics"));
}

QString Module1::PicturePath(const QString& reference) const {
    QString relative = reference;
    relative.replace(u'\\', u'/');
    const bool absolute = relative.size() >= 2 && relative[1] == u':';
    const QString folder = QDir::cleanPath(PicturesFolder());
    const QString path = QDir::cleanPath(folder + u'/' + relative);
    if (absolute || !path.startsWith(folder + u'/'))
        throw Failure::pictureNotFound(reference);
    return path;
}

QImage Module1::LoadPictureReference(const QString& reference) {
    return Pictures.load(PicturePath(reference));
}

void Module1::ShowPicture(int index, const FieldValue& reference) {
    if (reference.isNumeric()) {
        const Integer source = reference.toInteger();
        if (!Grid->hasBox(source))
            throw Failure(ErrNoSuchControl);
        Grid->copyPicture(source, index);
    } else {
        Grid->setPicture(index, LoadPictureReference(reference.textValue()));
    }
}

// --- Start-up -------------------------------------------------------------------------------------------

void Module1::SetDefaults() {
    for (int k = 2; k <= 9; ++k)
        SideScreen(k) = static_cast<Integer>(k);
    for (int i = FirstGridTile; i <= LastGridTile; ++i) {
        TilePropLeftOps(i) = num(1);
        TilePropUpOps(i) = num(1);
        TilePropRightOps(i) = num(1);
        TilePropDownOps(i) = num(1);
    }
    LevelStartTile = 1;
    WalkerTile = 1;
}

void Module1::PlaceWalkerOnStartTile() {
    Grid->copyPicture(LevelStartTile, PreviewTile);
    Grid->setBackColour(PreviewTile, Grid->backColour(LevelStartTile));
    Grid->copyPicture(MarkerTile, LevelStartTile);
}

// --- Screens and scratch files ----------------------------------------------------------------------------

void Module1::applyTileRecord(const Record& record, Integer tile) {
    FileRunning = True;
    TileBackColor(tile) = record[2];
    TilePicture(tile) = record[3];
    TilePropLeft(tile) = record[4].toInteger();
    TilePropUp(tile) = record[5].toInteger();
    TilePropRight(tile) = record[6].toInteger();
    TilePropDown(tile) = record[7].toInteger();
    TilePropLeftOps(tile) = record[8];
    TilePropUpOps(tile) = record[9];
    TilePropRightOps(tile) = record[10];
    TilePropDownOps(tile) = record[11];
    Grid->setBackColour(tile, TileBackColor(tile).toLong());
    try {
        ShowPicture(tile, TilePicture(tile));
    } catch (const Failure& failure) {
        if (!failure.isMissingPicture())
            throw;
        Grid->setPicture(tile, QImage()); // the empty picture of ErrPic
    }
}

// Tile(998) takes the look of tile WalkerTile on the screen just loaded. A missing picture leaves the
// preview without one.
void Module1::refreshPreview() {
    if (!TileArray<FieldValue>::inRange(WalkerTile))
        return;
    try {
        ShowPicture(PreviewTile, TilePicture(WalkerTile));
    } catch (const Failure& failure) {
        if (!failure.isMissingPicture())
            throw;
        Grid->setPicture(PreviewTile, QImage());
    }
    Grid->setBackColour(PreviewTile, TileBackColor(WalkerTile).toLong());
}

void Module1::forEachRecord(const QString& fileName, const QString& key,
                            const std::function<void(const Record&)>& apply) {
    if (!UseIndex || fileName.isEmpty() || fileName != LevelFileName) {
        const std::unique_ptr<QIODevice> file = Files->openRead(fileName);
        RecordReader reader(file.get());
        while (!reader.atEnd()) {
            const Record record = reader.read();
            if (record[0].isText() && record[0].textValue() == key)
                apply(record);
        }
        return;
    }
    if (!m_index.describes(fileName))
        m_index.build(*Files, fileName);
    const std::vector<LevelIndex::Run>& runs = m_index.runsOf(key);
    if (!runs.empty()) {
        const std::unique_ptr<QIODevice> file = Files->openRead(fileName);
        for (const LevelIndex::Run& run : runs) {
            if (!file->seek(run.begin))
                throw Failure::fileNotFound();
            QByteArray bytes = file->read(run.end - run.begin);
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            RecordReader reader(&buffer);
            // Read as the whole file is read: what stands between two records is passed over first.
            for (int i = 0; i < run.records && !reader.atEnd(); ++i)
                apply(reader.read());
        }
    }
    if (m_index.endFailure())
        throw *m_index.endFailure();
}

void Module1::LoadLevel(const QString& fileName, const QString& callerName) {
    FileRunning = False;
    try {
        forEachRecord(fileName, screenKey(CurrentScreen), [this](const Record& record) {
            if (!record[1].isNumeric())
                return;
            const Integer tile = record[1].toInteger();
            if (!TileArray<FieldValue>::inRange(tile))
                throw Failure(ErrSubscript,
                              StandardDescription(ErrSubscript) + QStringLiteral(" (tile %1)").arg(tile));
            applyTileRecord(record, tile);
        });
        refreshPreview();
    } catch (const Failure& failure) {
        if (failure.code() == ErrFileNotFound && !failure.isMissingPicture())
            return;
        ShowFailure(failure, QStringLiteral("LoadLevel - ") + callerName);
    }
}

bool Module1::ScreenTmpExists() const {
    return Files->exists(ScratchFileName(CurrentScreen));
}

// The "ScreenInfo" record and the side records Side2 .. Side9 of a screen block.
QByteArray Module1::encodeLinkRecords(const QString& key, const Integer (&links)[10]) {
    const QByteArray quotedKey = '"' + key.toLatin1() + "\",";
    QByteArray bytes = quotedKey + "\"ScreenInfo\"";
    for (int k = 2; k <= 9; ++k)
        bytes += ',' + QByteArray::number(links[k]);
    bytes += ",0,0\r\n";
    for (int k = 2; k <= 9; ++k)
        bytes += quotedKey + "\"Side" + QByteArray::number(k) + "\"," + QByteArray::number(links[k]) +
                 ",0,0,0,0,0,0,0,0,0\r\n";
    return bytes;
}

QByteArray Module1::EncodeScreenBlock() {
    const FieldValue key = FieldValue::text(screenKey(CurrentScreen));
    QByteArray block;
    block.reserve(309 * 64);
    for (int i = FirstGridTile; i <= LastGridTile; ++i) {
        TileBackColor(i) = num(Grid->backColour(i));
        block += RecordWriter::Encode({key, num(i), TileBackColor(i), TilePicture(i), num(TilePropLeft(i)),
                                       num(TilePropUp(i)), num(TilePropRight(i)), num(TilePropDown(i)),
                                       TilePropLeftOps(i), TilePropUpOps(i), TilePropRightOps(i),
                                       TilePropDownOps(i)});
    }
    Integer links[10] = {};
    for (int k = 2; k <= 9; ++k)
        links[k] = SideScreen(k);
    block += encodeLinkRecords(key.textValue(), links);
    return block;
}

void Module1::SaveScreenTmp() {
    const QByteArray block = EncodeScreenBlock();
    const auto file = Files->openWrite(ScratchFileName(CurrentScreen));
    RecordWriter(file.get()).writeRaw(block);
    Files->commit(*file);
    m_scratchWritten.insert(CurrentScreen);
}

void Module1::blankScreen() {
    for (int i = FirstGridTile; i <= LastGridTile; ++i) {
        TileBackColor(i) = num(Grid->brushColour());
        Grid->setBackColour(i, TileBackColor(i).toLong());
        TilePicture(i) = num(0);
        Grid->copyPicture(BlankTile, i);
        TilePropLeft(i) = 0;
        TilePropUp(i) = 0;
        TilePropRight(i) = 0;
        TilePropDown(i) = 0;
    }
}

// A scratch file the editor wrote holds the 309 records of its screen; an empty one counts as present
// and holds nothing. Anything else was damaged after it was written.
bool Module1::scratchFileIsWhole(const QString& scratch) const {
    try {
        const std::unique_ptr<QIODevice> file = Files->openRead(scratch);
        RecordReader reader(file.get());
        const QString key = screenKey(CurrentScreen);
        while (!reader.atEnd()) {
            const Record record = reader.read();
            if (!record[0].isText() || record[0].textValue() != key)
                return false;
        }
        return reader.recordsRead() == 0 || reader.recordsRead() == 309;
    } catch (const Failure&) {
        return false;
    }
}

Failure Module1::lostScratchFile(const QString& scratch, const QString& what) const {
    return Failure(ErrPathAccess,
                   QStringLiteral("The scratch file %1 of screen %2 %3. The screen comes from the level "
                                  "file instead.")
                       .arg(QDir::toNativeSeparators(scratch))
                       .arg(CurrentScreen)
                       .arg(what));
}

void Module1::LoadScreen() {
    if (!m_saving)
        Pictures.beginPass();
    // What went wrong on the way is told once the screen is on display, so the grid always shows a
    // whole screen: the one from the scratch file, else from the level file, else a blank one.
    std::optional<Failure> trouble;
    bool found = false;
    const QString scratch = ScratchFileName(CurrentScreen);
    if (ScreenTmpExists()) {
        if (scratchFileIsWhole(scratch)) {
            LoadLevel(scratch, QStringLiteral("mnuSave_Click - tmp Load"));
            LoadSideScreens(scratch);
            found = true;
        } else {
            trouble = lostScratchFile(
                scratch, QStringLiteral("is damaged, so the changes kept in it cannot be read back"));
        }
    } else if (m_scratchWritten.contains(CurrentScreen)) {
        trouble =
            lostScratchFile(scratch, QStringLiteral("has gone, so the changes made to the screen are lost"));
    }
    if (!found && !LevelFileName.isEmpty()) {
        if (!trouble && !Files->exists(LevelFileName))
            trouble =
                Failure(ErrPathAccess, QStringLiteral("The level file %1 is no longer there, so screen %2 "
                                                      "comes out blank.")
                                           .arg(QDir::toNativeSeparators(LevelFileName))
                                           .arg(CurrentScreen));
        LoadLevel(LevelFileName, QStringLiteral("mnuSave_Click - FileRunning Load"));
        found = FileRunning;
        if (found)
            LoadSideScreens(LevelFileName);
    }
    if (!found) {
        blankScreen();
        refreshPreview();
    }
    for (int k = 2; k <= 5; ++k)
        Grid->showSideLink(k, QString::number(SideScreen(k)));
    if (trouble)
        throw *trouble;
}

void Module1::ChangeScreen(Integer target) {
    SaveScreenTmp();
    CurrentScreen = target;
    LoadScreen();
}

void Module1::GoToScreen(const QString& text) {
    const double target = TextToNumber(text);
    if (target == CurrentScreen)
        return;
    SaveScreenTmp();
    CurrentScreen = ToInteger(target);
    LoadScreen();
}

void Module1::DeleteScratchFiles() {
    static const QRegularExpression scratchName(QStringLiteral("^Screen-?[0-9]+\\.tmp$"));
    const QDir folder(scratchFolder());
    m_scratchWritten.clear();
    const QStringList names = folder.entryList({QStringLiteral("Screen*.tmp")}, QDir::Files);
    for (const QString& name : names)
        if (scratchName.match(name).hasMatch())
            Files->remove(folder.filePath(name));
}

// --- Level files ----------------------------------------------------------------------------------------

void Module1::LoadLevelProp(const QString& fileName) {
    forEachRecord(fileName, LevelPropKey, [this](const Record& record) {
        LevelName = record[1].toText();
        LevelAuthor = record[2].toText();
        LevelDateMade = record[3].toText();
        LevelDescription = record[4].toText();
        LevelComments = record[5].toText();
        LevelStartTile = record[6].toInteger();
        LevelLastScreen = record[7].toInteger();
    });
}

void Module1::LoadSideScreens(const QString& fileName) {
    int expected = 2;
    forEachRecord(fileName, screenKey(CurrentScreen), [this, &expected](const Record& record) {
        if (!record[1].isText())
            return;
        if (record[1].textValue() == ScreenInfoKey) {
            for (int k = 2; k <= 9; ++k)
                SideScreen(k) = static_cast<Integer>(k);
        } else if (expected <= 9 && record[1].textValue() == QStringLiteral("Side%1").arg(expected)) {
            SideScreen(expected) = record[2].toInteger();
            ++expected;
        }
    });
}

void Module1::WriteScreen(RecordWriter& writer) {
    writer.writeRaw(EncodeScreenBlock());
}

void Module1::LoadLevelSequence(const QString& fileName, const QString& callerName) {
    Pictures.beginPass();
    DeleteScratchFiles();
    CurrentScreen = 0;
    LoadLevel(fileName, callerName);
    LoadLevelProp(fileName);
    LoadSideScreens(fileName);
    if (!TileArray<FieldValue>::inRange(LevelStartTile))
        throw Failure(ErrSubscript,
                      QStringLiteral("The level's starting tile %1 is not a tile of the grid (1 to 300).")
                          .arg(LevelStartTile));
    WalkerTile = LevelStartTile;
    Grid->copyPicture(LevelStartTile, PreviewTile);
    Grid->setBackColour(PreviewTile, TileBackColor(LevelStartTile).toLong());
    Grid->copyPicture(MarkerTile, LevelStartTile);
    if (!QFileInfo(PicturesFolder()).isDir())
        throw Failure(ErrPathAccess,
                      QStringLiteral("The pictures folder %1 is missing, so the tiles show no pictures. "
                                     "Put the Pics folder beside the editor.")
                          .arg(QDir::toNativeSeparators(PicturesFolder())));
}

Record Module1::levelPropRecord() const {
    return {FieldValue::text(LevelPropKey),
            FieldValue::text(LevelName),
            FieldValue::text(LevelAuthor),
            FieldValue::text(LevelDateMade),
            FieldValue::text(LevelDescription),
            FieldValue::text(LevelComments),
            num(LevelStartTile),
            num(LevelLastScreen),
            num(0),
            num(0),
            num(0),
            num(0)};
}

void Module1::CheckSavable() const {
    if (LevelLastScreen < 0)
        throw Failure(
            ErrInvalidValue,
            QStringLiteral("The last screen is %1. A level has screens 0 to its last screen, so the last "
                           "screen must be 0 or more: set it in Level Properties (F3) and save again.")
                .arg(LevelLastScreen));
    RecordWriter::CheckWritable(levelPropRecord());
    if (!LevelFileName.isEmpty() && !Files->exists(LevelFileName))
        throw Failure(
            ErrPathAccess,
            QStringLiteral("The level file %1, which holds the screens not visited yet, is no longer there. "
                           "Put it back, or load a level, before saving.")
                .arg(QDir::toNativeSeparators(LevelFileName)));
}

void Module1::SaveLevel(const QString& path, const std::function<void(int)>& onScreen) {
    CheckSavable();
    Pictures.beginPass();
    m_saving = true;
    std::unique_ptr<QIODevice> levelSource;
    QHash<QByteArray, bool> usablePictures;
    const auto endOfSave = qScopeGuard([this] { m_saving = false; });
    const auto file = Files->openWrite(path);
    RecordWriter writer(file.get());
    // A screen whose block is copied as it stands is not loaded; it is loaded only when the screen after
    // it needs what it leaves in memory (a screen with missing records keeps the tiles of the one before).
    int notLoaded = -1;
    // The screen the grid shows. Should the save fail, CurrentScreen names it again, so that the grid and
    // CurrentScreen agree even when the save stopped at a screen it had only copied.
    Integer shown = CurrentScreen;
    auto showScreen = [this, &shown](int screen) {
        CurrentScreen = static_cast<Integer>(screen);
        shown = CurrentScreen;
        LoadScreen();
    };
    try {
        for (int screen = 0;; ++screen) {
            if (onScreen)
                onScreen(screen);
            CurrentScreen = static_cast<Integer>(screen);
            QByteArray block;
            if (UseIndex && readCopyableBlock(&block, levelSource, usablePictures)) {
                writer.writeRaw(block);
                notLoaded = screen;
            } else {
                if (notLoaded >= 0)
                    showScreen(notLoaded);
                notLoaded = -1;
                showScreen(screen);
                WriteScreen(writer);
            }
            if (screen == LevelLastScreen)
                break;
        }
        if (notLoaded >= 0)
            showScreen(notLoaded);
    } catch (...) {
        CurrentScreen = shown;
        throw;
    }
    if (onScreen)
        onScreen(LevelLastScreen + 1);
    writer.write(levelPropRecord());
    Files->commit(*file);
}

bool Module1::readCopyableBlock(QByteArray* block, std::unique_ptr<QIODevice>& levelSource,
                                QHash<QByteArray, bool>& usablePictures) {
    try {
        const QString scratch = ScratchFileName(CurrentScreen);
        if (Files->exists(scratch)) {
            *block = Files->openRead(scratch)->readAll();
        } else {
            if (LevelFileName.isEmpty())
                return false;
            // The level file cannot change while it is saved: it is looked at once, when first read.
            if (!levelSource && !m_index.describes(LevelFileName))
                m_index.build(*Files, LevelFileName);
            const std::vector<LevelIndex::Run>& runs = m_index.runsOf(screenKey(CurrentScreen));
            if (m_index.endFailure() || runs.size() != 1 || runs.front().records != 309)
                return false;
            if (!levelSource)
                levelSource = Files->openRead(LevelFileName);
            if (!levelSource->seek(runs.front().begin))
                return false;
            *block = levelSource->read(runs.front().end - runs.front().begin);
        }
    } catch (const Failure&) {
        return false; // loading the screen the ordinary way meets the same failure and handles it
    }
    CopyableBlock copyable;
    if (!ScanCopyableBlock(*block, CurrentScreen, &copyable))
        return false;
    // Loading would show a message for a file that is not a picture: such a screen is loaded instead.
    std::vector<QByteArrayView> distinct;
    for (const QByteArrayView picture : copyable.files) {
        const auto same = [&picture](QByteArrayView seen) {
            return seen.size() == picture.size() &&
                   std::memcmp(seen.data(), picture.data(), size_t(seen.size())) == 0;
        };
        if (std::find_if(distinct.begin(), distinct.end(), same) == distinct.end())
            distinct.push_back(picture);
    }
    for (const QByteArrayView picture : distinct) {
        const QByteArray name = picture.toByteArray();
        auto verdict = usablePictures.find(name);
        if (verdict == usablePictures.end()) {
            bool usable = true;
            try {
                LoadPictureReference(QString::fromLatin1(name));
            } catch (const Failure& failure) {
                usable = failure.isMissingPicture();
            }
            verdict = usablePictures.insert(name, usable);
        }
        if (!*verdict)
            return false;
    }
    block->truncate(copyable.tileBytes);
    *block += encodeLinkRecords(screenKey(CurrentScreen), copyable.links);
    return true;
}

// --- Other shared procedures ------------------------------------------------------------------------------

QString Module1::GetFileName(const QString& path) {
    const qsizetype separator = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    if (separator < 0)
        throw Failure(ErrInvalidCall);
    return u'\\' + path.mid(separator + 1);
}

void Module1::ReDisplayTiles() {
    Pictures.beginPass();
    for (int i = FirstGridTile; i <= LastGridTile; ++i) {
        const FieldValue& colour = TileBackColor(i);
        Grid->setBackColour(i, colour.isNumeric() ? colour.toLong() : 0);
        const FieldValue& reference = TilePicture(i);
        if (reference.isNumeric()) {
            Grid->setPicture(i, Grid->picture(i));
            continue;
        }
        try {
            Grid->setPicture(i, LoadPictureReference(reference.textValue()));
        } catch (const Failure& failure) {
            if (failure.code() != ErrFileNotFound && failure.code() != ErrInvalidPicture)
                throw;
            Grid->setPicture(i, QImage());
        }
    }
}

void Module1::PrintTileProps() {
    for (int i = FirstGridTile; i <= LastGridTile; ++i) {
        Grid->copyPicture(BlankTile, i);
        Grid->printText(i, QStringLiteral("%1,%2\r%3,%4")
                               .arg(TilePropUp(i))
                               .arg(TilePropRight(i))
                               .arg(TilePropLeft(i))
                               .arg(TilePropDown(i)));
    }
}

} // namespace tavrin
