#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

namespace tavrin {

class PictureBox;

// The tile property window: one tile's number, colour, picture and picture reference, and its four
// direction properties with their operands laid out as a cross. A small tool window without an owner
// and without code of its own: the main window fills it (Form1::DisplayTileProp), nothing reads it back.
// Its close box destroys it.
class TileProp : public QWidget {
    Q_OBJECT
public:
    TileProp();

    static QString DesignCaption();

    PictureBox* CurrentPicture;
    QLabel* TPicLabel;
    PictureBox* CurrentColor;
    QLineEdit* TileIndex;
    QLineEdit* PropUpOps;
    QLineEdit* PropUp;
    QLineEdit* PropLeftOps;
    QLineEdit* PropLeft;
    QLineEdit* PropRight;
    QLineEdit* PropRightOps;
    QLineEdit* PropDown;
    QLineEdit* PropDownOps;

private:
    QLineEdit* addTextBox(const char* name, const QString& text, const QRect& geometry);
    PictureBox* addPictureBox(const char* name, const QRect& geometry);
    void placeAtScreenCorner();
};

} // namespace tavrin
