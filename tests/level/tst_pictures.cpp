// Where picture references are looked up (the level's Pics folder, then the program's) and how a picture
// chosen from elsewhere comes into the level's Pics folder.

#include "faultyfiles.h"
#include "levelfixture.h"

#include <QtTest>

using namespace tavrin;

namespace {
QColor ColourOf(const QImage& image) {
    return image.isNull() ? QColor() : image.pixelColor(0, 0);
}

void WritePicture(const QString& path, QColor colour) {
    QDir().mkpath(QFileInfo(path).path());
    QVERIFY(SolidImage(colour, 4, 4).save(path, "BMP"));
}
} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    // The program folder is the fixture's folder; the level lies in levels/ with a Pics folder of its own.
    void lookupOrder_data() {
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QColor>("colour"); // invalid: failure 53
        QTest::addColumn<QString>("named"); // the file the failure names
        QTest::newRow("the level's own picture wins") << "\\a.bmp" << QColor(Qt::red) << "";
        QTest::newRow("else the program's") << "\\b.bmp" << QColor(Qt::green) << "";
        QTest::newRow("a subfolder of the level's") << "\\walls\\c.bmp" << QColor(Qt::blue) << "";
        QTest::newRow("in neither: named in the level's folder")
            << "\\none.bmp" << QColor() << "levels/Pics/none.bmp";
        QTest::newRow("reaching out of the level's folder into the program's")
            << "\\..\\..\\Pics\\b.bmp" << QColor() << "\\..\\..\\Pics\\b.bmp";
    }
    void lookupOrder() {
        QFETCH(QString, reference);
        QFETCH(QColor, colour);
        QFETCH(QString, named);
        LevelFixture f;
        WritePicture(f.path("levels/Pics/a.bmp"), Qt::red);
        WritePicture(f.path("levels/Pics/walls/c.bmp"), Qt::blue);
        WritePicture(f.path("Pics/a.bmp"), Qt::yellow);
        WritePicture(f.path("Pics/b.bmp"), Qt::green);
        f.document->nameNewLevelFile(f.path("levels/level.txt"));
        try {
            QCOMPARE(ColourOf(f.module->LoadPictureReference(reference)), colour);
        } catch (const Failure& failure) {
            QVERIFY(!colour.isValid());
            QCOMPARE(failure.code(), int(ErrFileNotFound));
            QVERIFY2(failure.description().endsWith(named + u'\''), qPrintable(failure.description()));
        }
    }

    // A picture put into the level's Pics folder is seen at the next screen or redisplay, although the
    // pass before found none there.
    void aPictureAddedIsFoundInTheNextPass() {
        LevelFixture f;
        WritePicture(f.path("Pics/a.bmp"), Qt::yellow);
        f.document->nameNewLevelFile(f.path("levels/level.txt"));
        QCOMPARE(ColourOf(f.module->LoadPictureReference("\\a.bmp")), QColor(Qt::yellow));
        WritePicture(f.path("levels/Pics/a.bmp"), Qt::red);
        QCOMPARE(ColourOf(f.module->LoadPictureReference("\\a.bmp")), QColor(Qt::yellow));
        f.module->Pictures.beginPass();
        QCOMPARE(ColourOf(f.module->LoadPictureReference("\\a.bmp")), QColor(Qt::red));
    }

    void choosingAPicture_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<bool>("outside");
        QTest::addColumn<bool>("taken");
        QTest::newRow("in the level's Pics") << "levels/Pics/a.bmp"
                                             << "\\a.bmp" << false << false;
        QTest::newRow("in a subfolder of it") << "levels/Pics/walls/c.bmp"
                                              << "\\walls\\c.bmp" << false << false;
        QTest::newRow("in the program's Pics") << "Pics/b.bmp"
                                               << "\\b.bmp" << false << false;
        QTest::newRow("outside, a new name") << "elsewhere/new.bmp"
                                             << "\\new.bmp" << true << false;
        QTest::newRow("outside, the same file is there") << "elsewhere/a.bmp"
                                                         << "\\a.bmp" << true << false;
        QTest::newRow("outside, another file has the name") << "elsewhere/c.bmp"
                                                            << "\\c.bmp" << true << true;
    }
    void choosingAPicture() {
        QFETCH(QString, chosen);
        QFETCH(QString, reference);
        QFETCH(bool, outside);
        QFETCH(bool, taken);
        LevelFixture f;
        WritePicture(f.path("levels/Pics/a.bmp"), Qt::red);
        WritePicture(f.path("levels/Pics/c.bmp"), Qt::red);
        WritePicture(f.path("levels/Pics/walls/c.bmp"), Qt::blue);
        WritePicture(f.path("Pics/b.bmp"), Qt::green);
        WritePicture(f.path("elsewhere/new.bmp"), Qt::cyan);
        WritePicture(f.path("elsewhere/a.bmp"), Qt::red);
        WritePicture(f.path("elsewhere/c.bmp"), Qt::cyan);
        f.document->nameNewLevelFile(f.path("levels/level.txt"));
        const PictureChoice choice = f.module->ChoosePicture(f.path(chosen));
        QCOMPARE(choice.reference, reference);
        QCOMPARE(choice.outside, outside);
        QCOMPARE(choice.targetTaken, taken);
        if (outside)
            QCOMPARE(choice.copyTarget, f.path("levels/Pics/" + QFileInfo(chosen).fileName()));
    }

    // The copy makes the folder when needed and replaces a file there only once it is whole; a file that
    // is no picture, or a disk that fills up, leaves the folder as it was.
    void importingAPicture_data() {
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<int>("code");
        QTest::newRow("copied") << QByteArray() << 0;
        QTest::newRow("not a picture") << QByteArray("text") << int(ErrInvalidPicture);
        QTest::newRow("disk full") << QByteArray("disk full") << int(ErrDiskFull);
        QTest::newRow("quote in the name") << QByteArray("quote") << int(ErrInvalidCall);
        QTest::newRow("a link of that name") << QByteArray("link") << 0;
    }
    void importingAPicture() {
        QFETCH(QByteArray, fault);
        QFETCH(int, code);
        LevelFixture f;
        FaultyFiles files;
        f.document->setFiles(&files);
        f.document->nameNewLevelFile(f.path("levels/level.txt"));
        QString source = f.path(fault == "quote" ? "elsewhere/a\".bmp" : "elsewhere/a.bmp");
        WritePicture(source, Qt::cyan);
        if (fault == "text")
            f.writeFile("elsewhere/a.bmp", "not a picture");
        const bool hadOne = fault == "disk full";
        if (hadOne)
            WritePicture(f.path("levels/Pics/a.bmp"), Qt::red);
        files.diskFullAfter = hadOne ? 100 : -1;
        // A link there is replaced: the file it points to is not the level's and stays as it was.
        if (fault == "link") {
            WritePicture(f.path("outside/tree.bmp"), Qt::red);
            QDir().mkpath(f.path("levels/Pics"));
            QVERIFY(QFile::link(f.path("outside/tree.bmp"), f.path("levels/Pics/a.bmp")));
        }
        QString reference;
        QCOMPARE(CodeOfFailure([&] { reference = f.document->importPicture(source); }), code);
        const QStringList there = QDir(f.path("levels/Pics")).entryList(QDir::Files);
        if (code == 0) {
            QCOMPARE(reference, QString("\\a.bmp"));
            QCOMPARE(ColourOf(f.module->LoadPictureReference(reference)), QColor(Qt::cyan));
            QVERIFY(!QFileInfo(f.path("levels/Pics/a.bmp")).isSymLink());
            if (fault == "link")
                QCOMPARE(ColourOf(QImage(f.path("outside/tree.bmp"))), QColor(Qt::red));
        } else {
            QCOMPARE(there, hadOne ? QStringList{"a.bmp"} : QStringList());
            if (hadOne)
                QCOMPARE(ColourOf(f.module->LoadPictureReference("\\a.bmp")), QColor(Qt::red));
        }
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
