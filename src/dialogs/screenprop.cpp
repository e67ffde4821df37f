#include "dialogs/screenprop.h"

#include "dialogs/dialoghelp.h"
#include "level/core/failure.h"
#include "level/core/messages.h"
#include "level/core/numbers.h"
#include "level/document/module1.h"
#include "widgets/fittedfont.h"
#include "widgets/sethelp.h"
#include "widgets/twips.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <algorithm>

namespace tavrin {

namespace {

const QString PlaceLabel = QStringLiteral("Command1_Click (Screen Properties)");

QLabel* addLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                 Qt::Alignment alignment) {
    auto* label = PlaceControl<QLabel>(parent, name, text, geometry);
    label->setAlignment(alignment | Qt::AlignTop);
    return label;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* button = PlaceControl<QPushButton>(parent, name, text, geometry);
    return button;
}

} // namespace

ScreenProp::ScreenProp(const SideLinks& links, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_links(links) {
    setObjectName(QStringLiteral("ScreenProp"));
    setWindowTitle(QStringLiteral("Screen Properties"));
    // The frame is resizable; the controls stay where they are.
    resize(TwipsToPixels(3900), TwipsToPixels(2535));
    createControls();
    FitFontToLayout(this);
    addSideNames();
    arrangeTabOrder();

    connect(Command1, &QPushButton::clicked, this, &ScreenProp::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &ScreenProp::Command2_Click);
    ExplainScreenProp(*this);
}

std::optional<SideLinks> ScreenProp::Edit(const SideLinks& links, QWidget* parent) {
    ScreenProp dialog(links, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.links();
}

QLineEdit* ScreenProp::SideText(int k) const {
    if (k < FirstSide || k > LastSide)
        throw Failure(ErrNoSuchControl);
    return m_sideText[static_cast<size_t>(k - FirstSide)];
}

void ScreenProp::createControls() {
    const QString screenToGoTo = QStringLiteral("Screen to go to");
    Label9 = addLabel(this, "Label9", screenToGoTo, TwipsRect(720, 0, 615, 495), Qt::AlignHCenter);
    Label10 = addLabel(this, "Label10", screenToGoTo, TwipsRect(2880, 0, 615, 495), Qt::AlignHCenter);
    Label9->setWordWrap(true);
    Label10->setWordWrap(true);

    // The cross of the four sides of the grid.
    Label1 = addLabel(this, "Label1", QStringLiteral("Side2"), TwipsRect(240, 480, 495, 255), Qt::AlignRight);
    addSideText(2, TwipsRect(840, 480, 375, 285));
    Label2 = addLabel(this, "Label2", QStringLiteral("Side3"), TwipsRect(0, 840, 495, 255), Qt::AlignRight);
    addSideText(3, TwipsRect(600, 840, 375, 285));
    addSideText(4, TwipsRect(1080, 840, 375, 285));
    Label3 = addLabel(this, "Label3", QStringLiteral("Side4"), TwipsRect(1560, 840, 495, 255), Qt::AlignLeft);
    Label4 =
        addLabel(this, "Label4", QStringLiteral("Side5"), TwipsRect(240, 1200, 495, 255), Qt::AlignRight);
    addSideText(5, TwipsRect(840, 1200, 375, 285));

    // The column of the links without a side.
    Label5 =
        addLabel(this, "Label5", QStringLiteral("Side6"), TwipsRect(2280, 480, 495, 255), Qt::AlignRight);
    addSideText(6, TwipsRect(3000, 480, 375, 285));
    Label6 =
        addLabel(this, "Label6", QStringLiteral("Side7"), TwipsRect(2280, 840, 495, 255), Qt::AlignRight);
    addSideText(7, TwipsRect(3000, 840, 375, 285));
    Label7 =
        addLabel(this, "Label7", QStringLiteral("Side8"), TwipsRect(2280, 1200, 495, 255), Qt::AlignRight);
    addSideText(8, TwipsRect(3000, 1200, 375, 285));
    Label8 =
        addLabel(this, "Label8", QStringLiteral("Side9"), TwipsRect(2280, 1560, 495, 255), Qt::AlignRight);
    addSideText(9, TwipsRect(3000, 1560, 375, 285));

    Command2 = addButton(this, "Command2", QStringLiteral("Cancel"), TwipsRect(120, 1920, 1215, 375));
    Command1 = addButton(this, "Command1", QStringLiteral("OK"), TwipsRect(1440, 1920, 1215, 375));
    Command1->setDefault(true);
}

void ScreenProp::addSideNames() {
    // Small grey words in the room beside the boxes, in a font smaller than the dialog's own.
    struct Where {
        int k;
        const char* text;
        QRect geometry;
    };
    // Each word keeps a margin from the dialog's edges and from the other controls.
    const Where places[] = {
        {2, "above", TwipsRect(1350, 480, 540, 285)},  {3, "left", TwipsRect(30, 1095, 210, 285)},
        {4, "right", TwipsRect(1560, 1095, 495, 210)}, {5, "below", TwipsRect(1350, 1305, 540, 210)},
        {6, "extra", TwipsRect(3495, 480, 375, 285)},  {7, "extra", TwipsRect(3495, 840, 375, 285)},
        {8, "extra", TwipsRect(3495, 1200, 375, 285)}, {9, "extra", TwipsRect(3495, 1560, 375, 285)}};
    // A point size at which every word fits its place.
    QFont small = font();
    small.setPointSizeF(std::max(5.5, font().pointSizeF() - 1.5));
    const auto fits = [&places](const QFont& font) {
        return std::all_of(std::begin(places), std::end(places), [&font](const Where& place) {
            return QFontMetrics(font).horizontalAdvance(QLatin1String(place.text)) <= place.geometry.width();
        });
    };
    while (!fits(small) && small.pointSizeF() > 4.5)
        small.setPointSizeF(small.pointSizeF() - 0.5);
    for (const Where& place : places) {
        auto* label = new QLabel(QLatin1String(place.text), this);
        label->setObjectName(QStringLiteral("SideName"));
        label->setProperty("index", place.k);
        label->setGeometry(place.geometry);
        label->setAlignment(Qt::AlignLeft | (place.k == 3 || place.k == 4 ? Qt::AlignTop : Qt::AlignVCenter));
        label->setFont(small);
        QPalette grey = label->palette();
        grey.setColor(QPalette::WindowText, grey.color(QPalette::PlaceholderText));
        label->setPalette(grey);
        m_sideName[static_cast<size_t>(place.k - FirstSide)] = label;
    }
}

QLabel* ScreenProp::SideName(int k) const {
    if (k < FirstSide || k > LastSide)
        throw Failure(ErrNoSuchControl);
    return m_sideName[static_cast<size_t>(k - FirstSide)];
}

void ScreenProp::addSideText(int k, const QRect& geometry) {
    auto* box = new QLineEdit(QStringLiteral("0"), this);
    box->setObjectName(QStringLiteral("SideText"));
    box->setProperty("index", k);
    box->setGeometry(geometry);
    m_sideText[static_cast<size_t>(k - FirstSide)] = box;
}

void ScreenProp::arrangeTabOrder() {
    for (int k = FirstSide + 1; k <= LastSide; ++k)
        QWidget::setTabOrder(SideText(k - 1), SideText(k));
    QWidget::setTabOrder(SideText(LastSide), Command1);
    QWidget::setTabOrder(Command1, Command2);
}

void ScreenProp::showEvent(QShowEvent* event) {
    // OK and Cancel close the dialog, so every opening starts again from the links.
    if (!event->spontaneous())
        Form_Load();
    QDialog::showEvent(event);
}

void ScreenProp::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        Command2->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ScreenProp::Form_Load() {
    for (int k = FirstSide; k <= LastSide; ++k) {
        SideText(k)->setText(QString::number(m_links[size_t(k)]));
        SideText(k)->setCursorPosition(0); // a narrow box shows the start of a long number
    }
    SideText(FirstSide)->setFocus();
}

void ScreenProp::Command1_Click() {
    // All eight are read before any is stored, so a bad box leaves every link as it was.
    std::array<Integer, LastSide - FirstSide + 1> links{};
    for (int k = FirstSide; k <= LastSide; ++k) {
        QLineEdit* box = SideText(k);
        try {
            links[static_cast<size_t>(k - FirstSide)] = TextToInteger(box->text());
        } catch (const Failure& failure) {
            ShowFailure(Failure(failure.code(), Text(Msg::SideLinkRule).arg(k)), PlaceLabel);
            box->setFocus();
            box->selectAll();
            return;
        }
    }
    for (int k = FirstSide; k <= LastSide; ++k)
        m_links[size_t(k)] = links[static_cast<size_t>(k - FirstSide)];
    accept();
}

void ScreenProp::Command2_Click() {
    reject();
}

} // namespace tavrin
