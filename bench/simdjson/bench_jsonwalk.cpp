// Sets a JSON reader built for speed against tavrin-level import: simdjson's On-Demand reader walks every
// screen of an exported level and reads each value that import reads; the import of the same file is
// timed as a whole (reading, checking every value, writing the level file), and in this process with the
// level's bytes thrown away, which leaves reading, checking and making the records.
//
//   bench_jsonwalk LEVEL.txt [--folder DIR]
//
// exports LEVEL.txt to DIR (the system's temporary folder by default) and prints both times. Built only
// where libsimdjson-dev is installed. A whole document of a large level takes simdjson more than twice
// its size in memory, so the walk takes one screen at a time, as import reads: the screens stand one
// after the other in the export's layout, each from a line that starts with `    {"number": `.
#include "level/storage/fileaccess.h"
#include "level/tools/leveljson.h"

#include <simdjson.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <string>

using namespace simdjson;

namespace {

// The sum of what a screen's values hold, so that no read can be left out.
qint64 walkScreen(ondemand::object screen, qint64* tiles) {
    qint64 sum = int64_t(screen.find_field("number").get_int64());
    for (auto link : screen.find_field("links").get_array())
        sum += int64_t(link.get_int64());
    for (auto value : screen.find_field("tiles").get_array()) {
        ++*tiles;
        ondemand::object tile = value.get_object();
        sum += int64_t(tile.find_field("colour").get_int64());
        ondemand::value picture = tile.find_field("picture");
        if (picture.type() == ondemand::json_type::string)
            sum += qint64(std::string_view(picture.get_string()).size());
        else
            sum += int64_t(picture.get_int64());
        for (const char* side : {"left", "up", "right", "down"}) {
            auto pair = tile.find_field(side).get_array();
            auto it = pair.begin();
            sum += int64_t((*it).get_int64());
            ++it;
            ondemand::value operand = *it;
            switch (operand.type()) {
            case ondemand::json_type::string:
                sum += qint64(std::string_view(operand.get_string()).size());
                break;
            case ondemand::json_type::number:
                sum += int64_t(operand.get_int64());
                break;
            default:
                sum += operand.is_null() ? 0 : 1;
            }
        }
    }
    return sum;
}

// Seconds to walk every screen of `path`, and the tiles walked.
double walk(const QString& path, qint64* tiles, qint64* sum) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    QElapsedTimer timer;
    timer.start();
    const qint64 size = file.size();
    const char* const data = reinterpret_cast<const char*>(file.map(0, size));
    if (!data)
        return -1;
    const char* const end = data + size;
    constexpr std::string_view Marker = "\n    {\"number\": ";
    const auto find = [&](const char* from) {
        return static_cast<const char*>(memmem(from, size_t(end - from), Marker.data(), Marker.size()));
    };
    ondemand::parser parser;
    std::string piece;
    for (const char* at = find(data); at;) {
        const char* const next = find(at + 1);
        const char* close = next ? next : end;
        while (close > at && *close != '}')
            --close;
        piece.assign(at + Marker.size() - std::strlen("{\"number\": "), close + 1);
        piece.reserve(piece.size() + SIMDJSON_PADDING);
        ondemand::document document =
            parser.iterate(padded_string_view(piece.data(), piece.size(), piece.capacity()));
        *sum += walkScreen(document.get_object(), tiles);
        at = next;
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

// A device that takes every byte and keeps none.
class Discard : public QIODevice {
protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override { return length; }
};

// Seconds to import `path` into bytes thrown away.
double importWithoutWriting(const QString& path) {
    tavrin::FileAccess files;
    Discard out;
    out.open(QIODevice::WriteOnly);
    QElapsedTimer timer;
    timer.start();
    try {
        tavrin::ImportLevelJson(files, path, &out);
    } catch (const tavrin::Failure&) {
        return -1;
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

double run(const QStringList& arguments) {
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QStringLiteral(TAVRIN_LEVEL_TOOL), arguments);
    process.waitForFinished(-1);
    return process.exitCode() == 0 ? double(timer.nsecsElapsed()) / 1e9 : -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    QString folder = QDir::tempPath();
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--folder"));
        at >= 0 && at + 1 < arguments.size()) {
        folder = arguments.at(at + 1);
        arguments.remove(at, 2);
    }
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: bench_jsonwalk LEVEL.txt [--folder DIR]\n");
        return 2;
    }
    QTemporaryDir dir(folder + QStringLiteral("/jsonwalk-XXXXXX"));
    const QString json = dir.filePath(QStringLiteral("level.json"));
    if (run({QStringLiteral("export"), arguments.first(), QStringLiteral("-o"), json}) < 0) {
        std::fprintf(stderr, "the export failed\n");
        return 1;
    }
    const double size = double(QFile(json).size()) / 1e6;
    // Each timed three times, the best kept: the machine's other work makes single runs vary.
    double imported = -1, walked = -1, unwritten = -1;
    qint64 tiles = 0, sum = 0;
    for (int i = 0; i < 3; ++i) {
        const double importTime = run(
            {QStringLiteral("import"), json, QStringLiteral("-o"), dir.filePath(QStringLiteral("back.txt"))});
        QFile::remove(dir.filePath(QStringLiteral("back.txt")));
        tiles = sum = 0;
        const double walkTime = walk(json, &tiles, &sum);
        const double unwrittenTime = importWithoutWriting(json);
        imported = i == 0 ? importTime : std::min(imported, importTime);
        walked = i == 0 ? walkTime : std::min(walked, walkTime);
        unwritten = i == 0 ? unwrittenTime : std::min(unwritten, unwrittenTime);
    }
    std::printf(
        "| JSON | tavrin-level import (read, check, write) | import, the level thrown away (read, check) "
        "| simdjson On-Demand, reading only (%s) |\n|---|---|---|---|\n"
        "| %.0f MB, %lld tiles | %.3f s | %.3f s | %.3f s (sum %lld) |\n",
        builtin_implementation()->name().c_str(), size, static_cast<long long>(tiles), imported, unwritten,
        walked, static_cast<long long>(sum));
    return 0;
}
