// File, Compare With...: the level as it is edited against a level file, edits not saved yet included; a
// double click on a change shows its screen and tile.
#include "comparewindow.h"
#include "editorfixture.h"
#include "levelfixture.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

class TestCompareWith : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorFixture> m_f;

private slots:
    void init() { m_f = std::make_unique<EditorFixture>(); }
    void cleanup() { m_f.reset(); }

    void unsavedEditListedAndShown() {
        QVERIFY(WriteFile(m_f->path("level.txt"), NumberedLevel(3)));
        m_f->document->loadLevel(m_f->path("level.txt"), QStringLiteral("test"));
        m_f->document->changeScreen(2);
        TileState tile = m_f->document->tile(45);
        tile.colour = FieldValue::number(255);
        m_f->document->editTile(45, tile);
        m_f->document->changeScreen(0);

        m_f->dialog.files << m_f->path("level.txt");
        m_f->form->mnuCompare->trigger();
        auto* window = m_f->form->findChild<CompareWindow*>();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->ChangeList->topLevelItemCount(), 1);
        QTreeWidgetItem* row = window->ChangeList->topLevelItem(0);
        QCOMPARE(row->text(CompareWindow::ChangeColumn), "screen 2 tile 45: colour 255 -> 2045");
        emit window->ChangeList->itemActivated(row, 0);
        QCOMPARE(m_f->module->CurrentScreen, Integer(2));
        QVERIFY(!m_f->document->isModified() || m_f->module->LevelFileName == m_f->path("level.txt"));

        m_f->dialog.files << QString(); // cancelled: nothing changes
        m_f->form->mnuCompare->trigger();
        QCOMPARE(window->ChangeList->topLevelItemCount(), 1);

        // After a renumbering the row would name another screen.
        QVERIFY(m_f->document->renumberScreens(ScreenRenumbering::deleting(0, 2)));
        QCOMPARE(window->ChangeList->topLevelItemCount(), 0);
    }
};

QTEST_MAIN(TestCompareWith)
#include "tst_comparewith.moc"
