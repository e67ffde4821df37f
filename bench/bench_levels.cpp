// Times the level operations on generated levels of growing size and prints one table.
//
//   bench_levels [--sizes 1,100,1000,10000,32768] [--budget SECONDS] [--folder DIR] [--tools-only |
//                --reach-only | --links-only]
//
// A second table times tavrin-level's commands on the same levels against the editor's level load; with
// --tools-only it is the only table. With --reach-only the one table is the load and the search of where
// the walk can go from the start tile ("reach from the start" in the first table); with --links-only, the
// load and the count of links to a screen that Delete Screen asks with (--links-one N --folder DIR times
// one size on a level that --generate N --folder DIR wrote there).
//
//   bench_levels --memory [--folder DIR]
//
// prints instead the peak memory of levels that are small but hard on memory: a screen whose 26 pictures
// are PNGs of 5,500 x 5,500 pixels, drawn by tavrin-level render and as the editor's grid draws them, and
// a level with 500 MB of blank lines, exported as JSON and imported again.
//
// Build the project in RelWithDebInfo (the default) or Release before taking figures.
//
// Each size runs in a child process of its own, so that its peak resident memory is its own. Operations
// that would take longer than the budget are timed on a part and scaled up; such figures are marked "~".
#include "level/core/colour.h"
#include "level/document/leveldocument.h"
#include "level/document/module1.h"
#include "level/document/walker.h"
#include "level/format/levelindex.h"
#include "level/storage/fileaccess.h"
#include "level/tools/directions.h"
#include "level/tools/levelrender.h"
#include "level/tools/reach.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace tavrin;

namespace {

const char* const PictureNames[] = {"grass", "water", "wall", "sand", "tree"};

void writePictures(const QString& folder) {
    QDir(folder).mkdir(QStringLiteral("Pics"));
    const QColor colours[] = {Qt::green, Qt::blue, Qt::gray, Qt::yellow, Qt::darkGreen};
    for (int i = 0; i < 5; ++i) {
        QImage image(25, 25, QImage::Format_RGB888);
        image.fill(colours[i]);
        image.save(folder + QStringLiteral("/Pics/%1.bmp").arg(PictureNames[i]), "BMP");
    }
}

// A level of `screens` screens with mixed pictures, properties and side links, as the editor writes it.
void writeLevel(const QString& path, int screens) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QRandomGenerator random(screens);
    QByteArray chunk;
    for (int n = 0; n < screens; ++n) {
        const QByteArray key = "\"Screen" + QByteArray::number(n) + "\"";
        for (int t = 1; t <= 300; ++t) {
            const quint32 r = random.generate();
            QByteArray picture;
            switch (r % 4) {
            case 0:
                picture = "0";
                break;
            case 1:
                picture = "997";
                break;
            default:
                picture = "\"\\" + QByteArray(PictureNames[(r >> 4) % 5]) + ".bmp\"";
            }
            chunk +=
                key + ',' + QByteArray::number(t) + ',' + QByteArray::number(r & 0xFFFFFF) + ',' + picture;
            // Tiles 150 and 151 lead right through links 2 and 3 to the screens after the next two, so that
            // the walk comes to every screen.
            for (int d = 0; d < 4; ++d)
                chunk += ',' + QByteArray::number(d == 2 && (t == 150 || t == 151) ? t - 148
                                                  : (r >> (8 + 3 * d)) % 10 == 1   ? 1
                                                                                   : 0);
            chunk +=
                ",1,\"" + QByteArray::number(t) + "\"," + QByteArray::number((r >> 20) % 300 + 1) + ",\r\n";
        }
        // The screen information and side records as the editor writes them.
        SideLinks links = {};
        for (int k = 2; k <= 9; ++k)
            links[size_t(k)] = Integer((n + k) % screens);
        chunk += Screen::encodeLinks(Integer(n), links);
        if (chunk.size() > (1 << 20)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    chunk += "\"LevelProp\",\"Benchmark\",\"bench\",\"today\",\"generated\",\"\",1," +
             QByteArray::number(screens - 1) + ",0,0,0,0\r\n";
    file.write(chunk);
}

double seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

long residentKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLong();
    return -1;
}

long peakResidentKb() {
    return residentKb("VmHWM:");
}

QString figure(double value, bool scaled) {
    QString text = value < 0.01 ? QString::number(value * 1000, 'f', 2) + QStringLiteral(" ms")
                                : QString::number(value, 'f', 3) + QStringLiteral(" s");
    return scaled ? u'~' + text : text;
}

// Where the walk can go from the start tile, every screen read once: from the level file as tavrin-level
// reach reads it, its screens' steps read in one pass first, or (with `module`, the level loaded) as the
// values the editor reads. The best of three runs, as the machine's other work varies, against the load,
// which took `load`; what the search keeps, against the tiles of the level.
QString reachFigure(const Module1* module, const QString& level, double load) {
    double best = 0, reading = 0;
    qint64 tiles = 0;
    size_t memory = 0;
    PropertyValues properties;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer clock;
        clock.start();
        FileAccess files;
        const std::unique_ptr<Reachability> reach =
            module
                ? std::make_unique<Reachability>(
                      module->LevelLastScreen(),
                      [&](int screen, WalkScreen& into) { into.take(module->ReadScreen(Integer(screen))); },
                      module->TileOnDisplay(BlankTile))
                : FileReachability(files, level, &properties);
        const double read = seconds(clock);
        reach->start({0, module ? module->LevelStartTile() : properties.startTile});
        reach->run();
        if (run == 0 || seconds(clock) < best)
            best = seconds(clock), reading = read;
        tiles = reach->tilesReached();
        memory = reach->memoryBytes();
    }
    return QStringLiteral("%1 (%2 x load%3; %4 tiles, %5 bytes a tile of the level)")
        .arg(figure(best, false))
        .arg(best / load, 0, 'f', 1)
        .arg(module ? QString() : QStringLiteral(", its pass over the file %1").arg(figure(reading, false)))
        .arg(tiles)
        .arg(double(memory) / (double(module ? module->LevelLastScreen() : properties.lastScreen) + 1) / 301,
             0, 'f', 2);
}

// The load and the reach alone (--reach-only), for sizes whose other figures take long: one row; the file
// searched with no level loaded, whose block checker would take a core from it.
int runReach(int screens, const QString& folder) {
    const QString level = folder + QStringLiteral("/level.txt");
    std::unique_ptr<LevelDocument> document;
    double load = 0;
    for (int run = 0; run < 3; ++run) { // each load by an editor of its own
        document = std::make_unique<LevelDocument>(folder);
        QElapsedTimer timer;
        timer.start();
        document->loadLevel(level, QStringLiteral("bench"));
        load = run == 0 ? seconds(timer) : std::min(load, seconds(timer));
    }
    document.reset();
    const QString fromFile = reachFigure(nullptr, level, load);
    document = std::make_unique<LevelDocument>(folder);
    document->loadLevel(level, QStringLiteral("bench"));
    QTextStream(stdout) << QStringLiteral("| %1 | %2 | %3; as values: %4 |\n")
                               .arg(screens)
                               .arg(figure(load, false), fromFile,
                                    reachFigure(&document->state(), level, load));
    return 0;
}

// The count of the side links that lead to screen 0, which Delete Screen names in its question: just after
// the load (the block checker still at work), again, and once every screen has a scratch file (each
// screen put on display in turn, which leaves it in one). The scratch files go into a folder of their own.
int runLinks(int screens, const QString& folder) {
    QTemporaryDir scratch(folder + QStringLiteral("/links-XXXXXX"));
    LevelDocument document(scratch.path());
    QElapsedTimer timer;
    timer.start();
    document.loadLevel(folder + QStringLiteral("/level.txt"), QStringLiteral("bench"));
    const double load = seconds(timer);
    const auto counted = [&document](double* time) {
        QElapsedTimer clock;
        clock.start();
        const std::optional<std::pair<int, int>> links = document.linksTo(0);
        *time = seconds(clock);
        return links ? links->first : -1;
    };
    double first = 0;
    double again = 0;
    double edited = 0;
    const int links = counted(&first);
    counted(&again);
    for (int screen = 1; screen < screens; ++screen)
        document.changeScreen(Integer(screen));
    document.changeScreen(0);
    const int editedLinks = counted(&edited);
    QTextStream(stdout) << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |\n")
                               .arg(screens)
                               .arg(figure(load, false), figure(first, false), figure(again, false),
                                    figure(edited, false))
                               .arg(links == editedLinks ? QString::number(links) : QStringLiteral("differ"));
    return 0;
}

// One size, in this process, on a folder prepared by another: prints one row of the table.
int runOne(int screens, double budget, const QString& folder) {
    const long emptyKb = peakResidentKb();
    const QString level = folder + QStringLiteral("/level.txt");
    const qint64 bytes = QFileInfo(level).size();

    QElapsedTimer timer;
    // The floor: reading the file once, and copying it once.
    timer.start();
    {
        QFile in(level);
        in.open(QIODevice::ReadOnly);
        while (!in.read(1 << 20).isEmpty()) {
        }
    }
    const double readOnce = seconds(timer);
    timer.start();
    QFile::copy(level, folder + QStringLiteral("/copy.txt"));
    const double copyOnce = seconds(timer);
    QFile::remove(folder + QStringLiteral("/copy.txt"));

    // The index pass alone, which finds every record of the file: the best of three.
    double indexPass = 0;
    for (int run = 0; run < 3; ++run) {
        FileAccess files;
        LevelIndex index;
        timer.start();
        index.build(files, level);
        indexPass = run == 0 ? seconds(timer) : std::min(indexPass, seconds(timer));
    }

    // The level as the editor holds it: a document, which every change goes through.
    LevelDocument document(folder);
    const Module1& module = document.state();

    timer.start();
    document.loadLevel(level, QStringLiteral("bench"));
    const double load = seconds(timer);

    const QString reach = reachFigure(nullptr, level, load) + QStringLiteral("; as values: ") +
                          reachFigure(&module, level, load);

    // A screen on which nothing was changed yet, from the level file: changing to one that has a scratch
    // file would read that instead. Only when every screen has one is any screen taken.
    QRandomGenerator random(7);
    const auto untouchedScreen = [&] {
        Integer target = 0;
        for (int attempt = 0; attempt < 50; ++attempt) {
            target = Integer(random.bounded(screens));
            if (target != module.CurrentScreen() && !module.ScreenIsEdited(target))
                break;
        }
        return target;
    };

    // Save Level: the whole level when the budget allows, else the first screens, scaled up.
    int saved = screens;
    // A screen read from the level file, as the save reads each one, tells how long one screen takes.
    QElapsedTimer probe;
    probe.start();
    module.ReadScreen(Integer(screens - 1));
    const double perScreenGuess = seconds(probe) * 1.5;
    if (perScreenGuess * screens > budget)
        saved = std::min(screens, std::max(10, int(budget / perScreenGuess)));
    timer.start();
    document.keepScreenOnDisplay();
    {
        // A save cut short is given up, leaving no file.
        const std::unique_ptr<LevelSave> save = document.beginSave(folder + QStringLiteral("/saved.txt"));
        for (int screen = 0; screen < saved; ++screen)
            save->writeScreen();
        if (save->screensWritten())
            save->finish();
    }
    double save = seconds(timer);
    const bool saveScaled = saved < screens;
    if (saveScaled)
        save = save / saved * screens;
    // Changes of screen to random screens; the median of as many as the budget allows (at most 100).
    std::vector<double> changes;
    QElapsedTimer total;
    total.start();
    while (changes.size() < 100 && (changes.size() < 3 || seconds(total) < budget / 4)) {
        // Every target comes from the level file, as on a level just loaded.
        const Integer target = untouchedScreen();
        timer.start();
        document.changeScreen(target);
        changes.push_back(seconds(timer));
    }
    std::sort(changes.begin(), changes.end());
    const double change = changes[changes.size() / 2];

    // Walk steps through an exit into a random screen; the median. The tile the marker stands on gets
    // an exit to the right through link 4, which leads to the screen chosen, onto tile 21.
    std::vector<double> walks;
    total.start();
    while (walks.size() < 100 && (walks.size() < 3 || seconds(total) < budget / 4)) {
        SideLinks links = document.links();
        links[4] = untouchedScreen();
        document.editLinks(links);
        const int from = module.WalkerTile();
        TileState exit = document.tile(from);
        exit.directions[2] = 4;
        exit.operands[2] = FieldValue::number(21);
        document.editTile(from, exit);
        timer.start();
        document.walk(KeyRight);
        walks.push_back(seconds(timer));
    }
    std::sort(walks.begin(), walks.end());
    const QString walk =
        walks.empty() ? QStringLiteral("-") : figure(walks[walks.size() / 2], walks.size() < 100);

    // What a redisplay of the grid takes from the level, as the main window draws it: every tile's colour
    // and the picture its file reference names, looked up anew. The screen was drawn once when it came on
    // display, which decoded its pictures; ReDisplay draws it again.
    const auto redraw = [&module] {
        module.Pictures().beginPass();
        qint64 drawn = 0;
        for (int i = FirstGridTile; i <= LastGridTile; ++i) {
            const FieldValue& colour = module.TileBackColor(i);
            drawn += colour.isNumeric() ? colour.toLong() : 0;
            const FieldValue& reference = module.TilePicture(i);
            if (reference.isNumeric())
                continue;
            try {
                drawn += module.Pictures().load(reference.textValue()).width();
            } catch (const Failure&) {
                // a missing picture is drawn as none
            }
        }
        Q_UNUSED(drawn);
    };
    redraw();
    timer.start();
    redraw();
    const double redisplay = seconds(timer);

    const long peakKb = peakResidentKb();

    // 10,000 tile edits on screens all over the level (another screen every 100 edits), each recorded as
    // a step to undo.
    QString undoMemory = QStringLiteral("-");
    {
        const long beforeKb = residentKb("VmRSS:");
        for (int step = 0; step < 10000; ++step) {
            if (step % 100 == 0)
                document.changeScreen(Integer(random.bounded(screens)));
            const int tile = 1 + int(random.bounded(300));
            TileState after = document.tile(tile);
            after.colour = FieldValue::number(step);
            after.picture = FieldValue::text(QStringLiteral("\\step%1.bmp").arg(step));
            document.editTile(tile, after);
        }
        undoMemory = QStringLiteral("%1 MB").arg(double(residentKb("VmRSS:") - beforeKb) / 1024, 0, 'f', 1);
    }

    // Block Screen Edges on every screen: each screen read, its border changed and written to its scratch
    // file, as one step to undo; the time and what the step holds.
    double blockEdges = 0;
    QString blockMemory;
    {
        const long beforeKb = residentKb("VmRSS:");
        timer.start();
        LevelDocument::LevelEdit edit;
        for (int screen = 0; screen < screens; ++screen)
            AddBlockEdges(edit, screen);
        document.editLevel(QStringLiteral("Block Screen Edges"), edit);
        blockEdges = seconds(timer);
        edit = {};
        blockMemory = QStringLiteral("%1 MB").arg(double(residentKb("VmRSS:") - beforeKb) / 1024, 0, 'f', 1);
    }

    // Delete Screen on screen 0, after the edges above left every screen in a scratch file: every screen
    // takes the number below its own and every link follows; then its undo. A level keeps one screen: "-".
    QString deleteFigure = QStringLiteral("-");
    if (screens > 1) {
        timer.start(); // what the question before it names
        document.linksTo(0);
        const double linksCounted = seconds(timer);
        timer.start();
        document.renumberScreens(ScreenRenumbering::deleting(0, screens - 1));
        const double deleteFirst = seconds(timer);
        timer.start();
        document.undo();
        deleteFigure =
            QStringLiteral("%1, undo %2 (links to it counted first: %3)")
                .arg(figure(deleteFirst, false), figure(seconds(timer), false), figure(linksCounted, false));
    }

    QTextStream out(stdout);
    const QString indexFigure = QStringLiteral("%1 (%2 GB/s)")
                                    .arg(figure(indexPass, false))
                                    .arg(double(bytes) / indexPass / 1e9, 0, 'f', 2);
    const QString loadFigure =
        QStringLiteral("%1 (%2 x read)").arg(figure(load, false)).arg(load / readOnce, 0, 'f', 1);
    const QString saveFigure =
        QStringLiteral("%1 (%2 x copy)").arg(figure(save, saveScaled)).arg(save / copyOnce, 0, 'f', 1);
    out << QStringLiteral(
               "| %1 | %2 MB | %3 | %4 | %5 | %6 | %7 | %8 | %9 | %10 | %11 | %12 MB | %13 | %14 | %15 |\n")
               .arg(screens)
               .arg(double(bytes) / 1e6, 0, 'f', 1)
               .arg(figure(readOnce, false), figure(copyOnce, false), indexFigure, loadFigure, reach,
                    figure(change, changes.size() < 100), saveFigure, walk, figure(redisplay, false))
               .arg(double(peakKb - emptyKb) / 1024, 0, 'f', 1)
               .arg(undoMemory, QStringLiteral("%1, step %2").arg(figure(blockEdges, false), blockMemory),
                    deleteFigure);
    // The scratch files go as when the editor ends, so that another run in the same folder starts with
    // none left over (an editor that stops with unsaved edits keeps them for its recovery).
    document.end();
    return 0;
}

// The peak resident memory of the running process `pid` so far, in KB; -1 once it is gone.
long peakResidentKbOf(pid_t pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// Runs tavrin-level with `arguments` and waits for it: its wall time in seconds and its peak resident
// memory in MB, or a negative time when it failed.
//
// The peak that wait4 gives counts the memory of this program at the start too, since the command runs
// in it until it starts. When the command stays below that, its peak is the one seen while it ran, looked
// at every few milliseconds (what it reaches in the last few is missed).
std::pair<double, double> runTool(const QStringList& arguments) {
    QList<QByteArray> bytes{QByteArrayLiteral(TAVRIN_LEVEL_TOOL)};
    for (const QString& argument : arguments)
        bytes << argument.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        return {-1, 0};
    posix_spawn_file_actions_destroy(&actions);
    const long floorKb = peakResidentKb();
    long seenKb = 0;
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, WNOHANG, &usage) == 0) {
        seenKb = std::max(seenKb, peakResidentKbOf(child));
        usleep(2000);
    }
    const double elapsed = seconds(timer);
    const bool ran = WIFEXITED(status) && WEXITSTATUS(status) != 2;
    return {ran ? elapsed : -1, double(usage.ru_maxrss > floorKb ? usage.ru_maxrss : seenKb) / 1024};
}

// The time to copy the file `from` to `to`, a few MB at a time, until the copy is on the disk, as export
// waits for its output to be before it says it is done; the copy is removed again.
double copyTime(const QString& from, const QString& to) {
    QFile source(from);
    QFile target(to);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return -1;
    QElapsedTimer timer;
    timer.start();
    QByteArray chunk(4 * 1024 * 1024, Qt::Uninitialized);
    for (qint64 read = 0; (read = source.read(chunk.data(), chunk.size())) > 0;)
        target.write(chunk.constData(), read);
    target.flush();
    ::fsync(target.handle());
    target.close();
    const double time = seconds(timer);
    target.remove();
    sync();
    return time;
}

// The command-line tool on one size, against the editor's level load of the same file in this process.
int runTools(int screens, const QString& folder) {
    const QString level = folder + QStringLiteral("/level.txt");
    // The machine's other work makes single runs of a few seconds vary by a fifth: the load and the
    // shorter commands are timed as the best of three runs, each load by an editor of its own.
    double load = 0;
    for (int run = 0; run < 3; ++run) {
        LevelDocument document(folder);
        QElapsedTimer timer;
        timer.start();
        document.loadLevel(level, QStringLiteral("bench"));
        load = run == 0 ? seconds(timer) : std::min(load, seconds(timer));
    }

    // A copy of the level with one tile's colour changed in the middle of the file, for diff and merge.
    const QString other = folder + QStringLiteral("/other.txt");
    QFile::remove(other);
    QFile::copy(level, other);
    {
        QFile file(other);
        if (file.open(QIODevice::ReadWrite) && file.seek(file.size() / 2)) {
            const qint64 at = file.pos();
            const QByteArray window = file.read(64 * 1024);
            // The colour's last digit of the first whole tile record: the third field, a number.
            const qsizetype record = window.indexOf("\r\n\"Screen") + 2;
            const qsizetype colour = window.indexOf(',', window.indexOf(',', record) + 1) + 1;
            const qsizetype last = window.indexOf(',', colour) - 1;
            file.seek(at + last);
            file.write(window.at(last) == '1' ? "2" : "1");
        }
    }
    const QString json = folder + QStringLiteral("/level.json");
    const QList<QStringList> commands{
        {QStringLiteral("diff"), level, other},
        {QStringLiteral("merge"), level, level, other, QStringLiteral("-o"),
         folder + QStringLiteral("/merged.txt")},
        {QStringLiteral("info"), level},
        {QStringLiteral("check"), level},
        // Before export and import, whose 2.2 GB would push the level file out of the page cache.
        {QStringLiteral("render"), level, QStringLiteral("--screen"), QString::number(screens / 2),
         QStringLiteral("-o"), folder + QStringLiteral("/screen.png")},
        {QStringLiteral("export"), level, QStringLiteral("-o"), json},
        {QStringLiteral("import"), json, QStringLiteral("-o"), folder + QStringLiteral("/imported.txt")}};
    QString row = QStringLiteral("| %1 | %2 |").arg(screens).arg(figure(load, false));
    for (const QStringList& command : commands) {
        // Import, at a quarter of a minute, is timed once.
        const int runs = command.first() == QLatin1String("import") ? 1 : 3;
        double time = 0, megabytes = 0;
        for (int run = 0; run < runs; ++run) {
            // What an earlier command wrote is on the disk and gone before the next one starts, so that
            // no command waits for another one's writing.
            if (const qsizetype out = command.indexOf(QStringLiteral("-o")); out >= 0)
                QFile::remove(command.at(out + 1));
            sync();
            const auto [runTime, runMegabytes] = runTool(command);
            time = run == 0 || runTime < 0 ? runTime : std::min(time, runTime);
            megabytes = std::max(megabytes, runMegabytes);
            if (time < 0)
                break;
        }
        // One screen is set against the load plus the time it adds; the whole level against the load, and
        // an export also against the load plus writing its output, timed as a copy of it.
        QString against = command.first() == QLatin1String("render")
                              ? QStringLiteral("load + %1 ms").arg((time - load) * 1000, 0, 'f', 0)
                              : QStringLiteral("%1 x load").arg(time / load, 0, 'f', 1);
        if (command.first() == QLatin1String("export") && time >= 0) {
            const double copy = copyTime(json, folder + QStringLiteral("/copy.json"));
            against += QStringLiteral("; load + copy of its output %1, %2 x that")
                           .arg(figure(load + copy, false))
                           .arg(time / (load + copy), 0, 'f', 2);
        }
        row += time < 0 ? QStringLiteral(" failed |")
                        : QStringLiteral(" %1 (%2, %3 MB) |")
                              .arg(figure(time, false), against)
                              .arg(megabytes, 0, 'f', 0);
    }
    QTextStream(stdout) << row << '\n';
    return 0;
}

// --- Memory -----------------------------------------------------------------------------------------------

constexpr int LargePictures = 26;
constexpr int LargePictureSide = 5500;

// A level of one screen whose tiles 1 to 26 show the pictures big0.png to big25.png, each of them 5,500 x
// 5,500 pixels of one colour (about 90 KB as a PNG).
void writeLargePictures(const QString& folder) {
    QDir(folder).mkpath(QStringLiteral("Pics"));
    {
        QImage image(LargePictureSide, LargePictureSide, QImage::Format_RGB32);
        image.fill(QColor(40, 120, 200));
        image.save(folder + QStringLiteral("/Pics/big0.png"), "PNG");
    }
    for (int i = 1; i < LargePictures; ++i)
        QFile::copy(folder + QStringLiteral("/Pics/big0.png"),
                    folder + QStringLiteral("/Pics/big%1.png").arg(i));
    Screen screen = Screen::fresh();
    for (int i = 0; i < LargePictures; ++i)
        screen.tile(i + 1).picture = FieldValue::text(QStringLiteral("\\big%1.png").arg(i));
    QFile file(folder + QStringLiteral("/pictures.txt"));
    file.open(QIODevice::WriteOnly);
    file.write(screen.encode(0) +
               "\"LevelProp\",\"Pictures\",\"bench\",\"today\",\"large pictures\",\"\",1,0,0,0,0,0\r\n");
}

// In a process of its own: the peak resident memory of drawing the screen of pictures.txt, as tavrin-level
// render draws it ("render") or as the editor's grid draws it after a load ("editor"), in MB. "write"
// writes the pictures and the level, which takes a picture's 121 MB.
int drawLargePictures(const QString& how, const QString& folder) {
    if (how == QLatin1String("write")) {
        writeLargePictures(folder);
        return 0;
    }
    const long emptyKb = peakResidentKb();
    const QString level = folder + QStringLiteral("/pictures.txt");
    qint64 drawn = 0;
    if (how == QLatin1String("render")) {
        RenderRequest request;
        request.levelFile = level;
        request.picturesFolders = {folder + QStringLiteral("/Pics")};
        drawn = RenderLevel(request, nullptr).width();
    } else {
        LevelDocument document(folder);
        document.loadLevel(level, QStringLiteral("bench"));
        const Module1& module = document.state();
        module.Pictures().beginPass();
        for (int i = FirstGridTile; i <= LastGridTile; ++i)
            if (const FieldValue& reference = module.TilePicture(i); !reference.isNumeric())
                drawn += module.Pictures().load(reference.textValue()).width();
    }
    std::printf("%.1f %.1f %lld\n", double(peakResidentKb()) / 1024,
                double(peakResidentKb() - emptyKb) / 1024, static_cast<long long>(drawn));
    return 0;
}

// A level of one screen with `blankBytes` of blank lines (CR LF) after its first record and as many again
// before its last, written a megabyte at a time.
void writeBlankLines(const QString& path, qint64 blankBytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    const QByteArray screen = Screen::fresh().encode(0);
    const qsizetype firstEnd = screen.indexOf("\r\n") + 2;
    QByteArray blanks;
    for (int i = 0; i < (1 << 19); ++i)
        blanks += "\r\n";
    const auto writeBlanks = [&] {
        for (qint64 written = 0; written < blankBytes; written += blanks.size())
            file.write(blanks);
    };
    file.write(screen.left(firstEnd));
    writeBlanks();
    file.write(screen.mid(firstEnd));
    writeBlanks();
    file.write("\"LevelProp\",\"Blank lines\",\"bench\",\"today\",\"\",\"\",1,0,0,0,0,0\r\n");
}

bool sameFiles(const QString& a, const QString& b) {
    QFile first(a), second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) ||
        first.size() != second.size())
        return false;
    while (!first.atEnd())
        if (first.read(1 << 20) != second.read(1 << 20))
            return false;
    return true;
}

int runMemory(const QString& folder) {
    QTemporaryDir prepared(folder + QStringLiteral("/bench-XXXXXX"));
    const QString dir = prepared.path();
    QTextStream out(stdout);
    // This program holds no picture itself, so that its memory does not count in the commands' (runTool).
    const auto inChild = [&](const QString& how) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--draw-pictures"), how, QStringLiteral("--folder"), dir});
        child.waitForFinished(-1);
        return child.readAllStandardOutput().trimmed().split(' ');
    };

    inChild(QStringLiteral("write"));
    out << "| 26 pictures of 5,500 x 5,500 pixels (" << LargePictures << " PNGs, "
        << QString::number(
               double(QFileInfo(dir + QStringLiteral("/Pics/big0.png")).size()) * LargePictures / 1e6, 'f', 1)
        << " MB on disk) | peak resident memory (VmHWM) | over the empty process |\n|---|---|---|\n";
    out.flush();
    for (const QString& how : {QStringLiteral("render"), QStringLiteral("editor")}) {
        const QList<QByteArray> figures = inChild(how);
        out << "| "
            << (how == QLatin1String("render") ? "render, in process" : "the editor's grid after a load")
            << " | " << (figures.size() == 3 ? figures[0] + " MB" : QByteArray("failed")) << " | "
            << (figures.size() == 3 ? figures[1] + " MB" : QByteArray("-")) << " |\n";
        out.flush();
    }
    const auto [renderTime, renderMegabytes] =
        runTool({QStringLiteral("render"), dir + QStringLiteral("/pictures.txt"), QStringLiteral("--pics"),
                 dir + QStringLiteral("/Pics"), QStringLiteral("-o"), dir + QStringLiteral("/screen.png")});
    out << "| tavrin-level render | "
        << (renderTime < 0 ? QStringLiteral("failed")
                           : QString::number(renderMegabytes, 'f', 1) + QStringLiteral(" MB"))
        << " | - |\n\n";
    out.flush();
    QDir(dir + QStringLiteral("/Pics")).removeRecursively();

    // Blank lines: 250 MB after the first record and 250 MB before the last.
    const QString level = dir + QStringLiteral("/blank.txt");
    writeBlankLines(level, 250 * 1000 * 1000);
    out << "| level with " << QString::number(double(QFileInfo(level).size()) / 1e6, 'f', 0)
        << " MB, nearly all blank lines | time | peak resident memory |\n|---|---|---|\n";
    out.flush();
    const QString json = dir + QStringLiteral("/blank.json");
    const QString back = dir + QStringLiteral("/back.txt");
    const auto [exportTime, exportMegabytes] =
        runTool({QStringLiteral("export"), level, QStringLiteral("-o"), json});
    out << "| tavrin-level export | " << figure(exportTime, false) << " | "
        << QString::number(exportMegabytes, 'f', 1) << " MB |\n";
    out.flush();
    const auto [importTime, importMegabytes] =
        runTool({QStringLiteral("import"), json, QStringLiteral("-o"), back});
    out << "| tavrin-level import | " << figure(importTime, false) << " | "
        << QString::number(importMegabytes, 'f', 1) << " MB |\n";
    out << "(import gives back the level byte for byte: " << (sameFiles(level, back) ? "yes" : "NO") << ")\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication::setAttribute(Qt::AA_Use96Dpi);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList arguments = app.arguments();
    double budget = 60;
    QString sizes = QStringLiteral("1,100,1000,10000,32768");
    QString folder = QDir::tempPath();
    int one = 0;
    int generate = 0;
    int tools = 0;
    QString draw;
    const bool toolsOnly = arguments.removeAll(QStringLiteral("--tools-only")) > 0;
    const bool reachOnly = arguments.removeAll(QStringLiteral("--reach-only")) > 0;
    const bool linksOnly = arguments.removeAll(QStringLiteral("--links-only")) > 0;
    int reachOne = 0;
    int linksOne = 0;
    if (arguments.contains(QStringLiteral("--memory"))) {
        arguments.removeAll(QStringLiteral("--memory"));
        draw = QStringLiteral("memory");
    }
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QLatin1String("--budget"))
            budget = arguments[i + 1].toDouble();
        else if (arguments[i] == QLatin1String("--sizes"))
            sizes = arguments[i + 1];
        else if (arguments[i] == QLatin1String("--folder"))
            folder = arguments[i + 1];
        else if (arguments[i] == QLatin1String("--one"))
            one = arguments[i + 1].toInt();
        else if (arguments[i] == QLatin1String("--generate"))
            generate = arguments[i + 1].toInt();
        else if (arguments[i] == QLatin1String("--tools-one"))
            tools = arguments[i + 1].toInt();
        else if (arguments[i] == QLatin1String("--reach-one"))
            reachOne = arguments[i + 1].toInt();
        else if (arguments[i] == QLatin1String("--links-one"))
            linksOne = arguments[i + 1].toInt();
        else if (arguments[i] == QLatin1String("--draw-pictures"))
            draw = arguments[i + 1];
    }
    if (draw == QLatin1String("memory"))
        return runMemory(folder);
    if (!draw.isEmpty())
        return drawLargePictures(draw, folder);
    if (tools > 0)
        return runTools(tools, folder);
    if (reachOne > 0)
        return runReach(reachOne, folder);
    if (linksOne > 0)
        return runLinks(linksOne, folder);
    if (one > 0)
        return runOne(one, budget, folder);
    if (generate > 0) {
        writePictures(folder);
        writeLevel(folder + QStringLiteral("/level.txt"), generate);
        return 0;
    }

    const auto eachSize = [&](const QString& run, const QStringList& options) {
        for (const QString& size : sizes.split(u',')) {
            QTemporaryDir prepared(folder + QStringLiteral("/bench-XXXXXX"));
            for (const QString& step : {QStringLiteral("--generate"), run}) {
                QProcess child;
                child.setProcessChannelMode(QProcess::ForwardedChannels);
                child.start(QCoreApplication::applicationFilePath(),
                            QStringList{step, size, QStringLiteral("--folder"), prepared.path()} + options);
                child.waitForFinished(-1);
            }
        }
    };
    if (reachOnly) {
        std::printf("| screens | load level | reach from the start |\n|---|---|---|\n");
        std::fflush(stdout);
        eachSize(QStringLiteral("--reach-one"), {});
        return 0;
    }
    if (linksOnly) {
        std::printf("| screens | load level | links to screen 0 counted: just after the load | again | every "
                    "screen in a scratch file | links |\n|---|---|---|---|---|---|\n");
        std::fflush(stdout);
        eachSize(QStringLiteral("--links-one"), {});
        return 0;
    }
    if (!toolsOnly) {
        std::printf(
            "| screens | file | read once | copy once | index pass | load level | reach from the start | "
            "change screen (median) | "
            "save level | walk through an exit (median) | redisplay | peak memory over empty | 10,000 undo "
            "steps "
            "| block screen edges, every screen | delete screen 0 |\n"
            "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
        std::fflush(stdout);
        eachSize(QStringLiteral("--one"), {QStringLiteral("--budget"), QString::number(budget)});
        std::printf("(~: timed on a part and scaled up to the whole level)\n\n");
    }

    // tavrin-level on the same levels, each command a process of its own (its peak memory its own).
    std::printf("| screens | load level | diff (one tile differs) | merge (one side changed one tile) | info "
                "| check | "
                "render one screen | export | import |\n"
                "|---|---|---|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    eachSize(QStringLiteral("--tools-one"), {});
    return 0;
}
