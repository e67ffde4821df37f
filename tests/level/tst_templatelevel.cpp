// The template level that ships with the editor: it loads without a message, saves back byte for byte,
// and every exit leads to another screen of the level onto a tile that is not walled in.
#include "leveldocument.h"
#include "levelfixture.h"

#include <QtTest>

using namespace tavrin;

class TestTemplateLevel : public QObject {
    Q_OBJECT
private slots:
    void loadsSavesAndLinks() {
        LevelFixture f;
        const QDir pics(QStringLiteral(TAVRIN_SOURCE_DIR "/data/Pics"));
        for (const QString& name : pics.entryList(QDir::Files))
            QFile::copy(pics.filePath(name), f.path("Pics/" + name));
        QFile::copy(QStringLiteral(TAVRIN_SOURCE_DIR "/data/PelmarLevel.txt"),
                    f.module->TemplateLevelFileName());
        LevelDocument& document = *f.document;
        const Module1& m = *f.module;
        document.loadLevel(m.TemplateLevelFileName(), "MnuPLtemp");
        QVERIFY(m.LevelLastScreen >= 3 && m.LevelDescription.contains("\r\n"));
        document.keepScreenOnDisplay();
        f.saveTo(f.path("saved.txt"));
        QCOMPARE(f.readFile("saved.txt"), f.readFile("PelmarLevel.txt"));

        int exits = 0;
        for (Integer screen = 0; screen <= m.LevelLastScreen; ++screen) {
            QList<std::pair<int, int>> targets; // screen and landing tile of each exit
            document.changeScreen(screen);
            for (int t = 1; t <= 300; ++t) {
                const Integer props[] = {m.TilePropLeft(t), m.TilePropUp(t), m.TilePropRight(t),
                                         m.TilePropDown(t)};
                const FieldValue ops[] = {m.TilePropLeftOps(t), m.TilePropUpOps(t), m.TilePropRightOps(t),
                                          m.TilePropDownOps(t)};
                for (int d = 0; d < 4; ++d)
                    if (props[d] >= 2 && props[d] <= 9)
                        targets.append({m.SideScreen(props[d]), ops[d].toInteger()});
            }
            for (const auto& [target, landing] : targets) {
                QVERIFY(target >= 0 && target <= m.LevelLastScreen && target != screen);
                document.changeScreen(Integer(target));
                QVERIFY(landing >= 1 && landing <= 300);
                QVERIFY(m.TilePropLeft(landing) != 1 || m.TilePropUp(landing) != 1 ||
                        m.TilePropRight(landing) != 1 || m.TilePropDown(landing) != 1);
                ++exits;
            }
        }
        QVERIFY(exits >= 8);
        QVERIFY2(f.messages.isEmpty(), qPrintable(f.messages.join('\n')));
    }
};

QTEST_MAIN(TestTemplateLevel)
#include "tst_templatelevel.moc"
