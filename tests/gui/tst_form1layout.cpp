// The main window as designed: every control in place (also after resizing), the menus, the client area.
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
static constexpr const char *P = "tavrin::PictureBox", *B = "QPushButton", *E = "QLineEdit", *L = "QLabel",
                            *K = "QCheckBox";
static const QList<Row> kControls =
    QList<Row>()
    << Row{"Tile", P, "", 1, 40, 32, 25, 25} << Row{"Tile", P, "", 20, 496, 32, 25, 25}
    << Row{"Tile", P, "", 281, 40, 368, 25, 25} << Row{"Tile", P, "", 300, 496, 368, 25, 25}
    << Row{"Tile", P, "", 999, 8, 424, 25, 25, false} << Row{"MoveCom", B, "^", 1, 40, 424, 25, 25}
    << Row{"Tile", P, "", 998, 72, 424, 25, 25} << Row{"MoveCom", B, "<", 0, 8, 456, 25, 25}
    << Row{"ErrPic", P, "", -1, 40, 456, 25, 25, false} << Row{"MoveCom", B, ">", 2, 72, 456, 25, 25}
    << Row{"Tile", P, "", 0, 8, 488, 25, 25} << Row{"MoveCom", B, "v", 3, 40, 488, 25, 25}
    << Row{"Tile", P, "", 997, 72, 488, 25, 25} << Row{"SideText", E, "Text1", 2, 264, 8, 49, 19}
    << Row{"Command11", B, "Go", 2, 320, 8, 25, 17} << Row{"SideText", E, "Text1", 3, 8, 200, 33, 19}
    << Row{"Command11", B, "Go", 3, 8, 224, 25, 17} << Row{"SideText", E, "Text1", 4, 520, 200, 33, 19}
    << Row{"Command11", B, "Go", 4, 528, 224, 25, 17} << Row{"SideText", E, "Text1", 5, 280, 400, 41, 19}
    << Row{"Command11", B, "Go", 5, 328, 400, 25, 17} << Row{"Command2", B, "Test", -1, 136, 424, 33, 17}
    << Row{"Command3", B, "Test2", -1, 184, 424, 41, 17} << Row{"Label1", L, "Label1", -1, 112, 448, 241, 33}
    << Row{"Label3", L, "Label3", -1, 112, 488, 241, 33} << Row{"ScreenToGoTo", E, "1", -1, 360, 432, 81, 19}
    << Row{"Command1", B, "Go To Screen", -1, 360, 456, 81, 17}
    << Row{"Command4", B, "3D", -1, 360, 480, 33, 17} << Row{"Command5", B, "Flat", -1, 408, 480, 33, 17}
    << Row{"Command6", B, "ReDisplay", -1, 360, 504, 81, 17}
    << Row{"Command9", B, "Border", -1, 448, 504, 41, 17}
    << Row{"Command10", B, "or Not", -1, 496, 504, 41, 17}
    << Row{"UsePropBox", K, "Display Tile Properties", -1, 560, 32, 129, 17}
    << Row{"UseColor", K, "Use BackColor", -1, 560, 64, 113, 17}
    << Row{"NewColor", P, "", -1, 560, 88, 25, 25} << Row{"Command7", B, "Change Color", -1, 600, 88, 81, 25}
    << Row{"UsePicture", K, "Use Picture", -1, 560, 128, 113, 17}
    << Row{"NewPicture", P, "", -1, 560, 152, 25, 25}
    << Row{"Command8", B, "Change Pic", -1, 600, 152, 81, 25}
    << Row{"UseApplyProp", K, "Use Apply Properties", -1, 560, 192, 121, 17}
    << Row{"PropUpOps", E, "1", -1, 608, 216, 33, 19} << Row{"PropUp", E, "1", -1, 616, 240, 17, 19}
    << Row{"PropLeftOps", E, "1", -1, 560, 264, 33, 19} << Row{"PropLeft", E, "1", -1, 600, 264, 17, 19}
    << Row{"PropRight", E, "1", -1, 632, 264, 17, 19} << Row{"PropRightOps", E, "1", -1, 656, 264, 33, 19}
    << Row{"PropDown", E, "1", -1, 616, 288, 17, 19} << Row{"PropDownOps", E, "1", -1, 608, 312, 33, 19}
    << Row{"Label2", L, "Label2", -1, 552, 344, 121, 41} << Row{"TimeRunning", L, "0", -1, 584, 392, 49, 17};

class TestForm1Layout : public QObject {
    Q_OBJECT
private slots:
    void controls_data() {
        QTest::addColumn<Row>("c");
        for (const Row& c : kControls)
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
    void menus() {
        EditorFixture f;
        QStringList items;
        for (QAction* a : f.form->menuBar()->actions() + f.form->mnuFile->actions())
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
