// From the start of the program to its end: the load step, the status timer, the About window, Exit
// against the close box, and the key preview of the main window.

#include "colour.h"
#include "form1.h"
#include "keypreview.h"
#include "messagecatcher.h"
#include "module1.h"
#include "picturebox.h"
#include "splash.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>
#include <memory>

using namespace tavrin;

namespace {

Splash* OpenSplash() {
    Splash* found = nullptr;
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* splash = qobject_cast<Splash*>(widget)) {
            found = splash;
            ++count;
        }
    }
    return count == 1 ? found : nullptr;
}

bool NoSplash() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<Splash*>(widget))
            return false;
    return true;
}

void Tick(Splash* splash, int times) {
    for (int i = 0; i < times; ++i)
        splash->Timer1_Timer();
}

void WriteFile(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("0,1\r\n");
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadStepSetsDefaults();
    void loadStepPutsMarkerOnStartTile();
    void loadStepLeavesSideLinksAsDesigned();
    void loadStepCentresWindow();
    void statusLineFromFirstTick();
    void statusTimerRunsOnItsOwn();
    void statusLine_data();
    void statusLine();

    void aboutShowsSplash();
    void splashLayout();
    void splashClosesOnFourthTick();
    void secondAboutKeepsCounting();
    void versionLine_data();
    void versionLine();

    void exitLeavesScratchFiles();
    void closeBoxDeletesScratchFiles();

    void keyCodes_data();
    void keyCodes();
    void keyPreviewSeesKeysBeforeFocusedControl_data();
    void keyPreviewSeesKeysBeforeFocusedControl();
    void keyPreviewActsOncePerKey();
    void keyPreviewIgnoresOtherWindows();

private:
    void loadForm();

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<MessageCatcher> m_messages;
    std::unique_ptr<Module1> m_module;
    std::unique_ptr<Form1> m_form;
    int m_quits = 0;
};

void TestStartup::initTestCase() {
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1"));
}

void TestStartup::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_messages = std::make_unique<MessageCatcher>();
    m_module = std::make_unique<Module1>(nullptr, m_folder->path());
    m_form = std::make_unique<Form1>(*m_module);
    m_quits = 0;
    m_form->quitProgram = [this] { ++m_quits; };
}

void TestStartup::cleanup() {
    m_form.reset();
    QCOMPARE(m_messages->count(), 0);
    m_module.reset();
    m_messages.reset();
    m_folder.reset();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestStartup::loadForm() {
    m_form->Form_Load();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestStartup::loadStepSetsDefaults() {
    m_module->SideScreen(4) = 17;
    m_module->WalkerTile = 55;
    m_module->LevelStartTile = 12;
    m_form->Form_Load();

    QCOMPARE(QDir::current().canonicalPath(), QDir(m_folder->path()).canonicalPath());
    for (int k = 2; k <= 9; ++k)
        QCOMPARE(m_module->SideScreen(k), Integer(k));
    for (int tile : {1, 150, 300}) {
        QCOMPARE(m_module->TilePropLeftOps(tile), FieldValue::number(1));
        QCOMPARE(m_module->TilePropUpOps(tile), FieldValue::number(1));
        QCOMPARE(m_module->TilePropRightOps(tile), FieldValue::number(1));
        QCOMPARE(m_module->TilePropDownOps(tile), FieldValue::number(1));
    }
    QCOMPARE(m_module->LevelStartTile, Integer(1));
    QCOMPARE(m_module->WalkerTile, Integer(1));
    QCOMPARE(m_module->CurrentScreen, Integer(0));
    QVERIFY(m_form->StatusTimer->isActive());
    QCOMPARE(m_form->StatusTimer->interval(), 100);
}

void TestStartup::loadStepPutsMarkerOnStartTile() {
    const QImage marker = m_form->Tile(999)->picture();
    QVERIFY(!marker.isNull());
    m_form->Form_Load();

    QCOMPARE(m_form->Tile(1)->picture(), marker);
    // Tile(998) keeps the look tile 1 had before the marker came: window colour, no picture.
    QCOMPARE(m_form->Tile(998)->backColour(), SysWindowBackground);
    QVERIFY(m_form->Tile(998)->picture().isNull());
    QVERIFY(m_form->Tile(2)->picture().isNull());
    QCOMPARE(m_form->Tile(999)->picture(), marker);
    QVERIFY(m_form->Tile(999)->isHidden());
}

void TestStartup::loadStepLeavesSideLinksAsDesigned() {
    m_form->Form_Load();
    for (int k = 2; k <= 5; ++k)
        QCOMPARE(m_form->SideText(k)->text(), QStringLiteral("Text1"));
    QCOMPARE(m_form->ScreenToGoTo->text(), QStringLiteral("1"));
}

void TestStartup::loadStepCentresWindow() {
    m_form->move(0, 0);
    m_form->Form_Load();
    const QRect screen = m_form->screen()->geometry();
    const QRect frame = m_form->frameGeometry();
    QVERIFY(qAbs(frame.left() - screen.left() - (screen.width() - frame.width()) / 2.0) <= 1);
    QVERIFY(qAbs(frame.top() - screen.top() - (screen.height() - frame.height()) / 2.0) <= 1);
}

void TestStartup::statusLineFromFirstTick() {
    loadForm();
    m_form->StatusTimer->stop();
    QCOMPARE(m_form->TimeRunning->text(), QStringLiteral("0"));

    m_form->StatusTimer_Timer();
    QCOMPARE(m_form->Label2->text(), QStringLiteral("1, 0, 0, 0, 0"));
    QCOMPARE(m_form->TimeRunning->text(), QStringLiteral("1"));
    m_form->StatusTimer_Timer();
    QCOMPARE(m_form->TimeRunning->text(), QStringLiteral("2"));
    for (int i = 0; i < 98; ++i)
        m_form->StatusTimer_Timer();
    QCOMPARE(m_form->TimeRunning->text(), QStringLiteral("100"));
}

void TestStartup::statusTimerRunsOnItsOwn() {
    loadForm();
    QTRY_VERIFY_WITH_TIMEOUT(m_form->TimeRunning->text().toInt() >= 3, 3000);
    QCOMPARE(m_form->Label2->text(), QStringLiteral("1, 0, 0, 0, 0"));
}

void TestStartup::statusLine_data() {
    QTest::addColumn<int>("walker");
    QTest::addColumn<QList<int>>("properties"); // left, up, right, down of the walker's tile
    QTest::addColumn<QString>("expected");

    QTest::newRow("start tile") << 1 << QList<int>{0, 0, 0, 0} << "1, 0, 0, 0, 0";
    QTest::newRow("order left, up, right, down") << 42 << QList<int>{1, 2, 3, 9} << "42, 1, 2, 3, 9";
    QTest::newRow("negative property")
        << 300 << QList<int>{-5, 0, 32767, -32768} << "300, -5, 0, 32767, -32768";
    QTest::newRow("tile 0 is in the arrays") << 0 << QList<int>{4, 0, 0, 0} << "0, 4, 0, 0, 0";
    QTest::newRow("built-in picture tile alone") << 997 << QList<int>() << "997";
    QTest::newRow("marker tile alone") << 999 << QList<int>() << "999";
    QTest::newRow("just past the grid") << 301 << QList<int>() << "301";
    QTest::newRow("below 0") << -1 << QList<int>() << "-1";
}

void TestStartup::statusLine() {
    QFETCH(int, walker);
    QFETCH(QList<int>, properties);
    QFETCH(QString, expected);

    m_form->Form_Load();
    m_form->StatusTimer->stop();
    m_module->WalkerTile = Integer(walker);
    if (!properties.isEmpty()) {
        m_module->TilePropLeft(walker) = Integer(properties.at(0));
        m_module->TilePropUp(walker) = Integer(properties.at(1));
        m_module->TilePropRight(walker) = Integer(properties.at(2));
        m_module->TilePropDown(walker) = Integer(properties.at(3));
    }
    m_form->StatusTimer_Timer();
    QCOMPARE(m_form->Label2->text(), expected);
    QCOMPARE(m_form->TimeRunning->text(), QStringLiteral("1"));
}

void TestStartup::aboutShowsSplash() {
    loadForm();
    QVERIFY(NoSplash());
    m_form->mnuAbout->trigger();
    Splash* splash = OpenSplash();
    QVERIFY(splash);
    QVERIFY(splash->isVisible());
    QVERIFY(!splash->parentWidget());
    QCOMPARE(splash->Label2->text(), QStringLiteral("Version: 1.0.1"));
    QCOMPARE(splash->Label3->text(), QStringLiteral("0"));
    auto* timer = splash->findChild<QTimer*>(QStringLiteral("Timer1"));
    QCOMPARE(timer, splash->Timer1);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    // Modeless: the main window goes on taking input.
    QVERIFY(!splash->isModal());
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(m_form->isVisible());
}

void TestStartup::splashLayout() {
    Splash splash(m_form.get());
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash.windowType(), Qt::SplashScreen);
    QCOMPARE(splash.size(), QSize(570, 260));

    QCOMPARE(splash.Picture1->objectName(), QStringLiteral("Picture1"));
    QCOMPARE(splash.Picture1->geometry(), QRect(0, 0, 577, 217));
    QCOMPARE(splash.Picture1->backColour(), Rgb(0, 0, 128));
    QVERIFY(splash.Picture1->picture().isNull());

    QCOMPARE(splash.Label2->objectName(), QStringLiteral("Label2"));
    QCOMPARE(splash.Label2->geometry(), QRect(8, 232, 177, 17));
    QCOMPARE(splash.Label2->font().family(), QStringLiteral("Times New Roman"));
    QCOMPARE(splash.Label2->font().pointSizeF(), 9.75);
    QCOMPARE(splash.Label3->objectName(), QStringLiteral("Label3"));
    QCOMPARE(splash.Label3->geometry(), QRect(64, 264, 33, 25));
    QVERIFY(splash.Label3->isHidden());

    int descriptive = 0;
    for (QLabel* label : splash.findChildren<QLabel*>()) {
        if (label == splash.Label2 || label == splash.Label3)
            continue;
        ++descriptive;
        QVERIFY(!label->text().isEmpty());
        QVERIFY(!label->isHidden());
        QVERIFY(label->y() >= 3240 / 15 && label->y() <= 3600 / 15);
        QVERIFY(label->geometry().bottom() < 260);
    }
    QCOMPARE(descriptive, 3);

    const QRect screen = splash.screen()->geometry();
    QVERIFY(qAbs(splash.x() - screen.left() - (screen.width() - 570) / 2.0) <= 1);
    QVERIFY(qAbs(splash.y() - screen.top() - (screen.height() - 260) / 2.0) <= 1);
}

void TestStartup::splashClosesOnFourthTick() {
    loadForm();
    m_form->mnuAbout->trigger();
    QPointer<Splash> splash = OpenSplash();
    QVERIFY(splash);

    Tick(splash, 3);
    QCOMPARE(splash->Label3->text(), QStringLiteral("3"));
    QVERIFY(splash->isVisible());

    m_form->hide();
    Tick(splash, 1);
    QTRY_VERIFY(splash.isNull());
    QVERIFY(m_form->isVisible());

    // The next About starts counting from 0 again.
    m_form->mnuAbout->trigger();
    splash = OpenSplash();
    QVERIFY(splash);
    QCOMPARE(splash->Label3->text(), QStringLiteral("0"));
}

void TestStartup::secondAboutKeepsCounting() {
    loadForm();
    m_form->mnuAbout->trigger();
    QPointer<Splash> first = OpenSplash();
    QVERIFY(first);
    Tick(first, 2);

    m_form->mnuAbout->trigger();
    QCOMPARE(OpenSplash(), first.data());
    QCOMPARE(first->Label3->text(), QStringLiteral("2"));
    QVERIFY(first->Timer1->isActive());

    Tick(first, 2);
    QTRY_VERIFY(first.isNull());
    QTRY_VERIFY(NoSplash());
}

void TestStartup::versionLine_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("expected");

    QTest::newRow("this release") << "1.0.1"
                                  << "Version: 1.0.1";
    QTest::newRow("leading zeros dropped") << "2.03.010"
                                           << "Version: 2.3.10";
    QTest::newRow("missing parts are 0") << "3"
                                         << "Version: 3.0.0";
}

void TestStartup::versionLine() {
    QFETCH(QString, version);
    QFETCH(QString, expected);

    QCoreApplication::setApplicationVersion(version);
    const QString line = Splash::VersionLine();
    Splash splash(m_form.get());
    const QString shown = splash.Label2->text();
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    QCOMPARE(line, expected);
    QCOMPARE(shown, expected);
}

void TestStartup::exitLeavesScratchFiles() {
    const QStringList scratch = {QStringLiteral("Screen0.tmp"), QStringLiteral("Screen3.tmp")};
    for (const QString& name : scratch)
        WriteFile(m_folder->filePath(name));
    loadForm();

    m_form->mnuExit->trigger();
    QCOMPARE(m_quits, 1);
    for (const QString& name : scratch)
        QVERIFY(QFile::exists(m_folder->filePath(name)));

    // The program has ended; a window closing on the way out does not clean up either.
    m_form->close();
    for (const QString& name : scratch)
        QVERIFY(QFile::exists(m_folder->filePath(name)));
}

void TestStartup::closeBoxDeletesScratchFiles() {
    const QStringList scratch = {QStringLiteral("Screen0.tmp"), QStringLiteral("Screen3.tmp"),
                                 QStringLiteral("Screen12.tmp")};
    for (const QString& name : scratch)
        WriteFile(m_folder->filePath(name));
    WriteFile(m_folder->filePath(QStringLiteral("PelmarLevel.txt")));
    loadForm();

    QVERIFY(m_form->close());
    QCOMPARE(m_quits, 1);
    for (const QString& name : scratch)
        QVERIFY2(!QFile::exists(m_folder->filePath(name)), qPrintable(name));
    QVERIFY(QFile::exists(m_folder->filePath(QStringLiteral("PelmarLevel.txt"))));
}

void TestStartup::keyCodes_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("code");

    QTest::newRow("left") << int(Qt::Key_Left) << 0 << 37;
    QTest::newRow("up") << int(Qt::Key_Up) << 0 << 38;
    QTest::newRow("right") << int(Qt::Key_Right) << 0 << 39;
    QTest::newRow("down") << int(Qt::Key_Down) << 0 << 40;
    QTest::newRow("A") << int(Qt::Key_A) << 0 << 65;
    QTest::newRow("Z") << int(Qt::Key_Z) << 0 << 90;
    QTest::newRow("digit 0") << int(Qt::Key_0) << 0 << 48;
    QTest::newRow("keypad 5") << int(Qt::Key_5) << int(Qt::KeypadModifier) << 101;
    QTest::newRow("F1") << int(Qt::Key_F1) << 0 << 112;
    QTest::newRow("F12") << int(Qt::Key_F12) << 0 << 123;
    QTest::newRow("return") << int(Qt::Key_Return) << 0 << 13;
    QTest::newRow("escape") << int(Qt::Key_Escape) << 0 << 27;
    QTest::newRow("space") << int(Qt::Key_Space) << 0 << 32;
    QTest::newRow("unknown key") << int(Qt::Key_MediaPlay) << 0 << 0;
}

void TestStartup::keyCodes() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, code);
    QCOMPARE(WindowsKeyCode(key, Qt::KeyboardModifiers(modifiers)), code);
}

void TestStartup::keyPreviewSeesKeysBeforeFocusedControl_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("shift");
    QTest::addColumn<QString>("textAfter");

    // The text box holds "12" with the cursor at its end.
    QTest::newRow("up, ignored by the text box") << int(Qt::Key_Up) << 0 << 38 << 0 << "12";
    QTest::newRow("left, used by the text box too") << int(Qt::Key_Left) << 0 << 37 << 0 << "12";
    QTest::newRow("shift with down") << int(Qt::Key_Down) << int(Qt::ShiftModifier) << 40 << 1 << "12";
    QTest::newRow("letter typed on") << int(Qt::Key_A) << 0 << 65 << 0 << "12a";
    QTest::newRow("backspace still edits") << int(Qt::Key_Backspace) << 0 << 8 << 0 << "1";
}

void TestStartup::keyPreviewSeesKeysBeforeFocusedControl() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, code);
    QFETCH(int, shift);
    QFETCH(QString, textAfter);

    QWidget window;
    auto* box = new QLineEdit(QStringLiteral("12"), &window);
    QString textWhenSeen = QStringLiteral("not seen");
    QList<QPair<int, int>> seen;
    new KeyPreview(&window, [&](int keyCode, int shiftState) {
        const bool modifierKey = keyCode == 16 || keyCode == 17 || keyCode == 18;
        if (modifierKey)
            return; // Shift itself goes down before the arrow, as on a real keyboard
        seen.append({keyCode, shiftState});
        textWhenSeen = box->text();
    });
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    box->setFocus();
    box->end(false);

    QTest::keyClick(box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(seen, (QList<QPair<int, int>>{{code, shift}}));
    QCOMPARE(textWhenSeen, QStringLiteral("12"));
    QCOMPARE(box->text(), textAfter);
}

void TestStartup::keyPreviewActsOncePerKey() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* inner = new QWidget(&window);
    layout->addWidget(inner);
    auto* box = new QLineEdit(inner);
    QList<int> seen;
    new KeyPreview(&window, [&](int keyCode, int) { seen.append(keyCode); });
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    box->setFocus();

    // Up travels from the text box through its parents to the window: still one key.
    QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(seen, QList<int>{38});
    // A second key to the window itself right after is a key of its own.
    QTest::keyClick(&window, Qt::Key_Up);
    QCOMPARE(seen, (QList<int>{38, 38}));
    QTest::keyClick(inner, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(seen, (QList<int>{38, 38, 40, 40}));
    // Held down: every repeat counts.
    QTest::keyPress(box, Qt::Key_Right);
    QTest::keyPress(box, Qt::Key_Right);
    QTest::keyRelease(box, Qt::Key_Right);
    QCOMPARE(seen, (QList<int>{38, 38, 40, 40, 39, 39}));
}

void TestStartup::keyPreviewIgnoresOtherWindows() {
    QWidget window;
    QWidget other;
    auto* otherBox = new QLineEdit(&other);
    int seen = 0;
    new KeyPreview(&window, [&](int, int) { ++seen; });
    window.show();
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));

    QTest::keyClick(otherBox, Qt::Key_Up);
    QTest::keyClick(&other, Qt::Key_Left);
    QCOMPARE(seen, 0);
    QTest::keyClick(&window, Qt::Key_Left);
    QCOMPARE(seen, 1);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
