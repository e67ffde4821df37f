// Test2's texts on the grid, and the Test command with the starter and the desktop opener replaced by
// recorders: a row gives the answers of the dialog, the player and the opener, and how many of the start
// and the opening are made; a message comes exactly when the opener is needed and fails.

#include "editorfixture.h"
#include "testcommand.h"

#include <QtTest>

class TestTestTools : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorFixture> m_f;

private slots:
    void init() { m_f = std::make_unique<EditorFixture>(); }
    void cleanup() { m_f.reset(); }

    void test2Texts() {
        tavrin::TileState tile = m_f->document->tile(42);
        tile.directions = {3, 1, 2, -1}; // left, up, right, down
        m_f->document->editTile(42, tile);
        QTest::mouseClick(m_f->form->findChild<QWidget*>("Command3"), Qt::LeftButton);
        QCOMPARE(m_f->form->Tile(42)->printedText(), "1,2\r3,-1");
        QCOMPARE(m_f->form->Tile(300)->printedText(), "0,0\r0,0");
    }

    void testCommand_data() {
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<int>("calls");
        QTest::newRow("played, the path split at its blanks") << QList<bool>{true, true, true} << 1;
        QTest::newRow("cancel ends silently") << QList<bool>{false, true, true} << 0;
        QTest::newRow("no player: the desktop opens it") << QList<bool>{true, false, true} << 2;
        QTest::newRow("both fail: one message") << QList<bool>{true, false, false} << 2;
    }
    void testCommand() {
        QFETCH(QList<bool>, answers);
        QFETCH(int, calls);
        const QString file = m_f->path("my first tune.wav");
        QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        m_f->dialog.files = {answers[0] ? std::optional(file) : std::nullopt};
        QStringList made;
        m_f->form->testCommand().startDetached = [&](const QString& program, const QStringList& arguments) {
            made << (QStringList{program} + arguments).join('|');
            return answers[1];
        };
        m_f->form->testCommand().openWithDesktop = [&](const QString& f) {
            made << f;
            return answers[2];
        };
        QTest::mouseClick(m_f->form->findChild<QWidget*>("Command2"), Qt::LeftButton);
        const QString line = "C:\\WINDOWS\\rundll32.exe|C:\\WINDOWS\\SYSTEM\\amovie.ocx,RunDll|/play|/close|";
        QCOMPARE(made, QStringList({line + QString(file).replace(' ', '|'), file}).first(calls));
        QCOMPARE(m_f->messages.count() + m_f->quits, answers[2] ? 0 : 1);
    }
};

QTEST_MAIN(TestTestTools)
#include "tst_testtools.moc"
