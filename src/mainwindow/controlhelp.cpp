#include "mainwindow/controlhelp.h"

#include "mainwindow/centring.h"
#include "mainwindow/form1.h"
#include "mainwindow/picturebox.h"
#include "mainwindow/tileprop.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <array>

// The help texts live in the editor library; a static library needs its resources registered.
static void InitHelpTexts() {
    Q_INIT_RESOURCE(help);
}

namespace tavrin {

namespace {

constexpr int FormatWindowWidth = 720;
constexpr int FormatWindowHeight = 600;

// What a direction property means, for the boxes that hold one.
const char* const DirectionValues = "0 free, 1 blocked, 2 to 9 an exit through that side link";

// The four directions in the order up, left, right, down, with their boxes in a window or the brush.
struct DirectionBoxes {
    const char* name;
    QLineEdit* property;
    QLineEdit* operand;
};

// A direction box's tooltip: %1 is the direction, %2 (for a property box) the values it takes.
QString PropertyTip(const char* text, const char* direction) {
    return HelpText(text).arg(QLatin1String(direction), HelpText(DirectionValues));
}

QString OperandTip(const char* text, const char* direction) {
    return HelpText(text).arg(QLatin1String(direction));
}

// The four property boxes of a cross and their operand boxes.
void ExplainDirections(const std::array<DirectionBoxes, 4>& boxes, const char* property,
                       const char* operand) {
    for (const DirectionBoxes& direction : boxes) {
        SetHelp(direction.property, PropertyTip(property, direction.name));
        SetHelp(direction.operand, OperandTip(operand, direction.name));
    }
}

// --- The main window ----------------------------------------------------------------------------------

// A control of the main window, by its object name.
template <class Control = QWidget> Control* Named(const Form1& window, const char* name) {
    return window.findChild<Control*>(QLatin1String(name));
}

// Each control named first gets the tip after it.
void TipsByName(const Form1& window, std::initializer_list<std::pair<const char*, const char*>> tips) {
    for (const auto& [name, text] : tips)
        Tip(Named(window, name), text);
}

void ExplainGrid(Form1& window) {
    const QString gridTile =
        HelpText("A tile of the screen on display: a click paints it in the checked mode (or "
                 "shows it in Tile Properties), a drag paints every tile it passes, undone as "
                 "one step. Shift+click fills the joined tiles of the same colour and picture "
                 "with the brush; right-click takes the tile into the brush.");
    for (int index = 1; index <= 300; ++index)
        SetHelp(window.Tile(index), gridTile);
    Tip(window.Tile(BlankTile), "The blank tile: a tile whose picture reference is 0 shows its picture (none "
                                "until you paint one on it). A click paints it in the checked mode, like a "
                                "grid tile.");
    Tip(window.Tile(BuiltinTile), "The built-in picture, shown by tiles whose picture reference is 997. A "
                                  "click with Use BackColor paints its colour; it keeps no properties.");
    Tip(window.Tile(PreviewTile), "How the tile under the walk marker looks without the marker; it follows "
                                  "the marker as you walk with the arrow keys.");
}

void ExplainSideLinks(Form1& window) {
    static const std::array<const char*, 4> sides = {"above", "left of", "right of", "below"};
    for (int k = 2; k <= 5; ++k) {
        const QLatin1String side(sides[size_t(k - 2)]);
        SetHelp(
            window.SideText(k),
            HelpText(
                "Side link %1, %2 the grid: the screen it leads to. Type another screen number to go there "
                "with Go; change the link itself in File > Screen Properties (F2).")
                .arg(k)
                .arg(side));
        SetHelp(window.Command11(k),
                HelpText("Go to the screen whose number is in the box of side link %1 beside this button.")
                    .arg(k));
    }
    for (int k = 0; k <= 3; ++k)
        Tip(window.MoveCom(k), "Does nothing; walk with the arrow keys.");
}

void ExplainButtonsBelowGrid(Form1& window) {
    TipsByName(
        window,
        {
            {"Command2", "Test tool: shows the program folder and the current folder below, then plays a "
                         "file you pick with the media player."},
            {"Command3", "Test tool: writes every tile's direction properties onto the grid (up,right above "
                         "left,down). Any redisplay wipes them off."},
            {"Label1", "Shows the program folder and the current folder after Test."},
            {"Label3", "Shows nothing useful."},
            {"ScreenToGoTo", "The number of the screen to go to with Go To Screen. Save Level counts the "
                             "screens it writes here."},
            {"Command1", "Go to the screen whose number is in the box above; the screen you leave keeps "
                         "its changes."},
            {"Command4", "Display style: every grid tile gets a sunken 3D edge, then the grid is redrawn."},
            {"Command5", "Display style: every grid tile gets a flat one-pixel edge, then the grid is "
                         "redrawn."},
            {"Command6", "Redraw the grid from the colours and pictures the screen holds; wipes off what "
                         "Test2 wrote."},
            {"Command9", "Display style: every grid tile gets its border back, then the grid is redrawn."},
            {"Command10", "Display style: no grid tile has a border, so colours and pictures reach the edge; "
                          "then the grid is redrawn."},
        });
}

void ExplainBrush(Form1& window) {
    TipsByName(
        window,
        {
            {"UsePropBox", "Mode: a click on a tile shows its colour, picture and properties in the Tile "
                           "Properties window. Checking a mode unchecks the others."},
            {"UseColor",
             "Mode: a click or drag over tiles paints them with the brush colour. Checking a mode "
             "unchecks the others."},
            {"UsePicture", "Mode: a click or drag over tiles paints them with the brush picture. Checking a "
                           "mode unchecks the others."},
            {"UseApplyProp", "Mode: a click or drag over tiles gives them the brush's direction properties "
                             "and operands from the boxes below. Checking a mode unchecks the others."},
            {"NewColor", "The brush colour. Change it with Change Color, or right-click a tile to take its "
                         "colour."},
            {"Command7", "Choose the brush colour in a colour dialog."},
            {"NewPicture", "The brush picture. Change it with Change Pic, or right-click a tile to take its "
                           "picture."},
            {"Command8", "Choose the brush picture from a file. One from outside the level's Pics folder "
                         "can be copied into it. Cancel makes the brush picture blank. The Pictures window "
                         "(F6) picks one with a click."},
        });

    ExplainDirections(
        {{{"up", Named<QLineEdit>(window, "PropUp"), Named<QLineEdit>(window, "PropUpOps")},
          {"left", Named<QLineEdit>(window, "PropLeft"), Named<QLineEdit>(window, "PropLeftOps")},
          {"right", Named<QLineEdit>(window, "PropRight"), Named<QLineEdit>(window, "PropRightOps")},
          {"down", Named<QLineEdit>(window, "PropDown"), Named<QLineEdit>(window, "PropDownOps")}}},
        "Brush: what the %1 arrow does on a tile painted with Use Apply Properties: %2.",
        "Brush: where the %1 arrow arrives when it is an exit, a tile (1 to 300) of the linked "
        "screen; painted with Use Apply Properties.");
}

void ExplainStatus(Form1& window) {
    TipsByName(
        window,
        {
            {"Label2", "The walk marker's tile and its direction properties: tile, left, up, right, down."},
            {"TimeRunning", "Counts tenths of a second since the editor started."},
        });
}

// --- The two help windows -------------------------------------------------------------------------------

// The keys and mouse gestures that no menu item carries.
QList<ShortcutRow> GestureRows() {
    const auto native = [](const QKeySequence& keys) { return keys.toString(QKeySequence::NativeText); };
    return {
        {HelpText("Arrow keys"), HelpText("Walk the marker; through an exit into the linked screen")},
        {native(QKeySequence(Qt::ALT | Qt::Key_A)), HelpText("About: the program's name and version")},
        {HelpText("Click"), HelpText("Grid tile: paint it in the checked mode, or show its properties")},
        {HelpText("Drag"), HelpText("Grid tiles: paint each tile passed over, as one undo step")},
        {HelpText("Drag with Select"),
         HelpText("Grid tiles: select a rectangle (Shift: one more), or move the selection "
                  "when the drag starts inside it")},
        {HelpText("Click with a stamp"),
         HelpText("Grid tile: put the stamp (Edit, Use as Stamp) with its top-left there")},
        {HelpText("Drag pasted tiles"),
         HelpText("Grid: move the tiles just pasted; a click beside them puts them down")},
        {HelpText("X, Y, Z"),
         HelpText("With a stamp, pasted tiles or a selection: flip horizontally, flip vertically, "
                  "rotate clockwise")},
        {HelpText("Ctrl+Click"),
         HelpText("Grid tile: walk the marker there along a shortest route (Walk To Here)")},
        {HelpText("Shift+Click"), HelpText("Grid tile: fill the joined tiles of its colour and picture")},
        {HelpText("Drag a thumbnail"),
         HelpText("World Overview: onto another screen, swap the two screens' numbers; "
                  "from between the screens, or with the middle button, pan the map")},
        {HelpText("Right-click a thumbnail"),
         HelpText("World Overview: show, duplicate, delete or move that screen")},
        {HelpText("Right-click"),
         HelpText("Grid tile: take its colour, picture and properties into the brush")},
        {native(QKeySequence(Qt::Key_Escape)),
         HelpText(
             "Level Properties, Screen Properties: Cancel. Main window: select no tile, put the stamp or the "
             "pasted tiles away")},
        {native(QKeySequence(Qt::Key_Enter)),
         HelpText("Screen Properties: OK. Main window: put the pasted tiles down")},
    };
}

// A caption as the menu shows it: a single '&' marks the access key, "&&" stands for '&'.
QString PlainCaption(const QString& caption) {
    QString plain;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        else if (caption[i] == u'&')
            continue;
        plain += caption[i];
    }
    return plain;
}

void AddMenuRows(const QList<QAction*>& actions, const QString& path, QList<ShortcutRow>& rows) {
    for (const QAction* action : actions) {
        if (action->isSeparator())
            continue;
        const QString name = path + PlainCaption(action->text());
        if (const QMenu* menu = action->menu()) {
            AddMenuRows(menu->actions(), name + QStringLiteral(" > "), rows);
            continue;
        }
        if (!action->shortcuts().isEmpty())
            rows.append({QKeySequence::listToString(action->shortcuts(), QKeySequence::NativeText), name});
    }
}

// A help window of `mainWindow` that is open already, else null.
QWidget* OpenHelpWindow(QWidget* mainWindow, const QString& name) {
    if (mainWindow)
        return mainWindow->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == name)
            return window;
    return nullptr;
}

QWidget* NewHelpWindow(QWidget* mainWindow, const QString& name, const QString& title) {
    auto* window = new QWidget(mainWindow, Qt::Window);
    window->setObjectName(name);
    window->setWindowTitle(title);
    window->setAttribute(Qt::WA_DeleteOnClose);
    CloseOnEscape(window);
    return window;
}

void BringUp(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

QMenuBar* MenuBarOf(QWidget* mainWindow) {
    if (auto* main = qobject_cast<QMainWindow*>(mainWindow))
        return main->menuBar();
    return mainWindow ? mainWindow->findChild<QMenuBar*>() : nullptr;
}

} // namespace

void ExplainMainWindow(Form1& window) {
    ExplainGrid(window);
    ExplainSideLinks(window);
    ExplainButtonsBelowGrid(window);
    ExplainBrush(window);
    ExplainStatus(window);
}

void ExplainTileProp(TileProp& window) {
    Tip(window.TileIndex,
        "The number of the tile shown (1 to 300, or 0 for the blank tile). This window only "
        "shows: nothing typed into it reaches the level.");
    Tip(window.CurrentColor, "The tile's colour as the screen stores it.");
    Tip(window.CurrentPicture, "The tile's picture; none when its file is missing.");
    Tip(window.TPicLabel, "The tile's picture reference: a file in the level's or the program's Pics folder "
                          "such as \\grass.bmp, or a "
                          "number (0 blank, 997 the built-in picture).");
    ExplainDirections(
        {{{"up", window.PropUp, window.PropUpOps},
          {"left", window.PropLeft, window.PropLeftOps},
          {"right", window.PropRight, window.PropRightOps},
          {"down", window.PropDown, window.PropDownOps}}},
        "What the %1 arrow does on this tile: %2. To change it, paint the tile with Use Apply "
        "Properties.",
        "Where the %1 arrow arrives when it is an exit, a tile of the linked screen. To change it, "
        "paint the tile with Use Apply Properties.");
    for (const char* side : {"Up", "Left", "Right", "Down"})
        Tip(window.findChild<QLabel*>(QStringLiteral("%1Label").arg(QLatin1String(side))),
            "The two boxes beside this word are the tile's direction and operand on that side.");
    Tip(window.findChild<QLabel*>(QStringLiteral("BoxesLabel")),
        "Each narrow box holds a direction's value: 1 blocked, 2 to 9 an exit through that side link, "
        "anything "
        "else free. Each wide box holds the operand: the tile an exit lands on.");
}

QList<ShortcutRow> ShortcutRows(const QMenuBar* menuBar) {
    QList<ShortcutRow> rows;
    if (menuBar)
        AddMenuRows(menuBar->actions(), QString(), rows);
    rows.append(GestureRows());
    return rows;
}

void ShowKeyboardShortcuts(QWidget* mainWindow) {
    const QString name = QStringLiteral("KeyboardShortcuts");
    if (QWidget* open = OpenHelpWindow(mainWindow, name))
        return BringUp(open);
    QWidget* window = NewHelpWindow(mainWindow, name, HelpText("Keyboard Shortcuts"));

    const QList<ShortcutRow> rows = ShortcutRows(MenuBarOf(mainWindow));
    auto* table = new QTableWidget(int(rows.size()), 2, window);
    table->setObjectName(QStringLiteral("ShortcutTable"));
    table->setHorizontalHeaderLabels({HelpText("Keys"), HelpText("What they do")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    for (int row = 0; row < rows.size(); ++row) {
        const QStringList cells = {rows[row].keys, rows[row].what};
        for (int column = 0; column < 2; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            table->setItem(row, column, item);
        }
    }
    table->resizeColumnsToContents();
    table->resizeRowsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);

    auto* layout = new QVBoxLayout(window);
    layout->addWidget(table);
    window->adjustSize();
    BringUp(window);
}

void ShowLevelFileFormat(QWidget* mainWindow) {
    const QString name = QStringLiteral("LevelFileFormat");
    if (QWidget* open = OpenHelpWindow(mainWindow, name))
        return BringUp(open);
    InitHelpTexts();
    QWidget* window = NewHelpWindow(mainWindow, name, HelpText("Level File Format"));

    auto* text = new QTextBrowser(window);
    text->setObjectName(QStringLiteral("FormatText"));
    text->setOpenExternalLinks(true);
    QFile file(QStringLiteral(":/help/level-file-format.md"));
    if (file.open(QIODevice::ReadOnly))
        text->setMarkdown(QString::fromUtf8(file.readAll()));
    else
        text->setPlainText(HelpText("The description of the level file format is missing from this build."));

    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text);
    window->resize(FormatWindowWidth, FormatWindowHeight);
    BringUp(window);
}

} // namespace tavrin
