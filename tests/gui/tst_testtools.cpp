// The two developer commands under the grid: Test, which shows the folders and plays a picked file, and
// Test2, which writes every tile's direction properties onto the grid. Nothing is really started here:
// the ways the Test command starts things are replaced by recorders.

#include "colour.h"
#include "editorfixture.h"
#include "picturebox.h"
#include "testcommand.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace tavrin;

namespace {

const QString Player = QStringLiteral("C:\\WINDOWS\\rundll32.exe");
const QStringList PlayerArguments = {QStringLiteral("C:\\WINDOWS\\SYSTEM\\amovie.ocx,RunDll"),
                                     QStringLiteral("/play"), QStringLiteral("/close")};

// Remembers the file name each file dialog proposed when it opened.
class ProposingDialog : public ScriptedDialog {
public:
    void ShowOpen() override {
        proposed << FileName;
        ScriptedDialog::ShowOpen();
    }
    QStringList proposed;
};

struct Start {
    QString program;
    QStringList arguments;
};

} // namespace

class TestTestTools : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void commandLine_data();
    void commandLine();
    void folderText_data();
    void folderText();
    void foldersCaption_data();
    void foldersCaption();

    void testShowsFoldersAndStartsPlayer();
    void testLabelWithCurrentFolderAtRoot();
    void testUsesDialogAsLeft();
    void testCancelEndsSilently();
    void testFallsBackToDesktop();
    void testCannotPlay_data();
    void testCannotPlay();
    void playerCannotStartHere();
    void starterPassesArgumentsWithoutShell();

    void test2OnNewLevel();
    void test2Properties_data();
    void test2Properties();
    void test2PutsBlankTilePicture();

private:
    void click(const char* name) const;
    PictureBox* tile(int index) const { return m_editor->form->Tile(index); }
    Module1& module() const { return *m_editor->module; }
    QString shownFolders() const;

    std::unique_ptr<EditorFixture> m_editor;
    ProposingDialog m_dialog;
    QList<Start> m_starts;
    QStringList m_opened;
    bool m_startSucceeds = true;
    bool m_openSucceeds = true;
};

void TestTestTools::init() {
    m_editor = std::make_unique<EditorFixture>();
    m_editor->form->StatusTimer->stop();
    m_dialog = ProposingDialog();
    m_dialog.InitDir = m_editor->folder.path();
    m_editor->form->Dialog = &m_dialog;
    m_starts.clear();
    m_opened.clear();
    m_startSucceeds = true;
    m_openSucceeds = true;
    TestCommand& command = m_editor->form->testCommand();
    command.startDetached = [this](const QString& program, const QStringList& arguments) {
        m_starts.append({program, arguments});
        return m_startSucceeds;
    };
    command.openWithDesktop = [this](const QString& file) {
        m_opened << file;
        return m_openSucceeds;
    };
    m_editor->form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_editor->form.get()));
}

void TestTestTools::cleanup() {
    QCOMPARE(m_editor->quits, 0);
    m_editor.reset();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestTestTools::click(const char* name) const {
    auto* button = m_editor->form->findChild<QPushButton*>(QLatin1String(name));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

// The two folders on two lines, as Label1 shows them.
QString TestTestTools::shownFolders() const {
    return QDir::toNativeSeparators(QDir(m_editor->folder.path()).absolutePath()) + u'\n' +
           QDir::toNativeSeparators(QDir::currentPath());
}

// --- The command line ------------------------------------------------------------------------------------

void TestTestTools::commandLine_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("fileArguments");

    QTest::newRow("plain path") << "C:\\Media\\song.wav" << QStringList{"C:\\Media\\song.wav"};
    QTest::newRow("blanks in the path, passed unquoted")
        << "C:\\My Music\\a song.wav" << QStringList{"C:\\My", "Music\\a", "song.wav"};
    QTest::newRow("POSIX path with a blank")
        << "/home/ann/My Music/tune.mid" << QStringList{"/home/ann/My", "Music/tune.mid"};
    QTest::newRow("two blanks in a row") << "/tmp/a  b.wav" << QStringList{"/tmp/a", "b.wav"};
    QTest::newRow("quotes stay as they are") << "\"/tmp/q.wav\"" << QStringList{"\"/tmp/q.wav\""};
    QTest::newRow("no file name") << "" << QStringList();
}

void TestTestTools::commandLine() {
    QFETCH(QString, file);
    QFETCH(QStringList, fileArguments);

    QCOMPARE(TestCommand::PlayerPrefix.size(), 73);
    QVERIFY(TestCommand::PlayerPrefix.endsWith(u' '));
    const QString line = TestCommand::CommandLine(file);
    QCOMPARE(line, QStringLiteral(
                       "C:\\WINDOWS\\rundll32.exe C:\\WINDOWS\\SYSTEM\\amovie.ocx,RunDll /play /close ") +
                       file);
    QCOMPARE(TestCommand::SplitCommandLine(line), QStringList{Player} + PlayerArguments + fileArguments);
}

void TestTestTools::folderText_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");

    QTest::newRow("as it is") << "/tmp/music"
                              << "/tmp/music";
    QTest::newRow("trailing separator dropped") << "/tmp/music/"
                                                << "/tmp/music";
    QTest::newRow("root keeps its separator") << "/"
                                              << "/";
    QTest::newRow("dots and doubled separators resolved") << "/tmp//music/./x/.."
                                                          << "/tmp/music";
}

void TestTestTools::folderText() {
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QCOMPARE(TestCommand::FolderText(folder), QDir::toNativeSeparators(expected));
}

void TestTestTools::foldersCaption_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("expected");

    QTest::newRow("two folders, one carriage return") << "/opt/tavrin/"
                                                      << "/home/ann"
                                                      << "/opt/tavrin\r/home/ann";
    QTest::newRow("current folder at the root") << "/opt/tavrin"
                                                << "/"
                                                << "/opt/tavrin\r/";
}

void TestTestTools::foldersCaption() {
    QFETCH(QString, program);
    QFETCH(QString, current);
    QFETCH(QString, expected);
    QCOMPARE(TestCommand::FoldersCaption(program, current), QDir::toNativeSeparators(expected));
}

// --- The Test command --------------------------------------------------------------------------------------

void TestTestTools::testShowsFoldersAndStartsPlayer() {
    const QString file = m_editor->path("My Music/first song.wav");
    m_dialog.files << file;
    QDir::setCurrent(QDir::tempPath());

    click("Command2");
    QCOMPARE(m_editor->form->Label1->text(), shownFolders());
    QVERIFY(m_editor->form->Label1->text().endsWith(QDir::toNativeSeparators(QDir::tempPath())));
    QCOMPARE(m_starts.size(), 1);
    QCOMPARE(m_starts.at(0).program, Player);
    QCOMPARE(m_starts.at(0).arguments, PlayerArguments + file.split(u' '));
    QVERIFY(m_opened.isEmpty());
    QCOMPARE(m_editor->messages.count(), 0);
    // Nothing of the level changes.
    QCOMPARE(module().CurrentScreen, Integer(0));
    QCOMPARE(module().WalkerTile, Integer(1));
}

void TestTestTools::testLabelWithCurrentFolderAtRoot() {
    m_dialog.files << std::nullopt;
    QDir::setCurrent(QDir::rootPath());
    click("Command2");
    const QStringList lines = m_editor->form->Label1->text().split(u'\n');
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), QDir::toNativeSeparators(QDir(m_editor->folder.path()).absolutePath()));
    QCOMPARE(lines.at(1), QDir::toNativeSeparators(QDir::rootPath()));
}

void TestTestTools::testUsesDialogAsLeft() {
    const QString first = m_editor->path("a.wav");
    m_dialog.files << first << first;

    click("Command2");
    // A command that used the dialog in between leaves its own title and file name.
    m_dialog.DialogTitle = QStringLiteral("Save Level");
    m_dialog.FileName = m_editor->path("Saved.txt");
    click("Command2");

    QCOMPARE(m_dialog.titles, (QStringList{"Load Level", "Save Level"}));
    QCOMPARE(m_dialog.proposed, (QStringList{"Level.txt", m_editor->path("Saved.txt")}));
    QCOMPARE(m_starts.size(), 2);
    QCOMPARE(m_starts.at(1).arguments.last(), first);
}

void TestTestTools::testCancelEndsSilently() {
    m_dialog.files << std::nullopt;
    QCOMPARE(m_editor->form->Label1->text(), QStringLiteral("Label1"));

    click("Command2");
    QCOMPARE(m_dialog.titles.size(), 1);
    QCOMPARE(m_editor->form->Label1->text(), shownFolders());
    QVERIFY(m_starts.isEmpty());
    QVERIFY(m_opened.isEmpty());
    QCOMPARE(m_editor->messages.count(), 0);
    QCOMPARE(m_dialog.FileName, QStringLiteral("Level.txt"));
}

void TestTestTools::testFallsBackToDesktop() {
    const QString file = m_editor->path("tune.mid");
    QFile(file).open(QIODevice::WriteOnly);
    m_dialog.files << file;
    m_startSucceeds = false;

    click("Command2");
    QCOMPARE(m_starts.size(), 1);
    QCOMPARE(m_opened, QStringList{file});
    QCOMPARE(m_editor->messages.count(), 0);
}

void TestTestTools::testCannotPlay_data() {
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<bool>("desktopAsked");
    QTest::addColumn<QString>("reason");

    QTest::newRow("no player and no application for the file")
        << true << true << "the media player C:\\WINDOWS\\rundll32.exe could not be started";
    QTest::newRow("no player and the file is gone") << false << false << "the file does not exist";
}

void TestTestTools::testCannotPlay() {
    QFETCH(bool, fileExists);
    QFETCH(bool, desktopAsked);
    QFETCH(QString, reason);

    const QString file = m_editor->path("my tune.mid");
    if (fileExists)
        QFile(file).open(QIODevice::WriteOnly);
    m_dialog.files << file;
    m_startSucceeds = false;
    m_openSucceeds = false;

    click("Command2");
    QCOMPARE(m_opened.size(), desktopAsked ? 1 : 0);
    QCOMPARE(m_editor->messages.count(), 1);
    const auto message = m_editor->messages.messages().at(0);
    QCOMPARE(message.title, QStringLiteral("53, Command2_Click"));
    QVERIFY2(
        message.text.startsWith(QStringLiteral("Cannot play \"%1\"").arg(QDir::toNativeSeparators(file))),
        qPrintable(message.text));
    QVERIFY2(message.text.contains(reason), qPrintable(message.text));

    // The editor goes on: the next try plays.
    m_startSucceeds = true;
    m_dialog.files << file;
    click("Command2");
    QCOMPARE(m_editor->messages.count(), 1);
    QCOMPARE(m_starts.size(), 2);
}

void TestTestTools::playerCannotStartHere() {
#ifdef Q_OS_WIN
    QSKIP("The player's launcher may exist on Windows");
#else
    TestCommand command;
    QVERIFY(!command.startDetached(Player, PlayerArguments + QStringList{"x.wav"}));
#endif
}

void TestTestTools::starterPassesArgumentsWithoutShell() {
#ifdef Q_OS_WIN
    QSKIP("Needs a POSIX touch");
#else
    const QString made = m_editor->path("made by touch; $HOME");
    TestCommand command;
    QVERIFY(command.startDetached(QStringLiteral("touch"), {made}));
    QTRY_VERIFY(QFile::exists(made));
#endif
}

// --- Test2 -------------------------------------------------------------------------------------------------

void TestTestTools::test2OnNewLevel() {
    const QImage before = tile(150)->grab().toImage();
    click("Command3");
    for (int index = 1; index <= 300; ++index)
        QVERIFY2(tile(index)->printedText() == QStringLiteral("0,0\r0,0"),
                 qPrintable(QString::number(index)));
    QVERIFY(tile(BlankTile)->printedText().isEmpty());
    // The text is drawn on the tile.
    QVERIFY(tile(150)->grab().toImage() != before);
    QCOMPARE(m_editor->messages.count(), 0);
}

void TestTestTools::test2Properties_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QList<int>>("upRightLeftDown");
    QTest::addColumn<QString>("expected");

    QTest::newRow("up 1, right 2, left 3, down -1") << 42 << QList<int>{1, 2, 3, -1} << "1,2\r3,-1";
    QTest::newRow("first tile") << 1 << QList<int>{0, 5, 0, 0} << "0,5\r0,0";
    QTest::newRow("last tile, extremes")
        << 300 << QList<int>{-32768, 32767, 10, -20} << "-32768,32767\r10,-20";
}

void TestTestTools::test2Properties() {
    QFETCH(int, index);
    QFETCH(QList<int>, upRightLeftDown);
    QFETCH(QString, expected);

    module().TilePropUp(index) = Integer(upRightLeftDown.at(0));
    module().TilePropRight(index) = Integer(upRightLeftDown.at(1));
    module().TilePropLeft(index) = Integer(upRightLeftDown.at(2));
    module().TilePropDown(index) = Integer(upRightLeftDown.at(3));

    click("Command3");
    QCOMPARE(tile(index)->printedText(), expected);
    const int neighbour = index == 300 ? 299 : index + 1;
    QCOMPARE(tile(neighbour)->printedText(), QStringLiteral("0,0\r0,0"));
}

void TestTestTools::test2PutsBlankTilePicture() {
    const QImage marker = tile(MarkerTile)->picture();
    QCOMPARE(tile(1)->picture(), marker);
    tile(7)->setBackColour(Rgb(10, 20, 30));
    tile(8)->setPicture(marker);
    const QImage preview = tile(PreviewTile)->picture();
    const Long previewColour = tile(PreviewTile)->backColour();

    // Tile(0) shows no picture at start: Test2 blanks every tile.
    click("Command3");
    for (int index = 1; index <= 300; ++index)
        QVERIFY2(tile(index)->picture().isNull(), qPrintable(QString::number(index)));
    QCOMPARE(module().WalkerTile, Integer(1));
    QCOMPARE(tile(7)->backColour(), Rgb(10, 20, 30));
    QCOMPARE(tile(PreviewTile)->picture(), preview);
    QCOMPARE(tile(PreviewTile)->backColour(), previewColour);
    QVERIFY(module().TilePicture(8).isEmpty());

    // Once Tile(0) has a picture, every tile gets it under the text.
    QImage brush(9, 9, QImage::Format_RGB32);
    brush.fill(Qt::magenta);
    tile(BlankTile)->setPicture(brush);
    click("Command3");
    for (int index = 1; index <= 300; ++index)
        QVERIFY2(tile(index)->picture() == brush, qPrintable(QString::number(index)));
    QCOMPARE(tile(300)->printedText(), QStringLiteral("0,0\r0,0"));
}

QTEST_MAIN(TestTestTools)
#include "tst_testtools.moc"
