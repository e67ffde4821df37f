// Load Level, Save Level, Pelmar Level and the level named on the command line, through the window.
#include "editorfixture.h"
#include "messages.h"

#include <QtTest>

class TestLevelCommands : public QObject {
    Q_OBJECT
private slots:
    void freshEditorSavesExactly() {
        EditorFixture f;
        QCOMPARE(f.saveAs("new.txt"), ReadFile(TAVRIN_TEST_DATA "/new_level_saved.txt"));
    }
    void loadLevel_data() {
        QTest::addColumn<bool>("commandLine");
        QTest::addColumn<QStringList>("messages"); // with a message, the file is missing
        QTest::newRow("Load Level") << false << QStringList();
        QTest::newRow("Load Level, missing file") << false << QStringList{"53, mnuLoad_Click"};
        QTest::newRow("command line") << true << QStringList();
        QTest::newRow("command line, missing file") << true << QStringList{"53, Form1_Load"};
    }
    void loadLevel() { // the command-line rows run the load step again, with the level named
        QFETCH(bool, commandLine);
        QFETCH(QStringList, messages);
        EditorFixture f;
        QVERIFY(WriteFile(
            f.path("start level.txt"), // a fresh level whose start tile is 57
            ReadFile(TAVRIN_TEST_DATA "/new_level_saved.txt").replace("\"\",1,0,0", "\"\",57,0,0")));
        const QString file = f.path(messages.isEmpty() ? "start level.txt" : "gone.txt");
        f.dialog.files << file;
        f.form->CommandLineArguments = file.split(u' ');
        commandLine ? f.form->Form_Load() : f.form->mnuLoad_Click();
        QCOMPARE(f.titles(), messages);
        // A file that cannot be loaded leaves the caption as it was; one named on the command line that is
        // not there yet is a new level, named in the caption.
        QCOMPARE(f.form->windowTitle(),
                 messages.isEmpty() || commandLine ? "TavrinEditor (" + file + ")" : "TavrinEditor");
        QCOMPARE(f.form->Tile(messages.isEmpty() ? 57 : 1)->picture(), f.form->Tile(999)->picture());
    }
    void refusedAndCancelledCommandsChangeNothing() {
        EditorFixture f;
        f.dialog.files << std::nullopt << std::nullopt << f.path("never.txt");
        f.form->mnuLoad_Click(); // cancelled: silent
        f.form->mnuSave_Click(); // cancelled: silent
        tavrin::PropertyValues properties = f.module->Properties();
        properties.lastScreen = -1;
        f.document->editProperties(properties);
        f.form->mnuSave_Click();
        f.document->undo(); // the level as it started again: nothing unsaved, nothing to ask about
        QFile::remove(f.path("PelmarLevel.txt"));
        f.form->MnuPLtemp_Click();
        QCOMPARE(f.titles(), (QStringList{"380, mnuSave_Click", "53, MnuPLtemp"}));
        // The two cancelled dialogs only: the refused save asks for no file.
        QCOMPARE(f.dialog.titles, (QStringList{"Load Level", "Save Level"}));
        QVERIFY(f.module->LevelFileName.isEmpty());
        QCOMPARE(f.form->windowTitle(), QString("TavrinEditor"));
    }
    void saveOverLoadedLevelKeepsItsScreens() {
        EditorFixture f;
        QFile::copy(TAVRIN_TEST_DATA "/screen0_untouched.tmp", f.path("Screen2.tmp")); // another level's
        f.form->MnuPLtemp_Click();
        QVERIFY(QFile::exists(f.path("Screen2.tmp"))); // not the editor's own, so not deleted, but ...
        const QByteArray before = ReadFile(f.path("PelmarLevel.txt"));
        tavrin::TileState tile = f.document->tile(150);
        tile.colour = tavrin::FieldValue::number(197121); // red 1, green 2, blue 3
        f.document->editTile(150, tile);
        const QByteArray after = f.saveAs("PelmarLevel.txt");
        QVERIFY(after.contains("\"Screen0\",150,197121,"));
        // ... screens of another level never come back into this one
        QCOMPARE(after.mid(after.indexOf("\"Screen1\"")), before.mid(before.indexOf("\"Screen1\"")));
    }
    // The template level is where a new level starts: the caption names no file, whatever level was on
    // display before, and Save proposes a file not there yet, never the template itself.
    void templateLevelIsANewLevel_data() {
        QTest::addColumn<bool>("levelBefore");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("at the start") << false << "Level.txt";
        QTest::newRow("after a saved level") << true << "Level2.txt";
    }
    void templateLevelIsANewLevel() {
        QFETCH(bool, levelBefore);
        QFETCH(QString, proposed);
        EditorFixture f;
        if (levelBefore)
            f.saveAs("Level.txt");
        f.form->MnuPLtemp_Click();
        QCOMPARE(f.form->windowTitle(), QString("TavrinEditor"));
        f.dialog.proposed.clear();
        f.form->mnuSave_Click(); // cancelled
        QCOMPARE(f.dialog.proposed, QStringList{QDir::toNativeSeparators(f.path(proposed))});
        f.paint(1, 255);
        f.form->mnuNew_Click(); // asked, and cancelled
        QCOMPARE(f.questionTexts.last(), tavrin::Text(tavrin::Msg::UnsavedNewLevel));
    }
};

QTEST_MAIN(TestLevelCommands)
#include "tst_levelcommands.moc"
