// From the start of the program to its end: the load step, the status line, the About window, and Exit
// against the close box.
#include "editorfixture.h"
#include "mainwindow/splash.h"

#include <QLabel>
#include <QtTest>

static QWidgetList Splashes() {
    QWidgetList all = QApplication::topLevelWidgets();
    all.removeIf([](QWidget* w) { return !qobject_cast<tavrin::Splash*>(w); });
    return all;
}

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void loadStep() {
        EditorFixture f;
        QCOMPARE(QDir::current().canonicalPath(), QDir(f.folder.path()).canonicalPath());
        for (int k = 2; k <= 9; ++k)
            QCOMPARE(f.module->SideScreen(k), tavrin::Integer(k));
        QCOMPARE(f.module->TilePropDownOps(300), tavrin::FieldValue::number(1));
        QCOMPARE(f.module->WalkerTile(), tavrin::Integer(1));
        QCOMPARE(f.form->Tile(1)->picture(), f.form->Tile(999)->picture());
        QTRY_COMPARE(f.control<QLabel>("Label2")->text(),
                     QStringLiteral("1, 0, 0, 0, 0")); // the timer runs on its own
    }
    void statusLine() {
        EditorFixture f;
        // The walker stands on the start tile of the level loaded, 42: left, up, right, down.
        QVERIFY(WriteFile(f.path("start.txt"), NumberedLevel(1, {}, "\"\",\"\",\"\",\"\",\"\",42,0")));
        f.dialog.files << f.path("start.txt");
        f.form->mnuLoad_Click();
        EditTile(*f.document, 42, [&](tavrin::TileState& t) { t.directions = {-5, 2, 32767, 0}; });
        f.form->StatusTimer_Timer(); // the first tick
        QCOMPARE(f.control<QLabel>("Label2")->text(), QStringLiteral("42, -5, 2, 32767, 0"));
        QCOMPARE(f.control<QLabel>("TimeRunning")->text(), QStringLiteral("1"));
    }
    void splashFourTicksAndSecondAbout() {
        EditorFixture f;
        f.control("mnuAbout")->trigger();
        QPointer<tavrin::Splash> splash = qobject_cast<tavrin::Splash*>(Splashes().value(0));
        QVERIFY(splash && !splash->isModal());
        splash->Timer1_Timer();
        splash->Timer1_Timer();
        f.control("mnuAbout")->trigger(); // brings the same window forward, the count goes on
        QCOMPARE(Splashes(), QWidgetList{splash});
        splash->Timer1_Timer();
        QVERIFY(splash->isVisible());
        splash->Timer1_Timer();
        QTRY_VERIFY(splash.isNull());
    }
    void exitAgainstCloseBox_data() {
        QTest::addColumn<bool>("exit");
        QTest::newRow("Exit deletes the scratch files") << true;
        QTest::newRow("the close box deletes them") << false;
    }
    void exitAgainstCloseBox() {
        QFETCH(bool, exit);
        EditorFixture f;
        QVERIFY(QFile(f.path("Screen12.tmp")).open(QIODevice::WriteOnly)); // found, not written here
        f.document->changeScreen(1);
        if (exit)
            f.control("mnuExit")->trigger();
        f.form->close(); // after Exit, the window closing on the way out asks nothing more
        QCOMPARE(f.quits, 1);
        QVERIFY(!QFile::exists(f.path("Screen0.tmp")));
        // Only the editor's own scratch files go.
        QVERIFY(QFile::exists(f.path("Screen12.tmp")) && QFile::exists(f.path("PelmarLevel.txt")));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
