// The tile property window: its controls, what a display shows in each of them, what a failing display
// leaves behind, and the window's life from its first display to its close box and the end of the
// main window.

#include "colour.h"
#include "editorfixture.h"
#include "picturebox.h"
#include "tileprop.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QtTest>
#include <memory>

using namespace tavrin;

namespace {

constexpr int GoodTile = 5;

// "empty", "number:<value>" or "text:<value>".
FieldValue Field(const QString& spec) {
    if (spec == QLatin1String("empty"))
        return FieldValue();
    if (spec.startsWith(QLatin1String("number:")))
        return FieldValue::number(spec.mid(7).toDouble());
    if (spec.startsWith(QLatin1String("text:")))
        return FieldValue::text(spec.mid(5));
    qFatal("bad field spec %s", qPrintable(spec));
}

QList<TileProp*> TilePropWindows() {
    QList<TileProp*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<TileProp*>(widget))
            windows << window;
    return windows;
}

void ClickTile(Form1& form, int index) {
    QTest::mouseClick(form.Tile(index), Qt::LeftButton);
}

} // namespace

class TestTileProp : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowFrame();
    void textBoxes_data();
    void textBoxes();
    void pictureBoxesAndLabel();
    void tabOrder();

    void displayFillsEveryField();
    void colourShown_data();
    void colourShown();
    void pictureShown_data();
    void pictureShown();
    void failureStopsAtItsStep_data();
    void failureStopsAtItsStep();
    void typedTextIsReplacedByNextDisplay();

    void displayAloneMakesHiddenWindow();
    void clickInDisplayModeShowsWindow();
    void openWindowFollowsDisplays();
    void closeBoxDestroysWindow();
    void displayAfterCloseKeepsWindowClosed();
    void clickAfterCloseOpensNewWindowAtCorner();
    void windowEndsWithMainWindow();

private:
    // The thirteen things a display writes, in the order of its steps.
    QStringList shown() const;
    QString describe(const QImage& picture) const;
    // Tile GoodTile with values in every field, and its display as shown().
    void storeGoodTile();
    QStringList goodTileShown() const;
    TileProp* window() const { return m_f->form->TilePropWindow(); }

    std::unique_ptr<EditorFixture> m_f;
};

void TestTileProp::init() {
    m_f = std::make_unique<EditorFixture>();
    m_f->form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_f->form.get()));
}

void TestTileProp::cleanup() {
    m_f.reset();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

QString TestTileProp::describe(const QImage& picture) const {
    if (picture.isNull())
        return QStringLiteral("none");
    if (picture == QImage(m_f->path(QStringLiteral("Pics/grass.bmp"))))
        return QStringLiteral("grass");
    if (picture == QImage(m_f->path(QStringLiteral("Pics/water.bmp"))))
        return QStringLiteral("water");
    if (picture == m_f->form->Tile(997)->picture())
        return QStringLiteral("built-in");
    if (picture == m_f->form->Tile(999)->picture())
        return QStringLiteral("marker");
    return QStringLiteral("other");
}

QStringList TestTileProp::shown() const {
    const TileProp* w = window();
    if (!w)
        return {};
    return {w->windowTitle(),       w->TileIndex->text(),    QString::number(w->CurrentColor->backColour()),
            w->PropUp->text(),      w->PropLeft->text(),     w->PropDown->text(),
            w->PropRight->text(),   w->PropUpOps->text(),    w->PropLeftOps->text(),
            w->PropDownOps->text(), w->PropRightOps->text(), describe(w->CurrentPicture->picture()),
            w->TPicLabel->text()};
}

void TestTileProp::storeGoodTile() {
    Module1& m = *m_f->module;
    m.TileBackColor(GoodTile) = FieldValue::number(Rgb(10, 20, 30));
    m.TilePropUp(GoodTile) = 1;
    m.TilePropLeft(GoodTile) = 2;
    m.TilePropDown(GoodTile) = -3;
    m.TilePropRight(GoodTile) = 32767;
    m.TilePropUpOps(GoodTile) = FieldValue::text(QStringLiteral("abc"));
    m.TilePropLeftOps(GoodTile) = FieldValue::number(60);
    m.TilePropDownOps(GoodTile) = FieldValue();
    m.TilePropRightOps(GoodTile) = FieldValue::number(2.5);
    m.TilePicture(GoodTile) = FieldValue::text(QStringLiteral("\\grass.bmp"));
}

QStringList TestTileProp::goodTileShown() const {
    return {QStringLiteral("Tile Properties - Tile 5"),
            QStringLiteral("5"),
            QString::number(Rgb(10, 20, 30)),
            QStringLiteral("1"),
            QStringLiteral("2"),
            QStringLiteral("-3"),
            QStringLiteral("32767"),
            QStringLiteral("abc"),
            QStringLiteral("60"),
            QString(),
            QStringLiteral("2.5"),
            QStringLiteral("grass"),
            QStringLiteral("\\grass.bmp")};
}

// --- The window and its controls -------------------------------------------------------------------------

void TestTileProp::windowFrame() {
    m_f->form->DisplayTileProp(GoodTile);
    TileProp* w = window();
    QVERIFY(w);
    QCOMPARE(w->objectName(), QStringLiteral("TileProp"));
    QCOMPARE(w->windowType(), Qt::Tool);
    QVERIFY(w->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(w->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!w->parentWidget());
    QVERIFY(w->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(w->minimumSize(), QSize(189, 147));
    QCOMPARE(w->maximumSize(), QSize(189, 147));

    TileProp fresh;
    QCOMPARE(fresh.windowTitle(), QStringLiteral("Tile Properties"));
    QCOMPARE(fresh.pos(), QGuiApplication::primaryScreen()->availableGeometry().topLeft());
}

void TestTileProp::textBoxes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry"); // pixels: twips / 15
    QTest::addColumn<QString>("designText");

    QTest::newRow("TileIndex") << "TileIndex" << QRect(112, 48, 49, 19) << "Text1";
    QTest::newRow("PropUpOps") << "PropUpOps" << QRect(72, 56, 33, 19) << "Text1";
    QTest::newRow("PropUp") << "PropUp" << QRect(80, 72, 17, 19) << "1";
    QTest::newRow("PropLeftOps") << "PropLeftOps" << QRect(32, 88, 33, 19) << "Text1";
    QTest::newRow("PropLeft") << "PropLeft" << QRect(64, 88, 17, 19) << "1";
    QTest::newRow("PropRight") << "PropRight" << QRect(96, 88, 17, 19) << "1";
    QTest::newRow("PropRightOps") << "PropRightOps" << QRect(112, 88, 33, 19) << "Text1";
    QTest::newRow("PropDown") << "PropDown" << QRect(80, 104, 17, 19) << "1";
    QTest::newRow("PropDownOps") << "PropDownOps" << QRect(72, 120, 33, 19) << "Text1";
}

void TestTileProp::textBoxes() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, designText);

    TileProp w;
    auto* box = w.findChild<QLineEdit*>(name);
    QVERIFY(box);
    QCOMPARE(box->geometry(), geometry);
    QCOMPARE(box->text(), designText);
    QVERIFY(!box->isHidden());
    QVERIFY(w.rect().contains(box->geometry()));
}

void TestTileProp::pictureBoxesAndLabel() {
    TileProp w;
    auto* picture = w.findChild<PictureBox*>(QStringLiteral("CurrentPicture"));
    auto* colour = w.findChild<PictureBox*>(QStringLiteral("CurrentColor"));
    auto* label = w.findChild<QLabel*>(QStringLiteral("TPicLabel"));
    QCOMPARE(picture, w.CurrentPicture);
    QCOMPARE(colour, w.CurrentColor);
    QCOMPARE(label, w.TPicLabel);

    QCOMPARE(picture->geometry(), QRect(8, 8, 33, 33));
    QVERIFY(picture->picture().isNull());
    QCOMPARE(colour->geometry(), QRect(8, 48, 33, 35));
    for (PictureBox* box : {picture, colour}) {
        QVERIFY(box->appearance3D());
        QVERIFY(box->hasBorder());
    }
    QCOMPARE(label->geometry(), QRect(48, 8, 113, 33));
    QCOMPARE(label->text(), QStringLiteral("TPic"));
}

void TestTileProp::tabOrder() {
    TileProp w;
    const QStringList expected = {"TileIndex", "CurrentColor", "CurrentPicture", "PropDown",
                                  "PropRight", "PropLeft",     "PropUp",         "TPicLabel",
                                  "PropUpOps", "PropRightOps", "PropLeftOps",    "PropDownOps"};
    QStringList chain;
    QWidget* widget = w.TileIndex;
    do {
        if (expected.contains(widget->objectName()))
            chain << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != w.TileIndex);
    QCOMPARE(chain, expected);

    // Tab moves through the text boxes in that order and comes back to the first.
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.TileIndex->setFocus();
    QStringList focused = {QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 9; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        focused << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(focused, (QStringList{"TileIndex", "PropDown", "PropRight", "PropLeft", "PropUp", "PropUpOps",
                                   "PropRightOps", "PropLeftOps", "PropDownOps", "TileIndex"}));
}

// --- What a display shows --------------------------------------------------------------------------------

void TestTileProp::displayFillsEveryField() {
    storeGoodTile();
    m_f->form->DisplayTileProp(GoodTile);
    QCOMPARE(shown(), goodTileShown());
    QCOMPARE(m_f->messages.count(), 0);
}

void TestTileProp::colourShown_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<Long>("shown");

    QTest::newRow("empty is black") << "empty" << Long(0);
    QTest::newRow("window background, a system colour") << "number:-2147483643" << Long(-2147483643);
    QTest::newRow("RGB colour") << "number:255" << Long(255);
    QTest::newRow("numeric text") << "text:65280" << Long(65280);
    QTest::newRow("fraction, half to even") << "number:2.5" << Long(2);
    QTest::newRow("text with blanks, half to even") << "text: 3.5 " << Long(4);
}

void TestTileProp::colourShown() {
    QFETCH(QString, stored);
    QFETCH(Long, shown);

    m_f->module->TileBackColor(7) = Field(stored);
    m_f->form->DisplayTileProp(7);
    QCOMPARE(window()->CurrentColor->backColour(), shown);
    QCOMPARE(m_f->messages.count(), 0);
}

void TestTileProp::pictureShown_data() {
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("label");

    QTest::newRow("empty: none") << "empty"
                                 << "none"
                                 << "";
    QTest::newRow("number 0: none") << "number:0"
                                    << "none"
                                    << "0";
    QTest::newRow("text 0: none") << "text:0"
                                  << "none"
                                  << "0";
    QTest::newRow("number 997: built-in") << "number:997"
                                          << "built-in"
                                          << "997";
    QTest::newRow("text 997: built-in") << "text:997"
                                        << "built-in"
                                        << "997";
    QTest::newRow("text 997 with blanks") << "text: 997 "
                                          << "built-in"
                                          << " 997 ";
    QTest::newRow("number of a tile under the marker") << "number:1"
                                                       << "marker"
                                                       << "1";
    QTest::newRow("number of a tile without picture") << "number:2"
                                                      << "none"
                                                      << "2";
    QTest::newRow("picture file") << "text:\\water.bmp"
                                  << "water"
                                  << "\\water.bmp";
    QTest::newRow("missing file: none, no message") << "text:\\nothere.bmp"
                                                    << "none"
                                                    << "\\nothere.bmp";
    QTest::newRow("reference out of the Pics folder: none") << "text:\\..\\PelmarLevel.txt"
                                                            << "none"
                                                            << "\\..\\PelmarLevel.txt";
}

void TestTileProp::pictureShown() {
    QFETCH(QString, reference);
    QFETCH(QString, picture);
    QFETCH(QString, label);

    // A picture shown before, so that "none" is a change.
    storeGoodTile();
    m_f->form->DisplayTileProp(GoodTile);
    m_f->module->TilePicture(8) = Field(reference);
    m_f->form->DisplayTileProp(8);

    QCOMPARE(describe(window()->CurrentPicture->picture()), picture);
    QCOMPARE(window()->TPicLabel->text(), label);
    QCOMPARE(m_f->messages.count(), 0);
}

void TestTileProp::failureStopsAtItsStep_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("colour");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<int>("failingStep");
    QTest::addColumn<QString>("title");

    QTest::newRow("tile 997: subscript at step 3") << 997 << ""
                                                   << "" << 3 << "9, DisplayTileProp";
    QTest::newRow("tile 301") << 301 << ""
                              << "" << 3 << "9, DisplayTileProp";
    QTest::newRow("tile -1") << -1 << ""
                             << "" << 3 << "9, DisplayTileProp";
    QTest::newRow("colour that is no number") << 6 << "text:red"
                                              << "number:0" << 3 << "13, DisplayTileProp";
    QTest::newRow("colour beyond 32 bits") << 6 << "number:1e10"
                                           << "number:0" << 3 << "6, DisplayTileProp";
    QTest::newRow("reference naming no tile") << 6 << "number:255"
                                              << "number:500" << 12 << "340, DisplayTileProp";
    QTest::newRow("reference beyond an Integer") << 6 << "number:255"
                                                 << "number:40000" << 12 << "6, DisplayTileProp";
    QTest::newRow("file that is no picture") << 6 << "number:255"
                                             << "text:\\notapicture.bmp" << 12 << "481, DisplayTileProp";
}

// The steps before the failing one show the new tile; the boxes of the others keep the tile before.
void TestTileProp::failureStopsAtItsStep() {
    QFETCH(int, index);
    QFETCH(QString, colour);
    QFETCH(QString, reference);
    QFETCH(int, failingStep);
    QFETCH(QString, title);

    QFile junk(m_f->path(QStringLiteral("Pics/notapicture.bmp")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();

    storeGoodTile();
    m_f->form->DisplayTileProp(GoodTile);
    QStringList expected = goodTileShown();

    const QStringList newTile = {QStringLiteral("Tile Properties - Tile %1").arg(index),
                                 QString::number(index),
                                 QStringLiteral("255"),
                                 QStringLiteral("11"),
                                 QStringLiteral("12"),
                                 QStringLiteral("13"),
                                 QStringLiteral("14"),
                                 QStringLiteral("u"),
                                 QStringLiteral("l"),
                                 QStringLiteral("d"),
                                 QStringLiteral("r")};
    if (index >= 0 && index <= 300) {
        Module1& m = *m_f->module;
        m.TileBackColor(index) = Field(colour);
        m.TilePropUp(index) = 11;
        m.TilePropLeft(index) = 12;
        m.TilePropDown(index) = 13;
        m.TilePropRight(index) = 14;
        m.TilePropUpOps(index) = FieldValue::text(QStringLiteral("u"));
        m.TilePropLeftOps(index) = FieldValue::text(QStringLiteral("l"));
        m.TilePropDownOps(index) = FieldValue::text(QStringLiteral("d"));
        m.TilePropRightOps(index) = FieldValue::text(QStringLiteral("r"));
        m.TilePicture(index) = Field(reference);
    }
    for (int step = 1; step < failingStep; ++step)
        expected[step - 1] = newTile[step - 1];

    m_f->form->DisplayTileProp(Integer(index));
    QCOMPARE(shown(), expected);
    QCOMPARE(m_f->titles(), QStringList{title});
    QVERIFY(!m_f->messages.messages().first().text.isEmpty());
}

void TestTileProp::typedTextIsReplacedByNextDisplay() {
    storeGoodTile();
    m_f->form->DisplayTileProp(GoodTile);
    TileProp* w = window();
    for (QLineEdit* box : w->findChildren<QLineEdit*>())
        box->setText(QStringLiteral("typed"));
    w->TPicLabel->setText(QStringLiteral("typed"));

    m_f->form->DisplayTileProp(GoodTile);
    QCOMPARE(shown(), goodTileShown());
    QCOMPARE(m_f->module->TilePropUp(GoodTile), Integer(1));
    QCOMPARE(m_f->module->TilePropUpOps(GoodTile), FieldValue::text(QStringLiteral("abc")));
}

// --- The window's life -----------------------------------------------------------------------------------

void TestTileProp::displayAloneMakesHiddenWindow() {
    QVERIFY(!window());
    QVERIFY(TilePropWindows().isEmpty());
    storeGoodTile();
    m_f->form->DisplayTileProp(GoodTile);
    QCOMPARE(TilePropWindows(), QList<TileProp*>{window()});
    QVERIFY(!window()->isVisible());
    QCOMPARE(shown(), goodTileShown());
}

void TestTileProp::clickInDisplayModeShowsWindow() {
    storeGoodTile();
    QVERIFY(m_f->form->UsePropBox->isChecked());
    ClickTile(*m_f->form, GoodTile);
    TileProp* w = window();
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), w);
    QCOMPARE(w->pos(), QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    QCOMPARE(shown(), goodTileShown());

    // A click on another tile uses the same window.
    ClickTile(*m_f->form, 6);
    QCOMPARE(window(), w);
    QCOMPARE(TilePropWindows().size(), 1);
    QCOMPARE(w->TileIndex->text(), QStringLiteral("6"));
}

// The walk displays without showing: an open window follows it.
void TestTileProp::openWindowFollowsDisplays() {
    ClickTile(*m_f->form, GoodTile);
    TileProp* w = window();
    m_f->module->TilePropDown(9) = 4;
    m_f->form->DisplayTileProp(9);
    QCOMPARE(window(), w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("Tile Properties - Tile 9"));
    QCOMPARE(w->PropDown->text(), QStringLiteral("4"));
}

void TestTileProp::closeBoxDestroysWindow() {
    ClickTile(*m_f->form, GoodTile);
    QPointer<TileProp> w = window();
    QVERIFY(w->close());
    QTRY_VERIFY(w.isNull());
    QVERIFY(!window());
    QVERIFY(TilePropWindows().isEmpty());
}

void TestTileProp::displayAfterCloseKeepsWindowClosed() {
    ClickTile(*m_f->form, GoodTile);
    QPointer<TileProp> first = window();
    first->close();
    QTRY_VERIFY(first.isNull());

    m_f->form->DisplayTileProp(9);
    QVERIFY(window());
    QVERIFY(!window()->isVisible());
    QCOMPARE(window()->TileIndex->text(), QStringLiteral("9"));
}

void TestTileProp::clickAfterCloseOpensNewWindowAtCorner() {
    storeGoodTile();
    ClickTile(*m_f->form, 6);
    QPointer<TileProp> first = window();
    first->move(300, 200);
    first->close();
    QTRY_VERIFY(first.isNull());

    ClickTile(*m_f->form, GoodTile);
    TileProp* second = window();
    QVERIFY(second);
    QVERIFY(second->isVisible());
    QCOMPARE(second->pos(), QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    QCOMPARE(shown(), goodTileShown());
}

void TestTileProp::windowEndsWithMainWindow() {
    ClickTile(*m_f->form, GoodTile);
    QPointer<TileProp> w = window();
    QVERIFY(w);
    m_f->form.reset();
    QVERIFY(w.isNull());
}

QTEST_MAIN(TestTileProp)
#include "tst_tileprop.moc"
