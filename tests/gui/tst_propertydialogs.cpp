// The two property dialogs. Screen Properties through its side boxes: the first opening shows the links
// 2..9; Enter is OK, storing all eight links rounded half to even, negative ones too, or, refusing a box,
// none. Level Properties through its named controls: each row opens it after start-up, edits all seven
// boxes, presses Cancel (nothing stored, the next opening shows the level again), edits again and presses
// OK, which stores all seven or, refusing a box, nothing.
#include "dialogs/levelprop.h"
#include "dialogs/screenprop.h"
#include "editorfixture.h"
#include "level/document/module1.h"
#include "messagecatcher.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

struct Row {
    QString name, typed, shown, stored, code; // code: the failure of a refusal
};
Q_DECLARE_METATYPE(Row)

const QStringList Names{"LevelNameText", "AuthorText", "DateMadeText",  "DescriptionText",
                        "CommentsText",  "StartTile",  "LastScreenText"};
const QStringList StartUp{"", "", "", "", "", "1", "0"};

struct Dialog {
    tavrin::MessageCatcher messages;
    tavrin::LevelProp dialog{tavrin::PropertyValues()}; // the properties of a level as the editor starts
    // The properties as OK took them; as given until then.
    QStringList stored() const {
        const tavrin::PropertyValues& p = dialog.properties();
        return QStringList{p.name, p.author, p.dateMade, p.description, p.comments}
               << QString::number(p.startTile) << QString::number(p.lastScreen);
    }
    QWidget* box(const QString& name) const { return dialog.findChild<QWidget*>(name); }
    QVariant text(const QString& n) const { return box(n)->metaObject()->userProperty().read(box(n)); }
};

class TestPropertyDialogs : public QObject {
    Q_OBJECT
private slots:
    void screenPropStoresLinks_data() {
        QTest::addColumn<QString>("typed"); // links 2..9, separated by blanks
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("code"); // the failure of a refusal
        QTest::newRow("7.5 6.5 -1") << QString("7.5 6.5 -1 -2 6 7 8 9") << QString("8 6 -1 -2 6 7 8 9") << 0;
        QTest::newRow("empty") << QString("1 1  1 1 1 1 1") << QString("2 3 4 5 6 7 8 9") << 13;
        QTest::newRow("40000") << QString("1 1 1 1 1 1 1 40000") << QString("2 3 4 5 6 7 8 9") << 6;
    }
    void screenPropStoresLinks() {
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

    void levelPropEditAndStore_data() {
        QTest::addColumn<Row>("row");
        QTest::newRow("start tile 0") << Row{"StartTile", "0", "1", "1", ""};
        QTest::newRow("start tile 301") << Row{"StartTile", "301", "1", "1", ""};
        QTest::newRow("start tile 300") << Row{"StartTile", "300", "300", "300", ""};
        QTest::newRow("start tile 300, a further 1") << Row{"StartTile", "3001", "1", "1", ""};
        const QString x(300, u'x');
        QTest::newRow("limit 30") << Row{"AuthorText", x.left(31), x.left(30), x.left(30), ""};
        QTest::newRow("limit 300") << Row{"CommentsText", x + 'x', x, x, ""};
        QTest::newRow("2.5") << Row{"StartTile", "2.5", "2.5", "2", ""};
        QTest::newRow("3.5") << Row{"LastScreenText", "3.5", "3.5", "4", ""};
        QTest::newRow("empty") << Row{"StartTile", "", "", "", "13"};
        QTest::newRow("40000") << Row{"LastScreenText", "40000", "40000", "", "6"};
        QTest::newRow("last screen -1") << Row{"LastScreenText", "-1", "-1", "", "380"};
        QTest::newRow("double quote") << Row{"LevelNameText", "a\"b", "a\"b", "", "5"};
    }
    void levelPropEditAndStore() {
        QFETCH(Row, row);
        Dialog d;
        for (const char* button : {"Command2", "Command1"}) {
            d.dialog.show();
            for (int i = 0; i < Names.size(); ++i)
                QCOMPARE(d.text(Names[i]), QVariant(StartUp[i]));
            for (const QString& name : Names) // each box holds its start-up text, the cursor at its end
                QTest::keyClicks(d.box(name), "\b" + (name == row.name ? row.typed : QString("8")));
            QCOMPARE(d.text(row.name), QVariant(row.shown));
            QTest::mouseClick(d.box(button), Qt::LeftButton);
        }
        QStringList ok(Names.size(), "8");
        ok[Names.indexOf(row.name)] = row.stored;
        QCOMPARE(d.stored(), row.code.isEmpty() ? ok : StartUp);
        QCOMPARE(d.messages.count(), row.code.isEmpty() ? 0 : 1);
        QCOMPARE(d.messages.messages().value(0).title.section(',', 0, 0), row.code);
        QCOMPARE(d.dialog.isVisible(), !row.code.isEmpty());
    }

    // A small word beside each box names its side of the grid, inside the dialog and over no other control.
    void screenPropNamesTheSides() {
        tavrin::ScreenProp dialog(tavrin::Screen::freshLinks());
        const QStringList names{"above", "left", "right", "below", "extra", "extra", "extra", "extra"};
        const QList<QWidget*> controls = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (int k = 2; k <= 9; ++k) {
            const QLabel* name = dialog.SideName(k);
            QCOMPARE(name ? name->text() : QString(), names[k - 2]);
            QVERIFY(dialog.rect().adjusted(1, 1, -1, -1).contains(name->geometry())); // not on its edge
            QVERIFY(QFontMetrics(name->font()).horizontalAdvance(name->text()) <= name->width());
            for (const QWidget* other : controls)
                QVERIFY2(other == name || !other->geometry().intersects(name->geometry()),
                         qPrintable(other->objectName() + QString::number(k)));
        }
    }
};

QTEST_MAIN(TestPropertyDialogs)
#include "tst_propertydialogs.moc"
