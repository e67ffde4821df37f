// Times Walk To Here (Ctrl+click on a grid tile) in the editor's main window on a level: from the start
// tile to each of the 300 tiles of screen 0 in turn, each walk from where the one before ended, and to a
// tile that no walk reaches, walled in for it, which the whole level is searched for.
//
//   bench_walkto LEVEL
//
// Make the level first, e.g. `bench_levels --generate 1000 --folder /tmp/walk`, then
// `bench_walkto /tmp/walk/level.txt`. Runs on the offscreen platform. The times are from the click to
// the answer in the status bar, the marker walked there.
#include "level/document/leveldocument.h"
#include "mainwindow/form1.h"
#include "mainwindow/messagebox.h"
#include "mainwindow/reachview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <vector>

using namespace tavrin;

namespace {

double milliseconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

// Direction d of tile `tile` on display set to `property`.
void setDirection(LevelDocument& document, int tile, int d, Integer property) {
    TileState state = document.tile(tile);
    state.directions[size_t(d)] = property;
    document.editTile(tile, state);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        QTextStream(stderr) << "usage: bench_walkto LEVEL\n";
        return 2;
    }
    const QString path = QFileInfo(app.arguments().at(1)).absoluteFilePath();
    SetQuestionSink([](const Question& question) { return question.escapeButton; });
    QTemporaryDir program;
    LevelDocument document(program.path());
    Form1 form(document);
    form.SettingsFile = program.filePath(QStringLiteral("settings.ini"));
    form.quitProgram = [] {};
    form.Form_Load();
    document.loadLevel(path, QStringLiteral("bench"));
    auto* reach = form.findChild<ReachView*>(QStringLiteral("ReachView"));
    const Module1& level = document.state();

    std::vector<double> times;
    QElapsedTimer timer;
    for (int tile = FirstGridTile; tile <= LastGridTile; ++tile) {
        timer.start();
        reach->walkTo(tile);
        times.push_back(milliseconds(timer));
    }
    std::sort(times.begin(), times.end());

    // A tile walled in: no step from a tile around it leads onto it, and no exit lands on it.
    const int walled = 45;
    const auto walledIn = [&] {
        const std::unique_ptr<Reachability> search = HeldLevelSearch(level);
        search->start({int(level.CurrentScreen()), int(level.WalkerTile())});
        search->run();
        return !search->reached({0, walled});
    };
    setDirection(document, walled - 1, 2, 1);
    setDirection(document, walled + 1, 0, 1);
    setDirection(document, walled - GridColumns, 3, 1);
    setDirection(document, walled + GridColumns, 1, 1);
    timer.start();
    reach->walkTo(walled);
    const double unreached = milliseconds(timer);

    QTextStream(stdout) << "| screens | Walk To Here, the 300 tiles of screen 0: median | slowest | "
                           "a tile no walk reaches |\n|---|---|---|---|\n"
                        << QStringLiteral("| %1 | %2 ms | %3 ms | %4 |\n")
                               .arg(int(level.LevelLastScreen()) + 1)
                               .arg(times[times.size() / 2], 0, 'f', 1)
                               .arg(times.back(), 0, 'f', 1)
                               .arg(walledIn() ? QString::number(unreached, 'f', 1) + QStringLiteral(" ms")
                                               : QStringLiteral("(reached through an exit)"));
    return 0;
}
