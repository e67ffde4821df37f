// Painting tiles with the brush, and showing a tile in the tile property window.
#include "form1.h"

#include "failure.h"
#include "fieldvalue.h"
#include "loaddialog.h"
#include "messagebox.h"
#include "messages.h"
#include "module1.h"
#include "picturebox.h"
#include "record.h"
#include "tileprop.h"

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

// The picture a reference shows: a number n the picture Tile(n) shows now, a text the file in the
// pictures folder.
QImage ReferencedPicture(const Form1& form, Module1& module, const FieldValue& reference) {
    if (reference.isNumeric())
        return form.Tile(reference.toInteger())->picture();
    return module.LoadPictureReference(reference.textValue());
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
    TileState tile = TileArray<FieldValue>::inRange(index) ? m_module.TileOnDisplay(index) : TileState();
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
        m_module.StoreTile(index, tile);
    return painted;
}

// --- Strokes, fill and the eyedropper --------------------------------------------------------------------

void Form1::gridTilePressed(int index) {
    m_stroke = Stroke();
    m_stroke.start = index;
}

void Form1::gridTileDragged(const QPoint& globalPosition) {
    if (m_stroke.start == 0)
        return;
    const int index = gridTileAt(globalPosition);
    if (index == 0 || (index == m_stroke.start && !m_stroke.moved) || m_stroke.painted[size_t(index)])
        return;
    if (!m_stroke.moved) { // the stroke leaves the tile it began on: that one is painted first
        m_stroke.moved = true;
        m_document.beginStroke(QStringLiteral("Paint Stroke"));
        m_stroke.painted[size_t(m_stroke.start)] = true;
        if (!paintTile(m_stroke.start))
            return gridTileReleased();
    }
    m_stroke.painted[size_t(index)] = true;
    if (!paintTile(index)) // one message is enough: the rest of the stroke paints nothing
        gridTileReleased();
}

void Form1::gridTileReleased() {
    m_document.endStroke();
    m_stroke.start = 0;
}

void Form1::gridTileClicked(int index) {
    if (m_stroke.moved) // the stroke painted this tile already
        return;
    if (m_gridTiles[index]->clickModifiers() & Qt::ShiftModifier)
        fillFrom(index);
    else
        Tile_Click(index);
}

void Form1::fillFrom(int index) {
    const TileState like = m_module.TileOnDisplay(index);
    const auto looksLike = [&](int tile) {
        const TileState state = m_module.TileOnDisplay(tile);
        return state.colour == like.colour && state.picture == like.picture;
    };
    std::array<bool, LastGridTile + 1> seen{};
    std::vector<int> region{index};
    seen[size_t(index)] = true;
    for (size_t next = 0; next < region.size(); ++next) {
        const int tile = region[next];
        const int column = (tile - FirstGridTile) % GridColumns;
        for (const int neighbour : {column > 0 ? tile - 1 : 0, column < GridColumns - 1 ? tile + 1 : 0,
                                    tile - GridColumns, tile + GridColumns}) {
            if (neighbour >= FirstGridTile && neighbour <= LastGridTile && !seen[size_t(neighbour)] &&
                looksLike(neighbour)) {
                seen[size_t(neighbour)] = true;
                region.push_back(neighbour);
            }
        }
    }
    m_document.beginStroke(QStringLiteral("Fill"));
    for (const int tile : region)
        if (!paintTile(tile))
            break;
    m_document.endStroke();
}

void Form1::pickIntoBrush(int index) {
    const TileState tile = m_module.TileOnDisplay(index);
    NewColor->setBackColour(tile.colour.toLong());
    m_module.PictureName = tile.picture.toText();
    try {
        m_module.Pictures.beginPass();
        NewPicture->setPicture(ReferencedPicture(*this, m_module, tile.picture));
    } catch (const Failure&) {
        NewPicture->setPicture(QImage()); // a picture that cannot be shown is still the brush's reference
    }
    const std::array<QLineEdit*, 4> directions = {PropLeft, PropUp, PropRight, PropDown};
    const std::array<QLineEdit*, 4> operands = {PropLeftOps, PropUpOps, PropRightOps, PropDownOps};
    for (size_t d = 0; d < 4; ++d) {
        directions[d]->setText(QString::number(tile.directions[d]));
        operands[d]->setText(tile.operands[d].toText());
    }
}

int Form1::gridTileAt(const QPoint& globalPosition) const {
    for (int index = FirstGridTile; index <= LastGridTile; ++index) {
        const PictureBox* tile = m_gridTiles[index];
        if (tile->rect().contains(tile->mapFromGlobal(globalPosition)))
            return index;
    }
    return 0;
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
        const QString levelPictures = m_module.LevelPicturesFolder();
        Dialog->FileName =
            (QFileInfo(levelPictures).isDir() ? levelPictures
                                              : QDir(m_module.PicturesFolder()).absolutePath()) +
            u'/';
        Dialog->ShowOpen();
        const std::optional<QString> reference = referenceOfChosenPicture(Dialog->FileName);
        if (!reference)
            return;
        m_module.PictureName = *reference;
        m_module.Pictures.beginPass();
        NewPicture->setPicture(m_module.LoadPictureReference(m_module.PictureName));
    } catch (const Failure& failure) {
        if (failure.code() == ErrCancel) {
            NewPicture->setPicture(Tile(BlankTile)->picture());
            m_module.PictureName = QStringLiteral("0");
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
    const QString name = m_module.PictureName;
    if (name.isEmpty())
        throw Failure(ErrFileNotFound, Text(Msg::NoBrushPicture));
    QImage picture;
    try {
        RecordWriter::CheckWritableText(name);
        m_module.Pictures.beginPass();
        // Here the empty text would not count as a number; it was refused above.
        picture = ReferencedPicture(*this, m_module, FieldValue::text(name));
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

void Form1::fillTileProp(TileProp& window, Integer index) {
    window.setWindowTitle(TileProp::DesignCaption() + QStringLiteral(" - Tile ") + QString::number(index));
    window.TileIndex->setText(QString::number(index));
    window.CurrentColor->setBackColour(m_module.TileBackColor(index).toLong());
    window.PropUp->setText(QString::number(m_module.TilePropUp(index)));
    window.PropLeft->setText(QString::number(m_module.TilePropLeft(index)));
    window.PropDown->setText(QString::number(m_module.TilePropDown(index)));
    window.PropRight->setText(QString::number(m_module.TilePropRight(index)));
    window.PropUpOps->setText(m_module.TilePropUpOps(index).toText());
    window.PropLeftOps->setText(m_module.TilePropLeftOps(index).toText());
    window.PropDownOps->setText(m_module.TilePropDownOps(index).toText());
    window.PropRightOps->setText(m_module.TilePropRightOps(index).toText());
    try {
        m_module.Pictures.beginPass();
        window.CurrentPicture->setPicture(ReferencedPicture(*this, m_module, m_module.TilePicture(index)));
    } catch (const Failure& failure) {
        if (!failure.isMissingPicture())
            throw;
        window.CurrentPicture->setPicture(ErrPic->picture());
    }
    window.TPicLabel->setText(m_module.TilePicture(index).toText());
}

} // namespace tavrin
