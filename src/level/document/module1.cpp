#include "module1.h"

#include "colour.h"
#include "dataplace.h"
#include "messages.h"
#include "screenblock.h"
#include "setaside.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <algorithm>
#include <bitset>
#include <cerrno>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

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

Module1::Module1(QString programFolder) : ProgramFolder(std::move(programFolder)) {
    for (int k = 2; k <= 9; ++k)
        SideScreen(k) = static_cast<Integer>(k);
}

// --- Where things are -----------------------------------------------------------------------------------

QString Module1::scratchFolder() const {
    return ScratchFolder.isEmpty() ? ProgramFolder : ScratchFolder;
}

namespace {
QString sessionsRoot() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(QStringLiteral("sessions"));
}

// The folder of this user's alone that every start finds again when neither the program folder nor the
// user's data folder can be written: tavrin-editor in the user's runtime folder, else tavrin-editor-<uid> in
// the system's temporary folder.
QString privateFolderPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(QStringLiteral("tavrin-editor"));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("tavrin-editor-%1").arg(::geteuid()));
}

// The private folder, made with mode 0700 when `make` says so, or the one there when it is a folder (not a
// link) of this user's that nobody else may enter: another user could have put files or links in any
// other. Empty when there is none or it is refused.
QString privateFolder(bool make) {
    const QString path = privateFolderPath();
    const QByteArray native = QFile::encodeName(path);
    if (make && ::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat status {};
    if (::lstat(native.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid() || (status.st_mode & 077) != 0)
        return {};
    return path;
}

// The folders under which editors that found their usual folder taken keep their files apart: the user's
// data folder, else the private folder.
QStringList sessionRoots(bool make) {
    QStringList roots{sessionsRoot()};
    const QString own = privateFolder(make);
    if (!own.isEmpty())
        roots << QDir(own).filePath(QStringLiteral("sessions"));
    return roots;
}
} // namespace

void Module1::ChooseScratchFolder() {
    m_writtenSession.reset();
    m_ownSessionFolder.clear();
    choosePreferredScratchFolder();
    if (!m_session.claim(scratchFolder())) {
        // Another editor is at work in that folder: this one keeps its files apart, in a folder of its own.
        for (const QString& root : sessionRoots(true)) {
            if (!m_ownSessionFolder.isEmpty())
                break;
            QDir().mkpath(root);
            QTemporaryDir own(QDir(root).filePath(QStringLiteral("session-XXXXXX")));
            if (own.isValid() && m_session.claim(own.path())) {
                own.setAutoRemove(false);
                ScratchFolder = own.path();
                m_ownSessionFolder = own.path();
            }
        }
    }
    SetAsideLeftovers();
    if (m_session.folder() == scratchFolder()) {
        removeLeftoverStages();
        RemoveOldSetAsides(scratchFolder());
    }
}

// A renumbering writes its screens into a stage folder of its own in the scratch folder, which no session
// file ever names; one that is there when an editor takes the folder was left by an editor that stopped
// during a renumbering. The screens in it are copies, and they go: files named by a screen number, then
// the folder if nothing else is in it.
void Module1::removeLeftoverStages() const {
    const QDir folder(scratchFolder());
    for (const QFileInfo& stage : folder.entryInfoList({QStringLiteral(".tavrin-stage-*")},
                                                       QDir::Dirs | QDir::Hidden | QDir::NoSymLinks)) {
        const QDir staged(stage.filePath());
        for (const QFileInfo& file : staged.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
            bool number = false;
            file.fileName().toInt(&number);
            if (number && !file.isSymLink() && file.isFile())
                Files->remove(file.filePath());
        }
        folder.rmdir(stage.fileName());
    }
}

void Module1::choosePreferredScratchFolder() {
    ScratchFolder.clear();
    m_privateFolder.clear();
    if (Files->canWriteIn(ProgramFolder))
        return;
    // An installed editor cannot write beside itself: its scratch files go to a folder of the user's.
    const QString own = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (!own.isEmpty() && QDir().mkpath(own) && Files->canWriteIn(own)) {
        ScratchFolder = own;
        return;
    }
    // Else to the user's private folder, where the next start looks for what a crash left.
    ScratchFolder = privateFolder(true);
    if (ScratchFolder.isEmpty() || !Files->canWriteIn(ScratchFolder)) {
        // Refused: a folder made afresh in the system's temporary folder, so that nobody else can have put
        // files or links there first. Nothing a crash leaves there is found again.
        QTemporaryDir temporary(QDir(QDir::tempPath()).filePath(QStringLiteral("tavrin-editor-XXXXXX")));
        ScratchFolder.clear();
        if (temporary.isValid()) {
            temporary.setAutoRemove(false);
            ScratchFolder = temporary.path();
        }
    }
    m_privateFolder = ScratchFolder;
}

QString Module1::ScratchFileName(Integer screen) const {
    const auto own = m_scratch.constFind(screen);
    if (own != m_scratch.constEnd())
        return own->path;
    return QDir(scratchFolder()).filePath(QStringLiteral("Screen%1.tmp").arg(screen));
}

// Only the scratch files this editor wrote, or took over from a session it recovered, hold screens: a file
// that another run left is never read as a screen of this level. A scratch file is a regular file: a link
// or anything else in its place is not one.
bool Module1::scratchPresent(Integer screen) const {
    if (!m_scratch.contains(screen))
        return false;
    const QString path = ScratchFileName(screen);
    return !QFileInfo(path).isSymLink() && Files->exists(path);
}

// Where a screen's scratch file goes when this editor has none for it yet: Screen<n>.tmp when nothing
// stands there, else the first free name of the form Screen<n>~<k>.tmp, so that a file or link the
// editor finds in the folder is never written over or through.
QString Module1::freeScratchName(Integer screen) const {
    const QDir folder(scratchFolder());
    const auto free = [](const QFileInfo& file) { return !file.isSymLink() && !file.exists(); };
    const QFileInfo preferred(folder.filePath(QStringLiteral("Screen%1.tmp").arg(screen)));
    if (free(preferred))
        return preferred.filePath();
    for (int k = 1;; ++k) {
        const QFileInfo other(folder.filePath(QStringLiteral("Screen%1~%2.tmp").arg(screen).arg(k)));
        if (free(other))
            return other.filePath();
    }
}

QString Module1::TemplateLevelFileName() const {
    return QDir(ProgramFolder).filePath(QStringLiteral("PelmarLevel.txt"));
}

QString Module1::PicturesFolder() const {
    return QDir(ProgramFolder).filePath(QStringLiteral("Pics"));
}

QString Module1::LevelPicturesFolder() const {
    if (LevelFileName.isEmpty())
        return QDir::cleanPath(QFileInfo(PicturesFolder()).absoluteFilePath());
    return QDir::cleanPath(QFileInfo(LevelFileName).absoluteDir().filePath(QStringLiteral("Pics")));
}

QStringList Module1::PictureFolders() const {
    const QString level = LevelPicturesFolder();
    const QString program = QDir::cleanPath(QFileInfo(PicturesFolder()).absoluteFilePath());
    return level == program ? QStringList{program} : QStringList{level, program};
}

QString Module1::PicturePath(const QString& reference) const {
    return FindPictureFile(Pictures, PictureFolders(), reference);
}

QString FindPictureFile(PictureStore& store, const QStringList& folders, const QString& reference) {
    QString first;
    for (const QString& folder : folders) {
        const QString path = PictureFilePath(folder, reference);
        if (store.exists(path))
            return path;
        if (first.isEmpty())
            first = path;
    }
    if (first.isEmpty())
        throw Failure::pictureNotFound(reference);
    return first;
}

QString PictureFilePath(const QString& picturesFolder, const QString& reference) {
    QString relative = reference;
    relative.replace(u'\\', u'/');
    const bool absolute = relative.size() >= 2 && relative[1] == u':';
    const QString folder = QDir::cleanPath(picturesFolder);
    const QString path = QDir::cleanPath(folder + u'/' + relative);
    // A name with a NUL character in it names no file on any system.
    if (absolute || !path.startsWith(folder + u'/') || reference.contains(QChar(0)))
        throw Failure::pictureNotFound(reference);
    return path;
}

QStringList LevelPicturesFolders(const QString& levelFile, const QString& programFolder) {
    const QDir program(programFolder);
    QStringList folders;
    for (const QString& folder : {QFileInfo(levelFile).absoluteDir().filePath(QStringLiteral("Pics")),
                                  program.filePath(QStringLiteral("Pics")),
                                  QDir(InstalledDataFolder(programFolder)).filePath(QStringLiteral("Pics"))})
        if (QFileInfo(folder).isDir() && !folders.contains(QDir::cleanPath(folder)))
            folders << QDir::cleanPath(folder);
    return folders;
}

bool Module1::ScreenIsEdited(Integer screen) const {
    if (scratchPresent(screen))
        return true;
    if (screen != CurrentScreen)
        return false;
    std::optional<Failure> trouble;
    const Screen inFile = ReadScreenFrom(LevelFileIsNew ? QString() : LevelFileName, screen, &trouble);
    return trouble || inFile != ScreenOnDisplay();
}

QImage Module1::LoadPictureReference(const QString& reference) const {
    return Pictures.load(PicturePath(reference));
}

PictureChoice Module1::ChoosePicture(const QString& path) const {
    const QString file = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    PictureChoice choice;
    for (const QString& folder : PictureFolders())
        if (file.startsWith(folder + u'/')) {
            choice.reference = u'\\' + file.mid(folder.size() + 1).replace(u'/', u'\\');
            return choice;
        }
    choice.reference = GetFileName(path);
    choice.copyTarget = QDir(LevelPicturesFolder()).filePath(QFileInfo(path).fileName());
    choice.outside = true;
    if (QFileInfo(choice.copyTarget).isFile())
        choice.targetTaken = !SameFileBytes(*Files, choice.copyTarget, path);
    return choice;
}

QString Module1::ImportPicture(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const QString reference = u'\\' + name;
    RecordWriter::CheckWritableText(reference);
    const QByteArray bytes = Files->openRead(path)->readAll();
    if (QImage::fromData(bytes).isNull())
        throw Failure(ErrInvalidPicture, Text(Msg::ImportNotAPicture).arg(QDir::toNativeSeparators(path)));
    const QString folder = LevelPicturesFolder();
    if (!QDir().mkpath(folder))
        throw Failure(ErrPathAccess, Text(Msg::PicturesFolderNotMade).arg(QDir::toNativeSeparators(folder)));
    const QString target = QDir(folder).filePath(name);
    // A link of that name is replaced, never written through: the file it points to is not the level's.
    const auto file = Files->openWrite(target, Links::Replace);
    if (file->write(bytes) != bytes.size())
        throw WriteFailure(*file);
    Files->commit(*file);
    Pictures.beginPass();
    return reference;
}

// --- The level properties -------------------------------------------------------------------------------

bool PropertyValues::operator==(const PropertyValues& other) const {
    return name == other.name && author == other.author && dateMade == other.dateMade &&
           description == other.description && comments == other.comments && startTile == other.startTile &&
           lastScreen == other.lastScreen;
}

PropertyValues PropertiesOfRecord(const Record& record, int* field) {
    PropertyValues values;
    values.name = record[1].toText();
    values.author = record[2].toText();
    values.dateMade = record[3].toText();
    values.description = record[4].toText();
    values.comments = record[5].toText();
    *field = 6;
    values.startTile = record[6].toInteger();
    *field = 7;
    values.lastScreen = record[7].toInteger();
    return values;
}

PropertyValues Module1::Properties() const {
    return {LevelName,     LevelAuthor,    LevelDateMade,  LevelDescription,
            LevelComments, LevelStartTile, LevelLastScreen};
}

void Module1::SetProperties(const PropertyValues& properties) {
    LevelName = properties.name;
    LevelAuthor = properties.author;
    LevelDateMade = properties.dateMade;
    LevelDescription = properties.description;
    LevelComments = properties.comments;
    LevelStartTile = properties.startTile;
    LevelLastScreen = properties.lastScreen;
}

// --- Start-up -------------------------------------------------------------------------------------------

void Module1::SetDefaults() {
    for (int k = 2; k <= 9; ++k)
        SideScreen(k) = static_cast<Integer>(k);
    for (int i = FirstGridTile; i <= LastGridTile; ++i) {
        // The colour the grid's tiles start with, so that redrawing the fresh screen shows it as it is.
        TileBackColor(i) = num(SysWindowBackground);
        TilePropLeftOps(i) = num(1);
        TilePropUpOps(i) = num(1);
        TilePropRightOps(i) = num(1);
        TilePropDownOps(i) = num(1);
    }
    LevelStartTile = 1;
    WalkerTile = 1;
}

void Module1::NewLevel() {
    DeleteScratchFiles();
    LevelFileName.clear();
    LevelFileIsNew = false;
    FileRunning = False;
    SetProperties(PropertyValues());
    CurrentScreen = 0;
    const Screen fresh = Screen::fresh();
    for (int i = FirstGridTile; i <= LastGridTile; ++i)
        StoreTile(i, fresh.tile(i));
    SetDefaults();
    if (ScreenShown)
        ScreenShown(CurrentScreen);
}

// --- Screens and scratch files ----------------------------------------------------------------------------

Failure Module1::fieldFailure(const Failure& failure, const QString& fileName, qint64 offset, int field,
                              const Record& record) const {
    qint64 line = 0;
    try {
        line = LineOfOffset(Files->openRead(fileName).get(), offset);
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
    return UseIndex && !fileName.isEmpty() && (fileName == LevelFileName || fileName == m_loadingFile);
}

void Module1::forEachRecord(const QString& fileName, const QString& key, const RecordVisitor& visit) const {
    if (!readsThroughIndex(fileName)) {
        const std::unique_ptr<QIODevice> file = Files->openRead(fileName);
        RecordReader reader(file.get());
        while (!reader.atEnd()) {
            const Record record = reader.read();
            if (record[0].isText() && record[0].textValue() == key)
                visit(record, RecordPlace{reader.recordStart(), reader.position()});
        }
        return;
    }
    indexLevelFile(fileName);
    const std::vector<LevelIndex::Run>& runs = m_index.runsOf(key);
    if (!runs.empty()) {
        const std::unique_ptr<QIODevice> file = Files->openRead(fileName);
        for (const LevelIndex::Run& run : runs) {
            if (!file->seek(run.begin))
                throw Failure::fileNotFound();
            QByteArray bytes = file->read(run.end - run.begin);
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            RecordReader reader(&buffer, /*atFileStart=*/false);
            // Read as the whole file is read: what stands between two records is passed over first.
            for (int i = 0; i < run.records && !reader.atEnd(); ++i) {
                const Record record = reader.read();
                visit(record, RecordPlace{run.begin + reader.recordStart(), run.begin + reader.position()});
            }
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

TileState Module1::TileOnDisplay(int index) const {
    TileState state;
    state.colour = TileBackColor(index);
    state.picture = TilePicture(index);
    state.directions = {TilePropLeft(index), TilePropUp(index), TilePropRight(index), TilePropDown(index)};
    state.operands = {TilePropLeftOps(index), TilePropUpOps(index), TilePropRightOps(index),
                      TilePropDownOps(index)};
    return state;
}

void Module1::StoreTile(int index, const TileState& state) {
    TileBackColor(index) = state.colour;
    TilePicture(index) = state.picture;
    TilePropLeft(index) = state.directions[0];
    TilePropUp(index) = state.directions[1];
    TilePropRight(index) = state.directions[2];
    TilePropDown(index) = state.directions[3];
    TilePropLeftOps(index) = state.operands[0];
    TilePropUpOps(index) = state.operands[1];
    TilePropRightOps(index) = state.operands[2];
    TilePropDownOps(index) = state.operands[3];
}

Screen Module1::ScreenOnDisplay() const {
    Screen screen;
    for (int i = FirstGridTile; i <= LastGridTile; ++i)
        screen.tile(i) = TileOnDisplay(i);
    screen.links = LinksOnDisplay();
    return screen;
}

Screen Module1::ReadScreen(Integer screen, std::optional<Failure>* trouble) const {
    if (screen == CurrentScreen)
        return ScreenOnDisplay();
    return ReadScreenFrom(sourceOf(screen), screen, trouble);
}

SideLinks Module1::ReadSideLinks(Integer screen) const {
    if (screen == CurrentScreen)
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

QString Module1::sourceOf(Integer screen) const {
    const QString scratch = ScratchFileName(screen);
    return scratchPresent(screen) && scratchFileIsWhole(scratch, screen) ? scratch : LevelFileName;
}

SideLinks Module1::LinksOnDisplay() const {
    SideLinks links = {};
    for (int k = 2; k <= 9; ++k)
        links[size_t(k)] = SideScreen(k);
    return links;
}

void Module1::setLinksOnDisplay(const SideLinks& links) {
    for (int k = 2; k <= 9; ++k)
        SideScreen(k) = links[size_t(k)];
}

Screen Module1::ReadScreenFrom(const QString& source, Integer screen, std::optional<Failure>* trouble) const {
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

// The records read whole are applied, in file order; the failure that stopped the reading is told.
void Module1::LoadLevel(const QString& fileName, const QString& callerName) {
    Screen screen = ScreenOnDisplay();
    bool found = false;
    const std::optional<Failure> failure = readScreenRecords(fileName, CurrentScreen, screen, &found);
    for (int i = FirstGridTile; i <= LastGridTile; ++i)
        StoreTile(i, screen.tile(i));
    FileRunning = found ? True : False;
    if (failure)
        ShowFailure(*failure, QStringLiteral("LoadLevel - ") + callerName);
}

bool Module1::ScreenTmpExists() const {
    return scratchPresent(CurrentScreen);
}

QByteArray Module1::EncodeScreenBlock() const {
    return ScreenOnDisplay().encode(CurrentScreen);
}

// A screen that could not be read whole is not written back: its source keeps it as it stands, rather
// than a mix of its first records and what the screen before it left.
void Module1::SaveScreenTmp(ScratchSync sync) {
    if (m_partlyRead && m_partlyRead->screen == CurrentScreen)
        return;
    writeScratch(CurrentScreen, EncodeScreenBlock(), sync == ScratchSync::Later);
    if (sync == ScratchSync::Later)
        m_scratchUnsynced = true;
}

void Module1::writeScratch(Integer screen, const QByteArray& block, bool deferSync) {
    QString path = ScratchFileName(screen);
    const auto own = m_scratch.constFind(screen);
    if (own == m_scratch.constEnd() || RegularFileIdentity(path) != own->identity)
        path = freeScratchName(screen);
    const auto file = Files->openWrite(path, Links::Replace);
    file->setDeferSync(deferSync);
    RecordWriter(file.get()).writeRaw(block);
    Files->commit(*file);
    m_scratch.insert(screen, ScratchFile{path, file->identity().value_or(FileIdentity())});
}

void Module1::SyncScratchFiles() const {
    Files->syncFileSystem(scratchFolder());
    m_scratchUnsynced = false;
}

void Module1::StoreScreen(Integer screen, const Screen& value, bool oneOfMany) {
    if (screen != CurrentScreen) {
        writeScratch(screen, value.encode(screen), oneOfMany);
        return;
    }
    for (int i = FirstGridTile; i <= LastGridTile; ++i)
        StoreTile(i, value.tile(i));
    setLinksOnDisplay(value.links);
}

void Module1::blank(Screen& screen) const {
    for (int i = FirstGridTile; i <= LastGridTile; ++i) {
        TileState& tile = screen.tile(i);
        tile.colour = num(BrushColour);
        tile.picture = num(0);
        tile.directions = {};
    }
}

// A scratch file the editor wrote holds the 309 records of its screen; an empty one counts as present
// and holds nothing. Anything else was damaged after it was written.
bool Module1::scratchFileIsWhole(const QString& scratch, Integer screen) const {
    try {
        const std::unique_ptr<QIODevice> file = Files->openRead(scratch);
        RecordReader reader(file.get());
        const QString key = screenKey(screen);
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

Failure Module1::lostScratchFile(const QString& scratch, Msg what, Integer screen) const {
    return Failure(ErrPathAccess, Text(what).arg(QDir::toNativeSeparators(scratch)).arg(screen));
}

bool Module1::loadScreenFrom(const QString& fileName, const QString& callerName, Integer number,
                             Screen& screen, ScreenLoad& load) const {
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
    if (scratchPresent(number)) {
        if (scratchFileIsWhole(scratch, number)) {
            loadScreenFrom(scratch, QStringLiteral("mnuSave_Click - tmp Load"), number, screen, load);
            found = true;
        } else {
            load.trouble = lostScratchFile(scratch, Msg::ScratchFileDamaged, number);
        }
    } else if (m_scratch.contains(number)) {
        load.trouble = lostScratchFile(scratch, Msg::ScratchFileGone, number);
    }
    if (!found && !LevelFileName.isEmpty()) {
        if (!load.trouble && !LevelFileIsNew && !Files->exists(LevelFileName))
            load.trouble = Failure(
                ErrPathAccess,
                Text(Msg::LevelFileGoneBlank).arg(QDir::toNativeSeparators(LevelFileName)).arg(number));
        found = loadScreenFrom(LevelFileName, QStringLiteral("mnuSave_Click - FileRunning Load"), number,
                               screen, load);
    }
    if (!found)
        blank(screen);
    load.screen = screen;
    return load;
}

// A screen whose records leave something out depends on the screens before it, back to one that does not
// (or screen 0, which a save reads over the screen on display); those are read in order, as a save does.
Module1::ScreenLoad Module1::SavedScreenValue(Integer number) const {
    if (number == CurrentScreen) {
        ScreenLoad load;
        load.screen = ScreenOnDisplay();
        load.whole = true;
        return load;
    }
    ScreenLoad load = LoadScreenValue(number, ScreenOnDisplay());
    if (load.whole || load.trouble || number <= 0 || number > LevelLastScreen)
        return load;
    std::vector<Integer> between;
    Screen before = ScreenOnDisplay();
    for (Integer s = number - 1; s >= 0 && s != CurrentScreen; --s) {
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
    CurrentScreen = screen;
    for (int i = FirstGridTile; i <= LastGridTile; ++i)
        StoreTile(i, load.screen.tile(i));
    setLinksOnDisplay(load.screen.links);
    FileRunning = load.fromFile ? True : False;
    m_partlyRead.reset();
    if (load.partly)
        m_partlyRead = PartlyRead{screen, load.partly->first, load.partly->second};
    for (const auto& [failure, place] : load.told)
        ShowFailure(failure, place);
    if (ScreenShown)
        ScreenShown(CurrentScreen);
}

void Module1::LoadScreen() {
    const ScreenLoad load = LoadScreenValue(CurrentScreen, ScreenOnDisplay());
    ShowLoadedScreen(CurrentScreen, load);
    if (load.trouble)
        throw *load.trouble;
}

void Module1::ChangeScreen(Integer target, ScratchSync sync) {
    SaveScreenTmp(sync);
    CurrentScreen = target;
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
    if (target == CurrentScreen)
        return;
    SaveScreenTmp(sync);
    try {
        CurrentScreen = ToInteger(target);
    } catch (const Failure& failure) {
        throw notAScreenNumber(failure);
    }
    LoadScreen();
}

void Module1::DeleteScratchFiles(const QString& keep) {
    const QString kept = keep.isEmpty() ? QString() : QFileInfo(keep).absoluteFilePath();
    for (const ScratchFile& scratch : std::as_const(m_scratch)) {
        if (QFileInfo(scratch.path).absoluteFilePath() == kept)
            continue;
        if (RegularFileIdentity(scratch.path) == scratch.identity)
            Files->remove(scratch.path);
    }
    m_scratch.clear();
    m_partlyRead.reset();
}

// --- Level files ----------------------------------------------------------------------------------------

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

bool Module1::readSideLinks(const QString& fileName, Integer screen, SideLinks& links) const {
    int expected = 2;
    bool info = false;
    forEachRecord(fileName, screenKey(screen), [&](const Record& record, const RecordPlace& place) {
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
    });
    return info || expected > 9;
}

void Module1::LoadSideScreens(const QString& fileName) {
    SideLinks links = LinksOnDisplay();
    readSideLinks(fileName, CurrentScreen, links);
    setLinksOnDisplay(links);
}

void Module1::WriteScreen(RecordWriter& writer) {
    writer.writeRaw(EncodeScreenBlock());
}

void Module1::LoadLevelSequence(const QString& fileName, const QString& callerName) {
    Pictures.beginPass();
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
    LevelFileName = fileName;
    LevelFileIsNew = false;
    CurrentScreen = 0;
    LoadLevel(fileName, callerName);
    SetProperties(properties.values);
    setLinksOnDisplay(links);
    WalkerTile = LevelStartTile;
    if (ScreenShown)
        ScreenShown(CurrentScreen);
}

void Module1::CheckPicturesFolder() const {
    const QStringList folders = PictureFolders();
    if (std::none_of(folders.begin(), folders.end(),
                     [](const QString& folder) { return QFileInfo(folder).isDir(); }))
        throw Failure(ErrPathAccess,
                      Text(Msg::PicturesFolderMissing).arg(QDir::toNativeSeparators(PicturesFolder())));
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
        throw Failure(ErrInvalidValue, Text(Msg::LastScreenBelowZero).arg(LevelLastScreen));
    RecordWriter::CheckWritable(levelPropRecord());
    if (!LevelFileName.isEmpty() && !LevelFileIsNew && !Files->exists(LevelFileName))
        throw Failure(ErrPathAccess,
                      Text(Msg::LevelFileGoneBeforeSave).arg(QDir::toNativeSeparators(LevelFileName)));
}

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
    const std::unique_ptr<QIODevice> file = Files->openRead(fileName);
    for (const RecordPlace& place : places) {
        if (!file->seek(place.begin))
            throw Failure::fileNotFound();
        appendRecordLine(&bytes, file->read(place.end - place.begin));
    }
    return bytes;
}

// What a save writes, in order: bytes gathered into large writes, and stretches of the level file that the
// system copies without their bytes passing through the editor.
class SaveOutput {
public:
    explicit SaveOutput(AtomicFile& file) : m_file(file) { m_bytes.reserve(LargeWrite + 64 * 1024); }

    void append(QByteArrayView bytes) {
        writeStretch();
        m_bytes.append(bytes);
        if (m_bytes.size() >= LargeWrite)
            writeBytes();
    }
    // The bytes of the file open as `source` from `begin` to `end`.
    void copy(int source, qint64 begin, qint64 end) {
        if (source == m_source && begin == m_stretchEnd) {
            m_stretchEnd = end;
            return;
        }
        flush();
        m_source = source;
        m_stretchBegin = begin;
        m_stretchEnd = end;
    }
    // Writes what is gathered, before anything is written to the file another way.
    void flush() {
        writeBytes();
        writeStretch();
    }

private:
    static constexpr qsizetype LargeWrite = 4 * 1024 * 1024;

    void writeBytes() {
        if (!m_bytes.isEmpty() && m_file.write(m_bytes) != m_bytes.size())
            throw WriteFailure(m_file);
        m_bytes.truncate(0); // its room is used again
    }
    void writeStretch() {
        if (m_source >= 0 && !m_file.copyFrom(m_source, m_stretchBegin, m_stretchEnd - m_stretchBegin))
            throw WriteFailure(m_file);
        m_source = -1;
    }

    AtomicFile& m_file;
    QByteArray m_bytes;
    int m_source = -1; // none gathered
    qint64 m_stretchBegin = 0;
    qint64 m_stretchEnd = 0;
};

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

LevelSave::LevelSave(Module1& level, const QString& path)
    : m_level(level), m_path(path), m_last(level.LevelLastScreen) {
    m_level.CheckSavable();
    m_file = m_level.Files->openWrite(path);
    m_writer = std::make_unique<RecordWriter>(m_file.get());
    m_output = std::make_unique<SaveOutput>(*m_file);
    // The first screen read goes over what is on display, as loading it would.
    m_memory = m_level.ScreenOnDisplay();
    m_level.m_saving = true;
    // Records of the level file that belong to no screen and are not the level properties are the user's
    // data too (a newer game may read them): each goes out after the screen it came after.
    if (!m_level.LevelFileName.isEmpty() && m_level.Files->exists(m_level.LevelFileName)) {
        m_level.indexLevelFile(m_level.LevelFileName);
        m_foreign = m_level.m_index.foreignRuns();
        std::stable_sort(
            m_foreign.begin(), m_foreign.end(),
            [](const LevelIndex::Foreign& a, const LevelIndex::Foreign& b) { return a.after < b.after; });
        if (!m_foreign.empty())
            m_foreignSource = m_level.Files->openRead(m_level.LevelFileName);
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
    const bool onDisplay = screen == m_level.CurrentScreen;
    const bool partlyOnDisplay = onDisplay && m_level.m_partlyRead && m_level.m_partlyRead->screen == screen;
    if (onDisplay && !partlyOnDisplay) {
        m_output->flush();
        m_notLoaded = -1;
        m_memory = m_level.ScreenOnDisplay();
        m_writer->writeRaw(m_memory.encode(screen));
    } else if (!onDisplay && m_level.UseIndex &&
               m_level.appendCopyableBlock(screen, *m_output, m_levelSource)) {
        m_notLoaded = screen;
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
            m_writer->writeRaw(m_level.recordsAsTheyStand(load.partly->first, screen));
            m_copiedThrough.emplace_back(screen, load.partly->second);
        } else {
            m_writer->writeRaw(m_memory.encode(screen));
        }
    }
    writeForeign(screen);
    ++m_next;
}

std::optional<Failure> LevelSave::finish() {
    if (m_next == 0)
        writeForeign(-1);
    writeForeign(std::numeric_limits<int>::max());
    m_output->flush();
    m_writer->write(m_level.levelPropRecord());
    m_level.Files->commit(*m_file);
    if (!m_copiedThrough.empty())
        return copiedThroughNotice(m_path, m_copiedThrough);
    return std::nullopt;
}

bool Module1::appendCopyableBlock(Integer screen, SaveOutput& out,
                                  std::unique_ptr<ReadAhead>& levelSource) const {
    CopyableBlock copyable;
    QByteArrayView tiles; // the block's tile records
    QByteArray scratch;
    try {
        if (scratchPresent(screen)) {
            scratch = Files->openRead(ScratchFileName(screen))->readAll();
            if (!ScanCopyableBlock(scratch, screen, &copyable))
                return false;
            tiles = QByteArrayView(scratch).first(copyable.tileBytes);
        } else {
            if (LevelFileName.isEmpty())
                return false;
            // The level file cannot change while it is saved: it is looked at once, when first read.
            if (!levelSource)
                indexLevelFile(LevelFileName);
            const std::vector<LevelIndex::Run>& runs = m_index.runsOf(screenKey(screen));
            if (m_index.endFailure() || runs.size() != 1 || runs.front().records != 309)
                return false;
            if (!levelSource)
                levelSource = std::make_unique<ReadAhead>(Files->openRead(LevelFileName));
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
    return true;
}

void Module1::indexLevelFile(const QString& fileName) const {
    if (!m_index.describes(fileName))
        m_index.build(*Files, fileName, /*checkBlocks=*/true);
}

// --- Sessions -------------------------------------------------------------------------------------------

void Module1::writeSession(bool unsaved, Integer lastScreen) {
    if (m_session.folder().isEmpty())
        return;
    SessionState state;
    state.levelFile = LevelFileName;
    state.unsaved = unsaved;
    state.lastEdit = LastEdit;
    state.properties = {LevelName,
                        LevelAuthor,
                        LevelDateMade,
                        LevelDescription,
                        LevelComments,
                        QString::number(LevelStartTile),
                        QString::number(lastScreen)};
    for (auto it = m_scratch.cbegin(); it != m_scratch.cend(); ++it)
        state.scratchFiles.insert(it.key(), it->path);
    // A session that names unsaved work names scratch files that are on the disk.
    if (unsaved && m_scratchUnsynced)
        SyncScratchFiles();
    // Each write waits for the disk; a change of screen that left the session as it was writes nothing.
    if (m_writtenSession && m_writtenSession->sameContent(state))
        return;
    m_session.write(*Files, state);
    m_writtenSession = state;
}

namespace {
// A scratch file is a regular file: a link in its place is none.
bool isRegularFile(const QString& path) {
    return RegularFileIdentity(path).has_value();
}

// A session to tell the user of: one whose files hold unsaved work, or one that is damaged.
bool worthTelling(const std::optional<SessionState>& session) {
    if (!session)
        return false;
    if (session->damaged)
        return true;
    if (!session->unsaved)
        return false;
    for (const QString& scratch : session->scratchFiles)
        if (isRegularFile(scratch))
            return true;
    return false;
}
} // namespace

void Module1::SetAsideLeftovers() {
    // The files that the folder's session offers for recovery stay for the question.
    const std::optional<SessionState> session = Session::read(scratchFolder());
    QSet<QString> offered;
    if (worthTelling(session))
        for (const QString& scratch : session->scratchFiles)
            offered.insert(QFileInfo(scratch).fileName());
    const QDir folder(scratchFolder());
    QStringList leftovers;
    for (const QString& name : folder.entryList(QDir::Files | QDir::System | QDir::Hidden))
        if (ScreenOfScratchName(name) && !offered.contains(name) && isRegularFile(folder.filePath(name)))
            leftovers << folder.filePath(name);
    SetAside(scratchFolder(), leftovers);
}

QString Module1::SetAsideSession(const SessionState& session) {
    QStringList files;
    for (const QString& scratch : session.scratchFiles)
        if (isRegularFile(scratch))
            files << scratch;
    const QString sessionFile = QDir(session.folder).filePath(Session::FileName);
    if (isRegularFile(sessionFile))
        files << sessionFile;
    m_writtenSession.reset();
    return SetAside(session.folder, files);
}

std::optional<SessionState> Module1::RecoverableSession() const {
    std::optional<SessionState> session = Session::read(scratchFolder());
    if (worthTelling(session))
        return session;
    for (const QString& root : sessionRoots(false)) {
        const QDir folders(root);
        for (const QString& name : folders.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Time)) {
            const QString folder = folders.filePath(name);
            Session probe; // a folder whose editor still runs cannot be claimed
            if (folder == scratchFolder() || QFileInfo(folder).isSymLink() || !probe.claim(folder))
                continue;
            session = Session::read(folder);
            if (worthTelling(session))
                return session;
        }
    }
    return std::nullopt;
}

void Module1::RecoverSession(const SessionState& session) {
    // The files stay where they are; this editor takes over their folder.
    m_writtenSession.reset();
    if (session.folder != scratchFolder() && m_session.claim(session.folder)) {
        if (!m_ownSessionFolder.isEmpty())
            QDir().rmdir(m_ownSessionFolder);
        ScratchFolder = session.folder;
        m_ownSessionFolder = session.folder;
    }
    LastEdit = session.lastEdit;
    std::optional<Failure> trouble;
    if (!session.levelFile.isEmpty() && Files->exists(session.levelFile)) {
        try {
            LoadLevelSequence(session.levelFile, QStringLiteral("Form_Load"));
        } catch (const Failure& failure) {
            trouble = failure;
        }
    } else if (!session.levelFile.isEmpty()) {
        LevelFileName = session.levelFile;
        LevelFileIsNew = true;
    }
    for (auto it = session.scratchFiles.cbegin(); it != session.scratchFiles.cend(); ++it)
        if (isRegularFile(it.value()))
            m_scratch.insert(
                static_cast<Integer>(it.key()),
                ScratchFile{it.value(), RegularFileIdentity(it.value()).value_or(FileIdentity())});
    // The properties as they were edited, when they read as properties.
    if (session.properties.size() == 7) {
        PropertyValues values{session.properties[0], session.properties[1], session.properties[2],
                              session.properties[3], session.properties[4]};
        bool startRead = false;
        bool lastRead = false;
        const int start = session.properties[5].toInt(&startRead);
        const int last = session.properties[6].toInt(&lastRead);
        if (startRead && lastRead && start >= FirstGridTile && start <= LastGridTile && last >= 0 &&
            last <= 32767) {
            values.startTile = static_cast<Integer>(start);
            values.lastScreen = static_cast<Integer>(last);
            SetProperties(values);
        }
    }
    CurrentScreen = 0;
    WalkerTile = LevelStartTile;
    LoadScreen();
    if (trouble)
        throw *trouble;
}

void Module1::DiscardSession(const SessionState& session) {
    for (const QString& scratch : session.scratchFiles)
        if (isRegularFile(scratch))
            Files->remove(scratch);
    Files->remove(QDir(session.folder).filePath(Session::FileName));
    m_writtenSession.reset();
    if (session.folder != scratchFolder() &&
        QDir(session.folder).dirName().startsWith(QStringLiteral("session-"))) {
        Files->remove(QDir(session.folder).filePath(QStringLiteral("TavrinEditor.lock")));
        QDir().rmdir(session.folder);
    }
}

void Module1::EndSession() {
    m_session.removeFile(*Files);
    m_session.release();
    m_writtenSession.reset();
    if (!m_ownSessionFolder.isEmpty())
        QDir().rmdir(m_ownSessionFolder);
    // The private folder and the folder of its sessions go when nothing is left in them.
    const QString own = privateFolder(false);
    if (!own.isEmpty()) {
        QDir().rmdir(QDir(own).filePath(QStringLiteral("sessions")));
        QDir().rmdir(own);
    }
    if (!m_privateFolder.isEmpty())
        QDir().rmdir(m_privateFolder);
}

// --- Other shared procedures ------------------------------------------------------------------------------

QString Module1::GetFileName(const QString& path) {
    const qsizetype separator = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    if (separator < 0)
        throw Failure(ErrInvalidCall);
    return u'\\' + path.mid(separator + 1);
}

} // namespace tavrin

// --- Scratch files of many screens at once --------------------------------------------------------------

namespace tavrin {

QList<Integer> Module1::ScratchScreens() const {
    QList<Integer> screens;
    for (auto it = m_scratch.cbegin(); it != m_scratch.cend(); ++it)
        if (scratchPresent(it.key()))
            screens << it.key();
    return screens;
}

ScratchStage::ScratchStage(Module1& level) : m_level(level) {
    QTemporaryDir folder(QDir(level.scratchFolder()).filePath(QStringLiteral(".tavrin-stage-XXXXXX")));
    if (!folder.isValid())
        throw WriteFailure(folder.path(), errno, false);
    folder.setAutoRemove(false);
    m_folder = folder.path();
}

ScratchStage::~ScratchStage() {
    QDir(m_folder).removeRecursively();
}

void ScratchStage::write(Integer screen, const Screen& value) {
    const QString path = QDir(m_folder).filePath(QString::number(screen));
    const auto file = m_level.Files->openWrite(path, Links::Replace);
    file->setDeferSync(true);
    RecordWriter(file.get()).writeRaw(value.encode(screen));
    m_level.Files->commit(*file);
    m_written.emplace_back(screen, path);
}

void ScratchStage::drop(Integer screen) {
    m_dropped.push_back(screen);
}

void ScratchStage::commit(Integer lastScreen) {
    const QHash<Integer, Module1::ScratchFile> before = m_level.m_scratch;
    std::vector<QString> placed;
    try {
        for (const auto& [screen, staged] : m_written) {
            const QString path = m_level.freeScratchName(screen);
            if (!m_level.Files->renameToNew(staged, path))
                throw WriteFailure(path, errno, QFileInfo::exists(path));
            placed.push_back(path);
            m_level.m_scratch.insert(
                screen, Module1::ScratchFile{path, RegularFileIdentity(path).value_or(FileIdentity())});
        }
        for (const Integer screen : m_dropped)
            m_level.m_scratch.remove(screen);
        m_level.SyncScratchFiles();
        m_level.writeSession(true, lastScreen);
    } catch (...) {
        for (const QString& path : placed)
            m_level.Files->remove(path);
        m_level.m_scratch = before;
        throw;
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const auto now = m_level.m_scratch.constFind(it.key());
        if ((now == m_level.m_scratch.constEnd() || now->path != it->path) &&
            RegularFileIdentity(it->path) == it->identity)
            m_level.Files->remove(it->path);
    }
    m_written.clear();
    m_dropped.clear();
}

} // namespace tavrin
