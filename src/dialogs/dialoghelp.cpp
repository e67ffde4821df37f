#include "dialogs/dialoghelp.h"

#include "dialogs/levelprop.h"
#include "dialogs/screenprop.h"
#include "widgets/sethelp.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <array>

namespace tavrin {

namespace {

// A box and the label that captions it share one tooltip.
void TipBoxAndLabel(QWidget* box, QLabel* label, const char* text) {
    Tip(box, text);
    Tip(label, text);
}

} // namespace

void ExplainLevelProp(LevelProp& dialog) {
    TipBoxAndLabel(dialog.LevelNameText, dialog.Label1, "The level's name, up to 30 characters.");
    Tip(dialog.Label6, "The name, author and date take up to 30 characters each.");
    TipBoxAndLabel(dialog.AuthorText, dialog.Label2, "Who made the level, up to 30 characters.");
    TipBoxAndLabel(dialog.DateMadeText, dialog.Label3,
                   "When the level was made, any text of up to 30 "
                   "characters.");
    Tip(dialog.Label7, "The description and comments take up to 300 characters each; a line break counts "
                       "as two.");
    TipBoxAndLabel(dialog.DescriptionText, dialog.Label4,
                   "What the level is about, up to 300 characters on "
                   "several lines. Tab moves on to the next box.");
    TipBoxAndLabel(dialog.CommentsText, dialog.Label5,
                   "Notes on the level, up to 300 characters on several "
                   "lines. Tab moves on to the next box.");
    Tip(dialog.Command1, "Keep these properties; the next Save Level writes them. A box that cannot be kept "
                         "is named and the dialog stays open.");
    Tip(dialog.Command2, "Close without changing anything (Esc).");
    TipBoxAndLabel(dialog.StartTile, dialog.Label8,
                   "The tile (1 to 300) the walk marker starts on when the "
                   "level is loaded; a number outside that turns into 1.");
    TipBoxAndLabel(dialog.LastScreenText, dialog.Label9,
                   "The last screen Save Level writes: it writes screens "
                   "0 up to this number (0 to 32767).");
}

void ExplainScreenProp(ScreenProp& dialog) {
    static const std::array<const char*, 4> sides = {"the top", "the left", "the right", "the bottom"};
    const std::array<QLabel*, 8> labels = {dialog.Label1, dialog.Label2, dialog.Label3, dialog.Label4,
                                           dialog.Label5, dialog.Label6, dialog.Label7, dialog.Label8};
    for (int k = ScreenProp::FirstSide; k <= ScreenProp::LastSide; ++k) {
        const QString tip =
            k <= 5
                ? HelpText("Side link %1, at %2 of the grid: the screen a direction of %1 leads to, a whole "
                           "number.")
                      .arg(k)
                      .arg(QLatin1String(sides[size_t(k - 2)]))
                : HelpText(
                      "Side link %1, on no side of the grid: the screen a direction of %1 leads to, a whole "
                      "number.")
                      .arg(k);
        SetHelp(dialog.SideText(k), tip);
        SetHelp(dialog.SideName(k), tip);
        SetHelp(labels[size_t(k - ScreenProp::FirstSide)], tip);
    }
    const char* heading = "Each box holds the screen that one side link of the screen on display leads to.";
    Tip(dialog.Label9, heading);
    Tip(dialog.Label10, heading);
    Tip(dialog.Command1, "Keep the eight links for the screen on display (Enter). A box that holds no whole "
                         "number is named and nothing is kept.");
    Tip(dialog.Command2, "Close without changing any link (Esc).");
}

} // namespace tavrin
