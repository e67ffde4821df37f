// View > Scale: the scale kept in the settings for the next start, what is read back, and scales offered
// only where the window fits on the screen. The test runs
// at Qt's scale factor 2, as the editor does at 200 %, on a screen of 1800 x 1400 pixels.

#include "editorfixture.h"
#include "mainwindow/viewscale.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

class TestViewScale : public QObject {
    Q_OBJECT

private slots:
    void savedScale_data() {
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("scale");
        QTest::newRow("none kept") << QString() << 100;
        QTest::newRow("one of the four") << "150" << 150;
        QTest::newRow("another number") << "175" << 100;
    }
    void savedScale() {
        QFETCH(QString, kept);
        QFETCH(int, scale);
        QTemporaryDir folder;
        const QString file = folder.filePath("settings.ini");
        if (!kept.isNull())
            QSettings(file, QSettings::IniFormat).setValue("View/Scale", kept);
        QCOMPARE(SavedScale(file), scale);
    }

    void scaleTooLarge_data() {
        QTest::addColumn<QSize>("window"); // at the running scale of 200 %
        QTest::addColumn<int>("percent");
        QTest::addColumn<QString>("reason");
        const QString tooLarge = "At %1 % the window would be %2 x %3 pixels, larger than the 1800 x 1400 "
                                 "pixels this screen has room for.";
        QTest::newRow("as it is") << QSize(900, 700) << 200 << QString();
        QTest::newRow("a pixel too wide") << QSize(601, 400) << 300 << tooLarge.arg(300).arg(1803).arg(1200);
        QTest::newRow("a pixel too high") << QSize(600, 468) << 300 << tooLarge.arg(300).arg(1800).arg(1404);
        QTest::newRow("larger than it is") << QSize(901, 700) << 200 << tooLarge.arg(200).arg(1802).arg(1400);
    }
    // Sizes in device pixels: the screen's 900 x 700 device-independent pixels at a ratio of 2.
    void scaleTooLarge() {
        QFETCH(QSize, window);
        QFETCH(int, percent);
        QFETCH(QString, reason);
        QCOMPARE(ScaleTooLarge(window, QSize(900, 700), 200, percent, 2.0), reason);
    }

    // The main window takes 1392 x 1150 pixels or so: 300 % would not fit on this screen.
    void menuOffersWhatFits() {
        EditorFixture f;
        QVERIFY(f.show());
        emit f.control<QMenu>("mnuScale")->aboutToShow();
        QVERIFY(f.control<QMenu>("mnuScale")->toolTipsVisible());
        for (QAction* item : f.control<QMenu>("mnuScale")->actions()) {
            const bool fits = item->objectName() != "mnuScale300";
            QCOMPARE(item->isEnabled(), fits);
        }
        QCOMPARE(RefusedScale(), std::make_pair(0, 0)); // the saved scale is left alone in a test
    }

    void menuKeepsTheChoice() {
        EditorFixture f;
        QVERIFY(f.show());
        f.form->findChild<QAction*>("mnuScale200")->trigger();
        QCOMPARE(SavedScale(f.form->SettingsFile), 200);
        QCOMPARE(f.form->statusBar()->currentMessage(),
                 QString("Scale 200 % applies when the editor starts again"));
        emit f.control<QMenu>("mnuScale")->aboutToShow();
        for (QAction* item : f.control<QMenu>("mnuScale")->actions())
            QCOMPARE(item->isChecked(), item->objectName() == "mnuScale200");
    }
};

int main(int argc, char* argv[]) {
    qputenv("QT_SCALE_FACTOR", "2");
    QTemporaryDir folder;
    QFile config(folder.filePath("screens.json"));
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(R"({"screens": [{"name": "Screen", "x": 0, "y": 0, "width": 1800, "height": 1400,
                         "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") < 0)
        return 1;
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    TestViewScale test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_viewscale.moc"
