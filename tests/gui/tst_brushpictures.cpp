// The brush picture from outside the pictures folders (Change Pic's offer to copy it into the level's Pics
// folder) and from the Pictures window (F6), with its Import Pictures.

#include "editorfixture.h"
#include "mainwindow/pictureswindow.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

namespace {
QColor PreviewColour(Form1& form) {
    const QImage& picture = form.findChild<PictureBox*>("NewPicture")->picture();
    return picture.isNull() ? QColor() : picture.pixelColor(0, 0);
}
} // namespace

class TestBrushPictures : public QObject, EditorAccess {
    Q_OBJECT

private slots:
    void init() {
        m_f = std::make_unique<EditorFixture>();
        QVERIFY(m_f->show());
        QDir(m_f->root).mkpath("levels");
        m_f->document->nameNewLevelFile(m_f->path("levels/level.txt"));
        WritePicture(m_f->path("elsewhere/star.bmp"), Qt::cyan);
        WritePicture(m_f->path("levels/Pics/taken.bmp"), Qt::red);
        WritePicture(m_f->path("elsewhere/taken.bmp"), Qt::blue);
    }
    void cleanup() { m_f.reset(); }

    void changePicFromOutside_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QColor>("preview");
        QTest::addColumn<QColor>("inLevelPics");
        QTest::addColumn<bool>("told");
        QTest::newRow("copied") << "star.bmp" << QStringList{"Copy"} << "\\star.bmp" << QColor(Qt::cyan)
                                << QColor(Qt::cyan) << false;
        QTest::newRow("not copied, as before: not found")
            << "star.bmp" << QStringList{"Don't Copy"} << "\\star.bmp" << QColor(Qt::green) << QColor()
            << true;
        QTest::newRow("another file there, replaced")
            << "taken.bmp" << QStringList{"Copy", "Replace"} << "\\taken.bmp" << QColor(Qt::blue)
            << QColor(Qt::blue) << false;
        QTest::newRow("another file there, kept: the brush stays")
            << "taken.bmp" << QStringList{"Copy", "Keep the One There"} << "\\grass.bmp" << QColor(Qt::green)
            << QColor(Qt::red) << false;
    }
    void changePicFromOutside() {
        QFETCH(QString, chosen);
        QFETCH(QStringList, answers);
        QFETCH(QString, reference);
        QFETCH(QColor, preview);
        QFETCH(QColor, inLevelPics);
        QFETCH(bool, told);
        WritePicture(m_f->path("Pics/grass.bmp"), Qt::green);
        m_f->dialog.files << m_f->path("Pics/grass.bmp");
        form().Command8_Click();
        m_f->answers = answers;
        m_f->dialog.files << m_f->path("elsewhere/" + chosen);
        form().Command8_Click();
        QCOMPARE(m_f->module->PictureName(), reference);
        QCOMPARE(PreviewColour(form()), preview);
        const QImage copy(m_f->path("levels/Pics/" + chosen));
        QCOMPARE(copy.isNull() ? QColor() : copy.pixelColor(0, 0), inLevelPics);
        QCOMPARE(m_f->questions.first(), QString("Copy Picture into the Level"));
        QCOMPARE(m_f->titles(), told ? QStringList{"53, Command8_Click (Change Picture)"} : QStringList());
    }

    void picturesWindowPicksAndImports() {
        QTest::keyClick(&form(), Qt::Key_F6);
        auto* window = form().findChild<PicturesWindow*>();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->folders(), m_f->module->Pictures().folders());
        QVERIFY(window->names().contains("taken.bmp") && window->names().contains("grass.bmp"));

        emit window->picturePicked("\\taken.bmp", m_f->path("levels/Pics/taken.bmp"));
        QCOMPARE(m_f->module->PictureName(), QString("\\taken.bmp"));
        QCOMPARE(PreviewColour(form()), QColor(Qt::red));

        // Two files come in; the one whose name is taken is kept as it is when the user says so.
        m_f->dialog.files << m_f->path("elsewhere/star.bmp") + '|' + m_f->path("elsewhere/taken.bmp");
        m_f->answers = QStringList{"Keep the One There"};
        window->findChild<QPushButton*>("ImportPictures")->click();
        QCOMPARE(m_f->questions, QStringList{"Replace Picture"});
        QCOMPARE(QImage(m_f->path("levels/Pics/star.bmp")).pixelColor(0, 0), QColor(Qt::cyan));
        QCOMPARE(QImage(m_f->path("levels/Pics/taken.bmp")).pixelColor(0, 0), QColor(Qt::red));
        QTRY_VERIFY(window->names().contains("star.bmp"));
    }

    // A level kept in another folder brings its own Pics folder into the window.
    void windowFollowsTheLevel() {
        QTest::keyClick(&form(), Qt::Key_F6);
        auto* window = form().findChild<PicturesWindow*>();
        QVERIFY(window);
        m_f->document->newLevel(); // a level without a file, in the program folder
        QVERIFY(!m_f->saveAs("levels/level.txt").isEmpty());
        QCOMPARE(window->folders().first(), QDir::cleanPath(m_f->path("levels/Pics")));
        QDir(m_f->root).mkpath("other");
        QVERIFY(!m_f->saveAs("other/level.txt").isEmpty());
        QCOMPARE(window->folders().first(), QDir::cleanPath(m_f->path("other/Pics")));
    }
};

QTEST_MAIN(TestBrushPictures)
#include "tst_brushpictures.moc"
