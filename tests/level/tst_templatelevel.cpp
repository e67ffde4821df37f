// The template level that ships with the editor: it loads cleanly, and its exits lead somewhere walkable.
#include "levelfixture.h"

#include <QtTest>

using namespace tavrin;

class TestTemplateLevel : public QObject {
    Q_OBJECT
private slots:
    void loadsWithoutMessages();
    void exitsLandOnWalkableTiles();
    void savesBackByteForByte();

private:
    static void prepare(LevelFixture& f);
};

void TestTemplateLevel::prepare(LevelFixture& f) {
    const QDir pics(QStringLiteral(TAVRIN_SOURCE_DIR "/data/Pics"));
    for (const QString& name : pics.entryList(QDir::Files))
        QFile::copy(pics.filePath(name), f.path("Pics/" + name));
    QFile::copy(QStringLiteral(TAVRIN_SOURCE_DIR "/data/PelmarLevel.txt"), f.module->TemplateLevelFileName());
    f.module->LevelFileName = f.module->TemplateLevelFileName();
    f.module->LoadLevelSequence(f.module->LevelFileName, "MnuPLtemp");
}

void TestTemplateLevel::loadsWithoutMessages() {
    LevelFixture f;
    prepare(f);
    QVERIFY2(f.messages.isEmpty(), qPrintable(f.messages.join('\n')));
    QVERIFY(f.module->LevelLastScreen >= 3);
    QVERIFY(f.module->LevelDescription.contains("\r\n"));
    QVERIFY(!f.grid.picture(f.module->WalkerTile).isNull());
}

void TestTemplateLevel::exitsLandOnWalkableTiles() {
    LevelFixture f;
    prepare(f);
    Module1& m = *f.module;
    struct Exit {
        int screen, tile, target, landing;
    };
    QList<Exit> exits;
    for (Integer screen = 0; screen <= m.LevelLastScreen; ++screen) {
        m.CurrentScreen = screen;
        m.LoadScreen();
        QCOMPARE(m.FileRunning, True);
        for (int t = 1; t <= 300; ++t) {
            const Integer props[] = {m.TilePropLeft(t), m.TilePropUp(t), m.TilePropRight(t),
                                     m.TilePropDown(t)};
            const FieldValue ops[] = {m.TilePropLeftOps(t), m.TilePropUpOps(t), m.TilePropRightOps(t),
                                      m.TilePropDownOps(t)};
            for (int d = 0; d < 4; ++d)
                if (props[d] >= 2 && props[d] <= 9)
                    exits << Exit{screen, t, m.SideScreen(props[d]), ops[d].toInteger()};
        }
    }
    QVERIFY(exits.size() >= 8);
    for (const Exit& exit : exits) {
        QVERIFY2(exit.target >= 0 && exit.target <= m.LevelLastScreen && exit.target != exit.screen,
                 qPrintable(QString("screen %1 tile %2").arg(exit.screen).arg(exit.tile)));
        m.CurrentScreen = Integer(exit.target);
        m.LoadScreen();
        QVERIFY(exit.landing >= 1 && exit.landing <= 300);
        const int blocked = (m.TilePropLeft(exit.landing) == 1) + (m.TilePropUp(exit.landing) == 1) +
                            (m.TilePropRight(exit.landing) == 1) + (m.TilePropDown(exit.landing) == 1);
        QVERIFY2(blocked < 4,
                 qPrintable(QString("landing tile %1 on screen %2").arg(exit.landing).arg(exit.target)));
    }
}

void TestTemplateLevel::savesBackByteForByte() {
    LevelFixture f;
    prepare(f);
    f.module->SaveScreenTmp();
    f.module->SaveLevel(f.path("saved.txt"));
    QCOMPARE(f.readFile("saved.txt"), f.readFile("PelmarLevel.txt"));
}

QTEST_MAIN(TestTemplateLevel)
#include "tst_templatelevel.moc"
