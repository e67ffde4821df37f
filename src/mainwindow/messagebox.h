#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace tavrin {

// Shows every message of the program in an information message box with a single OK button.
void InstallMessageBoxSink();

// A question with buttons of its own: the index of the button chosen is the answer.
struct Question {
    QString title;
    QString text;
    QStringList buttons;
    int defaultButton = 0;
    int escapeButton = 0; // what Esc and the close box answer
};

// Asks the user in a message box over the active window.
int Ask(const Question& question);

// Tests answer in the user's place; returns the sink that was there before (empty: the message box).
using QuestionSink = std::function<int(const Question&)>;
QuestionSink SetQuestionSink(QuestionSink sink);

// A question whose answer is a whole number from `minimum` to `maximum`; none when the user cancels.
struct NumberQuestion {
    QString title;
    QString text;
    int value = 0;
    int minimum = 0;
    int maximum = 0;
};
std::optional<int> AskNumber(const NumberQuestion& question);
using NumberSink = std::function<std::optional<int>(const NumberQuestion&)>;
NumberSink SetNumberSink(NumberSink sink);

// A question whose answer is a line of text, `value` at first; none when the user cancels.
struct TextQuestion {
    QString title;
    QString text;
    QString value;
};
std::optional<QString> AskText(const TextQuestion& question);
using TextSink = std::function<std::optional<QString>(const TextQuestion&)>;
TextSink SetTextSink(TextSink sink);

} // namespace tavrin
