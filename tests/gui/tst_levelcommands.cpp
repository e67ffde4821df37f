// Load Level, Save Level, Pelmar Level and the level named on the command line, through the window.
#include "colour.h"
#include "editorfixture.h"
#include "picturebox.h"

#include <QLineEdit>
#include <QtTest>

using namespace tavrin;

namespace {
QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A level of one screen whose start tile is 57 and whose tile 57 is painted with colour 4242.
void writeStartTileLevel(const QString& path) {
    QByteArray bytes;
    for (int t = 1; t <= 300; ++t)
        bytes += "\"Screen0\"," + QByteArray::number(t) + ',' + (t == 57 ? "4242" : "0") +
                 ",997,0,0,0,0,1,1,1,1\r\n";
    bytes += "\"LevelProp\",\"Start\",\"\",\"\",\"\",\"\",57,0,0,0,0,0\r\n";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}
} // namespace

class TestLevelCommands : public QObject {
    Q_OBJECT
private slots:
    void loadLevel();
    void loadCancelledChangesNothing();
    void loadMissingFileReportsOnce();
    void freshEditorSavesExactly();
    void saveCancelled();
    void saveRefusesNegativeLastScreen();
    void saveOverLoadedLevelKeepsItsScreens();
    void pelmarLevel();
    void pelmarLevelWithoutTemplate();
    void shortcuts_data();
    void shortcuts();
    void commandLineLevel();
    void commandLineMissingFile();
};

void TestLevelCommands::loadLevel() {
    EditorFixture f;
    writeStartTileLevel(f.path("start.txt"));
    f.module->CurrentScreen = 3;
    f.dialog.files << f.path("start.txt");
    f.form->mnuLoad_Click();
    QCOMPARE(f.dialog.titles, QStringList{"Load Level"});
    QCOMPARE(f.form->windowTitle(), "TavrinEditor (" + f.path("start.txt") + ")");
    QCOMPARE(f.module->LevelFileName, f.path("start.txt"));
    QCOMPARE(f.module->CurrentScreen, Integer(0));
    QCOMPARE(f.module->WalkerTile, Integer(57));
    QCOMPARE(f.form->Tile(57)->picture(), f.form->Tile(999)->picture());
    QCOMPARE(f.form->Tile(998)->picture(), f.form->Tile(997)->picture());
    QCOMPARE(f.form->Tile(998)->backColour(), Long(4242));
    QVERIFY(f.messages.messages().isEmpty());
}

void TestLevelCommands::loadCancelledChangesNothing() {
    EditorFixture f;
    f.dialog.files << std::nullopt;
    f.form->mnuLoad_Click();
    QCOMPARE(f.form->windowTitle(), QString("TavrinEditor"));
    QVERIFY(f.module->LevelFileName.isEmpty());
    QVERIFY(f.messages.messages().isEmpty());
}

void TestLevelCommands::loadMissingFileReportsOnce() {
    EditorFixture f;
    f.dialog.files << f.path("gone.txt");
    f.form->mnuLoad_Click();
    QCOMPARE(f.titles(), QStringList{"53, mnuLoad_Click"});
    QCOMPARE(f.module->LevelFileName, f.path("gone.txt"));
    QCOMPARE(f.form->windowTitle(), "TavrinEditor (" + f.path("gone.txt") + ")");
    QCOMPARE(f.module->WalkerTile, Integer(1));
}

void TestLevelCommands::freshEditorSavesExactly() {
    EditorFixture f;
    f.dialog.files << f.path("new.txt");
    f.form->mnuSave_Click();
    QCOMPARE(f.dialog.titles, QStringList{"Save Level"});
    QCOMPARE(readFile(f.path("new.txt")), readFile(QStringLiteral(TAVRIN_TEST_DATA "/new_level_saved.txt")));
    QCOMPARE(f.form->ScreenToGoTo->text(), QString("1"));
    QCOMPARE(f.dialog.FileName, f.path("new.txt"));
    QVERIFY(f.messages.messages().isEmpty());
}

void TestLevelCommands::saveCancelled() {
    EditorFixture f;
    f.form->ScreenToGoTo->setText("7");
    f.dialog.files << std::nullopt;
    f.form->mnuSave_Click();
    QCOMPARE(f.form->ScreenToGoTo->text(), QString("0"));
    QVERIFY(QFile::exists(f.path("Screen0.tmp")));
    QVERIFY(f.messages.messages().isEmpty());
}

void TestLevelCommands::saveRefusesNegativeLastScreen() {
    EditorFixture f;
    f.module->LevelLastScreen = -1;
    f.dialog.files << f.path("never.txt");
    f.form->mnuSave_Click();
    QCOMPARE(f.titles(), QStringList{"380, mnuSave_Click"});
    QVERIFY(f.dialog.titles.isEmpty());
    QVERIFY(!QFile::exists(f.path("never.txt")));
}

void TestLevelCommands::saveOverLoadedLevelKeepsItsScreens() {
    EditorFixture f;
    f.form->MnuPLtemp_Click();
    const QByteArray before = readFile(f.path("PelmarLevel.txt"));
    f.form->Tile(150)->setBackColour(Rgb(1, 2, 3));
    f.dialog.files << f.path("PelmarLevel.txt");
    f.form->mnuSave_Click();
    const QByteArray after = readFile(f.path("PelmarLevel.txt"));
    QVERIFY(after.contains("\"Screen0\",150,197121,"));
    // Every other screen is as it was.
    const int screenOne = before.indexOf("\"Screen1\"");
    QCOMPARE(after.mid(after.indexOf("\"Screen1\"")), before.mid(screenOne));
    QVERIFY(f.messages.messages().isEmpty());
}

void TestLevelCommands::pelmarLevel() {
    EditorFixture f;
    QFile::copy(f.path("PelmarLevel.txt"), f.path("Screen2.tmp"));
    f.form->MnuPLtemp_Click();
    QCOMPARE(f.module->LevelFileName, f.module->TemplateLevelFileName());
    QCOMPARE(f.form->windowTitle(), QString("TavrinEditor"));
    QVERIFY(f.module->LevelLastScreen >= 3);
    QVERIFY(!QFile::exists(f.path("Screen2.tmp"))); // screens of another level never come back
    QVERIFY(f.messages.messages().isEmpty());
}

void TestLevelCommands::pelmarLevelWithoutTemplate() {
    EditorFixture f;
    QFile::remove(f.path("PelmarLevel.txt"));
    QFile::copy(QStringLiteral(TAVRIN_TEST_DATA "/screen0_untouched.tmp"), f.path("Screen0.tmp"));
    f.form->MnuPLtemp_Click();
    QCOMPARE(f.titles(), QStringList{"53, MnuPLtemp"});
    QVERIFY(f.module->LevelFileName.isEmpty());
    QVERIFY(QFile::exists(f.path("Screen0.tmp")));
}

void TestLevelCommands::shortcuts_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("title");
    QTest::newRow("Ctrl+L loads") << int(Qt::Key_L) << int(Qt::ControlModifier) << "Load Level";
    QTest::newRow("Ctrl+S saves") << int(Qt::Key_S) << int(Qt::ControlModifier) << "Save Level";
}

void TestLevelCommands::shortcuts() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, title);
    EditorFixture f;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    f.form->ScreenToGoTo->setFocus();
    f.dialog.files << std::nullopt;
    QTest::keyClick(f.form->ScreenToGoTo, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(f.dialog.titles, QStringList{title});
}

void TestLevelCommands::commandLineLevel() {
    QTemporaryDir folder;
    QDir(folder.path()).mkdir("Pics");
    writeStartTileLevel(folder.filePath("start level.txt"));
    MessageCatcher messages;
    Module1 module(nullptr, folder.path());
    Form1 form(module);
    form.CommandLineArguments = folder.filePath("start level.txt").split(u' ');
    form.Form_Load();
    QCOMPARE(form.windowTitle(), "TavrinEditor (" + folder.filePath("start level.txt") + ")");
    QCOMPARE(module.WalkerTile, Integer(57));
    QCOMPARE(module.CurrentScreen, Integer(0));
    QCOMPARE(form.Tile(998)->backColour(), Long(4242));
    QCOMPARE(form.SideText(2)->text(), QString("Text1"));
    QVERIFY(messages.messages().isEmpty());
}

void TestLevelCommands::commandLineMissingFile() {
    QTemporaryDir folder;
    MessageCatcher messages;
    Module1 module(nullptr, folder.path());
    Form1 form(module);
    form.CommandLineArguments = {folder.filePath("missing.txt")};
    form.Form_Load();
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.messages().first().title, QString("53, Form1_Load"));
    QCOMPARE(module.LevelFileName, folder.filePath("missing.txt"));
    QCOMPARE(module.WalkerTile, Integer(1));
    QCOMPARE(form.Tile(1)->picture(), form.Tile(999)->picture());
}

QTEST_MAIN(TestLevelCommands)
#include "tst_levelcommands.moc"
