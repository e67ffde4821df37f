#include "mainwindow/picturebox.h"

#include "level/core/colour.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <qdrawutil.h>

namespace tavrin {

namespace {
constexpr Long SysWindowFrame = SystemColour(6);
} // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent), m_backColour(SysButtonFace) {}

void PictureBox::setBackColour(Long colour) {
    m_backColour = colour;
    m_printedText.clear();
    update();
    emit backColourSet(colour);
}

void PictureBox::setPicture(const QImage& picture) {
    m_picture = picture;
    m_printedText.clear();
    update();
}

void PictureBox::setAppearance3D(bool on) {
    m_appearance3D = on;
    update();
}

void PictureBox::setBorder(bool on) {
    m_border = on;
    update();
}

void PictureBox::clearSurface() {
    m_printedText.clear();
    update();
}

void PictureBox::printText(const QString& text) {
    m_printedText = text;
    update();
}

int PictureBox::borderWidth() const {
    if (!m_border)
        return 0;
    return m_appearance3D ? 2 : 1;
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int edge = borderWidth();
    const QRect inside = rect().adjusted(edge, edge, -edge, -edge);

    painter.fillRect(rect(), ColourToQColor(m_backColour));
    painter.save();
    painter.setClipRect(inside);
    if (!m_picture.isNull())
        painter.drawImage(inside.topLeft(), m_picture);
    drawPrintedText(painter, inside);
    painter.restore();
    drawBorder(painter);
}

void PictureBox::drawBorder(QPainter& painter) const {
    if (!m_border)
        return;
    if (m_appearance3D)
        qDrawWinPanel(&painter, rect(), palette(), true);
    else
        qDrawPlainRect(&painter, rect(), ColourToQColor(SysWindowFrame), 1);
}

void PictureBox::drawPrintedText(QPainter& painter, const QRect& inside) const {
    if (m_printedText.isEmpty())
        return;
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    const QFontMetrics metrics(font());
    painter.setPen(ColourToQColor(SysWindowText));
    int baseline = inside.top() + metrics.ascent();
    for (const QString& line : m_printedText.split(lineBreak)) {
        painter.drawText(inside.left(), baseline, line);
        baseline += metrics.height();
    }
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_clickModifiers = event->modifiers();
    }
    QWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        emit pressed();
    else if (event->button() == Qt::RightButton)
        emit rightClicked();
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    if (event->buttons() & Qt::LeftButton)
        emit dragged(event->globalPosition().toPoint());
    else if (event->buttons() == Qt::NoButton)
        emit hovered(event->position().toPoint());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const bool left = event->button() == Qt::LeftButton;
    const bool click = m_pressed && left && rect().contains(event->position().toPoint());
    if (left)
        m_pressed = false;
    m_clickModifiers = event->modifiers();
    QWidget::mouseReleaseEvent(event);
    if (click)
        emit clicked();
    if (left)
        emit released();
}

void PictureBox::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    emit entered();
}

void PictureBox::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit left();
}

} // namespace tavrin
