// The status bar: the screen on display against the last screen, the warning above it, the tile under the
// mouse pointer, the level's name and the confirmations of Save Level and Load Level; and a save that
// leaves the user where he was.

#include "editorfixture.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

class TestStatusBar : public QObject, EditorAccess {
    Q_OBJECT
    QLabel* label(const char* name) {
        return form().statusBar()->findChild<QLabel*>(QString::fromLatin1(name));
    }
    void hover(int tile) {
        QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
        QCoreApplication::sendEvent(form().Tile(tile), &enter);
    }

private slots:
    void init() { QVERIFY((m_f = std::make_unique<EditorFixture>())->show()); }
    void cleanup() { m_f.reset(); }

    void screenAgainstTheLastScreen_data() {
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("beyond");
        QTest::newRow("the last screen") << 5 << "5"
                                         << "Screen 5 of 0-5" << false;
        QTest::newRow("above it") << 5 << "6"
                                  << "Screen 6 of 0-5" << true;
    }
    void screenAgainstTheLastScreen() {
        QFETCH(int, last);
        QFETCH(QString, screen);
        QFETCH(QString, text);
        QFETCH(bool, beyond);
        SetLastScreen(*m_f->document, last);
        m_f->goTo(screen);
        QCOMPARE(label("StatusScreen")->text(), text);
        QCOMPARE(label("StatusBeyond")->isVisible(), beyond);
    }

    void tileUnderThePointer() {
        EditLink(*m_f->document, 3, 12);
        TileState tile = m_f->document->tile(21);
        tile.directions = {3, 1, 0, 7};
        tile.operands[0] = FieldValue::text("40");
        tile.operands[3] = FieldValue::text("x");
        m_f->document->editTile(21, tile);
        hover(21);
        QCOMPARE(label("StatusTile")->text(),
                 QString("Tile 21: left exit 3 to screen 12, tile 40, up blocked, right free, down exit 7 "
                         "to screen 7, tile none"));
    }

    void levelNameAndConfirmations() {
        PropertyValues caverns = m_f->module->Properties();
        caverns.name = "Caverns";
        caverns.lastScreen = 2;
        m_f->document->editProperties(caverns);
        m_f->goTo("1");
        m_f->paint(5, 255);
        QVERIFY(!m_f->saveAs("caverns.txt").isEmpty());
        QCOMPARE(form().statusBar()->currentMessage(), QString("Saved caverns.txt (3 screens)"));
        QCOMPARE(label("StatusLevel")->text(), QString("Caverns"));
        // The save leaves the user on the screen he was editing (tst_levelfile).
        QCOMPARE(label("StatusScreen")->text(), QString("Screen 1 of 0-2"));
        m_f->dialog.files << m_f->path("caverns.txt");
        form().mnuLoad_Click();
        QCOMPARE(form().statusBar()->currentMessage(), QString("Loaded caverns.txt"));
    }
};

QTEST_MAIN(TestStatusBar)
#include "tst_statusbar.moc"
