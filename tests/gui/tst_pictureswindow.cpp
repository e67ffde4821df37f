// The Pictures window: which files of the picture folders it lists, and under which names; thumbnails that
// stay sharp; a click picking a picture by its reference; and the window following files added, removed
// and changed in the folders, decoding only what changed.

#include "mainwindow/pictureswindow.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

namespace {
constexpr int Wait = 5000;

// Writes a picture of `side` pixels at `path`, making its folder. A few bytes of text stand for a file of
// no picture format, a picture Qt cannot write (.gif) and, when `side` is 0, a broken picture.
void Write(const QString& path, int side = 8) {
    QDir().mkpath(QFileInfo(path).path());
    QImage image(std::max(side, 1), std::max(side, 1), QImage::Format_RGB32);
    image.fill(0xFF336699);
    if (side == 0 || !PicturesWindow::isPictureFile(path) || !image.save(path)) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a picture");
    }
}
} // namespace

class TestPicturesWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<PicturesWindow> m_window;
    QString path(const QString& relative) const { return m_dir->filePath(relative); }
    QListWidget* list() const { return m_window->findChild<QListWidget*>(QStringLiteral("PictureList")); }
    QListWidgetItem* item(const QString& name) const {
        const auto found = list()->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
        return found.isEmpty() ? nullptr : found.first();
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_window = std::make_unique<PicturesWindow>();
    }

    // Files are given as "a/…" or "b/…", the folders "a", "missing" and "b" in that order; "x -> y" makes
    // x a link to the folder y.
    void listsPicturesOfTheFolders_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("two folders, first wins")
            << QStringList{"b/walls/brick.bmp", "a/walls/brick.bmp", "a/star.png", "b/floor/tile.gif",
                           "b/Zed.JPG",         "a/a.BMP",           "b/A.jpeg",   "b/a.BMP"}
            << QStringList{"a.BMP", "A.jpeg", "floor/tile.gif", "star.png", "walls/brick.bmp", "Zed.JPG"};
        QTest::newRow("other files and hidden ones")
            << QStringList{"a/notes.txt", "a/brick.bmp.txt", "a/.hidden.bmp", "a/.cache/x.bmp",
                           "a/bmp",       "a/tile.tga",      "a/ok.bmp"}
            << QStringList{"ok.bmp"};
        QTest::newRow("links to folders")
            << QStringList{"a/x.bmp", "a/sub/y.bmp", "a/sub/up -> a", "a/loop -> a/sub"}
            << QStringList{"sub/y.bmp", "x.bmp"};
    }
    void listsPicturesOfTheFolders() {
        QFETCH(QStringList, files);
        QFETCH(QStringList, names);
        for (const QString& file : files) {
            const QStringList link = file.split(QStringLiteral(" -> "));
            if (link.size() == 2)
                QVERIFY(QFile::link(path(link[1]), path(link[0])));
            else
                Write(path(file));
        }
        QDir().mkpath(path("a"));
        QDir().mkpath(path("b"));
        m_window->setFolders({path("a"), path("missing"), path("b")});
        QCOMPARE(m_window->names(), names);
        for (const QString& name : names) // the one the editor will use
            QCOMPARE(m_window->pathOf(name), path((QFile::exists(path("a/" + name)) ? "a/" : "b/") + name));
    }

    // `placed` is where the picture lands in the thumbnail: every pixel there is one of the picture's own,
    // never a blend, and the rest is transparent.
    void thumbnailsStaySharp_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("placed");
        QTest::newRow("16: three times") << QSize(16, 16) << QRect(0, 0, 48, 48);
        QTest::newRow("20 x 10: twice") << QSize(20, 10) << QRect(4, 14, 40, 20);
        QTest::newRow("96 x 48: halved") << QSize(96, 48) << QRect(0, 12, 48, 24);
    }
    void thumbnailsStaySharp() {
        QFETCH(QSize, size);
        QFETCH(QRect, placed);
        QImage picture(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                picture.setPixel(x, y, (x + y) % 2 ? 0xFFFF0000 : 0xFF0000FF);
        const QImage thumbnail = PicturesWindow::thumbnailOf(picture);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 48; ++x) {
                const QPoint at = (QPoint(x, y) - placed.topLeft());
                const QRgb expected = placed.contains(x, y)
                                          ? picture.pixel(at.x() * size.width() / placed.width(),
                                                          at.y() * size.height() / placed.height())
                                          : 0u;
                QCOMPARE(thumbnail.pixel(x, y), expected);
            }
    }

    void clickPicksThePicture_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reference");
        QTest::newRow("in the folder") << QString("star.bmp") << QString(R"(\star.bmp)");
        QTest::newRow("in a subfolder") << QString("walls/brick.png") << QString(R"(\walls\brick.png)");
        QTest::newRow("not readable") << QString("broken.bmp") << QString(R"(\broken.bmp)");
        QTest::newRow("too large to decode") << QString("huge.png") << QString(R"(\huge.png)");
    }
    void clickPicksThePicture() {
        QFETCH(QString, name);
        QFETCH(QString, reference);
        for (const QString& file : QStringList{"star.bmp", "walls/brick.png", "zz.bmp"})
            Write(path(QStringLiteral("pics/") + file));
        Write(path("pics/broken.bmp"), 0);
        // 6000 x 6000 pixels, 36 MB decoded in grey. Qt's reader would refuse to allocate so much by default;
        // the window refuses it of its own accord.
        const int qtLimit = QImageReader::allocationLimit();
        QImageReader::setAllocationLimit(1024);
        const auto restore = qScopeGuard([qtLimit] { QImageReader::setAllocationLimit(qtLimit); });
        if (name == "huge.png") {
            QImage grey(6000, 6000, QImage::Format_Grayscale8);
            grey.fill(128);
            QVERIFY(grey.save(path("pics/huge.png")));
        }
        m_window->setFolders({path("pics")});
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QSignalSpy picked(m_window.get(), &PicturesWindow::picturePicked);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->visualItemRect(item(name)).center());
        QCOMPARE(picked.count(), 1);
        QCOMPARE(picked[0][0].toString(), reference);
        QCOMPARE(picked[0][1].toString(), path("pics/" + name));
        const bool readable = name != "broken.bmp" && name != "huge.png";
        QCOMPARE(item(name)->toolTip().contains("8 x 8 px"), readable);
        QCOMPARE(item(name)->toolTip().contains("not a picture the editor can read"), !readable);
    }

    // The window starts with brick.bmp, walls/wall.bmp and walls/gone.bmp, walls/wall.bmp selected; `change`
    // adds (+), removes (-) or changes (~) a picture, writing 32 x 32 pixels.
    void followsTheFolders_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("names");
        const QStringList all{"brick.bmp", "walls/gone.bmp", "walls/wall.bmp"};
        QTest::newRow("added") << "+new.png" << QStringList{"brick.bmp", "new.png"} + all.mid(1);
        QTest::newRow("added to a subfolder") << "+walls/x.bmp" << all + QStringList{"walls/x.bmp"};
        QTest::newRow("added to a new folder")
            << "+new/x.bmp" << QStringList{"brick.bmp", "new/x.bmp"} + all.mid(1);
        QTest::newRow("removed") << "-brick.bmp" << all.mid(1);
        QTest::newRow("changed") << "~brick.bmp" << all;
    }
    void followsTheFolders() {
        QFETCH(QString, change);
        QFETCH(QStringList, names);
        for (const QString& file : QStringList{"brick.bmp", "walls/wall.bmp", "walls/gone.bmp"})
            Write(path("pics/" + file));
        m_window->setFolders({path("pics")});
        list()->setCurrentItem(item("walls/wall.bmp"));
        const int before = m_window->decodeCount();

        const QString name = change.mid(1);
        if (change[0] == '-')
            QVERIFY(QFile::remove(path("pics/" + name)));
        else
            Write(path("pics/" + name), 32);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->names(), names, Wait);
        QTRY_VERIFY_WITH_TIMEOUT(item(name) == nullptr || item(name)->toolTip().contains("32 x 32 px"), Wait);
        QCOMPARE(m_window->decodeCount(), before + (change[0] == '-' ? 0 : 1)); // the others come from memory
        QCOMPARE(list()->currentItem(), item("walls/wall.bmp"));
        if (name.startsWith("new/")) { // the new folder is watched too
            Write(path("pics/new/y.bmp"));
            QTRY_VERIFY_WITH_TIMEOUT(m_window->names().contains("new/y.bmp"), Wait);
        }
    }
};

QTEST_MAIN(TestPicturesWindow)
#include "tst_pictureswindow.moc"
