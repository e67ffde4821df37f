#pragma once

#include "form1.h"
#include "messagebox.h"
#include "messagecatcher.h"
#include "module1.h"
#include "scripteddialog.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>

// The bytes of a file; none when it cannot be read.
inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The editor as the program starts it, in a program folder of its own that holds the template level and
// the sample pictures (or in `programFolder`, as it stands), with a scripted file dialog and every
// message recorded. `startAnswers` answer the questions asked while it starts.
class EditorFixture {
public:
    explicit EditorFixture(const QStringList& startAnswers = {}, const QString& programFolder = QString())
        : answers(startAnswers), root(programFolder.isEmpty() ? folder.path() : programFolder) {
        m_previousQuestions = tavrin::SetQuestionSink([this](const tavrin::Question& question) {
            questions << question.title;
            return answers.isEmpty() ? question.escapeButton
                                     : int(question.buttons.indexOf(answers.takeFirst()));
        });
        QStandardPaths::setTestModeEnabled(true);
        if (programFolder.isEmpty())
            PrepareProgramFolder(root);
        module = std::make_unique<tavrin::Module1>(nullptr, root);
        form = std::make_unique<tavrin::Form1>(*module);
        form->Dialog = &dialog;
        form->SettingsFile = path("settings.ini");
        form->quitProgram = [this] { ++quits; };
        form->Form_Load();
        dialog.InitDir = root;
    }

    ~EditorFixture() { tavrin::SetQuestionSink(m_previousQuestions); }

    // Puts the template level and the sample pictures into `folder`.
    static void PrepareProgramFolder(const QString& folder) {
        const QDir pics(QStringLiteral(TAVRIN_SOURCE_DIR "/data/Pics"));
        QDir(folder).mkdir(QStringLiteral("Pics"));
        for (const QString& name : pics.entryList(QDir::Files))
            QFile::copy(pics.filePath(name), QDir(folder).filePath(QStringLiteral("Pics/") + name));
        QFile::copy(QStringLiteral(TAVRIN_SOURCE_DIR "/data/PelmarLevel.txt"),
                    QDir(folder).filePath("PelmarLevel.txt"));
    }

    QString path(const QString& name) const { return QDir(root).filePath(name); }
    QStringList titles() const {
        QStringList result;
        for (const auto& message : messages.messages())
            result << message.title;
        return result;
    }

    QTemporaryDir folder;
    // The questions asked, by title, and the buttons to answer them with, in turn; with none left, a
    // question is answered as Esc would.
    QStringList questions;
    QStringList answers;
    QString root; // the program folder
    tavrin::MessageCatcher messages;
    ScriptedDialog dialog;
    std::unique_ptr<tavrin::Module1> module;
    std::unique_ptr<tavrin::Form1> form;
    int quits = 0;

private:
    tavrin::QuestionSink m_previousQuestions;
};
