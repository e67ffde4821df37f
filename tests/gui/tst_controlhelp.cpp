// The help the editor gives about itself: a tooltip on every control a user can point at in the main
// window, the tile property window and the two property dialogs; the Keyboard Shortcuts table, which names
// each menu shortcut once; and Esc in each of the editor's own windows.

#include "dialogs/levelprop.h"
#include "dialogs/screenprop.h"
#include "editorfixture.h"
#include "mainwindow/controlhelp.h"
#include "mainwindow/picturebox.h"
#include "mainwindow/tileprop.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

namespace {

bool CanBePointedAt(const QWidget* control) {
    return qobject_cast<const QAbstractButton*>(control) || qobject_cast<const QLineEdit*>(control) ||
           qobject_cast<const QTextEdit*>(control) || qobject_cast<const QPlainTextEdit*>(control) ||
           qobject_cast<const PictureBox*>(control) || qobject_cast<const QLabel*>(control);
}

// The visible controls inside `area` of `window` without a tooltip, by name and index.
QStringList Unexplained(const QWidget* window, const QWidget* area) {
    QStringList names;
    for (const QWidget* control : area->findChildren<QWidget*>()) {
        if (!CanBePointedAt(control) || !control->isVisibleTo(window) ||
            !control->toolTip().trimmed().isEmpty())
            continue;
        const QVariant index = control->property("index");
        names << control->objectName() + (index.isValid() ? QStringLiteral("(%1)").arg(index.toInt()) : "");
    }
    return names;
}

} // namespace

class TestControlHelp : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorFixture> m_f;

private slots:
    void init() { m_f = std::make_unique<EditorFixture>(); }
    void cleanup() { m_f.reset(); }

    void everyControlHasATooltip_data() {
        QTest::addColumn<QString>("window");
        QTest::newRow("main window") << "main";
        QTest::newRow("tile property window") << "tile";
        QTest::newRow("Level Properties") << "level";
        QTest::newRow("Screen Properties") << "screen";
    }
    void everyControlHasATooltip() {
        QFETCH(QString, window);
        Form1& form = *m_f->form;
        QStringList unexplained;
        if (window == "main") {
            ExplainMainWindow(form);
            unexplained = Unexplained(&form, form.centralWidget());
        } else if (window == "tile") {
            form.DisplayTileProp(1); // the window the program makes, hidden
            QVERIFY(form.TilePropWindow());
            unexplained = Unexplained(form.TilePropWindow(), form.TilePropWindow());
        } else if (window == "level") {
            LevelProp dialog(m_f->module->Properties(), &form);
            unexplained = Unexplained(&dialog, &dialog);
        } else {
            ScreenProp dialog(m_f->document->links(), &form);
            unexplained = Unexplained(&dialog, &dialog);
        }
        QVERIFY2(unexplained.isEmpty(), qPrintable(unexplained.join(QStringLiteral(", "))));
    }

    void escapeClosesTheWindow_data() {
        QTest::addColumn<QString>("item"); // the menu item that opens the window
        QTest::addColumn<QString>("name");
        const auto row = [](const char* tag, const char* item, const char* name) {
            QTest::newRow(tag) << QString(item) << QString(name);
        };
        row("Keyboard Shortcuts", "mnuShortcuts", "KeyboardShortcuts");
        row("Level File Format", "mnuFileFormat", "LevelFileFormat");
        row("Check Level", "mnuCheckLevel", "CheckLevel");
        row("World Overview", "mnuWorldOverview", "WorldOverview");
        row("Pictures", "mnuPictures", "Pictures");
        row("tile property window", "", "TileProp");
    }
    // Each window opens without blocking the main window, once however often it is asked for; Esc closes
    // the window it is pressed in, and only that one; asked for again, it opens again.
    void escapeClosesTheWindow() {
        QFETCH(QString, item);
        QFETCH(QString, name);
        QVERIFY(m_f->show());
        const auto open = [&]() -> QWidget* {
            if (item.isEmpty()) { // a click on a tile with Use Tile Property Box checked, as at the start
                m_f->form->Tile_Click(5);
                return m_f->form->TilePropWindow();
            }
            m_f->form->findChild<QAction*>(item)->trigger();
            return m_f->form->findChild<QWidget*>(name);
        };
        QPointer<QWidget> window = open();
        QVERIFY(window && window->isVisible() && window->isWindow());
        QCOMPARE(window->windowModality(), Qt::NonModal);
        QCOMPARE(open(), window.data());
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window->focusWidget() ? window->focusWidget() : window.data(), Qt::Key_Escape);
        QTRY_VERIFY(!window || !window->isVisible());
        QVERIFY(m_f->form->isVisible());
        QVERIFY(open()->isVisible());
    }

    // The table holds the rows, read only; each names a menu item without its access key, and each key
    // is named once.
    void keyboardShortcutsTableHoldsTheRows() {
        ShowKeyboardShortcuts(m_f->form.get());
        auto* table = m_f->form->findChild<QTableWidget*>();
        QVERIFY(table);
        const QList<ShortcutRow> rows = ShortcutRows(m_f->form->menuBar());
        QCOMPARE(table->rowCount(), rows.size());
        QStringList keys;
        for (int row = 0; row < rows.size(); ++row) {
            QCOMPARE(table->item(row, 0)->text(), rows[row].keys);
            QCOMPARE(table->item(row, 1)->text(), rows[row].what);
            QVERIFY2(!rows[row].what.isEmpty() && !rows[row].what.contains(u'&'), qPrintable(rows[row].what));
            keys << rows[row].keys.split(QStringLiteral("; "));
        }
        QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
    }
};

QTEST_MAIN(TestControlHelp)
#include "tst_controlhelp.moc"
