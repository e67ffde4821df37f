// Writes on the real file system that run out of room part way: the file written over stays as it was and
// the failure says so. A child process gets a file-size limit, so its writes fail with "File too large"
// where a full disk would have said "No space left on device".
#include "faultyfiles.h"
#include "level/format/record.h"
#include "level/storage/atomicfile.h"
#include "levelfixture.h"

#include <QtTest>
#include <poll.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavrin;

namespace {

// How an action ended in the child process: the failure it threw (code 0 for none) and the current screen.
struct Outcome {
    int code = 0;
    QString description;
    int screen = 0;
};

// Runs `action` in a child process whose files may grow to `limit` bytes and no further. Nothing when the
// child did not come back with a report.
std::optional<Outcome> RunUnderSizeLimit(qint64 limit, const Module1& module,
                                         const std::function<void()>& action) {
    // A child forked while another thread of the test held a lock (the allocator's, say) can stay stuck
    // on it: one that reports nothing within 20 s is ended and forked again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0)
            return std::nullopt;
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeEnds[0]);
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit size{rlim_t(limit), rlim_t(limit)};
            Outcome outcome;
            try {
                if (::setrlimit(RLIMIT_FSIZE, &size) != 0)
                    ::_exit(2);
                action();
            } catch (const Failure& failure) {
                outcome.code = failure.code();
                outcome.description = failure.description();
            } catch (...) {
                outcome.code = -1;
            }
            QFile report;
            if (report.open(pipeEnds[1], QIODevice::WriteOnly))
                QDataStream(&report) << outcome.code << outcome.description << module.CurrentScreen();
            report.close();
            ::_exit(0);
        }
        ::close(pipeEnds[1]);
        QByteArray bytes;
        bool ended = false;
        pollfd end{pipeEnds[0], POLLIN, 0};
        while (::poll(&end, 1, 20000) > 0) {
            char buffer[4096];
            const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
            if (got <= 0) {
                ended = true;
                break;
            }
            bytes.append(buffer, got);
        }
        ::close(pipeEnds[0]);
        if (child > 0 && !ended) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            continue;
        }
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0)
            return std::nullopt;
        Outcome outcome;
        QDataStream(bytes) >> outcome.code >> outcome.description >> outcome.screen;
        return outcome;
    }
    return std::nullopt;
}

// Every entry of a folder, hidden ones too, with the bytes of each file.
QMap<QString, QByteArray> Contents(const QString& folder) {
    QMap<QString, QByteArray> contents;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        QFile file(dir.filePath(name));
        contents[name] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    return contents;
}

// A level of five screens as the editor writes it, each tile its own colour, loaded.
void WriteLevel(LevelFixture& f, const QString& name) {
    f.load(name, NumberedLevel(5));
    f.document->saveLevel(f.path(name)); // now in the editor's own layout, so its size is what a save writes
    f.document->loadLevel(f.path(name), "test");
}

} // namespace

class TestDiskWrites : public QObject {
    Q_OBJECT
private slots:
    void failedWritesChangeNothing_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<qint64>("limit"); // below 0: that many bytes short of the target's size
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("existed");
        QTest::newRow("78 KB over a file, room for 64 KB") << "write" << qint64(65536) << "level.txt" << true;
        QTest::newRow("save onto the level file, cut half way")
            << "save" << qint64(30000) << "level.txt" << true;
        QTest::newRow("save onto the level file, cut in its last bytes")
            << "save" << qint64(-40) << "level.txt" << true;
        QTest::newRow("first scratch file, no room at all")
            << "change screen" << qint64(0) << "Screen0.tmp" << false;
        QTest::newRow("scratch file over an older one, room for 4 KB")
            << "change screen" << qint64(4096) << "Screen0.tmp" << true;
    }
    void failedWritesChangeNothing() {
        QFETCH(QString, action);
        QFETCH(qint64, limit);
        QFETCH(QString, target);
        QFETCH(bool, existed);
        LevelFixture f;
        LevelDocument& document = *f.document;
        const QString path = f.path(target);
        std::function<void()> run;
        if (action == "write") {
            f.writeFile(target, QByteArray(78000, 'a'));
            run = [&] {
                FileAccess files;
                const auto file = files.openWrite(path);
                for (int block = 0; block < 6; ++block)
                    RecordWriter(file.get()).writeRaw(QByteArray(13000, 'b'));
                files.commit(*file);
            };
        } else if (action == "save") {
            WriteLevel(f, target);
            run = [&] { document.saveLevel(path); };
        } else {
            if (existed) {
                document.changeScreen(1);
                document.changeScreen(0);
            }
            f.paintColour(1, 123456);
            run = [&] { document.changeScreen(1); };
        }
        if (limit < 0)
            limit += QFileInfo(path).size();
        const QMap<QString, QByteArray> before = Contents(f.folder.path());
        const std::optional<Outcome> outcome = RunUnderSizeLimit(limit, *f.module, run);
        QVERIFY(outcome);
        QCOMPARE(outcome->code, int(ErrPathAccess));
        QVERIFY2(outcome->description.contains(QDir::toNativeSeparators(path)),
                 qPrintable(outcome->description));
        QVERIFY2(outcome->description.contains("File too large"), qPrintable(outcome->description));
        QVERIFY2(outcome->description.contains(existed ? "not changed" : "not created"),
                 qPrintable(outcome->description));
        const QMap<QString, QByteArray> after = Contents(f.folder.path());
        QCOMPARE(after.keys(), before.keys());
        QVERIFY(after == before);
        if (action == "change screen")
            QCOMPARE(outcome->screen, 0);
    }

    // After the disk ran out of room, room found again must not let a later write or the commit pass.
    void fullDiskFailsEveryLaterWrite() {
        LevelFixture f;
        FaultyFiles files;
        f.writeFile("level.txt", "old");
        files.diskFullAfter = 100;
        const auto file = files.openWrite(f.path("level.txt"));
        QCOMPARE(file->write(QByteArray(300, 'x')), qint64(-1));
        files.diskFullAfter = -1;
        QCOMPARE(file->write("more"), qint64(-1));
        try {
            files.commit(*file);
            QFAIL("the commit passed");
        } catch (const Failure& failure) {
            QCOMPARE(failure.code(), int(ErrDiskFull));
            QVERIFY(failure.description().startsWith("Disk full"));
            QVERIFY(failure.description().contains(QDir::toNativeSeparators(f.path("level.txt"))));
            QVERIFY(failure.description().contains("No space left on device"));
        }
    }

    // No write removes a file it did not make, whatever its name and age, nor leaves one of its own behind:
    // with a file system that makes files with no name, nothing new appears in the folder until the rename.
    void othersFilesStay_data() {
        QTest::addColumn<bool>("unnamed");
        QTest::addColumn<bool>("fails");
        QTest::newRow("a file with no name") << true << false;
        QTest::newRow("a named file") << false << false;
        QTest::newRow("a named file, the disk full") << false << true;
    }
    void othersFilesStay() {
        QFETCH(bool, unnamed);
        QFETCH(bool, fails);
        LevelFixture f;
        const pid_t gone = ::fork();
        if (gone == 0)
            ::_exit(0);
        ::waitpid(gone, nullptr, 0);
        const QStringList names{QStringLiteral("k.txt.tavrin-%1-XIr78h").arg(gone),
                                "forest.tavrin-2024-backup", "level.txt.tavrin-31337-Final2",
                                QStringLiteral("k.txt.tavrin-%1-Ab3dE9").arg(::getppid())};
        for (const QString& name : names)
            f.writeFile(name, "bytes");
        const timespec weekOld[2] = {{::time(nullptr) - 8 * 24 * 3600, 0},
                                     {::time(nullptr) - 8 * 24 * 3600, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(f.path(names.last())).constData(), weekOld, 0), 0);
        const QStringList before = Contents(f.folder.path()).keys();
        FaultyFiles files;
        files.namedOnly = !unnamed;
        files.diskFullAfter = fails ? 10 : -1;
        const auto file = files.openWrite(f.path("k.txt"));
        file->write(QByteArray(100, 'x'));
        const QStringList during = Contents(f.folder.path()).keys();
        try {
            files.commit(*file);
        } catch (const Failure&) {
            QVERIFY(fails);
        }
        QCOMPARE(during.size(), before.size() + (unnamed || fails ? 0 : 1));
        QStringList after = before;
        if (!fails)
            after << "k.txt";
        after.sort();
        QCOMPARE(Contents(f.folder.path()).keys(), after);
    }

    // A file made new in a folder of the editor's own (a stage) is written under its own name: it never
    // writes over or through what stands there, and a failure leaves nothing of it.
    void newFiles_data() {
        QTest::addColumn<QString>("there"); // what stands at the name before: "", "file" or "link"
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("nothing there") << "" << false;
        QTest::newRow("a file there") << "file" << false;
        QTest::newRow("a link there") << "link" << false;
        QTest::newRow("the disk full") << "" << true;
    }
    void newFiles() {
        QFETCH(QString, there);
        QFETCH(bool, diskFull);
        LevelFixture f;
        f.writeFile("real.txt", "old");
        if (there == "file")
            f.writeFile("new.txt", "old");
        else if (there == "link")
            QVERIFY(QFile::link("real.txt", f.path("new.txt")));
        const QMap<QString, QByteArray> before = Contents(f.folder.path());
        FaultyFiles files;
        files.diskFullAfter = diskFull ? 2 : -1;
        std::optional<FileIdentity> written;
        try {
            const auto file = files.openWrite(f.path("new.txt"), Links::New);
            file->write("new");
            files.commit(*file);
            written = file->identity();
        } catch (const Failure& failure) {
            QCOMPARE(failure.code(), int(diskFull ? ErrDiskFull : ErrPathAccess));
        }
        const bool fails = diskFull || !there.isEmpty();
        QCOMPARE(!written, fails);
        QMap<QString, QByteArray> after = before;
        if (!fails) {
            after.insert("new.txt", "new");
            QVERIFY(written == RegularFileIdentity(f.path("new.txt")));
        }
        QVERIFY(Contents(f.folder.path()) == after);
        QCOMPARE(QFileInfo(f.path("new.txt")).isSymLink(), there == "link");
    }

    void symbolicLinks_data() {
        QTest::addColumn<Links>("links");
        QTest::addColumn<bool>("linkStays");
        QTest::newRow("a level file is written over the file the link names") << Links::Follow << true;
        QTest::newRow("a scratch file replaces the link") << Links::Replace << false;
    }
    void symbolicLinks() {
        QFETCH(Links, links);
        QFETCH(bool, linkStays);
        LevelFixture f;
        f.writeFile("real.txt", "old");
        QVERIFY(QFile::link("real.txt", f.path("link.txt")));
        FileAccess files;
        const auto file = files.openWrite(f.path("link.txt"), links);
        QCOMPARE(file->write("new"), qint64(3));
        files.commit(*file);
        const QString written = f.path(linkStays ? "real.txt" : "link.txt");
        QCOMPARE(QFileInfo(f.path("link.txt")).isSymLink(), linkStays);
        QCOMPARE(f.readFile("real.txt"), QByteArray(linkStays ? "new" : "old"));
        QCOMPARE(f.readFile("link.txt"), QByteArray("new"));
        QVERIFY(file->identity() && file->identity() == RegularFileIdentity(written));
        QCOMPARE(Contents(f.folder.path()).size(), 3);
    }

    void permissions_data() {
        QTest::addColumn<int>("existing"); // -1: no file yet
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("expected");
        QTest::newRow("a private file stays private") << 0600 << 022 << 0600;
        QTest::newRow("a read-only file stays read-only") << 0444 << 022 << 0444;
        QTest::newRow("a new file under umask 027") << -1 << 027 << 0640;
    }
    void permissions() {
        QFETCH(int, existing);
        QFETCH(int, mask);
        QFETCH(int, expected);
        LevelFixture f;
        const QByteArray path = QFile::encodeName(f.path("level.txt"));
        if (existing >= 0) {
            f.writeFile("level.txt", "old");
            QCOMPARE(::chmod(path.constData(), mode_t(existing)), 0);
        }
        const mode_t previousMask = ::umask(mode_t(mask));
        const auto restoreMask = qScopeGuard([previousMask] { ::umask(previousMask); });
        FileAccess files;
        const auto file = files.openWrite(f.path("level.txt"));
        file->write("new");
        files.commit(*file);
        struct stat status {};
        QCOMPARE(::stat(path.constData(), &status), 0);
        QCOMPARE(int(status.st_mode & 07777), expected);
        QCOMPARE(f.readFile("level.txt"), QByteArray("new"));
    }
};

QTEST_MAIN(TestDiskWrites)
#include "tst_diskwrites.moc"
