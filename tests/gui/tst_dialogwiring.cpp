// The main window's F2 and F3: each opens its property dialog modally over the window.
#include "editorfixture.h"

#include <QtTest>

class TestDialogWiring : public QObject {
    Q_OBJECT
private slots:
    void f2AndF3OpenTheirDialogs() {
        for (Qt::Key key : {Qt::Key_F2, Qt::Key_F3}) {
            EditorFixture f;
            QVERIFY(f.show());
            const auto press = [&] { QTest::keyClick(f.form.get(), key); };
            QVERIFY(DriveModalDialog(press, [&](QDialog* dialog) {
                QCOMPARE(dialog->windowTitle(), key == Qt::Key_F2 ? "Screen Properties" : "Level Properties");
                dialog->reject();
            }));
        }
    }
};

QTEST_MAIN(TestDialogWiring)
#include "tst_dialogwiring.moc"
