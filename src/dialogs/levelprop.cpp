#include "dialogs/levelprop.h"

#include "dialogs/dialoghelp.h"
#include "level/core/failure.h"
#include "level/core/messages.h"
#include "level/core/numbers.h"
#include "level/document/module1.h"
#include "level/format/record.h"
#include "widgets/fittedfont.h"
#include "widgets/sethelp.h"
#include "widgets/twips.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <climits>

namespace tavrin {

namespace {

const QString PlaceLabel = QStringLiteral("Command1_Click (Level Properties)");
constexpr int FirstTile = 1;
constexpr int LastTile = 300;

// A box that cannot be stored, and why.
struct BadBox {
    QWidget* box;
    Failure failure;
};

bool isLineBreak(QChar c) {
    return c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// The characters a box's text takes in the level, where a line break is CR LF.
int levelLength(QStringView boxText) {
    return static_cast<int>(boxText.size() + std::count_if(boxText.begin(), boxText.end(), isLineBreak));
}

QString storableText(QWidget* box, const QString& text, const QString& boxName) {
    try {
        RecordWriter::CheckWritableText(text);
    } catch (const Failure& failure) {
        throw BadBox{box,
                     Failure(failure.code(), Text(Msg::NamedFailure).arg(boxName, failure.description()))};
    }
    return text;
}

Integer storableNumber(QLineEdit* box, const QString& rule) {
    try {
        return TextToInteger(box->text());
    } catch (const Failure& failure) {
        throw BadBox{box, Failure(failure.code(), rule)};
    }
}

QLabel* addLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* label = PlaceControl<QLabel>(parent, name, text, geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLineEdit* addTextBox(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* box = PlaceControl<QLineEdit>(parent, name, text, geometry);
    return box;
}

QPlainTextEdit* addMultiLineBox(QWidget* parent, const char* name, const QString& text,
                                const QRect& geometry) {
    auto* box = PlaceControl<QPlainTextEdit>(parent, name, text, geometry);
    box->setTabChangesFocus(true);
    return box;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* button = PlaceControl<QPushButton>(parent, name, text, geometry);
    // No default button: Enter belongs to the boxes.
    button->setAutoDefault(false);
    return button;
}

} // namespace

// A multi-line box holding a level text. The level separates lines with CR LF, the box with paragraph
// breaks. The box takes no more characters than the limit, counted as the level stores them; whatever
// an edit (typing, paste, drop, input method) puts in beyond it is cut off at once, so typing stops at the
// limit and a paste is cut short. A text the box was not edited in goes back exactly as it came.
class MultiLineLevelText : public QObject {
public:
    MultiLineLevelText(QPlainTextEdit* box, int limit)
        : QObject(box), m_box(box), m_limit(limit), m_before(box->document()->toRawText()) {
        connect(box->document(), &QTextDocument::contentsChanged, this, &MultiLineLevelText::cutExcess);
    }

    // Shows a level text; one longer than the limit is shown in full and the box takes no more.
    void load(const QString& text) {
        m_boxLimit = INT_MAX;
        m_loaded = text;
        QString shown = text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        m_box->setPlainText(shown);
        m_shown = m_box->document()->toRawText();
        m_boxLimit = std::max(m_limit, levelLength(m_shown));
    }

    QString levelText() const {
        const QString boxText = m_box->document()->toRawText();
        if (boxText == m_shown)
            return m_loaded;
        QString text;
        text.reserve(levelLength(boxText));
        for (const QChar c : boxText) {
            if (isLineBreak(c))
                text += QStringLiteral("\r\n");
            else
                text += c;
        }
        return text;
    }

private:
    void cutExcess() {
        const QString text = m_box->document()->toRawText();
        int excess = levelLength(text) - m_boxLimit;
        if (excess > 0) {
            // The document reports whole blocks as changed, so the insertion is found by comparing: it
            // lies between what the texts before and after the edit have in common at both ends.
            const qsizetype common = std::min(text.size(), m_before.size());
            qsizetype start = 0;
            while (start < common && text[start] == m_before[start])
                ++start;
            qsizetype end = text.size();
            qsizetype endBefore = m_before.size();
            while (end > start && endBefore > start && text[end - 1] == m_before[endBefore - 1]) {
                --end;
                --endBefore;
            }
            qsizetype cut = end;
            while (excess > 0 && cut > start) {
                --cut;
                excess -= isLineBreak(text[cut]) ? 2 : 1;
            }
            QTextCursor cursor(m_box->document());
            cursor.setPosition(static_cast<int>(cut));
            cursor.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            // Undo would bring back the text beyond the limit, only for it to be cut again: start the
            // undo history afresh from here.
            m_box->document()->clearUndoRedoStacks();
        }
        m_before = m_box->document()->toRawText();
    }

    QPlainTextEdit* m_box;
    int m_limit;
    int m_boxLimit = INT_MAX;
    QString m_loaded;
    QString m_shown;
    QString m_before; // the text before the edit in progress
};

LevelProp::LevelProp(const PropertyValues& properties, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_properties(properties) {
    setObjectName(QStringLiteral("LevelProp"));
    setWindowTitle(QStringLiteral("Level Properties"));
    setFixedSize(TwipsToPixels(6015), TwipsToPixels(4140));
    createControls();
    FitFontToLayout(this);
    arrangeTabOrder();
    m_description = new MultiLineLevelText(DescriptionText, LongTextLimit);
    m_comments = new MultiLineLevelText(CommentsText, LongTextLimit);

    connect(StartTile, &QLineEdit::textChanged, this, &LevelProp::StartTile_Change);
    connect(Command1, &QPushButton::clicked, this, &LevelProp::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &LevelProp::Command2_Click);
    ExplainLevelProp(*this);
}

LevelProp::~LevelProp() = default;

std::optional<PropertyValues> LevelProp::Edit(const PropertyValues& properties, QWidget* parent) {
    LevelProp dialog(properties, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.properties();
}

void LevelProp::createControls() {
    Label1 = addLabel(this, "Label1", QStringLiteral("Level Name:"), TwipsRect(120, 120, 975, 255));
    LevelNameText =
        addTextBox(this, "LevelNameText", QStringLiteral("LevelName"), TwipsRect(1200, 120, 2055, 285));
    Label6 = addLabel(this, "Label6", QStringLiteral("Limit 30"), TwipsRect(3360, 120, 615, 255));
    Label2 = addLabel(this, "Label2", QStringLiteral("Author:"), TwipsRect(120, 480, 975, 255));
    AuthorText = addTextBox(this, "AuthorText", QStringLiteral("Author"), TwipsRect(1200, 480, 2055, 285));
    Label3 = addLabel(this, "Label3", QStringLiteral("Date made:"), TwipsRect(120, 840, 975, 255));
    DateMadeText =
        addTextBox(this, "DateMadeText", QStringLiteral("DateMade"), TwipsRect(1200, 840, 2055, 285));
    Label7 = addLabel(this, "Label7", QStringLiteral("Limit 300"), TwipsRect(3840, 840, 735, 255));
    Label4 = addLabel(this, "Label4", QStringLiteral("Description:"), TwipsRect(120, 1200, 975, 255));
    DescriptionText = addMultiLineBox(this, "DescriptionText", QStringLiteral("Description\n"),
                                      TwipsRect(1200, 1200, 3375, 1365));
    Label5 = addLabel(this, "Label5", QStringLiteral("Comments:"), TwipsRect(120, 2640, 975, 255));
    CommentsText =
        addMultiLineBox(this, "CommentsText", QStringLiteral("Comments"), TwipsRect(1200, 2640, 3375, 1365));
    Command1 = addButton(this, "Command1", QStringLiteral("OK"), TwipsRect(4920, 360, 975, 375));
    Command2 = addButton(this, "Command2", QStringLiteral("Cancel"), TwipsRect(4920, 840, 975, 375));
    Label8 = addLabel(this, "Label8", QStringLiteral("Starting Tile"), TwipsRect(4800, 1440, 855, 255));
    StartTile = addTextBox(this, "StartTile", QStringLiteral("1"), TwipsRect(4800, 1680, 615, 285));
    Label9 = addLabel(this, "Label9", QStringLiteral("Last Screen"), TwipsRect(4800, 2040, 855, 255));
    LastScreenText = addTextBox(this, "LastScreenText", QStringLiteral("0"), TwipsRect(4800, 2400, 615, 285));

    LevelNameText->setMaxLength(ShortTextLimit);
    AuthorText->setMaxLength(ShortTextLimit);
    DateMadeText->setMaxLength(ShortTextLimit);
}

void LevelProp::arrangeTabOrder() {
    QWidget* const order[] = {LevelNameText, AuthorText, DateMadeText, DescriptionText, CommentsText,
                              Command1,      Command2,   StartTile,    LastScreenText};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void LevelProp::showEvent(QShowEvent* event) {
    // OK and Cancel close the dialog, so every opening starts again from the level properties.
    if (!event->spontaneous())
        Form_Load();
    QDialog::showEvent(event);
}

void LevelProp::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        Command2->click();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // There is no default button; Enter presses only a button that has the focus.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void LevelProp::Form_Load() {
    loadShortText(LevelNameText, m_properties.name);
    loadShortText(AuthorText, m_properties.author);
    loadShortText(DateMadeText, m_properties.dateMade);
    m_description->load(m_properties.description);
    m_comments->load(m_properties.comments);
    // Setting the text runs the start tile's change check.
    StartTile->setText(QString::number(m_properties.startTile));
    LastScreenText->setText(QString::number(m_properties.lastScreen));
    LevelNameText->setFocus();
}

void LevelProp::loadShortText(QLineEdit* box, const QString& text) {
    // A longer text from a level file is shown whole rather than cut; the box then takes no more.
    box->setMaxLength(std::max(ShortTextLimit, static_cast<int>(text.size())));
    box->setText(text);
    box->setCursorPosition(0);
}

void LevelProp::StartTile_Change() {
    double tile = 0;
    if (ReadsAsNumber(StartTile->text(), &tile) && (tile > LastTile || tile < FirstTile))
        StartTile->setText(QStringLiteral("1"));
}

void LevelProp::Command1_Click() {
    try {
        store(readBoxes());
        accept();
    } catch (const BadBox& bad) {
        ShowFailure(bad.failure, PlaceLabel);
        bad.box->setFocus();
        if (auto* box = qobject_cast<QLineEdit*>(bad.box))
            box->selectAll();
    }
}

void LevelProp::Command2_Click() {
    reject();
}

LevelProp::Values LevelProp::readBoxes() const {
    Values values;
    values.name = storableText(LevelNameText, LevelNameText->text(), QStringLiteral("Level Name"));
    values.author = storableText(AuthorText, AuthorText->text(), QStringLiteral("Author"));
    values.dateMade = storableText(DateMadeText, DateMadeText->text(), QStringLiteral("Date made"));
    values.description =
        storableText(DescriptionText, m_description->levelText(), QStringLiteral("Description"));
    values.comments = storableText(CommentsText, m_comments->levelText(), QStringLiteral("Comments"));
    values.startTile = storableNumber(StartTile, Text(Msg::StartTileRule));
    const QString lastScreenRule = Text(Msg::LastScreenRule);
    values.lastScreen = storableNumber(LastScreenText, lastScreenRule);
    // Saving writes screens 0 up to the last screen: below 0 there would be nothing to save.
    if (values.lastScreen < 0)
        throw BadBox{LastScreenText, Failure(ErrInvalidValue, lastScreenRule)};
    return values;
}

void LevelProp::store(const Values& values) {
    m_properties = values;
}

} // namespace tavrin
