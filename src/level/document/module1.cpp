// Module1: the level state itself: the properties, a fresh level, and the screen on display as values.

#include "level/document/module1.h"

#include "level/document/module1_fields.h"

#include <QDir>
#include <QFileInfo>

namespace tavrin {

using namespace levelfields;

Module1::Module1(QString programFolder) : m_programFolder(std::move(programFolder)) {
    for (int k = 2; k <= 9; ++k)
        m_state.SideScreen(k) = static_cast<Integer>(k);
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
    return {m_state.LevelName,     m_state.LevelAuthor,    m_state.LevelDateMade,  m_state.LevelDescription,
            m_state.LevelComments, m_state.LevelStartTile, m_state.LevelLastScreen};
}

void Module1::SetProperties(const PropertyValues& properties) {
    m_state.LevelName = properties.name;
    m_state.LevelAuthor = properties.author;
    m_state.LevelDateMade = properties.dateMade;
    m_state.LevelDescription = properties.description;
    m_state.LevelComments = properties.comments;
    m_state.LevelStartTile = properties.startTile;
    m_state.LevelLastScreen = properties.lastScreen;
}

// --- Start-up -------------------------------------------------------------------------------------------

QString Module1::TemplateLevelFileName() const {
    return QDir(m_programFolder).filePath(QStringLiteral("PelmarLevel.txt"));
}

void Module1::SetDefaults() {
    for (int k = 2; k <= 9; ++k)
        m_state.SideScreen(k) = static_cast<Integer>(k);
    for (int i = FirstGridTile; i <= LastGridTile; ++i) {
        // The colour the grid's tiles start with, so that redrawing the fresh screen shows it as it is.
        m_state.TileBackColor(i) = num(SysWindowBackground);
        m_state.TilePropLeftOps(i) = num(1);
        m_state.TilePropUpOps(i) = num(1);
        m_state.TilePropRightOps(i) = num(1);
        m_state.TilePropDownOps(i) = num(1);
    }
    m_state.LevelStartTile = 1;
    m_state.WalkerTile = 1;
}

void Module1::NewLevel() {
    DeleteScratchFiles();
    m_state.LevelFileName.clear();
    m_state.LevelFileIsNew = false;
    m_state.FileRunning = False;
    SetProperties(PropertyValues());
    m_state.CurrentScreen = 0;
    const Screen fresh = Screen::fresh();
    for (int i = FirstGridTile; i <= LastGridTile; ++i)
        StoreTile(i, fresh.tile(i));
    SetDefaults();
    // A new level's one screen links to no screen: links to screens nobody made would become real ones as
    // screens are added, joining them where the designer joined nothing.
    for (int k = 2; k <= 9; ++k)
        m_state.SideScreen(k) = -1;
    if (m_screenShown)
        m_screenShown(m_state.CurrentScreen);
}

// --- The screen on display ------------------------------------------------------------------------------

TileState Module1::TileOnDisplay(int index) const {
    TileState state;
    state.colour = m_state.TileBackColor(index);
    state.picture = m_state.TilePicture(index);
    state.directions = {m_state.TilePropLeft(index), m_state.TilePropUp(index), m_state.TilePropRight(index),
                        m_state.TilePropDown(index)};
    state.operands = {m_state.TilePropLeftOps(index), m_state.TilePropUpOps(index),
                      m_state.TilePropRightOps(index), m_state.TilePropDownOps(index)};
    return state;
}

void Module1::StoreTile(int index, const TileState& state) {
    m_state.TileBackColor(index) = state.colour;
    m_state.TilePicture(index) = state.picture;
    m_state.TilePropLeft(index) = state.directions[0];
    m_state.TilePropUp(index) = state.directions[1];
    m_state.TilePropRight(index) = state.directions[2];
    m_state.TilePropDown(index) = state.directions[3];
    m_state.TilePropLeftOps(index) = state.operands[0];
    m_state.TilePropUpOps(index) = state.operands[1];
    m_state.TilePropRightOps(index) = state.operands[2];
    m_state.TilePropDownOps(index) = state.operands[3];
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
        links[size_t(k)] = m_state.SideScreen(k);
    return links;
}

void Module1::setLinksOnDisplay(const SideLinks& links) {
    for (int k = 2; k <= 9; ++k)
        m_state.SideScreen(k) = links[size_t(k)];
}

void Module1::StoreScreen(Integer screen, const Screen& value, bool oneOfMany) {
    if (screen != m_state.CurrentScreen) {
        m_scratch.write(screen, value.encode(screen), oneOfMany);
        return;
    }
    for (int i = FirstGridTile; i <= LastGridTile; ++i)
        StoreTile(i, value.tile(i));
    setLinksOnDisplay(value.links);
}

QByteArray Module1::EncodeScreenBlock() const {
    return ScreenOnDisplay().encode(m_state.CurrentScreen);
}

void Module1::WriteScreen(RecordWriter& writer) {
    writer.writeRaw(EncodeScreenBlock());
}

} // namespace tavrin
