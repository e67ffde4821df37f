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
// the sample pictures, with a scripted file dialog and every message recorded.
class EditorFixture {
public:
    EditorFixture() {
        m_previousQuestions = tavrin::SetQuestionSink([this](const tavrin::Question& question) {
            questions << question.title;
            return answers.isEmpty() ? question.escapeButton
                                     : int(question.buttons.indexOf(answers.takeFirst()));
        });
        QStandardPaths::setTestModeEnabled(true);
        const QDir pics(QStringLiteral(TAVRIN_SOURCE_DIR "/data/Pics"));
        QDir(folder.path()).mkdir(QStringLiteral("Pics"));
        for (const QString& name : pics.entryList(QDir::Files))
            QFile::copy(pics.filePath(name), folder.filePath(QStringLiteral("Pics/") + name));
        QFile::copy(QStringLiteral(TAVRIN_SOURCE_DIR "/data/PelmarLevel.txt"),
                    folder.filePath("PelmarLevel.txt"));
        module = std::make_unique<tavrin::Module1>(nullptr, folder.path());
        form = std::make_unique<tavrin::Form1>(*module);
        form->Dialog = &dialog;
        form->SettingsFile = folder.filePath("settings.ini");
        form->quitProgram = [this] { ++quits; };
        form->Form_Load();
        dialog.InitDir = folder.path();
    }

    ~EditorFixture() { tavrin::SetQuestionSink(m_previousQuestions); }

    QString path(const QString& name) const { return folder.filePath(name); }
    QStringList titles() const {
        QStringList result;
        for (const auto& message : messages.messages())
            result << message.title;
        return result;
    }

    QTemporaryDir folder;
    tavrin::MessageCatcher messages;
    ScriptedDialog dialog;
    std::unique_ptr<tavrin::Module1> module;
    std::unique_ptr<tavrin::Form1> form;
    int quits = 0;
    // The questions asked, by title, and the buttons to answer them with, in turn; with none left, a
    // question is answered as Esc would.
    QStringList questions;
    QStringList answers;

private:
    tavrin::QuestionSink m_previousQuestions;
};
