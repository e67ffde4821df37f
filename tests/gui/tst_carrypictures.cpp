// Pictures imported for a level that has no file yet go to the program's Pics folder; the save that gives
// the level a Pics folder of its own copies them there, asking before one replaces another picture.
#include "editorfixture.h"

#include <QtTest>

using namespace tavrin;

namespace {
const QString Imported = QStringLiteral(TAVRIN_SOURCE_DIR "/data/Pics/grass.bmp");
const QString Other = QStringLiteral(TAVRIN_SOURCE_DIR "/data/Pics/water.bmp");
} // namespace

class TestCarryPictures : public QObject {
    Q_OBJECT
private slots:
    void firstSaveCarriesImports_data() {
        QTest::addColumn<QString>(
            "there"); // what the level's folder holds before: "", "same", "other", "a file Pics"
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("after"); // the picture in the level's Pics folder: "imported", "other", ""
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("nothing of that name there") << "" << QStringList() << "imported" << QStringList();
        QTest::newRow("the same picture there") << "same" << QStringList() << "imported" << QStringList();
        QTest::newRow("another picture there, replaced")
            << "other" << QStringList{"Replace"} << "imported" << QStringList();
        QTest::newRow("another picture there, kept")
            << "other" << QStringList{"Keep the One There"} << "other" << QStringList();
        QTest::newRow("another picture there, Esc") << "other" << QStringList() << "other" << QStringList();
        QTest::newRow("no Pics folder can be made")
            << "a file Pics" << QStringList() << "" << QStringList{"75, mnuSave_Click"};
    }
    void firstSaveCarriesImports() {
        QFETCH(QString, there);
        QFETCH(QStringList, answers);
        QFETCH(QString, after);
        QFETCH(QStringList, messages);
        EditorFixture f;
        QVERIFY(QDir().mkpath(f.path("elsewhere")) && QDir().mkpath(f.path("levels")));
        QVERIFY(QFile::copy(Imported, f.path("elsewhere/mine.bmp")));
        QCOMPARE(f.document->importPicture(f.path("elsewhere/mine.bmp")), "\\mine.bmp");
        QVERIFY(QFile::exists(f.path("Pics/mine.bmp")));
        const QString target = f.path("levels/Pics/mine.bmp");
        if (there == "a file Pics")
            QVERIFY(WriteFile(f.path("levels/Pics"), "no folder"));
        else if (!there.isEmpty())
            QVERIFY(QDir().mkpath(f.path("levels/Pics")) &&
                    QFile::copy(there == "same" ? Imported : Other, target));

        f.answers = answers;
        f.saveAs("levels/level.txt");
        QVERIFY(QFile::exists(f.path("levels/level.txt"))); // saved, whatever became of the picture
        QCOMPARE(f.questions, QStringList(there == "other" ? 1 : 0, "Replace Picture"));
        QCOMPARE(f.titles(), messages);
        const QByteArray expected =
            after.isEmpty() ? QByteArray() : ReadFile(after == "other" ? Other : Imported);
        QCOMPARE(ReadFile(target), expected);
        QVERIFY(QFile::exists(f.path("Pics/mine.bmp"))); // the program's copy stays

        // Carried once; one that could not be copied is tried again at the next save.
        QFile::remove(f.path("levels/Pics"));
        f.questions.clear();
        f.saveAs("levels/level.txt");
        QCOMPARE(f.questions, QStringList());
        QCOMPARE(ReadFile(target), messages.isEmpty() ? expected : ReadFile(Imported));
    }

    void onlyImportsForTheLevelSaved_data() {
        QTest::addColumn<bool>("importFirst"); // before Pelmar Level, else after it
        QTest::newRow("imported for the level before") << true;
        QTest::newRow("imported for the template level") << false;
    }
    // The template level has no folder of its own either; a level loaded in between takes nothing along.
    void onlyImportsForTheLevelSaved() {
        QFETCH(bool, importFirst);
        EditorFixture f;
        QVERIFY(QDir().mkpath(f.path("elsewhere")) && QDir().mkpath(f.path("levels")));
        QVERIFY(QFile::copy(Imported, f.path("elsewhere/mine.bmp")));
        if (importFirst)
            f.document->importPicture(f.path("elsewhere/mine.bmp"));
        f.form->MnuPLtemp_Click();
        if (!importFirst)
            f.document->importPicture(f.path("elsewhere/mine.bmp"));
        f.saveAs("levels/level.txt");
        QCOMPARE(QFile::exists(f.path("levels/Pics/mine.bmp")), !importFirst);
        QCOMPARE(f.titles(), QStringList());
    }
};

QTEST_MAIN(TestCarryPictures)
#include "tst_carrypictures.moc"
