// What the fuzz targets share: the application object Qt's file and text code may want, a folder of
// their own, a file written into it, and an input cut into parts.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>

namespace fuzz {

// The folder every input of this run works in; made once, with the application object.
inline QString folder() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    return dir.path();
}

// Writes `bytes` as the file `name` of folder() and returns its path.
inline QString writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = QDir(folder()).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        __builtin_trap();
    return path;
}

// The input cut at each line "====", into at most `most` parts; parts not there are empty.
inline QList<QByteArray> parts(const uint8_t* data, size_t size, int most) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<QByteArray> result;
    qsizetype from = 0;
    while (result.size() < most - 1) {
        const qsizetype cut = input.indexOf("\n====\n", from);
        if (cut < 0)
            break;
        result << input.mid(from, cut + 1 - from);
        from = cut + 6;
    }
    result << input.mid(from);
    while (result.size() < most)
        result << QByteArray();
    return result;
}

// Stops the run: an oracle failed.
[[noreturn]] inline void fault(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    __builtin_trap();
}

} // namespace fuzz
