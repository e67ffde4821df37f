// View > Scale: the scale kept in the settings for the next start, and what is read back.

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

QTEST_MAIN(TestViewScale)
#include "tst_viewscale.moc"
