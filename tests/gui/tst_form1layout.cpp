// The main window as designed: a few controls in place (also after resizing), every control inside the
// client area and none over another, the menus, the client area.
#include "editorfixture.h"

#include <QMenuBar>
#include <QtTest>

// A control as designed: name, class, design text, index (-1: not in an array), pixels (twips / 15).
struct Row {
    const char *name, *kind, *text;
    int index, x, y, w, h;
    bool shown = true;
};
Q_DECLARE_METATYPE(Row)

class TestForm1Layout : public QObject {
    Q_OBJECT
private slots:
    // Anchors at the corners of the grid and in each group of controls; the rest keep their places
    // relative to these through the checks below.
    void controls_data() {
        QTest::addColumn<Row>("c");
        for (const Row& c : {Row{"Tile", "tavrin::PictureBox", "", 1, 40, 32, 25, 25},
                             Row{"Tile", "tavrin::PictureBox", "", 300, 496, 368, 25, 25},
                             Row{"Tile", "tavrin::PictureBox", "", 999, 8, 424, 25, 25, false},
                             Row{"MoveCom", "QPushButton", "v", 3, 40, 488, 25, 25},
                             Row{"SideText", "QLineEdit", "Text1", 4, 520, 200, 33, 19},
                             Row{"Command10", "QPushButton", "or Not", -1, 496, 504, 41, 17},
                             Row{"UsePropBox", "QCheckBox", "Display Tile Properties", -1, 560, 32, 129, 17},
                             Row{"TimeRunning", "QLabel", "0", -1, 584, 392, 49, 17}})
            QTest::addRow("%s(%d)", c.name, c.index) << c;
    }
    void controls() {
        QFETCH(Row, c);
        EditorFixture f; // in a window made larger than designed: resizing moves nothing
        f.form->resize(900, 700);
        f.form->show();
        QCOMPARE(f.form->centralWidget()->width(), 900);
        QList<QWidget*> found = f.form->findChildren<QWidget*>(c.name);
        found.removeIf([&](QWidget* w) { return c.index >= 0 && w->property("index").toInt() != c.index; });
        QCOMPARE(found.size(), 1);
        QCOMPARE(found[0]->metaObject()->className(), c.kind);
        QCOMPARE(found[0]->parentWidget(), f.form->centralWidget());
        QCOMPARE(found[0]->geometry(), QRect(c.x, c.y, c.w, c.h));
        QCOMPARE(found[0]->property("text").toString(), QString(c.text));
        QCOMPARE(!found[0]->isHidden(), c.shown);
    }
    // Every control lies inside the client area as designed, and none overlaps another by more than the
    // pixel that neighbours share (the grid's tiles, the side boxes beside it); the layers over the
    // grid are drawn over it by design. Each control keeps its caption.
    void controlsInsideTheClientAreaApart() {
        EditorFixture f;
        QList<QWidget*> controls;
        QStringList captions;
        for (QWidget* w : f.form->centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (w->objectName().isEmpty() || w->objectName().endsWith("Layer"))
                continue;
            controls << w;
            if (w->objectName() != "Tile" && !w->property("text").toString().isEmpty())
                captions << w->property("text").toString();
        }
        QCOMPARE(controls.size(), 304 + 49); // the tiles 0..300, 997..999 and the other controls
        QCOMPARE(captions.join('|'), "<|^|>|v|Text1|Go|Text1|Go|Text1|Go|Text1|Go|Test|Test2|Label1|Label3|1|"
                                     "Go To Screen|3D|Flat|ReDisplay|Border|or Not|Display Tile Properties|"
                                     "Use BackColor|Change Color|Use Picture|Change Pic|Use Apply Properties|"
                                     "1|1|1|1|1|1|1|1|Label2|0|\u2190|\u2191|\u2192|\u2193|Wall Brush|"
                                     "Exit Tool|Select");
        const auto name = [](const QWidget* w) {
            return w->objectName() + '(' + w->property("index").toString() + ')';
        };
        for (int i = 0; i < controls.size(); ++i) {
            const QRect area = controls[i]->geometry();
            QVERIFY2(QRect(0, 0, 696, 526).contains(area), qPrintable(name(controls[i])));
            for (int j = i + 1; j < controls.size(); ++j)
                QVERIFY2(
                    !area.adjusted(0, 0, -1, -1).intersects(controls[j]->geometry().adjusted(0, 0, -1, -1)),
                    qPrintable(name(controls[i]) + " and " + name(controls[j])));
        }
    }
    void menus() {
        EditorFixture f;
        QStringList items;
        for (QAction* a : f.form->menuBar()->actions() + f.control<QMenu>("mnuFile")->actions())
            items << a->objectName() + '|' + a->text() + '|' + a->shortcut().toString();
        QCOMPARE(items, (QStringList{"|File|", "|Edit|", "|Level|", "|Screen|", "|View|", "mnuAbout|&About|",
                                     "mnuLoad|Load Level|Ctrl+L", "mnuSave|Save Level|Ctrl+S", "mnuDash4||",
                                     "mnuScreenProp|Screen Properties|F2", "mnuLevelProp|Level Properties|F3",
                                     "mnuDash2||", "MnuPLtemp|Pelmar Level|F1", "mnuDash3||",
                                     "mnuNew|New Level|Ctrl+N", "|Recent Levels|",
                                     "mnuCompare|Compare With...|", "mnuDash5||", "mnuExit|Exit|"}));
    }
    void clientAreaAndBackColour() {
        EditorFixture f;
        f.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        QWidget* client = f.form->centralWidget();
        QCOMPARE(client->size(), QSize(696, 526));
        f.form->resize(900, 700);
        QTRY_COMPARE(client->width(), 900);
        QCOMPARE(client->grab().toImage().pixelColor(850, 600), QColor(128, 64, 0));
    }
};

QTEST_MAIN(TestForm1Layout)
#include "tst_form1layout.moc"
