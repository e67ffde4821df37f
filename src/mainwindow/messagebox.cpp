#include "mainwindow/messagebox.h"

#include "level/core/failure.h"
#include "level/core/messages.h"

#include <QApplication>
#include <QHash>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace tavrin {

namespace {
QuestionSink& questionSink() {
    static QuestionSink sink;
    return sink;
}
NumberSink& numberSink() {
    static NumberSink sink;
    return sink;
}
TextSink& textSink() {
    static TextSink sink;
    return sink;
}
} // namespace

void InstallMessageBoxSink() {
    SetMessageSink([](const QString& title, const QString& text) {
        QMessageBox::information(QApplication::activeWindow(), title, text, QMessageBox::Ok);
    });
}

int Ask(const Question& question) {
    if (questionSink())
        return questionSink()(question);
    QMessageBox box(QMessageBox::Question, question.title, question.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    // The buttons that have a standard meaning are the standard ones, so that the platform places them as
    // usual and tools that drive message boxes find them.
    const QHash<QString, QMessageBox::StandardButton> standard = {
        {Text(Msg::ButtonSave), QMessageBox::Save},
        {Text(Msg::ButtonDiscard), QMessageBox::Discard},
        {Text(Msg::ButtonCancel), QMessageBox::Cancel}};
    QList<QPushButton*> buttons;
    for (const QString& text : question.buttons) {
        QPushButton* button = standard.contains(text) ? box.addButton(standard.value(text))
                                                      : box.addButton(text, QMessageBox::ActionRole);
        button->setText(text);
        buttons << button;
    }
    box.setDefaultButton(buttons.value(question.defaultButton));
    box.setEscapeButton(buttons.value(question.escapeButton));
    box.exec();
    const int chosen = int(buttons.indexOf(static_cast<QPushButton*>(box.clickedButton())));
    return chosen < 0 ? question.escapeButton : chosen;
}

QuestionSink SetQuestionSink(QuestionSink sink) {
    return std::exchange(questionSink(), std::move(sink));
}

std::optional<int> AskNumber(const NumberQuestion& question) {
    if (numberSink())
        return numberSink()(question);
    bool ok = false;
    const int answer = QInputDialog::getInt(QApplication::activeWindow(), question.title, question.text,
                                            question.value, question.minimum, question.maximum, 1, &ok);
    return ok ? std::optional<int>(answer) : std::nullopt;
}

NumberSink SetNumberSink(NumberSink sink) {
    return std::exchange(numberSink(), std::move(sink));
}

std::optional<QString> AskText(const TextQuestion& question) {
    if (textSink())
        return textSink()(question);
    bool ok = false;
    const QString answer = QInputDialog::getText(QApplication::activeWindow(), question.title, question.text,
                                                 QLineEdit::Normal, question.value, &ok);
    return ok ? std::optional<QString>(answer) : std::nullopt;
}

TextSink SetTextSink(TextSink sink) {
    return std::exchange(textSink(), std::move(sink));
}

} // namespace tavrin
