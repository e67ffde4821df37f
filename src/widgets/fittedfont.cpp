#include "widgets/fittedfont.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

namespace tavrin {

namespace {
// True when every label and button of the window shows its whole text in `font`.
bool textsFit(const QWidget* window, const QFont& font) {
    const QFontMetrics metrics(font);
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        const int flags = static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
        const QRect needed = metrics.boundingRect(label->rect(), flags, label->text());
        if (needed.width() > label->width() || needed.height() > label->height())
            return false;
    }
    for (const QPushButton* button : window->findChildren<QPushButton*>())
        if (metrics.horizontalAdvance(button->text()) + metrics.averageCharWidth() > button->width())
            return false;
    return true;
}

} // namespace

void FitFontToLayout(QWidget* window) {
    QFont font = window->font();
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans Condensed"), font.family()});
    for (double size = 8; size >= 6.5; size -= 0.5) {
        font.setPointSizeF(size);
        if (textsFit(window, font))
            break;
    }
    window->setFont(font);
}

} // namespace tavrin
