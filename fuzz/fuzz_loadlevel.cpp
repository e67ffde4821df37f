// Any bytes as a level file: LoadLevel, LoadLevelProp, LoadSideScreens and Save Level against a plain
// grid, once through the index of the level file and once reading the whole file. Neither may crash,
// and both must leave the same state, the same messages and the same saved file.
#include "failure.h"
#include "fakegrid.h"
#include "module1.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
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

Result run(const QString& folder, const QByteArray& level, Integer screen, bool useIndex) {
    QStringList messages;
    SetMessageSink([&messages](const QString& title, const QString&) { messages << title; });
    for (const QString& name : QDir(folder).entryList({QStringLiteral("Screen*.tmp")}, QDir::Files))
        QFile::remove(QDir(folder).filePath(name));
    QFile file(QDir(folder).filePath(QStringLiteral("level.txt")));
    file.open(QIODevice::WriteOnly);
    file.write(level);
    file.close();

    FakeGrid grid;
    Module1 m(&grid, folder);
    m.UseIndex = useIndex;
    m.SetDefaults();
    m.PlaceWalkerOnStartTile();
    m.LevelFileName = file.fileName();
    const auto step = [&messages](const std::function<void()>& action) {
        try {
            action();
        } catch (const Failure& failure) {
            messages << QString::number(failure.code());
        }
    };
    step([&] { m.LoadLevelSequence(m.LevelFileName, QStringLiteral("fuzz")); });
    step([&] { m.ChangeScreen(screen); });
    m.LevelLastScreen = Integer(std::clamp<int>(m.LevelLastScreen, -1, 3)); // keep a save short
    Result result;
    step([&] {
        m.SaveLevel(QDir(folder).filePath(QStringLiteral("saved.txt")));
        QFile saved(QDir(folder).filePath(QStringLiteral("saved.txt")));
        saved.open(QIODevice::ReadOnly);
        result.saved = saved.readAll();
    });
    result.messages = messages;
    for (int i = 0; i <= 300; ++i)
        result.fields << m.TileBackColor(i) << m.TilePicture(i) << m.TilePropUpOps(i);
    for (int i = 0; i <= 300; ++i)
        result.numbers << m.TilePropLeft(i) << m.TilePropDown(i) << grid.backColour(i);
    for (int k = 2; k <= 9; ++k)
        result.numbers << m.SideScreen(k);
    result.numbers << m.CurrentScreen << m.WalkerTile << m.LevelStartTile << m.LevelLastScreen;
    return result;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_loadlevel";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir folder;
    if (size < 1)
        return 0;
    const Integer screen = Integer(data[0] % 4);
    const QByteArray level(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const Result whole = run(folder.path(), level, screen, false);
    const Result indexed = run(folder.path(), level, screen, true);
    if (!(whole == indexed))
        __builtin_trap();
    return 0;
}
