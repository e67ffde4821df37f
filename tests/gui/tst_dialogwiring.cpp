// The main window's F2 and F3: each opens its property dialog modally over the window, on the window's
// level state, and stores what OK stores.

#include "editorfixture.h"
#include "levelprop.h"
#include "modaldialog.h"
#include "screenprop.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace tavrin;

namespace {

// The box each test edits: side link 2, or the level name.
QLineEdit* EditedBox(QDialog* dialog) {
    if (auto* screen = qobject_cast<ScreenProp*>(dialog))
        return screen->SideText(2);
    if (auto* level = qobject_cast<LevelProp*>(dialog))
        return level->LevelNameText;
    return nullptr;
}

} // namespace

class TestDialogWiring : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void shortcutOpensDialog_data();
    void shortcutOpensDialog();
    void okStoresIntoWindowsLevel_data();
    void okStoresIntoWindowsLevel();

private:
    void press(int key) const;

    std::unique_ptr<EditorFixture> m_editor;
};

void TestDialogWiring::init() {
    m_editor = std::make_unique<EditorFixture>();
    m_editor->form->StatusTimer->stop();
    m_editor->form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_editor->form.get()));
}

void TestDialogWiring::cleanup() {
    QCOMPARE(m_editor->quits, 0);
    QCOMPARE(m_editor->messages.count(), 0);
    m_editor.reset();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestDialogWiring::press(int key) const {
    QTest::keyClick(m_editor->form.get(), Qt::Key(key));
}

void TestDialogWiring::shortcutOpensDialog_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("title");

    QTest::newRow("F2, Screen Properties") << int(Qt::Key_F2) << "tavrin::ScreenProp"
                                           << "Screen Properties";
    QTest::newRow("F3, Level Properties") << int(Qt::Key_F3) << "tavrin::LevelProp"
                                          << "Level Properties";
}

void TestDialogWiring::shortcutOpensDialog() {
    QFETCH(int, key);
    QFETCH(QString, className);
    QFETCH(QString, title);

    int openings = 0;
    // A second press after the dialog closed opens it again.
    for (int round = 0; round < 2; ++round) {
        m_editor->form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_editor->form.get()));
        QVERIFY(DriveModalDialog([&] { press(key); },
                                 [&](QDialog* dialog) {
                                     ++openings;
                                     QCOMPARE(QString::fromLatin1(dialog->metaObject()->className()),
                                              className);
                                     QCOMPARE(dialog->windowTitle(), title);
                                     QVERIFY(dialog->isModal());
                                     QCOMPARE(dialog->parentWidget(), m_editor->form.get());
                                     dialog->reject();
                                 }));
        QVERIFY(!QApplication::activeModalWidget());
    }
    QCOMPARE(openings, 2);
}

void TestDialogWiring::okStoresIntoWindowsLevel_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("shown");

    QTest::newRow("F2, side link 2") << int(Qt::Key_F2) << "7";
    QTest::newRow("F3, level name") << int(Qt::Key_F3) << "Pelmar";
}

void TestDialogWiring::okStoresIntoWindowsLevel() {
    QFETCH(int, key);
    QFETCH(QString, shown);

    Module1& module = *m_editor->module;
    module.SideScreen(2) = 7;
    module.LevelName = QStringLiteral("Pelmar");

    QVERIFY(DriveModalDialog([&] { press(key); },
                             [&](QDialog* dialog) {
                                 QLineEdit* box = EditedBox(dialog);
                                 QVERIFY(box);
                                 QCOMPARE(box->text(), shown);
                                 box->setText(QStringLiteral("12"));
                                 dialog->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
                             }));
    if (key == Qt::Key_F2) {
        QCOMPARE(module.SideScreen(2), Integer(12));
        QCOMPARE(module.LevelName, QStringLiteral("Pelmar"));
    } else {
        QCOMPARE(module.LevelName, QStringLiteral("12"));
        QCOMPARE(module.SideScreen(2), Integer(7));
    }
}

QTEST_MAIN(TestDialogWiring)
#include "tst_dialogwiring.moc"
