// View > Scale: the scale kept in the settings for the next start, what is read back, and pictures drawn
// at a scale as sharp squares. The test runs at Qt's scale factor 2, as the editor does at 200 %.

#include "editorfixture.h"
#include "viewscale.h"

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
        QTest::newRow("not a number") << "big" << 100;
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

    // A picture of 2 x 2 pixels in a tile comes out as four 2 x 2 squares of its own colours, none blended.
    void picturesStaySharp() {
        PictureBox box;
        box.setBorder(false);
        box.resize(25, 25);
        QImage picture(2, 2, QImage::Format_RGB32);
        picture.setPixelColor(0, 0, Qt::red);
        picture.setPixelColor(1, 0, Qt::blue);
        picture.setPixelColor(0, 1, Qt::blue);
        picture.setPixelColor(1, 1, Qt::red);
        box.setPicture(picture);
        const QImage shot = box.grab().toImage();
        QCOMPARE(shot.devicePixelRatio(), 2.0);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                QCOMPARE(shot.pixelColor(x, y), picture.pixelColor(x / 2, y / 2));
    }

    void menuKeepsTheChoice() {
        EditorFixture f;
        QVERIFY(f.show());
        f.form->findChild<QAction*>("mnuScale200")->trigger();
        QCOMPARE(SavedScale(f.form->SettingsFile), 200);
        QCOMPARE(f.form->statusBar()->currentMessage(),
                 QString("Scale 200 % applies when the editor starts again"));
        emit f.form->mnuScale->aboutToShow();
        for (QAction* item : f.form->mnuScale->actions())
            QCOMPARE(item->isChecked(), item->objectName() == "mnuScale200");
    }
};

int main(int argc, char* argv[]) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestViewScale test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_viewscale.moc"
