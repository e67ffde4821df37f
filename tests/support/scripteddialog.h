#pragma once

#include "level/core/failure.h"
#include "widgets/loaddialog.h"

#include <QList>
#include <QStringList>
#include <optional>

// A file and colour dialog that answers from a script: each Show* takes the next answer, and an empty
// answer is a cancel. It records the title each file dialog was opened with.
class ScriptedDialog : public tavrin::LoadDialog {
public:
    void ShowOpen() override { answerFile(); }
    // The answer holds the files chosen, separated by '|'.
    void ShowOpenMany() override {
        answerFile();
        FileNames = FileName.split(u'|');
        FileName = FileNames.constFirst();
    }
    void ShowSave() override { answerFile(); }
    void ShowColor() override {
        ++colourOpenings;
        if (colours.isEmpty() || !colours.first().has_value()) {
            if (!colours.isEmpty())
                colours.removeFirst();
            throw tavrin::Failure(tavrin::ErrCancel);
        }
        Color = *colours.takeFirst();
    }

    QList<std::optional<QString>> files;
    QList<std::optional<tavrin::Long>> colours;
    QStringList titles;
    QStringList proposed; // the file name each file dialog opened with
    QStringList filters;  // and its first name filter
    int colourOpenings = 0;

private:
    void answerFile() {
        titles << DialogTitle;
        proposed << FileName;
        filters << Filters.value(0);
        if (files.isEmpty() || !files.first().has_value()) {
            if (!files.isEmpty())
                files.removeFirst();
            throw tavrin::Failure(tavrin::ErrCancel);
        }
        FileName = *files.takeFirst();
    }
};
