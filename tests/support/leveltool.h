#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

// tavrin-level run as a program: its exit code (-1 when it crashed) and what it wrote to standard output.
// Header only: TAVRIN_LEVEL_TOOL is given to each test executable.
struct ToolRun {
    int code;
    QByteArray out;
    QByteArray err;
};

// Runs in the current folder, or in `folder`.
inline ToolRun RunTool(const QStringList& arguments, const QString& folder = QString()) {
    QProcess tool;
    if (!folder.isEmpty())
        tool.setWorkingDirectory(folder);
    tool.start(QStringLiteral(TAVRIN_LEVEL_TOOL), arguments);
    tool.waitForFinished(120000);
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1, tool.readAllStandardOutput(),
            tool.readAllStandardError()};
}

// `level` with its screens renumbered by tavrin-level screens `how` ("--delete", "3"), as the editor's
// Screen menu does it, through files in `folder`; empty when the tool refused.
inline QByteArray RenumberedLevel(const QString& folder, const QByteArray& level, const QStringList& how) {
    const QString in = QDir(folder).filePath(QStringLiteral("renumber-in.txt"));
    const QString out = QDir(folder).filePath(QStringLiteral("renumber-out.txt"));
    QFile file(in);
    if (!file.open(QIODevice::WriteOnly) || file.write(level) != level.size())
        return QByteArray();
    file.close();
    QFile::remove(out);
    if (RunTool(QStringList{QStringLiteral("screens"), in, QStringLiteral("-o"), out} + how).code != 0)
        return QByteArray();
    QFile result(out);
    return result.open(QIODevice::ReadOnly) ? result.readAll() : QByteArray();
}
