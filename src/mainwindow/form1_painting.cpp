// Painting tiles with the brush, and showing a tile in the tile property window.
#include "mainwindow/form1.h"

#include "level/core/failure.h"
#include "level/core/fieldvalue.h"
#include "level/core/messages.h"
#include "level/document/module1.h"
#include "level/format/record.h"
#include "level/tools/directions.h"
#include "mainwindow/messagebox.h"
#include "mainwindow/picturebox.h"
#include "mainwindow/tileprop.h"
#include "widgets/loaddialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

namespace tavrin {

namespace {

const QString TileClickPlace = QStringLiteral("Tile_Click");
const QString DisplayPlace = QStringLiteral("DisplayTileProp");
const QString ChangePicturePlace = QStringLiteral("Command8_Click (Change Picture)");

// A failure's description as a sentence of a longer message.
QString AsSentence(const QString& description) {
    if (description.endsWith(u'.') || description.endsWith(u'!') || description.endsWith(u'?'))
        return description;
    return description + u'.';
}

// Only the tiles 0..300 keep a picture and properties in the per-tile arrays.
void CheckTileKeepsData(int index) {
    if (TileArray<FieldValue>::inRange(index))
        return;
    throw Failure(ErrSubscript, Text(Msg::TileBesideGrid).arg(index));
}

// A brush direction box read as a whole number; a text that is none names the box.
Integer DirectionValue(const QLineEdit* box, const QString& direction) {
    try {
        return TextToInteger(box->text());
    } catch (const Failure& failure) {
        throw Failure(failure.code(), Text(Msg::DirectionBoxNotNumber).arg(direction, box->text()));
    }
}

// A brush operand box, which must hold a text that a level file can store.
FieldValue OperandValue(const QLineEdit* box, const QString& direction) {
    try {
        RecordWriter::CheckWritableText(box->text());
    } catch (const Failure& failure) {
        throw Failure(failure.code(),
                      Text(Msg::OperandBoxUnusable).arg(direction, AsSentence(failure.description())));
    }
    return FieldValue::text(box->text());
}

} // namespace

// --- Events ----------------------------------------------------------------------------------------------

// The brush makes the tile's new state; the document stores and draws it as one step to undo. What was
// made before a refused part of the click still counts.
void Form1::Tile_Click(int index) {
    paintTile(index);
}

bool Form1::paintTile(int index) {
    const bool gridTile = index >= FirstGridTile && index <= LastGridTile;
    bool painted = true;
    TileState tile = TileArray<FieldValue>::inRange(index) ? m_level.TileOnDisplay(index) : TileState();
    try {
        if (UsePropBox->isChecked()) {
            showTilePropWindow();
            DisplayTileProp(static_cast<Integer>(index));
        }
        if (UseColor->isChecked())
            paintBrushColour(index, tile);
        if (UsePicture->isChecked())
            paintBrushPicture(index, tile);
        if (UseApplyProp->isChecked())
            applyBrushProperties(index, tile);
    } catch (const Failure& failure) {
        ShowFailure(failure, TileClickPlace);
        painted = false;
    }
    if (gridTile)
        m_document.editTile(index, tile);
    else if (index == BlankTile) // Tile(0) keeps what is painted on it, but is no tile of the level
        m_document.paintBlankTile(tile);
    return painted;
}

// --- The eyedropper ---------------------------------------------------------------------------------------

void Form1::pickIntoBrush(int index) {
    const TileState tile = m_level.TileOnDisplay(index);
    NewColor->setBackColour(tile.colour.toLong());
    m_document.setBrushPicture(tile.picture.toText());
    m_level.Pictures().beginPass();
    // A picture that cannot be shown is still the brush's reference.
    NewPicture->setPicture(referencedPicture(tile.picture));
    const std::array<QLineEdit*, 4> directions = {PropLeft, PropUp, PropRight, PropDown};
    const std::array<QLineEdit*, 4> operands = {PropLeftOps, PropUpOps, PropRightOps, PropDownOps};
    for (size_t d = 0; d < 4; ++d) {
        directions[d]->setText(QString::number(tile.directions[d]));
        operands[d]->setText(tile.operands[d].toText());
    }
}

void Form1::Command7_Click() {
    try {
        Dialog->ShowColor();
        NewColor->setBackColour(Dialog->Color);
    } catch (const Failure&) {
        // A cancelled or failed colour choice leaves the brush colour as it was, silently.
    }
}

void Form1::Command8_Click() {
    try {
        Dialog->DialogTitle = QStringLiteral("Load Picture");
        Dialog->Filters = {QStringLiteral("Pictures (*.bmp *.png *.jpg *.jpeg *.gif)"),
                           QStringLiteral("All files (*)")};
        const QString levelPictures = m_level.Pictures().levelFolder();
        Dialog->FileName =
            (QFileInfo(levelPictures).isDir() ? levelPictures
                                              : QDir(m_level.Pictures().programFolder()).absolutePath()) +
            u'/';
        Dialog->ShowOpen();
        const std::optional<QString> reference = referenceOfChosenPicture(Dialog->FileName);
        if (!reference)
            return;
        m_document.setBrushPicture(*reference);
        m_level.Pictures().beginPass();
        NewPicture->setPicture(m_level.Pictures().load(*reference));
    } catch (const Failure& failure) {
        if (failure.code() == ErrCancel) {
            NewPicture->setPicture(Tile(BlankTile)->picture());
            m_document.setBrushPicture(QStringLiteral("0"));
        }
        ShowFailure(failure, ChangePicturePlace);
    }
}

void Form1::UsePropBox_Click() {
    keepOnlyModeChecked(UsePropBox);
}

void Form1::UseColor_Click() {
    keepOnlyModeChecked(UseColor);
}

void Form1::UsePicture_Click() {
    keepOnlyModeChecked(UsePicture);
}

void Form1::UseApplyProp_Click() {
    keepOnlyModeChecked(UseApplyProp);
}

// --- Painting --------------------------------------------------------------------------------------------

void Form1::keepOnlyModeChecked(QCheckBox* checked) {
    if (!checked->isChecked())
        return;
    for (QCheckBox* mode : {UsePropBox, UseColor, UsePicture, UseApplyProp})
        if (mode != checked)
            mode->setChecked(false);
}

// The document draws the tiles of the grid; the boxes beside it are drawn here.
void Form1::paintBrushColour(int index, TileState& tile) {
    const Long colour = NewColor->backColour();
    tile.colour = FieldValue::number(colour);
    if (index < FirstGridTile || index > LastGridTile)
        Tile(index)->setBackColour(colour);
}

void Form1::paintBrushPicture(int index, TileState& tile) {
    CheckTileKeepsData(index);
    const QString name = m_level.PictureName();
    if (name.isEmpty())
        throw Failure(ErrFileNotFound, Text(Msg::NoBrushPicture));
    QImage picture;
    try {
        RecordWriter::CheckWritableText(name);
        m_level.Pictures().beginPass();
        picture = m_level.Pictures().load(name);
    } catch (const Failure& failure) {
        throw Failure(failure.code(),
                      Text(Msg::BrushPictureUnusable).arg(name, AsSentence(failure.description())));
    }
    tile.picture = FieldValue::text(name);
    if (index == BlankTile)
        Tile(index)->setPicture(picture);
}

// All eight boxes are read and checked first; only then is anything stored.
void Form1::applyBrushProperties(int index, TileState& tile) {
    CheckTileKeepsData(index);
    const Integer left = DirectionValue(PropLeft, QStringLiteral("left"));
    const Integer up = DirectionValue(PropUp, QStringLiteral("up"));
    const Integer right = DirectionValue(PropRight, QStringLiteral("right"));
    const Integer down = DirectionValue(PropDown, QStringLiteral("down"));
    const FieldValue leftOps = OperandValue(PropLeftOps, QStringLiteral("left"));
    const FieldValue upOps = OperandValue(PropUpOps, QStringLiteral("up"));
    const FieldValue rightOps = OperandValue(PropRightOps, QStringLiteral("right"));
    const FieldValue downOps = OperandValue(PropDownOps, QStringLiteral("down"));

    tile.directions = {left, up, right, down};
    tile.operands = {leftOps, upOps, rightOps, downOps};
}

// --- The tile property window ----------------------------------------------------------------------------

TileProp& Form1::tilePropWindow() {
    if (!m_tileProp) {
        auto* window = new TileProp();
        // The window has no owner, but it ends with the program.
        connect(this, &QObject::destroyed, window, [window] { delete window; });
        for (QLineEdit* box :
             {window->PropLeft, window->PropUp, window->PropRight, window->PropDown, window->PropLeftOps,
              window->PropUpOps, window->PropRightOps, window->PropDownOps})
            connect(box, &QLineEdit::returnPressed, this, &Form1::applyTileProp);
        m_tileProp = window;
    }
    return *m_tileProp;
}

TileProp* Form1::TilePropWindow() const {
    return m_tileProp.data();
}

void Form1::showTilePropWindow() {
    TileProp& window = tilePropWindow();
    window.show();
    window.raise();
    window.activateWindow();
}

void Form1::DisplayTileProp(Integer index) {
    TileProp& window = tilePropWindow();
    try {
        fillTileProp(window, index);
    } catch (const Failure& failure) {
        ShowFailure(failure, DisplayPlace);
    }
}

// Only a box whose text differs from what the tile holds changes it: an operand the file holds as a number
// stays one.
void Form1::applyTileProp() {
    TileProp* window = m_tileProp.data();
    if (!window || m_tilePropScreen != m_level.CurrentScreen())
        return;
    Integer index = 0;
    try {
        index = TextToInteger(window->TileIndex->text());
        if (index < FirstGridTile || index > LastGridTile)
            return;
        TileState state = m_document.tile(index);
        const QLineEdit* directions[] = {window->PropLeft, window->PropUp, window->PropRight,
                                         window->PropDown};
        const QLineEdit* operands[] = {window->PropLeftOps, window->PropUpOps, window->PropRightOps,
                                       window->PropDownOps};
        for (size_t side = 0; side < 4; ++side) {
            const QString name = QLatin1String(SideName(int(side)));
            if (directions[side]->text() != QString::number(state.directions[side]))
                state.directions[side] = DirectionValue(directions[side], name);
            if (operands[side]->text() != state.operands[side].toText())
                state.operands[side] = OperandValue(operands[side], name);
        }
        if (state != m_document.tile(index))
            m_document.editTile(index, state);
    } catch (const Failure& failure) {
        ShowFailure(failure, DisplayPlace);
    }
    if (index >= FirstGridTile)
        DisplayTileProp(index);
}

void Form1::fillTileProp(TileProp& window, Integer index) {
    m_tilePropScreen = m_level.CurrentScreen();
    window.setWindowTitle(TileProp::DesignCaption() + QStringLiteral(" - Tile ") + QString::number(index));
    window.TileIndex->setText(QString::number(index));
    window.CurrentColor->setBackColour(m_level.TileBackColor(index).toLong());
    window.PropUp->setText(QString::number(m_level.TilePropUp(index)));
    window.PropLeft->setText(QString::number(m_level.TilePropLeft(index)));
    window.PropDown->setText(QString::number(m_level.TilePropDown(index)));
    window.PropRight->setText(QString::number(m_level.TilePropRight(index)));
    window.PropUpOps->setText(m_level.TilePropUpOps(index).toText());
    window.PropLeftOps->setText(m_level.TilePropLeftOps(index).toText());
    window.PropDownOps->setText(m_level.TilePropDownOps(index).toText());
    window.PropRightOps->setText(m_level.TilePropRightOps(index).toText());
    m_level.Pictures().beginPass();
    const FieldValue& reference = m_level.TilePicture(index);
    try {
        window.CurrentPicture->setPicture(reference.isNumeric()
                                              ? referencedPicture(reference)
                                              : m_level.Pictures().load(reference.textValue()));
    } catch (const Failure& failure) {
        if (!failure.isMissingPicture())
            throw; // told: the file is there but is no picture
        window.CurrentPicture->setPicture(ErrPic->picture());
    }
    window.TPicLabel->setText(m_level.TilePicture(index).toText());
}

} // namespace tavrin
