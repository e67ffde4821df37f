#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

// tavrin-level run as a program: its exit code (-1 when it crashed) and what it wrote to standard output.
// Header only: TAVRIN_LEVEL_TOOL is given to each test executable.
struct ToolRun {
    int code;
    QByteArray out;
    QByteArray err;
};

inline ToolRun RunTool(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral(TAVRIN_LEVEL_TOOL), arguments);
    tool.waitForFinished(120000);
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1, tool.readAllStandardOutput(),
            tool.readAllStandardError()};
}
