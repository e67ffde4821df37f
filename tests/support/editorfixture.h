#pragma once

#include "dialogs/screenprop.h"
#include "level/document/module1.h"
#include "levelfixture.h"
#include "mainwindow/form1.h"
#include "mainwindow/messagebox.h"
#include "mainwindow/picturebox.h"
#include "messagecatcher.h"
#include "modaldialog.h"
#include "scripteddialog.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <QtWidgets>
#include <memory>

// The bytes of a file; none when it cannot be read.
inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
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
            questionTexts << question.text;
            const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
            return answer.isEmpty()    ? question.escapeButton
                   : answer == "Enter" ? question.defaultButton
                                       : int(question.buttons.indexOf(answer));
        });
        QStandardPaths::setTestModeEnabled(true);
        if (programFolder.isEmpty())
            PrepareProgramFolder(root);
        document = std::make_unique<tavrin::LevelDocument>(root);
        module = &document->state();
        form = std::make_unique<tavrin::Form1>(*document);
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
    // The main window's control or menu item named `name`; the test stops when there is none.
    template <class T = QAction> T* control(const QString& name) const {
        T* found = form->findChild<T*>(name);
        if (!found)
            qFatal("The main window has no %s", qPrintable(name));
        return found;
    }
    bool hasScratchFiles() const { return !QDir(root).entryList({"Screen*.tmp"}).isEmpty(); }

    // Shows the window and waits until it takes the keyboard.
    bool show() {
        form->show();
        return QTest::qWaitForWindowActive(form.get());
    }
    // Paints `tile` in `colour` with clicks, as the user does.
    void paint(int tile, tavrin::Long colour) {
        control<tavrin::PictureBox>("NewColor")->setBackColour(colour);
        if (!control<QCheckBox>("UseColor")->isChecked())
            QTest::mouseClick(control<QCheckBox>("UseColor"), Qt::LeftButton);
        QTest::mouseClick(form->Tile(tile), Qt::LeftButton);
    }
    void goTo(const QString& screen) {
        control<QLineEdit>("ScreenToGoTo")->setText(screen);
        QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    }
    // Save Level, the file dialog answered with `name` in the program folder; what was saved there.
    QByteArray saveAs(const QString& name) {
        dialog.files << path(name);
        form->mnuSave_Click();
        return ReadFile(path(name));
    }
    // Link k of the screen on display set to `text` in Screen Properties, closed with Enter.
    bool editSideLink(int k, const QString& text) {
        return DriveModalDialog([this] { form->mnuScreenProp_Click(); },
                                [&](QDialog* dialog) {
                                    auto* screenProp = static_cast<tavrin::ScreenProp*>(dialog);
                                    screenProp->SideText(k)->setText(text);
                                    QTest::keyClick(screenProp->SideText(k), Qt::Key_Return);
                                });
    }
    QStringList titles() const {
        QStringList result;
        for (const auto& message : messages.messages())
            result << message.title;
        return result;
    }

    QTemporaryDir folder;
    // The questions asked, by title, and the buttons to answer them with, in turn ("Enter": the default
    // button); with none left, a question is answered as Esc would.
    QStringList questions;
    QStringList questionTexts;
    QStringList answers;
    QString root; // the program folder
    tavrin::MessageCatcher messages;
    ScriptedDialog dialog;
    std::unique_ptr<tavrin::LevelDocument> document;
    const tavrin::Module1* module =
        nullptr; // the document's level, read-only: changes go through the document
    std::unique_ptr<tavrin::Form1> form;
    int quits = 0;

private:
    tavrin::QuestionSink m_previousQuestions;
};

// What a test class of the main window reaches the editor through: `m_f`, made afresh by its init().
struct EditorAccess {
    std::unique_ptr<EditorFixture> m_f;
    tavrin::Form1& form() { return *m_f->form; }
    tavrin::LevelDocument& document() { return *m_f->document; }
    const tavrin::Module1& level() { return *m_f->module; }
    template <class T = QAction> T* control(const QString& name) { return m_f->control<T>(name); }
};
