// Any bytes as a level file: loaded, a change of screen and Save Level through the level document, once
// through the index of the level file and once reading the whole file. Neither may crash,
// and both must leave the same state, the same messages and the same saved file. A second save onto the
// saved file meets a disk that fills up part way: it either writes the whole level or leaves the file as
// it was, with nothing else left in the folder.
#include "faultyfiles.h"
#include "fuzzsupport.h"
#include "level/core/failure.h"
#include "level/document/leveldocument.h"

#include <QDir>
#include <QFile>
#include <cstdint>

using namespace tavrin;

namespace {
struct Result {
    QStringList messages;
    QByteArray saved;
    QList<FieldValue> fields;
    QList<int> numbers;
    bool operator==(const Result& other) const {
        return messages == other.messages && saved == other.saved && fields == other.fields &&
               numbers == other.numbers;
    }
};

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// Writes the level to `path` as Save Level does, without making it the level's file.
void saveTo(LevelDocument& document, const QString& path) {
    const std::unique_ptr<LevelSave> save = document.beginSave(path);
    while (!save->screensWritten())
        save->writeScreen();
    save->finish();
}

// Saves again onto `saved` with room for only `room` bytes on the disk.
void saveOntoFullDisk(LevelDocument& document, const QString& folder, qint64 room, QStringList& messages) {
    const QString path = QDir(folder).filePath(QStringLiteral("saved.txt"));
    QFile file(path);
    QByteArray before;
    if (file.open(QIODevice::ReadOnly))
        before = file.readAll();
    file.close();
    const QStringList filesBefore = filesIn(folder);
    FaultyFiles files;
    files.diskFullAfter = room;
    FileAccess* const previous = document.state().Files();
    document.setFiles(&files);
    bool failed = false;
    try {
        saveTo(document, path);
    } catch (const Failure& failure) {
        failed = true;
        messages << QStringLiteral("full disk: ") + QString::number(failure.code());
    }
    document.setFiles(previous);
    QByteArray after;
    if (file.open(QIODevice::ReadOnly))
        after = file.readAll();
    if (failed && (after != before || filesIn(folder) != filesBefore))
        __builtin_trap(); // a failed save harmed the old file or left something behind
    if (!failed && !after.contains("\"LevelProp\""))
        __builtin_trap(); // a save that says it succeeded wrote less than the whole level
}

Result run(const QString& folder, const QByteArray& level, Integer screen, qint64 room, bool useIndex) {
    QStringList messages;
    SetMessageSink([&messages](const QString& title, const QString&) { messages << title; });
    for (const QString& name : QDir(folder).entryList({QStringLiteral("Screen*.tmp")}, QDir::Files))
        QFile::remove(QDir(folder).filePath(name));
    QFile file(QDir(folder).filePath(QStringLiteral("level.txt")));
    file.open(QIODevice::WriteOnly);
    file.write(level);
    file.close();

    LevelDocument document(folder);
    const Module1& m = document.state();
    document.setUseIndex(useIndex);
    document.nameNewLevelFile(file.fileName()); // a file that fails to load is still read for its screens
    const auto step = [&messages](const std::function<void()>& action) {
        try {
            action();
        } catch (const Failure& failure) {
            messages << QString::number(failure.code());
        }
    };
    step([&] { document.loadLevel(file.fileName(), QStringLiteral("fuzz")); });
    step([&] { document.changeScreen(screen); });
    PropertyValues shorter = m.Properties(); // keep a save short
    shorter.lastScreen = Integer(std::clamp<int>(m.LevelLastScreen(), -1, 3));
    document.editProperties(shorter);
    Result result;
    step([&] {
        saveTo(document, QDir(folder).filePath(QStringLiteral("saved.txt")));
        QFile saved(QDir(folder).filePath(QStringLiteral("saved.txt")));
        saved.open(QIODevice::ReadOnly);
        result.saved = saved.readAll();
    });
    result.messages = messages;
    for (int i = 0; i <= 300; ++i)
        result.fields << m.TileBackColor(i) << m.TilePicture(i) << m.TilePropUpOps(i);
    for (int i = 0; i <= 300; ++i)
        result.numbers << m.TilePropLeft(i) << m.TilePropDown(i);
    for (int k = 2; k <= 9; ++k)
        result.numbers << m.SideScreen(k);
    result.numbers << m.CurrentScreen() << m.WalkerTile() << m.LevelStartTile() << m.LevelLastScreen();
    // After a save that failed part way, the screen on display depends on how far it got, which differs
    // between the two ways of reading: only whether it failed is compared.
    saveOntoFullDisk(document, folder, room, result.messages);
    return result;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString folder = fuzz::folder();
    if (size < 1)
        return 0;
    const Integer screen = Integer(data[0] % 4);
    const qint64 room = qint64(data[0] / 4) * 997;
    const QByteArray level(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const Result whole = run(folder, level, screen, room, false);
    const Result indexed = run(folder, level, screen, room, true);
    if (!(whole == indexed))
        __builtin_trap();
    return 0;
}
