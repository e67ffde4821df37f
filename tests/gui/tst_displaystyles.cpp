// The five display-style buttons, each after Test2: tiles 1..300 take the style, keep the colour of the
// fresh screen and lose the text, a missing picture file shows none and a colour that is no number black,
// while the special tiles keep the opposite style they were given. Test2's texts on the grid, and the Test
// command with the starter and the desktop opener replaced by recorders: a row gives the answers of the
// dialog, the player and the opener, and how many of the start and the opening are made; a message comes
// exactly when the opener is needed and fails.

#include "editorfixture.h"
#include "level/core/colour.h"
#include "testtools/testcommand.h"

#include <QtTest>
#include <functional>

class TestDisplayStyles : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorFixture> m_f;
    tavrin::PictureBox* tile(int index) const { return m_f->form->Tile(index); }
    void edit(int index, const std::function<void(tavrin::TileState&)>& change) {
        EditTile(*m_f->document, index, change);
    }
    void click(const QString& n) { QTest::mouseClick(m_f->form->findChild<QWidget*>(n), Qt::LeftButton); }

private slots:
    void init() { m_f = std::make_unique<EditorFixture>(); }
    void cleanup() { m_f.reset(); }

    void styles_data() {
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<bool>("appearance3D");
        QTest::addColumn<bool>("border");
        QTest::newRow("ReDisplay on the start-up screen") << QStringList{"Command6"} << false << true;
        QTest::newRow("3D") << QStringList{"Command4"} << true << true;
        QTest::newRow("Flat") << QStringList{"Command4", "Command5"} << false << true;
        QTest::newRow("or Not") << QStringList{"Command10"} << false << false;
        QTest::newRow("Border") << QStringList{"Command10", "Command9"} << false << true;
    }
    void styles() {
        QFETCH(QStringList, buttons);
        QFETCH(bool, appearance3D);
        QFETCH(bool, border);
        edit(10, [](tavrin::TileState& t) { t.picture = tavrin::FieldValue::text("\\missing.bmp"); });
        edit(13, [](tavrin::TileState& t) { t.colour = tavrin::FieldValue::text("blue"); });
        for (int i : {0, 997, 998, 999}) {
            tile(i)->setAppearance3D(!appearance3D);
            tile(i)->setBorder(!border);
        }
        // Tile(0) painted with a picture: Test2 puts it on every tile, and the fresh screen's tiles, whose
        // empty picture reference counts as 0, show it again once they are drawn.
        m_f->dialog.files << m_f->path("Pics/grass.bmp");
        click("Command8");
        click("UsePicture");
        QTest::mouseClick(tile(0), Qt::LeftButton);
        QVERIFY(!tile(0)->picture().isNull());
        for (const QString& name : QStringList{"Command3"} + buttons)
            click(name);
        for (int i = 1; i <= 300; ++i)
            QVERIFY2(tile(i)->appearance3D() == appearance3D && tile(i)->hasBorder() == border &&
                         tile(i)->backColour() == (i == 13 ? 0 : tavrin::SysWindowBackground) &&
                         tile(i)->printedText().isEmpty() && tile(i)->picture().isNull() == (i == 10),
                     qPrintable(QString::number(i)));
        for (int i : {0, 997, 998, 999})
            QVERIFY2(tile(i)->appearance3D() != appearance3D && tile(i)->hasBorder() != border,
                     qPrintable(QString::number(i)));
        QCOMPARE(m_f->messages.count() + m_f->quits, 0);
    }

    void test2Texts() {
        edit(42, [](tavrin::TileState& t) { t.directions = {3, 1, 2, -1}; }); // left, up, right, down
        click("Command3");
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
        click("Command2");
        const QString line = "C:\\WINDOWS\\rundll32.exe|C:\\WINDOWS\\SYSTEM\\amovie.ocx,RunDll|/play|/close|";
        QCOMPARE(made, QStringList({line + QString(file).replace(' ', '|'), file}).first(calls));
        QCOMPARE(m_f->messages.count() + m_f->quits, answers[2] ? 0 : 1);
    }
};

QTEST_MAIN(TestDisplayStyles)
#include "tst_displaystyles.moc"
