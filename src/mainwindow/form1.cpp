#include "mainwindow/form1.h"

#include "level/core/colour.h"
#include "level/core/failure.h"
#include "level/core/messages.h"
#include "level/document/module1.h"
#include "mainwindow/centring.h"
#include "mainwindow/controlhelp.h"
#include "mainwindow/directionscontroller.h"
#include "mainwindow/inputonlyto.h"
#include "mainwindow/keypreview.h"
#include "mainwindow/levelstatusbar.h"
#include "mainwindow/paintgestures.h"
#include "mainwindow/picturebox.h"
#include "mainwindow/reachview.h"
#include "mainwindow/screencontroller.h"
#include "mainwindow/selectioncontroller.h"
#include "mainwindow/sessionkeeper.h"
#include "mainwindow/splash.h"
#include "mainwindow/tileprop.h"
#include "mainwindow/viewscale.h"
#include "widgets/loaddialog.h"
#include "widgets/twips.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

// The built-in images live in the editor library; a static library needs its resources registered.
static void InitBuiltinImages() {
    Q_INIT_RESOURCE(images);
}

namespace tavrin {

namespace {

constexpr int ClientWidth = 696;
constexpr int ClientHeight = 526;
constexpr Long WindowBackColour = Rgb(128, 64, 0);
constexpr Long PreviewBackColour = Rgb(192, 0, 0);
constexpr Long SpecialTileBackColour = Rgb(0, 192, 0);
constexpr int StatusInterval = 100;
constexpr qreal ControlFontPoints = 8;

// Grid geometry in twips: tile i sits at column (i - 1) mod 20, row (i - 1) div 20.
constexpr int GridLeft = 600;
constexpr int GridTop = 480;
constexpr int GridStep = 360;
constexpr int TileSize = 375;

// The client area below the menu bar: controls at fixed places on a plain back colour. Extra space
// after an enlargement shows the back colour too.
class ClientArea : public QWidget {
public:
    explicit ClientArea(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), ColourToQColor(WindowBackColour));
    }
};

QRect GridTileRect(int index) {
    const int column = (index - 1) % GridColumns;
    const int row = (index - 1) / GridColumns;
    return TwipsRect(GridLeft + GridStep * column, GridTop + GridStep * row, TileSize, TileSize);
}

// A cell of the 3 x 3 pad below the grid.
QRect PadCellRect(int column, int row) {
    constexpr int padLeft = 120;
    constexpr int padTop = 6360;
    constexpr int padStep = 480;
    return TwipsRect(padLeft + padStep * column, padTop + padStep * row, TileSize, TileSize);
}

} // namespace

Form1::Form1(LevelDocument& document, QWidget* parent)
    : QMainWindow(parent), m_document(document), m_level(document.state()) {
    InitBuiltinImages();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("TavrinEditor"));
    quitProgram = [] { QCoreApplication::exit(0); };
    CommandLineArguments = QCoreApplication::arguments().mid(1);
    StartFolder = QDir::currentPath();
    m_ownDialog = std::make_unique<LoadDialog>();
    Dialog = m_ownDialog.get();
    Dialog->Parent = this;
    m_screens = std::make_unique<ScreenController>(m_document, static_cast<WindowView&>(*this));
    m_directions = std::make_unique<DirectionsController>(m_document, static_cast<WindowView&>(*this),
                                                          *m_screens, m_gridTiles);
    m_selection =
        std::make_unique<SelectionController>(m_document, static_cast<SelectionView&>(*this), m_gridTiles);

    createClientArea();
    createGrid();
    createSpecialTiles();
    createSideLinks();
    createButtonsBelowGrid();
    createToolColumn();
    createPropertyCross();
    createStatusControls();
    m_directions->createControls(m_clientArea, {PropLeft, PropUp, PropRight, PropDown},
                                 {UsePropBox, UseColor, UsePicture, UseApplyProp});
    connect(m_directions.get(), &DirectionsController::gridToolChanged, m_selection.get(),
            &SelectionController::showSelectTool);
    connect(m_directions.get(), &DirectionsController::directionsShown, this,
            [this](bool shown) { m_statusBar->setDirectionsShown(shown); });
    m_selection->createControls(m_clientArea);
    createMenus();
    connectControls();
    m_statusBar = new LevelStatusBar(statusBar(), m_document, m_gridTiles);
    m_reach = new ReachView(*this, m_document, SettingsFile, [this](const QString& text) { confirm(text); });
    ExplainMainWindow(*this);

    // The fixed area keeps its size between the menu bar and the status bar.
    resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    m_keyPreview = new KeyPreview(this, [this](int keyCode, int shift) { Form_KeyDown(keyCode, shift); });
    m_document.setBrushColour(NewColor->backColour());
}

// A window that goes without its program ending (as in a test, or an editor embedded elsewhere) leaves no
// offer to recover behind: the question about unsaved changes is asked only by the commands that end the
// program.
Form1::~Form1() {
    if (!m_ending)
        m_session->keep(false);
    delete m_splash.data();
}

// --- Construction ---------------------------------------------------------------------------------------

void Form1::createClientArea() {
    m_clientArea = new ClientArea(this);
    m_clientArea->setObjectName(QStringLiteral("clientArea"));
    // The controls are sized for a small dialog font; a slightly narrowed 8-point face keeps the longer
    // captions inside them.
    QFont controlFont = m_clientArea->font();
    controlFont.setPointSizeF(ControlFontPoints);
    controlFont.setStretch(QFont::SemiCondensed);
    m_clientArea->setFont(controlFont);
    setCentralWidget(m_clientArea);
}

void Form1::createGrid() {
    for (int index = FirstGridTile; index <= LastGridTile; ++index) {
        PictureBox* tile = addTile(index, GridTileRect(index));
        tile->setAppearance3D(false);
        tile->setBackColour(SysWindowBackground);
    }
    // Neighbours overlap by one pixel; each later tile lies on top, so shared border columns and rows
    // always belong to the tile right of or below them.
    for (int index = FirstGridTile; index <= LastGridTile; ++index)
        m_gridTiles[index]->raise();
}

void Form1::createSpecialTiles() {
    m_markerTile = addTile(MarkerTile, PadCellRect(0, 0));
    m_markerTile->setPicture(QImage(QStringLiteral(":/images/marker.bmp")));
    m_markerTile->hide();

    m_previewTile = addTile(PreviewTile, PadCellRect(2, 0));
    m_previewTile->setBackColour(PreviewBackColour);

    ErrPic = addPictureBox("ErrPic", PadCellRect(1, 1));
    ErrPic->hide();

    m_gridTiles[BlankTile] = addTile(BlankTile, PadCellRect(0, 2));
    m_gridTiles[BlankTile]->setBackColour(SpecialTileBackColour);

    m_builtinTile = addTile(BuiltinTile, PadCellRect(2, 2));
    m_builtinTile->setBackColour(SpecialTileBackColour);
    m_builtinTile->setPicture(QImage(QStringLiteral(":/images/builtin.bmp")));

    const struct {
        int k;
        const char* caption;
        int column;
        int row;
    } moveButtons[] = {{0, "<", 0, 1}, {1, "^", 1, 0}, {2, ">", 2, 1}, {3, "v", 1, 2}};
    for (const auto& button : moveButtons) {
        QPushButton* move =
            addButton("MoveCom", QString::fromLatin1(button.caption), PadCellRect(button.column, button.row));
        move->setProperty("index", button.k);
        m_moveButtons[button.k] = move;
    }
}

void Form1::createSideLinks() {
    const struct {
        int k;
        QRect text;
        QRect go;
    } links[] = {
        {2, TwipsRect(3960, 120, 735, 285), TwipsRect(4800, 120, 375, 255)},
        {3, TwipsRect(120, 3000, 495, 285), TwipsRect(120, 3360, 375, 255)},
        {4, TwipsRect(7800, 3000, 495, 285), TwipsRect(7920, 3360, 375, 255)},
        {5, TwipsRect(4200, 6000, 615, 285), TwipsRect(4920, 6000, 375, 255)},
    };
    for (const auto& link : links) {
        QLineEdit* text = addTextBox("SideText", QStringLiteral("Text1"), link.text);
        text->setProperty("index", link.k);
        m_sideTexts[link.k - 2] = text;
        QPushButton* go = addButton("Command11", QStringLiteral("Go"), link.go);
        go->setProperty("index", link.k);
        m_goButtons[link.k - 2] = go;
    }
}

void Form1::createButtonsBelowGrid() {
    Command2 = addButton("Command2", QStringLiteral("Test"), TwipsRect(2040, 6360, 495, 255));
    Command3 = addButton("Command3", QStringLiteral("Test2"), TwipsRect(2760, 6360, 615, 255));
    Label1 = addLabel("Label1", QStringLiteral("Label1"), TwipsRect(1680, 6720, 3615, 495));
    Label3 = addLabel("Label3", QStringLiteral("Label3"), TwipsRect(1680, 7320, 3615, 495));

    ScreenToGoTo = addTextBox("ScreenToGoTo", QStringLiteral("1"), TwipsRect(5400, 6480, 1215, 285));
    Command1 = addButton("Command1", QStringLiteral("Go To Screen"), TwipsRect(5400, 6840, 1215, 255));
    Command4 = addButton("Command4", QStringLiteral("3D"), TwipsRect(5400, 7200, 495, 255));
    Command5 = addButton("Command5", QStringLiteral("Flat"), TwipsRect(6120, 7200, 495, 255));
    Command6 = addButton("Command6", QStringLiteral("ReDisplay"), TwipsRect(5400, 7560, 1215, 255));
    Command9 = addButton("Command9", QStringLiteral("Border"), TwipsRect(6720, 7560, 615, 255));
    Command10 = addButton("Command10", QStringLiteral("or Not"), TwipsRect(7440, 7560, 615, 255));
}

void Form1::createToolColumn() {
    UsePropBox =
        addCheckBox("UsePropBox", QStringLiteral("Display Tile Properties"), TwipsRect(8400, 480, 1935, 255));
    UsePropBox->setChecked(true);
    UseColor = addCheckBox("UseColor", QStringLiteral("Use BackColor"), TwipsRect(8400, 960, 1695, 255));
    NewColor = addPictureBox("NewColor", TwipsRect(8400, 1320, 375, 375));
    Command7 = addButton("Command7", QStringLiteral("Change Color"), TwipsRect(9000, 1320, 1215, 375));
    UsePicture = addCheckBox("UsePicture", QStringLiteral("Use Picture"), TwipsRect(8400, 1920, 1695, 255));
    NewPicture = addPictureBox("NewPicture", TwipsRect(8400, 2280, 375, 375));
    Command8 = addButton("Command8", QStringLiteral("Change Pic"), TwipsRect(9000, 2280, 1215, 375));
    UseApplyProp =
        addCheckBox("UseApplyProp", QStringLiteral("Use Apply Properties"), TwipsRect(8400, 2880, 1815, 255));
}

void Form1::createPropertyCross() {
    const QString one = QStringLiteral("1");
    PropUpOps = addTextBox("PropUpOps", one, TwipsRect(9120, 3240, 495, 285));
    PropUp = addTextBox("PropUp", one, TwipsRect(9240, 3600, 255, 285));
    PropLeftOps = addTextBox("PropLeftOps", one, TwipsRect(8400, 3960, 495, 285));
    PropLeft = addTextBox("PropLeft", one, TwipsRect(9000, 3960, 255, 285));
    PropRight = addTextBox("PropRight", one, TwipsRect(9480, 3960, 255, 285));
    PropRightOps = addTextBox("PropRightOps", one, TwipsRect(9840, 3960, 495, 285));
    PropDown = addTextBox("PropDown", one, TwipsRect(9240, 4320, 255, 285));
    PropDownOps = addTextBox("PropDownOps", one, TwipsRect(9120, 4680, 495, 285));
}

void Form1::createStatusControls() {
    Label2 = addLabel("Label2", QStringLiteral("Label2"), TwipsRect(8280, 5160, 1815, 615));
    TimeRunning = addLabel("TimeRunning", QStringLiteral("0"), TwipsRect(8760, 5880, 735, 255));
    StatusTimer = new QTimer(this);
    StatusTimer->setObjectName(QStringLiteral("StatusTimer"));
    StatusTimer->setInterval(StatusInterval);
}

void Form1::createMenus() {
    mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuLoad = addMenuItem("mnuLoad", QStringLiteral("Load Level"), QKeySequence(Qt::CTRL | Qt::Key_L));
    mnuSave = addMenuItem("mnuSave", QStringLiteral("Save Level"), QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuDash4 = addMenuSeparator("mnuDash4");
    mnuScreenProp =
        addMenuItem("mnuScreenProp", QStringLiteral("Screen Properties"), QKeySequence(Qt::Key_F2));
    mnuLevelProp = addMenuItem("mnuLevelProp", QStringLiteral("Level Properties"), QKeySequence(Qt::Key_F3));
    mnuDash2 = addMenuSeparator("mnuDash2");
    MnuPLtemp = addMenuItem("MnuPLtemp", QStringLiteral("Pelmar Level"), QKeySequence(Qt::Key_F1));
    mnuDash3 = addMenuSeparator("mnuDash3");
    mnuNew = addMenuItem("mnuNew", QStringLiteral("New Level"), QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuRecent = mnuFile->addMenu(QStringLiteral("Recent Levels"));
    mnuRecent->setObjectName(QStringLiteral("mnuRecent"));
    connect(mnuRecent, &QMenu::aboutToShow, this, &Form1::fillRecentMenu);
    mnuCompare = addMenuItem("mnuCompare", QStringLiteral("Compare With..."), QKeySequence());
    connect(mnuCompare, &QAction::triggered, this, [this] { m_levelFile->compareWith(); });
    mnuDash5 = addMenuSeparator("mnuDash5");
    mnuExit = addMenuItem("mnuExit", QStringLiteral("Exit"), QKeySequence());

    mnuEdit = menuBar()->addMenu(QStringLiteral("Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuUndo = mnuEdit->addAction(QStringLiteral("Undo"));
    mnuUndo->setObjectName(QStringLiteral("mnuUndo"));
    mnuUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mnuRedo = mnuEdit->addAction(QStringLiteral("Redo"));
    mnuRedo->setObjectName(QStringLiteral("mnuRedo"));
    mnuRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    for (QAction* action : {mnuUndo, mnuRedo})
        action->setShortcutContext(Qt::WindowShortcut);
    // Each item names the step it would take, and is off when there is none.
    const QUndoStack& steps = m_document.undoStack();
    const auto nameItems = [this, &steps] {
        mnuUndo->setEnabled(steps.canUndo());
        mnuUndo->setText(steps.canUndo() ? QStringLiteral("Undo ") + steps.undoText()
                                         : QStringLiteral("Undo"));
        mnuRedo->setEnabled(steps.canRedo());
        mnuRedo->setText(steps.canRedo() ? QStringLiteral("Redo ") + steps.redoText()
                                         : QStringLiteral("Redo"));
    };
    connect(&steps, &QUndoStack::indexChanged, this, nameItems);
    connect(&steps, &QUndoStack::cleanChanged, this, nameItems);
    nameItems();

    mnuLevel = menuBar()->addMenu(QStringLiteral("Level"));
    mnuLevel->setObjectName(QStringLiteral("mnuLevel"));
    mnuCheckLevel = mnuLevel->addAction(QStringLiteral("Check Level"));
    mnuCheckLevel->setObjectName(QStringLiteral("mnuCheckLevel"));
    mnuCheckLevel->setShortcut(QKeySequence(Qt::Key_F4));
    mnuCheckLevel->setShortcutContext(Qt::WindowShortcut);
    mnuWorldOverview = mnuLevel->addAction(QStringLiteral("World Overview"));
    mnuWorldOverview->setObjectName(QStringLiteral("mnuWorldOverview"));
    mnuWorldOverview->setShortcut(QKeySequence(Qt::Key_F5));
    mnuWorldOverview->setShortcutContext(Qt::WindowShortcut);
    mnuPictures = mnuLevel->addAction(QStringLiteral("Pictures"));
    mnuPictures->setObjectName(QStringLiteral("mnuPictures"));
    mnuPictures->setShortcut(QKeySequence(Qt::Key_F6));
    mnuPictures->setShortcutContext(Qt::WindowShortcut);

    m_screens->createMenu(menuBar());
    createViewMenu();
    m_directions->createMenus(mnuView, mnuEdit, mnuLevel, this, [this] { return SettingsFile; });
    m_selection->createMenus(mnuEdit, this);

    // A menu-bar entry without items: choosing it runs the command at once.
    mnuAbout = menuBar()->addAction(QStringLiteral("&About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
}

// The scale applies from the next start; the item checked is the one that will apply then.
void Form1::createViewMenu() {
    mnuView = menuBar()->addMenu(QStringLiteral("View"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    mnuScale = mnuView->addMenu(QStringLiteral("Scale"));
    mnuScale->setObjectName(QStringLiteral("mnuScale"));
    auto* scales = new QActionGroup(mnuScale);
    for (const int percent : ViewScales) {
        QAction* item = mnuScale->addAction(QStringLiteral("%1 %").arg(percent));
        item->setObjectName(QStringLiteral("mnuScale%1").arg(percent));
        item->setCheckable(true);
        item->setData(percent);
        item->setActionGroup(scales);
        connect(item, &QAction::triggered, this, [this, percent] {
            SaveScale(SettingsFile, percent);
            confirm(QStringLiteral("Scale %1 % applies when the editor starts again").arg(percent));
        });
    }
    // A scale at which the window would not fit on its screen is offered disabled, the reason its tooltip.
    mnuScale->setToolTipsVisible(true);
    connect(mnuScale, &QMenu::aboutToShow, this, [this] {
        const QString checked = QStringLiteral("mnuScale%1").arg(SavedScale(SettingsFile));
        for (QAction* item : mnuScale->actions()) {
            item->setChecked(item->objectName() == checked);
            const QString tooLarge = ScaleTooLargeFor(*this, item->data().toInt());
            item->setEnabled(tooLarge.isEmpty());
            item->setToolTip(tooLarge);
        }
    });
    mnuView->addSeparator();
    mnuShortcuts = mnuView->addAction(QStringLiteral("Keyboard Shortcuts"));
    mnuShortcuts->setObjectName(QStringLiteral("mnuShortcuts"));
    connect(mnuShortcuts, &QAction::triggered, this, [this] { ShowKeyboardShortcuts(this); });
    mnuFileFormat = mnuView->addAction(QStringLiteral("Level File Format"));
    mnuFileFormat->setObjectName(QStringLiteral("mnuFileFormat"));
    connect(mnuFileFormat, &QAction::triggered, this, [this] { ShowLevelFileFormat(this); });
}

void Form1::connectControls() {
    connect(m_gridTiles[0], &PictureBox::clicked, this, [this] { Tile_Click(0); });
    m_gestures = new PaintGestures(*this, m_document, m_gridTiles);
    for (int index : {BuiltinTile, PreviewTile, MarkerTile})
        connect(Tile(index), &PictureBox::clicked, this, [this, index] { Tile_Click(index); });
    for (int k = 2; k <= 5; ++k)
        connect(Command11(k), &QPushButton::clicked, this, [this, k] { Command11_Click(k); });

    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(Command10, &QPushButton::clicked, this, &Form1::Command10_Click);
    connect(UsePropBox, &QCheckBox::clicked, this, &Form1::UsePropBox_Click);
    connect(UseColor, &QCheckBox::clicked, this, &Form1::UseColor_Click);
    connect(UsePicture, &QCheckBox::clicked, this, &Form1::UsePicture_Click);
    connect(UseApplyProp, &QCheckBox::clicked, this, &Form1::UseApplyProp_Click);

    connect(StatusTimer, &QTimer::timeout, this, &Form1::StatusTimer_Timer);
    // The grid draws the level as the document holds it.
    connect(&m_document, &LevelDocument::levelReplaced, this, [this] {
        m_markerOnGrid = true;
        redrawGrid();
    });
    connect(&m_document, &LevelDocument::screenShown, this, [this] {
        m_markerOnGrid = false; // a change of screen leaves the marker off until it walks again
        redrawGrid();
    });
    connect(&m_document, &LevelDocument::tileChanged, this, [this](int, int tile) { tileChanged(tile); });
    connect(&m_document, &LevelDocument::linksChanged, this, &Form1::showSideLinks);
    connect(&m_document, &LevelDocument::walkerMoved, this, &Form1::walkerMoved);
    // A blank screen takes the brush colour.
    connect(NewColor, &PictureBox::backColourSet, &m_document, &LevelDocument::setBrushColour);
    // The status line follows the level as it changes, besides each tick.
    connect(&m_document, &LevelDocument::tileChanged, this, &Form1::showStatus);
    connect(&m_document, &LevelDocument::screenShown, this, &Form1::showStatus);
    connect(&m_document, &LevelDocument::levelReplaced, this, &Form1::showStatus);
    connect(&m_document, &LevelDocument::walkerMoved, this, &Form1::showStatus);
    // What a crash would leave is kept up to date: the edited screen within two seconds, and the session.
    m_session = new SessionKeeper(m_document, this);
    m_levelFile = std::make_unique<LevelFileController>(m_document, static_cast<LevelFileView&>(*this),
                                                        ScreenToGoTo, *m_session);
    // The tile property window follows the tile it shows.
    connect(&m_document, &LevelDocument::tileChanged, this, [this](int, int tile) {
        if (m_tileProp && m_tileProp->isVisible() && m_tileProp->TileIndex->text() == QString::number(tile))
            DisplayTileProp(static_cast<Integer>(tile));
    });
    connect(mnuLoad, &QAction::triggered, this, &Form1::mnuLoad_Click);
    connect(mnuSave, &QAction::triggered, this, &Form1::mnuSave_Click);
    connect(mnuScreenProp, &QAction::triggered, this, &Form1::mnuScreenProp_Click);
    connect(mnuLevelProp, &QAction::triggered, this, &Form1::mnuLevelProp_Click);
    connect(MnuPLtemp, &QAction::triggered, this, &Form1::MnuPLtemp_Click);
    connect(mnuExit, &QAction::triggered, this, &Form1::mnuExit_Click);
    connect(mnuAbout, &QAction::triggered, this, &Form1::mnuAbout_Click);
    connect(mnuUndo, &QAction::triggered, this, &Form1::mnuUndo_Click);
    connect(mnuRedo, &QAction::triggered, this, &Form1::mnuRedo_Click);
    connect(mnuNew, &QAction::triggered, this, &Form1::mnuNew_Click);
    connect(mnuCheckLevel, &QAction::triggered, this, &Form1::mnuCheckLevel_Click);
    connect(mnuWorldOverview, &QAction::triggered, this, &Form1::mnuWorldOverview_Click);
    connect(mnuPictures, &QAction::triggered, this, &Form1::mnuPictures_Click);
    connect(&m_document, &LevelDocument::levelReplaced, this, &Form1::refreshPictureFolders);
    connect(&m_document, &LevelDocument::modifiedChanged, this, &Form1::showCaption);
}

QPushButton* Form1::addButton(const char* name, const QString& text, const QRect& geometry) {
    auto* button = PlaceControl<QPushButton>(m_clientArea, name, text, geometry);
    return button;
}

QLineEdit* Form1::addTextBox(const char* name, const QString& text, const QRect& geometry) {
    auto* box = PlaceControl<QLineEdit>(m_clientArea, name, text, geometry);
    return box;
}

QLabel* Form1::addLabel(const char* name, const QString& text, const QRect& geometry) {
    auto* label = PlaceControl<QLabel>(m_clientArea, name, text, geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->setAutoFillBackground(true);
    return label;
}

QCheckBox* Form1::addCheckBox(const char* name, const QString& text, const QRect& geometry) {
    auto* box = PlaceControl<QCheckBox>(m_clientArea, name, text, geometry);
    box->setAutoFillBackground(true);
    return box;
}

PictureBox* Form1::addPictureBox(const char* name, const QRect& geometry) {
    auto* box = new PictureBox(m_clientArea);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    return box;
}

PictureBox* Form1::addTile(int index, const QRect& geometry) {
    PictureBox* tile = addPictureBox("Tile", geometry);
    tile->setProperty("index", index);
    if (index >= 0 && index <= LastGridTile)
        m_gridTiles[index] = tile;
    return tile;
}

QAction* Form1::addMenuItem(const char* name, const QString& text, const QKeySequence& shortcut) {
    QAction* action = mnuFile->addAction(text);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    return action;
}

QAction* Form1::addMenuSeparator(const char* name) {
    QAction* separator = mnuFile->addSeparator();
    separator->setObjectName(QLatin1String(name));
    return separator;
}

// --- Control arrays -----------------------------------------------------------------------------------

PictureBox* Form1::Tile(int index) const {
    if (index >= 0 && index <= LastGridTile)
        return m_gridTiles[index];
    switch (index) {
    case BuiltinTile:
        return m_builtinTile;
    case PreviewTile:
        return m_previewTile;
    case MarkerTile:
        return m_markerTile;
    default:
        throw Failure(ErrNoSuchControl);
    }
}

QLineEdit* Form1::SideText(int k) const {
    if (k < 2 || k > 5)
        throw Failure(ErrNoSuchControl);
    return m_sideTexts[k - 2];
}

QPushButton* Form1::Command11(int k) const {
    if (k < 2 || k > 5)
        throw Failure(ErrNoSuchControl);
    return m_goButtons[k - 2];
}

QPushButton* Form1::MoveCom(int k) const {
    if (k < 0 || k > 3)
        throw Failure(ErrNoSuchControl);
    return m_moveButtons[k];
}

// --- What the boxes show -------------------------------------------------------------------------------

bool Form1::hasBox(int index) const {
    return IsTileBox(index);
}

Long Form1::backColour(int index) const {
    return Tile(index)->backColour();
}

QImage Form1::picture(int index) const {
    return Tile(index)->picture();
}

// --- Lifecycle ------------------------------------------------------------------------------------------

void Form1::Form_Load() {
    CentreOnScreen(this);
    QDir::setCurrent(m_level.ProgramFolder());
    m_document.start();
    redrawTiles(); // the fresh screen with the marker on its start tile
    m_directions->restoreShowDirections();
    m_reach->restore();
    Dialog->InitDir = m_level.ProgramFolder();
    if (!recoverUnsavedWork())
        LoadCommandLineLevel();
    if (const auto [saved, shown] = RefusedScale(); saved != 0)
        confirm(Text(Msg::ScaleNotFitting).arg(saved).arg(shown));
    StatusTimer->start();
}

void Form1::Form_Unload() {
    try {
        m_document.end();
    } catch (const Failure&) {
        // The program ends all the same.
    }
    endProgram();
}

void Form1::closeEvent(QCloseEvent* event) {
    // A long task (a save, an edit of many screens) ends first; its progress dialog offers Cancel.
    if (m_document.isSaving() || InputOnlyTo::active()) {
        event->ignore();
        return;
    }
    if (!m_ending) {
        if (!mayDropChanges()) {
            event->ignore();
            return;
        }
        Form_Unload();
    }
    event->accept();
}

void Form1::endProgram() {
    m_ending = true;
    quitProgram();
}

void Form1::StatusTimer_Timer() {
    TimeRunning->setText(NumberToText(TextToNumber(TimeRunning->text()) + 1));
    showStatus();
}

void Form1::confirm(const QString& text) {
    m_statusBar->confirm(text);
}

void Form1::showStatus() {
    Label2->setText(statusLine());
}

// The walker tile and its four direction properties in the order left, up, right, down. A walker
// outside the per-tile arrays (an exit onto a special tile) shows its number alone.
QString Form1::statusLine() const {
    const int tile = m_level.WalkerTile();
    if (!m_level.TilePropLeft().inRange(tile))
        return QString::number(tile);
    const QStringList parts = {QString::number(tile), QString::number(m_level.TilePropLeft(tile)),
                               QString::number(m_level.TilePropUp(tile)),
                               QString::number(m_level.TilePropRight(tile)),
                               QString::number(m_level.TilePropDown(tile))};
    return parts.join(QStringLiteral(", "));
}

// --- Menu commands --------------------------------------------------------------------------------------

void Form1::mnuExit_Click() {
    if (!mayDropChanges())
        return;
    // Nothing is left that was not saved or given up: the scratch files go, as when the window is closed, so
    // that no later run can take them for a screen.
    Form_Unload();
}

void Form1::mnuAbout_Click() {
    if (m_splash) {
        m_splash->raise();
        m_splash->activateWindow();
        return;
    }
    m_splash = new Splash(this);
    m_splash->show();
}

// --- Grid and tools -------------------------------------------------------------------------------------

} // namespace tavrin
