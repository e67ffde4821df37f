// Faults from outside, met through the window's commands: each gives one clear message, the editor goes
// on working, and the screen on display stays whole.
#include "colour.h"
#include "editorfixture.h"
#include "faultyfiles.h"
#include "picturebox.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace tavrin;

namespace {
void goTo(EditorFixture& f, const QString& screen) {
    f.form->ScreenToGoTo->setText(screen);
    QTest::mouseClick(f.form->Command1, Qt::LeftButton);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestFaultsGui : public QObject {
    Q_OBJECT
private slots:
    void diskFullDuringSave();
    void scratchFilesCannotBeWritten();
    void scratchFileVanishes();
    void levelFileRemoved();
    void picsFolderMissing();
};

void TestFaultsGui::diskFullDuringSave() {
    EditorFixture f;
    f.form->MnuPLtemp_Click();
    FaultyFiles files;
    f.module->Files = &files;
    const QByteArray before = readFile(f.path("PelmarLevel.txt"));
    files.diskFullAfter = 40000;
    f.dialog.files << f.path("PelmarLevel.txt");
    f.form->mnuSave_Click();
    QCOMPARE(f.titles(), QStringList{"61, mnuSave_Click"});
    QCOMPARE(readFile(f.path("PelmarLevel.txt")), before);
    // The editor goes on: with room on the disk again the same save works.
    files.diskFullAfter = -1;
    f.dialog.files << f.path("PelmarLevel.txt");
    f.form->mnuSave_Click();
    QCOMPARE(f.messages.count(), 1);
    QCOMPARE(readFile(f.path("PelmarLevel.txt")), before);
}

void TestFaultsGui::scratchFilesCannotBeWritten() {
    EditorFixture f;
    f.form->MnuPLtemp_Click();
    FaultyFiles files;
    f.module->Files = &files;
    files.failOpenWriteWith = ErrPermission;
    f.form->Tile(30)->setBackColour(Rgb(9, 9, 9));
    goTo(f, "2");
    QCOMPARE(f.titles(), QStringList{"70, Command1_Click (Change Screen)"});
    QCOMPARE(f.module->CurrentScreen, Integer(0));
    QCOMPARE(f.form->Tile(30)->backColour(), Rgb(9, 9, 9));
}

void TestFaultsGui::scratchFileVanishes() {
    EditorFixture f;
    f.form->MnuPLtemp_Click();
    const Long original = f.form->Tile(30)->backColour();
    f.form->Tile(30)->setBackColour(Rgb(9, 9, 9));
    goTo(f, "1");
    QFile::remove(f.path("Screen0.tmp"));
    goTo(f, "0");
    QCOMPARE(f.titles(), QStringList{"75, Command1_Click (Change Screen)"});
    QVERIFY(f.messages.messages().first().text.contains("Screen0.tmp"));
    QCOMPARE(f.module->CurrentScreen, Integer(0));
    QCOMPARE(f.form->Tile(30)->backColour(), original);
}

void TestFaultsGui::levelFileRemoved() {
    EditorFixture f;
    f.form->MnuPLtemp_Click();
    QFile::remove(f.path("PelmarLevel.txt"));
    goTo(f, "3");
    QCOMPARE(f.titles(), QStringList{"75, Command1_Click (Change Screen)"});
    QCOMPARE(f.module->CurrentScreen, Integer(3));
    f.dialog.files << f.path("copy.txt");
    f.form->mnuSave_Click();
    QCOMPARE(f.titles().last(), QString("75, mnuSave_Click"));
    QVERIFY(f.dialog.titles.isEmpty()); // refused before a file is asked for
    QVERIFY(!QFile::exists(f.path("copy.txt")));
}

void TestFaultsGui::picsFolderMissing() {
    EditorFixture f;
    QDir(f.path("Pics")).removeRecursively();
    f.form->MnuPLtemp_Click();
    QCOMPARE(f.titles(), QStringList{"75, MnuPLtemp"});
    QVERIFY(f.module->LevelLastScreen >= 3); // the level itself is loaded
    goTo(f, "1");
    QCOMPARE(f.messages.count(), 1);
}

QTEST_MAIN(TestFaultsGui)
#include "tst_faultsgui.moc"
