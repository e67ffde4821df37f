// Painting through the main window's controls: the exclusive mode check boxes; colour, picture and
// properties painting, which reach the screen's data only when the screen is written (colour 255 is red,
// -2147483643 the window background); Change Pic's cancel; and the four kinds of refused click, each with
// its message and no change to the tile or to the screen's data.

#include "editorfixture.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

class TestPainting : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorFixture> m_f;
    Form1& form() { return *m_f->form; }
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    QByteArray scratch() {
        m_f->module->SaveScreenTmp();
        return ReadFile(m_f->path("Screen0.tmp"));
    }

private slots:
    void init() {
        m_f = std::make_unique<EditorFixture>();
        QVERIFY(m_f->show());
    }
    void cleanup() { m_f.reset(); }

    void modeBoxesAreExclusive() {
        QVERIFY(form().UsePropBox->isChecked());
        click(form().UseColor);
        click(form().UsePicture);
        for (QCheckBox* box : form().findChildren<QCheckBox*>())
            QCOMPARE(box->isChecked(), box == form().UsePicture);
        click(form().UsePicture);
        QVERIFY(!form().UsePicture->isChecked());
    }

    void paintedTilesReachDataWhenWritten() {
        m_f->dialog.colours = {255};
        m_f->dialog.files = {m_f->path("Pics/water.bmp")};
        click(form().Command7);
        click(form().Command8);
        click(form().UseColor);
        click(form().Tile(7));
        click(form().UsePicture);
        click(form().Tile(9));
        int k = 0;
        for (QLineEdit* box : {form().PropLeft, form().PropUp, form().PropRight, form().PropDown,
                               form().PropLeftOps, form().PropUpOps, form().PropRightOps, form().PropDownOps})
            box->setText(QStringList{"2.5", "1", "0", "3", "41", "", "a,b", "7"}[k++]);
        click(form().UseApplyProp);
        click(form().Tile(21));
        QCOMPARE(m_f->module->TileBackColor(7), FieldValue::number(255)); // painted, not yet written
        click(form().Command6);                                           // a redraw keeps it
        QCOMPARE(form().Tile(7)->backColour(), 255);
        const QByteArray text = scratch();
        QVERIFY(text.contains("\"Screen0\",9,-2147483643,\"\\water.bmp\",0,0,0,0,1,1,1,1\r\n"));
        QVERIFY(text.contains("\"Screen0\",21,-2147483643,,2,1,0,3,\"41\",\"\",\"a,b\",\"7\"\r\n"));
        m_f->module->ChangeScreen(1);
        QVERIFY(form().Tile(9)->picture().isNull());
        m_f->module->ChangeScreen(0);
        QCOMPARE(form().Tile(7)->backColour(), 255);
        QCOMPARE(form().Tile(8)->backColour(), -2147483643);
        QCOMPARE(form().Tile(9)->picture(), QImage(m_f->path("Pics/water.bmp")));
    }

    void changePicCancelled() {
        m_f->dialog.files = {m_f->path("Pics/grass.bmp"), std::nullopt};
        click(form().Command8);
        click(form().Command8);
        QCOMPARE(m_f->module->PictureName, "0");
        QCOMPARE(m_f->titles(), QStringList{"32755, Command8_Click (Change Picture)"});
    }

    void refusedClicksChangeNothing() {
        const QByteArray before = scratch();
        const QImage builtin = form().Tile(997)->picture();
        click(form().UsePicture);
        click(form().Tile(25));
        m_f->module->PictureName = "\\grass.bmp";
        click(form().Tile(997));
        click(form().UseApplyProp);
        form().PropDown->setText("40000");
        click(form().Tile(25));
        form().PropDown->setText("1");
        form().PropDownOps->setText("say \"hi\"");
        click(form().Tile(25));
        QCOMPARE(m_f->titles().join(';'), "53, Tile_Click;9, Tile_Click;6, Tile_Click;5, Tile_Click");
        QCOMPARE(form().Tile(997)->picture(), builtin);
        QCOMPARE(scratch(), before);
    }
};

QTEST_MAIN(TestPainting)
#include "tst_painting.moc"
