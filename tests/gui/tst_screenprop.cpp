// The Screen Properties dialog through its side boxes: the first opening shows the links 2..9; Enter is
// OK, storing all eight links rounded half to even, negative ones too, or, refusing a box, none.

#include "messagecatcher.h"
#include "module1.h"
#include "screenprop.h"

#include <QLineEdit>
#include <QtTest>

class TestScreenProp : public QObject {
    Q_OBJECT
private slots:
    void enterStoresLinks_data() {
        QTest::addColumn<QString>("typed"); // links 2..9, separated by blanks
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("code"); // the failure of a refusal
        QTest::newRow("7.5 6.5 -1") << QString("7.5 6.5 -1 -2 6 7 8 9") << QString("8 6 -1 -2 6 7 8 9") << 0;
        QTest::newRow("empty") << QString("1 1  1 1 1 1 1") << QString("2 3 4 5 6 7 8 9") << 13;
        QTest::newRow("letters") << QString("1 1 1 up 1 1 1 1") << QString("2 3 4 5 6 7 8 9") << 13;
        QTest::newRow("40000") << QString("1 1 1 1 1 1 1 40000") << QString("2 3 4 5 6 7 8 9") << 6;
    }
    void enterStoresLinks() {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(int, code);
        tavrin::MessageCatcher messages;
        tavrin::ScreenProp dialog(tavrin::Screen::freshLinks());
        dialog.show();
        for (int k = 2; k <= 9; ++k) {
            QCOMPARE(dialog.SideText(k)->text(), QString::number(k));
            QTest::keyClick(dialog.SideText(k), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(dialog.SideText(k), "\b" + typed.split(' ')[k - 2]);
        }
        QTest::keyClick(dialog.SideText(2), Qt::Key_Return);
        for (int k = 2; k <= 9; ++k)
            QCOMPARE(QString::number(dialog.links()[size_t(k)]), stored.split(' ')[k - 2]);
        QCOMPARE(messages.count(), code ? 1 : 0);
        QCOMPARE(messages.messages().value(0).title.section(',', 0, 0).toInt(), code);
        QCOMPARE(dialog.isVisible(), code != 0);
    }
};

QTEST_MAIN(TestScreenProp)
#include "tst_screenprop.moc"
