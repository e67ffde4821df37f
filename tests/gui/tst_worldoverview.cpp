// The World Overview window: opening it, the arrows of the exits, which thumbnails an edit draws again, a
// click on a screen, the exported image, and the screens Show Reachable shades.
#include "editorfixture.h"
#include "leveltool.h"
#include "mainwindow/reachview.h"
#include "mainwindow/worldoverview.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

Q_DECLARE_METATYPE(std::vector<WorldArrow>)

namespace QTest {
template <> char* toString(const std::vector<WorldArrow>& arrows) {
    QStringList text;
    for (const WorldArrow& a : arrows)
        text
            << QStringLiteral("%1->%2 via %3%4").arg(a.from).arg(a.to).arg(a.link).arg(a.warning ? " !" : "");
    return qstrdup(qPrintable(text.join(", ")));
}
} // namespace QTest

class TestWorldOverview : public QObject, EditorAccess {
    Q_OBJECT
    WorldOverviewWindow* window() { return form().findChild<WorldOverviewWindow*>(); }
    WorldMap& map() { return *window()->Map; }
    // The template level shown with the window open on all of it, every thumbnail drawn.
    void openOnTemplate() {
        form().MnuPLtemp_Click();
        QVERIFY(m_f->show());
        QTest::keyClick(&form(), Qt::Key_F5);
        QVERIFY(window() && QTest::qWaitForWindowExposed(window()));
        map().grab();
    }

private slots:
    void init() {
        m_f = std::make_unique<EditorFixture>();
        m_f->messages.clear();
    }
    void cleanup() { m_f.reset(); }

    // Screen 0 of the template leads up through link 2 (six tiles) to screen 3, right through 4 to screen 1
    // and down through 5 to screen 2, and each of them leads back.
    void arrowsFromScreen0_data() {
        QTest::addColumn<int>("link");
        QTest::addColumn<QString>("target");
        QTest::addColumn<std::vector<WorldArrow>>("expected");
        QTest::newRow("as shipped: one arrow a screen however many tiles")
            << 0 << QString()
            << std::vector<WorldArrow>{{0, 3, 2, false}, {0, 1, 4, false}, {0, 2, 5, false}};
        QTest::newRow("two links to one screen: one arrow")
            << 4 << "3" << std::vector<WorldArrow>{{0, 3, 2, false}, {0, 2, 5, false}};
        QTest::newRow("outside the level: warning")
            << 5 << "40" << std::vector<WorldArrow>{{0, 3, 2, false}, {0, 1, 4, false}, {0, 40, 5, true}};
    }
    void arrowsFromScreen0() {
        QFETCH(int, link);
        QFETCH(QString, target);
        QFETCH(std::vector<WorldArrow>, expected);
        openOnTemplate();
        if (link)
            QVERIFY(m_f->editSideLink(link, target));
        QCOMPARE(map().arrowsFrom(0), expected);
    }

    // The template has no warning. With link 2 of screen 0 changed, screen 4 leads nowhere back to screen 0,
    // and screen 0 no longer leads back to screen 3.
    void warningsOfTheWholeLevel() {
        openOnTemplate();
        QVERIFY(m_f->editSideLink(2, "4"));
        std::vector<WorldArrow> warnings;
        for (const WorldArrow& arrow : map().arrows())
            if (arrow.warning)
                warnings.push_back(arrow);
        QCOMPARE(warnings, (std::vector<WorldArrow>{{0, 4, 2, true}, {3, 0, 5, true}}));
    }

    void editDrawsOnlyItsScreenAgain() {
        openOnTemplate();
        const int drawn = map().thumbnailRenders();
        QCOMPARE(drawn, 5);
        QTRY_COMPARE(map().thumbnailsKept(), 5); // drawn on the drawing thread, kept when they come
        m_f->paint(1, 255);
        map().grab();
        QCOMPARE(map().thumbnailRenders(), drawn + 1);
        map().grab(); // nothing changed
        QCOMPARE(map().thumbnailRenders(), drawn + 1);
        form().mnuUndo_Click();
        QVERIFY(m_f->editSideLink(9, "3"));
        map().grab();
        QCOMPARE(map().thumbnailRenders(), drawn + 3);
        m_f->answers << "Discard";
        form().MnuPLtemp_Click(); // the level again: every thumbnail goes
        map().grab();
        QCOMPARE(map().thumbnailRenders(), drawn + 8);
    }

    // A thumbnail dragged onto another swaps the two screens, as one step; a drag between the screens pans
    // the map and swaps nothing.
    void dragSwapsScreens() {
        openOnTemplate();
        const QPoint from = map().cellInView(1).center().toPoint();
        const QPoint onto = map().cellInView(2).center().toPoint();
        QTest::mousePress(&map(), Qt::LeftButton, {}, from);
        QTest::mouseMove(&map(), (from + onto) / 2);
        QTest::mouseMove(&map(), onto);
        QCOMPARE(map().dropTarget(), std::optional<int>(2));
        QTest::mouseRelease(&map(), Qt::LeftButton, {}, onto);
        QCOMPARE(m_f->document->undoStack().undoText(), "Swap Screens");
        QCOMPARE(m_f->document->readSideLinks(0)[4], Integer(2)); // the swap itself: tst_renumber
        QVERIFY(!map().draggedScreen());
        const int steps = m_f->document->undoStack().count();
        QPoint gap;
        for (int y = 5; y < map().height() && gap.isNull(); y += 5)
            for (int x = 5; x < map().width() && gap.isNull(); x += 5)
                if (!map().screenAt({x, y}) && !map().screenAt({x + 30, y + 30}))
                    gap = {x, y};
        QVERIFY(!gap.isNull());
        QTest::mousePress(&map(), Qt::LeftButton, {}, gap);
        QTest::mouseMove(&map(), gap + QPoint(30, 30));
        QTest::mouseRelease(&map(), Qt::LeftButton, {}, gap + QPoint(30, 30));
        QCOMPARE(m_f->document->undoStack().count(), steps);
    }

    void clickChangesScreen() {
        openOnTemplate();
        QTest::mouseClick(&map(), Qt::LeftButton, {}, map().cellInView(2).center().toPoint());
        QCOMPARE(m_f->module->CurrentScreen(), Integer(2));
        QCOMPARE(m_f->titles(), QStringList());
    }

    void exportGivesTheImageOfRenderWorld() {
        openOnTemplate();
        m_f->dialog.files << m_f->path("world.png");
        QTest::mouseClick(window()->ExportImage, Qt::LeftButton);
        QCOMPARE(m_f->dialog.titles, QStringList{"Export Image"});
        const QString rendered = m_f->path("rendered.png");
        QCOMPARE(RunTool({"render", m_f->path("PelmarLevel.txt"), "-o", rendered, "--world"}).code, 0);
        const QImage exported(m_f->path("world.png"));
        QVERIFY(!exported.isNull());
        QCOMPARE(exported, QImage(rendered));
    }

    // With Show Reachable on, the screens the walk from the start tile never comes into go darker, and no
    // other: screen 5, added to the template.
    void showReachableShadesScreensNeverEntered() {
        openOnTemplate();
        SetLastScreen(*m_f->document, 5);
        const auto drawn = [this] { // each paint takes the thumbnails the drawing thread has made
            map().grab();
            return map().thumbnailsKept() == 6;
        };
        QTRY_VERIFY(drawn());
        const QImage before = map().grab().toImage();
        form().findChild<QAction*>("mnuShowReachable")->trigger();
        QTRY_VERIFY(form().findChild<ReachView*>()->walk());
        const QImage after = map().grab().toImage();
        const auto brightness = [this](const QImage& image, int screen) {
            const QRect cell = map().cellInView(screen).toAlignedRect() & image.rect();
            qint64 sum = 0;
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    sum += qGray(image.pixel(x, y));
            return sum / std::max(1, cell.width() * cell.height());
        };
        QStringList darker;
        for (int screen = 0; screen <= 5; ++screen)
            if (brightness(after, screen) < brightness(before, screen) * 3 / 4)
                darker << QString::number(screen);
        QCOMPARE(darker, QStringList{"5"});
    }
};

QTEST_MAIN(TestWorldOverview)
#include "tst_worldoverview.moc"
