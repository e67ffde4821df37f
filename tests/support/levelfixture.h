#pragma once

#include "level/core/failure.h"
#include "level/document/leveldocument.h"
#include "level/document/module1.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

// A program folder in a temporary directory, with a Pics folder, a level document on it as the editor
// starts it, and a recorder for the messages shown. The level is changed through the document; `module`
// reads it.
class LevelFixture {
public:
    LevelFixture();
    ~LevelFixture();

    QString path(const QString& name) const { return folder.filePath(name); }
    void writeFile(const QString& name, const QByteArray& bytes) const;
    // Writes the file and loads it as the level, as Load Level does.
    void load(const QString& name, const QByteArray& bytes);
    QByteArray readFile(const QString& name) const;
    // Writes a picture of one colour into the Pics folder.
    void writePicture(const QString& name, QColor colour, int size = 25) const;
    // Writes the level to `path` as Save Level does, without making it the level's file; the notice of
    // screens copied through unread.
    std::optional<tavrin::Failure> saveTo(const QString& path);
    // Tile `index` of the screen on display painted in `colour`, as one step.
    void paintColour(int index, tavrin::Long colour);

    QTemporaryDir folder;
    std::unique_ptr<tavrin::LevelDocument> document;
    const tavrin::Module1* module = nullptr; // the document's level
    QStringList messages;                    // "title|text"

private:
    tavrin::MessageSink m_previousSink;
};

// Tile `index` of the screen on display changed by `change`, as one edit.
void EditTile(tavrin::LevelDocument& document, int index,
              const std::function<void(tavrin::TileState&)>& change);
// Link k of the screen on display set to `to`, as one edit.
void EditLink(tavrin::LevelDocument& document, int k, int to);
// The level's last screen set to `last`, as one edit.
void SetLastScreen(tavrin::LevelDocument& document, int last);

// A small image of one colour, to tell pictures apart.
QImage SolidImage(QColor colour, int width = 21, int height = 21);

// The header of a BMP file of `width` x `height` pixels of `bits` bits each, and none of its pixels: a
// picture that claims to be larger than it is.
QByteArray BmpHeader(int width, int height, int bits = 24);

// The code of the failure an action ends with, 0 when it ends normally.
int CodeOfFailure(const std::function<void()>& action);

// A tile record as the writer puts it, for building test files by hand.
QByteArray TileLine(int screen, int tile, const QByteArray& rest);

// A level of three screens; tile t of screen n has the colour n * 1000 + t, and screen n's link 4 leads to
// n + 10.
QByteArray ThreeScreenLevel();

// The screen information and side records of a screen whose link k leads to screen k, or to links[k - 2];
// `info` gives the ScreenInfo record's first fields, by default the links.
QByteArray LinkRecords(int screen, const QList<int>& links = {}, const QByteArray& info = {});

// The fields after the tile number of tile t of screen n as NumberedLevel writes them, with `rest` after
// the colour.
QByteArray NumberedTile(int screen, int tile, const QByteArray& rest);

// Writes a small picture of one colour at `path`, making its folder.
void WritePicture(const QString& path, QColor colour);

// A level of `screens` screens written exactly as the editor writes it, tile t of screen n in colour
// n * 1000 + t. `changes` replaces the rest of some tile records (screen * 1000 + tile) by other text;
// `properties` are the first seven fields of the level properties, by default a nameless level starting
// on tile 1 whose last screen is the last one written.
QByteArray NumberedLevel(int screens, const QMap<int, QByteArray>& changes = {},
                         const QByteArray& properties = QByteArray());
// `level` of NumberedLevel's with link `link` of screen `screen` leading to screen `to`.
QByteArray WithLink(QByteArray level, int screen, int link, int to);
// A side of a merge of NumberedLevel(3): tile 5 of screen 1 in `colour`, the level named `name` (quoted),
// link 4 of screen 1 leading to `link`.
QByteArray MergeSide3(const char* colour, const char* name, int link);
