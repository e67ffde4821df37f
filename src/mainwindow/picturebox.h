#pragma once

#include "level/core/numbers.h"

#include <QImage>
#include <QString>
#include <QWidget>

namespace tavrin {

// A picture box: a back colour, a picture drawn unscaled at the top-left corner, optional printed text
// and a flat or 3D border. Every tile of the grid, the brush swatches and the splash panel are one.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // The back colour as the program's colour value (RGB or system colour index).
    Long backColour() const { return m_backColour; }
    // Also clears any printed text.
    void setBackColour(Long colour);

    const QImage& picture() const { return m_picture; }
    // A null image shows no picture. Also clears any printed text.
    void setPicture(const QImage& picture);

    bool appearance3D() const { return m_appearance3D; }
    void setAppearance3D(bool on);
    bool hasBorder() const { return m_border; }
    void setBorder(bool on);

    // Clears the drawing surface: printed text goes, back colour and picture stay.
    void clearSurface();
    // Clears the drawing surface and prints text from the top-left corner; "\r" starts a new line.
    void printText(const QString& text);
    const QString& printedText() const { return m_printedText; }

    // Width of the border on each side, in pixels: 2 for 3D, 1 for flat, 0 without a border.
    int borderWidth() const;

    // The modifier keys held when the left button last went down, and then when it came up.
    Qt::KeyboardModifiers clickModifiers() const { return m_clickModifiers; }

signals:
    // The left button was pressed and released on the box.
    void clicked();
    // The left button went down on the box, moved while held (to `globalPosition`, over this box or another)
    // and came up again; released() follows clicked().
    void pressed();
    void dragged(const QPoint& globalPosition);
    void released();
    void rightClicked();
    // The mouse pointer came onto the box, or went off it.
    void entered();
    void left();
    // The pointer moved over the box with no button held (only while the box tracks the mouse).
    void hovered(const QPoint& position);
    // The back colour was set (to the same or another colour).
    void backColourSet(Long colour);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void drawBorder(QPainter& painter) const;
    void drawPrintedText(QPainter& painter, const QRect& inside) const;

    Long m_backColour;
    QImage m_picture;
    bool m_appearance3D = true;
    bool m_border = true;
    QString m_printedText;
    bool m_pressed = false;
    Qt::KeyboardModifiers m_clickModifiers;
};

} // namespace tavrin
