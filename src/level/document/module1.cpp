// Module1: the level state itself: the properties, a fresh level, and the screen on display as values.

#include "level/document/module1.h"

#include "level/document/module1_fields.h"

#include <QDir>
#include <QFileInfo>

namespace tavrin {

using namespace levelfields;

Module1::Module1(QString programFolder) : ProgramFolder(std::move(programFolder)) {
    for (int k = 2; k <= 9; ++k)
        SideScreen(k) = static_cast<Integer>(k);
}

// --- The level properties -------------------------------------------------------------------------------

bool PropertyValues::operator==(const PropertyValues& other) const {
    return name == other.name && author == other.author && dateMade == other.dateMade &&
           description == other.description && comments == other.comments && startTile == other.startTile &&
           lastScreen == other.lastScreen;
}

PropertyValues PropertiesOfRecord(const Record& record, int* field) {
    PropertyValues values;
    values.name = record[1].toText();
    values.author = record[2].toText();
    values.dateMade = record[3].toText();
    values.description = record[4].toText();
    values.comments = record[5].toText();
    *field = 6;
    values.startTile = record[6].toInteger();
    *field = 7;
    values.lastScreen = record[7].toInteger();
    return values;
}

PropertyValues Module1::Properties() const {
    return {LevelName,     LevelAuthor,    LevelDateMade,  LevelDescription,
            LevelComments, LevelStartTile, LevelLastScreen};
}

void Module1::SetProperties(const PropertyValues& properties) {
    LevelName = properties.name;
    LevelAuthor = properties.author;
    LevelDateMade = properties.dateMade;
    LevelDescription = properties.description;
    LevelComments = properties.comments;
    LevelStartTile = properties.startTile;
    LevelLastScreen = properties.lastScreen;
}

// --- Start-up -------------------------------------------------------------------------------------------

QString Module1::TemplateLevelFileName() const {
    return QDir(ProgramFolder).filePath(QStringLiteral("PelmarLevel.txt"));
}

void Module1::SetDefaults() {
    for (int k = 2; k <= 9; ++k)
        SideScreen(k) = static_cast<Integer>(k);
    for (int i = FirstGridTile; i <= LastGridTile; ++i) {
        // The colour the grid's tiles start with, so that redrawing the fresh screen shows it as it is.
        TileBackColor(i) = num(SysWindowBackground);
        TilePropLeftOps(i) = num(1);
        TilePropUpOps(i) = num(1);
        TilePropRightOps(i) = num(1);
        TilePropDownOps(i) = num(1);
    }
    LevelStartTile = 1;
    WalkerTile = 1;
}

void Module1::NewLevel() {
    DeleteScratchFiles();
    LevelFileName.clear();
    LevelFileIsNew = false;
    FileRunning = False;
    SetProperties(PropertyValues());
    CurrentScreen = 0;
    const Screen fresh = Screen::fresh();
    for (int i = FirstGridTile; i <= LastGridTile; ++i)
        StoreTile(i, fresh.tile(i));
    SetDefaults();
    // A new level's one screen links to no screen: links to screens nobody made would become real ones as
    // screens are added, joining them where the designer joined nothing.
    for (int k = 2; k <= 9; ++k)
        SideScreen(k) = -1;
    if (ScreenShown)
        ScreenShown(CurrentScreen);
}

// --- The screen on display ------------------------------------------------------------------------------

TileState Module1::TileOnDisplay(int index) const {
    TileState state;
    state.colour = TileBackColor(index);
    state.picture = TilePicture(index);
    state.directions = {TilePropLeft(index), TilePropUp(index), TilePropRight(index), TilePropDown(index)};
    state.operands = {TilePropLeftOps(index), TilePropUpOps(index), TilePropRightOps(index),
                      TilePropDownOps(index)};
    return state;
}

void Module1::StoreTile(int index, const TileState& state) {
    TileBackColor(index) = state.colour;
    TilePicture(index) = state.picture;
    TilePropLeft(index) = state.directions[0];
    TilePropUp(index) = state.directions[1];
    TilePropRight(index) = state.directions[2];
    TilePropDown(index) = state.directions[3];
    TilePropLeftOps(index) = state.operands[0];
    TilePropUpOps(index) = state.operands[1];
    TilePropRightOps(index) = state.operands[2];
    TilePropDownOps(index) = state.operands[3];
}

Screen Module1::ScreenOnDisplay() const {
    Screen screen;
    for (int i = FirstGridTile; i <= LastGridTile; ++i)
        screen.tile(i) = TileOnDisplay(i);
    screen.links = LinksOnDisplay();
    return screen;
}

SideLinks Module1::LinksOnDisplay() const {
    SideLinks links = {};
    for (int k = 2; k <= 9; ++k)
        links[size_t(k)] = SideScreen(k);
    return links;
}

void Module1::setLinksOnDisplay(const SideLinks& links) {
    for (int k = 2; k <= 9; ++k)
        SideScreen(k) = links[size_t(k)];
}

void Module1::StoreScreen(Integer screen, const Screen& value, bool oneOfMany) {
    if (screen != CurrentScreen) {
        m_scratch.write(screen, value.encode(screen), oneOfMany);
        return;
    }
    for (int i = FirstGridTile; i <= LastGridTile; ++i)
        StoreTile(i, value.tile(i));
    setLinksOnDisplay(value.links);
}

QByteArray Module1::EncodeScreenBlock() const {
    return ScreenOnDisplay().encode(CurrentScreen);
}

void Module1::WriteScreen(RecordWriter& writer) {
    writer.writeRaw(EncodeScreenBlock());
}

} // namespace tavrin
