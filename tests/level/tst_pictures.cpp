// Where picture references are looked up (the level's Pics folder, then the program's), how a picture
// chosen from elsewhere comes into the level's Pics folder, and what the picture store keeps of pictures.

#include "faultyfiles.h"
#include "level/storage/picturestore.h"
#include "level/tools/levelrender.h"
#include "levelfixture.h"

#include <QImageReader>
#include <QPainter>
#include <QtTest>

using namespace tavrin;

namespace {
QColor ColourOf(const QImage& image) {
    return image.isNull() ? QColor() : image.pixelColor(0, 0);
}

// Each channel within `slack` of the colour's (a JPEG does not keep colours exactly).
bool Near(QColor found, QColor wanted, int slack) {
    return std::abs(found.red() - wanted.red()) <= slack &&
           std::abs(found.green() - wanted.green()) <= slack &&
           std::abs(found.blue() - wanted.blue()) <= slack;
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
        WritePicture(f.path("Pics/a.bmp"), Qt::yellow);
        WritePicture(f.path("Pics/b.bmp"), Qt::green);
        f.document->nameNewLevelFile(f.path("levels/level.txt"));
        try {
            QCOMPARE(ColourOf(f.module->Pictures().load(reference)), colour);
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
        QCOMPARE(ColourOf(f.module->Pictures().load("\\a.bmp")), QColor(Qt::yellow));
        WritePicture(f.path("levels/Pics/a.bmp"), Qt::red);
        QCOMPARE(ColourOf(f.module->Pictures().load("\\a.bmp")), QColor(Qt::yellow));
        f.module->Pictures().beginPass();
        QCOMPARE(ColourOf(f.module->Pictures().load("\\a.bmp")), QColor(Qt::red));
    }

    void choosingAPicture_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<bool>("outside");
        QTest::addColumn<bool>("taken");
        const auto row = [](const char* tag, const char* chosen, const char* reference, bool outside,
                            bool taken) {
            QTest::newRow(tag) << QString(chosen) << QString(reference) << outside << taken;
        };
        row("in the level's Pics", "levels/Pics/a.bmp", "\\a.bmp", false, false);
        row("in the program's Pics", "Pics/b.bmp", "\\b.bmp", false, false);
        row("outside, a new name", "elsewhere/new.bmp", "\\new.bmp", true, false);
        row("outside, the same file is there", "elsewhere/a.bmp", "\\a.bmp", true, false);
        row("outside, another file has the name", "elsewhere/c.bmp", "\\c.bmp", true, true);
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
        const PictureChoice choice = f.module->Pictures().choose(f.path(chosen));
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
            QCOMPARE(ColourOf(f.module->Pictures().load(reference)), QColor(Qt::cyan));
            QVERIFY(!QFileInfo(f.path("levels/Pics/a.bmp")).isSymLink());
            if (fault == "link")
                QCOMPARE(ColourOf(QImage(f.path("outside/tree.bmp"))), QColor(Qt::red));
        } else {
            QCOMPARE(there, hadOne ? QStringList{"a.bmp"} : QStringList());
            if (hadOne)
                QCOMPARE(ColourOf(f.module->Pictures().load("\\a.bmp")), QColor(Qt::red));
        }
    }

    // A picture far larger than any box that draws it keeps only the corner that views draw, and is drawn
    // as before: from its top-left corner, cut off at the tile's edge. Each picture is red with a blue
    // square of 10 x 10 pixels at its top left.
    void largePictureKeepsItsCorner_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("slack");
        QTest::newRow("PNG, 4000 x 4000") << "big.png" << QSize(4000, 4000) << 0;
        QTest::newRow("JPEG, whose decoder cuts the corner itself") << "big.jpg" << QSize(3000, 2000) << 40;
        QTest::newRow("PNG, smaller than the corner") << "small.png" << QSize(40, 30) << 0;
    }
    void largePictureKeepsItsCorner() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(int, slack);
        QTemporaryDir folder;
        {
            QImage picture(size, QImage::Format_RGB32);
            picture.fill(Qt::red);
            QPainter(&picture).fillRect(0, 0, 10, 10, Qt::blue);
            QVERIFY(picture.save(folder.filePath(name)));
        }
        PictureStore store;
        const QImage kept = store.load(folder.filePath(name));
        QCOMPARE(kept.size(), size.boundedTo(QSize(PictureCornerSide, PictureCornerSide)));
        QVERIFY(Near(kept.pixelColor(2, 2), Qt::blue, slack));
        QVERIFY(Near(kept.pixelColor(15, 15), Qt::red, slack));

        ScreenPainter painter({folder.path()});
        Screen screen = Screen::fresh();
        screen.tile(1).picture = FieldValue::text(u'\\' + name);
        const QImage drawn = painter.paint(screen);
        QVERIFY(Near(drawn.pixelColor(2, 2), Qt::blue, slack));
        QVERIFY(Near(drawn.pixelColor(15, 15), Qt::red, slack));
    }

    // What the store refuses, and how: `told` is in the failure's description.
    void refusedPictures_data() {
        QTest::addColumn<QByteArray>("bytes"); // empty: a grey PNG of 6000 x 6000 pixels
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("told");
        QTest::newRow("no picture") << QByteArray("not a picture") << int(ErrInvalidPicture)
                                    << "Invalid picture";
        QTest::newRow("a header that claims 10000 x 10000 pixels")
            << BmpHeader(10000, 10000) << int(ErrInvalidPicture) << "is 10000 x 10000 pixels";
        QTest::newRow("a picture of 6000 x 6000 pixels, 36 MB decoded in grey")
            << QByteArray() << int(ErrInvalidPicture) << "is 6000 x 6000 pixels";
    }
    void refusedPictures() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, code);
        QFETCH(QString, told);
        QTemporaryDir folder;
        const QString path = folder.filePath("refused.png");
        if (bytes.isEmpty()) {
            QImage grey(6000, 6000, QImage::Format_Grayscale8);
            grey.fill(128);
            QVERIFY(grey.save(path));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        // Qt's reader would refuse to allocate these pictures too; the store refuses them of its own accord.
        const int qtLimit = QImageReader::allocationLimit();
        QImageReader::setAllocationLimit(1024);
        const auto restore = qScopeGuard([qtLimit] { QImageReader::setAllocationLimit(qtLimit); });
        PictureStore store;
        for (int pass = 0; pass < 2; ++pass) { // told again from what was kept, without decoding again
            try {
                store.load(path);
                QFAIL("the picture was taken");
            } catch (const Failure& failure) {
                QCOMPARE(failure.code(), code);
                QVERIFY2(failure.description().contains(told), qPrintable(failure.description()));
            }
        }
        QCOMPARE(store.decodes(), 1);
    }

    // However many pictures pass through it, the store keeps at most PictureCacheBytes of them and lets go
    // of those used least lately: a picture used again and again stays, the first of the others does not.
    void storeKeepsToItsBytes() {
        QTemporaryDir folder;
        const QImage picture = SolidImage(Qt::green, PictureCornerSide, PictureCornerSide);
        const QString often = folder.filePath("often.bmp");
        QVERIFY(picture.save(often));
        PictureStore store;
        const int count = int(PictureCacheBytes / picture.sizeInBytes()) + 100;
        for (int i = 0; i < count; ++i) {
            const QString path = folder.filePath(QString("p%1.bmp").arg(i));
            QVERIFY(picture.save(path));
            QCOMPARE(store.load(path).pixelColor(0, 0), QColor(Qt::green));
            store.load(often);
            QVERIFY2(store.bytesKept() <= PictureCacheBytes, qPrintable(QString::number(store.bytesKept())));
        }
        QVERIFY(store.bytesKept() > PictureCacheBytes * 3 / 4);
        QCOMPARE(store.decodes(), count + 1);
        store.load(often);
        QCOMPARE(store.decodes(), count + 1);
        store.load(folder.filePath("p0.bmp"));
        QCOMPARE(store.decodes(), count + 2);
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
