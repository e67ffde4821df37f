// git set up by tavrin-level git-setup merges and compares level files by meaning: a real repository in a
// temporary folder, a branch that deletes a screen merged with one that edits another, and a pair that
// conflicts.
#include "levelfixture.h"
#include "leveltool.h"

#include <QStandardPaths>
#include <QtTest>

using namespace tavrin;

namespace {
struct Run {
    int code;
    QByteArray out;
};

Run RunIn(const QString& folder, const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The user's own settings take no part.
    environment.insert("GIT_CONFIG_GLOBAL", "/dev/null");
    environment.insert("GIT_CONFIG_NOSYSTEM", "1");
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAll()};
}

// The tile record of screen 1, tile 5 in a level of NumberedLevel's, with `rest` after the tile number.
QByteArray Tile105(const QByteArray& rest) {
    return NumberedLevel(3, {{1005, rest}});
}
} // namespace

class TestGitMerge : public QObject {
    Q_OBJECT
    LevelFixture m_f;
    QString m_repo;
    int m_branches = 0;

    Run git(const QStringList& arguments) { return RunIn(m_repo, QStringLiteral("git"), arguments); }

    // Commits `level` as levels/level.txt on the branch checked out.
    void commit(const QByteArray& level, const QString& message) {
        m_f.writeFile("repo/levels/level.txt", level);
        QCOMPARE(git({"add", "-A"}).code, 0);
        QCOMPARE(git({"commit", "-q", "-m", message}).code, 0);
    }

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable("git").isEmpty())
            QSKIP("git is not installed");
        m_repo = m_f.path("repo");
        QVERIFY(QDir().mkpath(m_repo + "/levels"));
        QCOMPARE(git({"init", "-q", "-b", "main"}).code, 0);
        QCOMPARE(git({"config", "user.name", "Tester"}).code, 0);
        QCOMPARE(git({"config", "user.email", "tester@example.org"}).code, 0);
        const Run setup = RunIn(m_repo, QStringLiteral(TAVRIN_LEVEL_TOOL), {"git-setup"});
        QCOMPARE(setup.code, 0);
        QVERIFY(setup.out.contains("merge=tavrin diff=tavrin"));
        m_f.writeFile("repo/.gitattributes", "levels/*.txt merge=tavrin diff=tavrin\n");
        commit(NumberedLevel(3), "base");
    }

    void merges_data() {
        QTest::addColumn<QByteArray>("ours");
        QTest::addColumn<QByteArray>("theirs");
        QTest::addColumn<bool>("merged");
        QTest::addColumn<QByteArray>("result");
        // Their side deleted screen 0: our edit of screen 2 is on screen 1 now.
        const QByteArray edited = NumberedLevel(3, {{2005, "255,0,0,0,0,0,1,1,1,1"}});
        QTest::newRow("a screen deleted, another edited")
            << edited << RenumberedLevel(m_f.folder.path(), NumberedLevel(3), {"--delete", "0"}) << true
            << RenumberedLevel(m_f.folder.path(), edited, {"--delete", "0"});
        QTest::newRow("one field two ways")
            << Tile105("255,0,0,0,0,0,1,1,1,1") << Tile105("7,0,0,0,0,0,1,1,1,1") << false
            << Tile105("255,0,0,0,0,0,1,1,1,1");
    }

    void merges() {
        QFETCH(QByteArray, ours);
        QFETCH(QByteArray, theirs);
        QFETCH(bool, merged);
        QFETCH(QByteArray, result);
        const QString branch = QStringLiteral("theirs-%1").arg(++m_branches);
        QCOMPARE(git({"checkout", "-q", "main"}).code, 0);
        QCOMPARE(git({"reset", "-q", "--hard", "main"}).code, 0);
        QCOMPARE(git({"checkout", "-q", "-b", branch}).code, 0);
        commit(theirs, "theirs");
        QCOMPARE(git({"checkout", "-q", "-b", branch + "-ours", "main"}).code, 0);
        commit(ours, "ours");
        const Run merge = git({"merge", "--no-edit", branch});
        QCOMPARE(merge.code == 0, merged);
        if (!merged)
            QVERIFY2(
                merge.out.contains("colour: ours 255 (#FF0000), theirs 7 (#070000), base 1005 (#ED0300)"),
                merge.out.constData());
        QCOMPARE(m_f.readFile("repo/levels/level.txt"), result);
        // The conflicts go beside the level, not beside git's temporary file of it.
        QCOMPARE(QFile::remove(m_f.path("repo/levels/level.txt.conflicts.json")), !merged);
        git({"merge", "--abort"});
    }

    void diffListsFields() {
        QCOMPARE(git({"checkout", "-q", "main"}).code, 0);
        m_f.writeFile("repo/levels/level.txt", Tile105("255,0,0,0,0,0,1,1,1,1"));
        // git diff runs the diff driver, which compares the levels field by field; git log -p, without
        // --ext-diff, compares the listings of textconv.
        const Run diff = git({"diff", "--no-color"});
        QCOMPARE(diff.code, 0);
        QVERIFY2(diff.out.endsWith("\nscreen 1 tile 5: colour 1005 -> 255\n"), diff.out.constData());
        commit(Tile105("255,0,0,0,0,0,1,1,1,1"), "red");
        const Run log = git({"log", "-p", "-1", "--no-color", "-U0"});
        QVERIFY2(log.out.contains("+screen 1 tile 5: colour 255, picture 0"), log.out.constData());
        QCOMPARE(git({"reset", "-q", "--hard", "HEAD~1"}).code, 0);
    }
};

QTEST_GUILESS_MAIN(TestGitMerge)
#include "tst_gitmerge.moc"
