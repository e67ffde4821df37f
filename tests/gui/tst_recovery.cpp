// Crash recovery: an editor killed after an edit leaves its work to the next one, which offers to recover
// it (every edited screen back, the level modified) or to discard it; two editors in one folder keep their
// scratch files apart.
#include "editorfixture.h"

#include <QProcess>
#include <QtTest>
#include <QtWidgets>
#include <cstdio>

using namespace tavrin;

class TestRecovery : public QObject {
    Q_OBJECT
private slots:
    // The child process of killedEditorLeavesItsWork: edits two screens and the level properties, waits
    // past the autosave, and waits to be killed.
    void childEdits() {
        const QString folder = qEnvironmentVariable("TAVRIN_CHILD_FOLDER");
        if (folder.isEmpty())
            QSKIP("runs as the child of killedEditorLeavesItsWork");
        EditorFixture f({}, folder);
        f.form->MnuPLtemp_Click();
        f.document->changeScreen(2);
        f.paint(150, 255);
        f.document->changeScreen(0);
        f.paint(7, 4660);
        PropertyValues renamed = f.module->Properties();
        renamed.name = "Renamed";
        f.document->editProperties(renamed);
        QTest::qWait(2500);
        std::printf("edited\n");
        std::fflush(stdout);
        QTest::qWait(60000);
    }

    void killedEditorLeavesItsWork_data() {
        QTest::addColumn<QString>("answer");
        QTest::newRow("recover") << "Recover";
        QTest::newRow("discard") << "Discard";
    }
    void killedEditorLeavesItsWork() {
        QFETCH(QString, answer);
        QTemporaryDir folder;
        EditorFixture::PrepareProgramFolder(folder.path());
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TAVRIN_CHILD_FOLDER", folder.path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {"childEdits"});
        QString output;
        while (!output.contains("edited") && child.waitForReadyRead(20000))
            output += child.readAllStandardOutput();
        QVERIFY2(output.contains("edited"), qPrintable(output + child.readAllStandardError()));
        child.kill();
        child.waitForFinished();

        auto editor = std::make_unique<EditorFixture>(QStringList{answer}, folder.path());
        EditorFixture& f = *editor;
        QCOMPARE(f.questions, QStringList{"Recover Unsaved Work"});
        if (answer == "Recover") {
            QVERIFY(f.form->Document().isModified() && f.form->windowTitle().endsWith('*'));
            QCOMPARE(f.form->Tile(7)->backColour(), 4660);
            QCOMPARE(f.module->LevelName, "Renamed");
            f.document->changeScreen(2);
            QCOMPARE(f.form->Tile(150)->backColour(), 255);
            const QByteArray saved = f.saveAs("recovered.txt");
            QVERIFY(saved.contains("\"Screen0\",7,4660,") && saved.contains("\"Screen2\",150,255,"));
            QVERIFY(!f.form->Document().isModified());
        } else {
            QVERIFY(!f.hasScratchFiles() && !f.form->Document().isModified());
            f.form->MnuPLtemp_Click();
            QVERIFY(f.form->Tile(7)->backColour() != 4660);
        }
        f.paint(8, 1); // given up on Exit: nothing unsaved is left, so no question next time
        f.answers << "Discard";
        f.form->mnuExit_Click();
        editor.reset(); // the program ends
        EditorFixture again({}, folder.path());
        QCOMPARE(again.questions, QStringList());
    }

    void twoEditorsSideBySide() {
        EditorFixture a;
        EditorFixture b({}, a.root);
        QVERIFY(a.questions.isEmpty() && b.questions.isEmpty());
        QVERIFY(QFileInfo(a.module->ScratchFileName(1)).dir() !=
                QFileInfo(b.module->ScratchFileName(1)).dir());
        a.form->MnuPLtemp_Click();
        b.form->MnuPLtemp_Click();
        a.document->changeScreen(1);
        a.paint(150, 255);
        a.document->changeScreen(0);
        b.document->changeScreen(1);
        QVERIFY(b.form->Tile(150)->backColour() != 255);
        b.answers << "Discard";
        QVERIFY(b.form->close());
        a.document->changeScreen(1);
        QCOMPARE(a.form->Tile(150)->backColour(), 255);
    }
};

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
