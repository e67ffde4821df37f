// The message table: every failure code has a sentence of its own, every text is there with its
// placeholders numbered in turn, and a failure that carries only its code's standard description is shown
// with the sentence instead, in a message and by tavrin-level.
#include "level/core/failure.h"
#include "level/core/messages.h"
#include "leveltool.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace tavrin;

class TestMessages : public QObject {
    Q_OBJECT
private slots:
    void codeSentences_data() {
        QTest::addColumn<int>("code");
        for (const FailureCode code : AllFailureCodes)
            QTest::addRow("%d %s", int(code), qPrintable(StandardDescription(code))) << int(code);
    }
    // More than the standard description, and a whole sentence.
    void codeSentences() {
        QFETCH(int, code);
        const QString sentence = CodeSentence(code);
        QVERIFY2(!sentence.isEmpty(), "the code has no sentence");
        QVERIFY2(sentence != StandardDescription(code), qPrintable(sentence));
        QVERIFY2(sentence.endsWith(u'.'), qPrintable(sentence));
    }

    void entries_data() {
        QTest::addColumn<int>("id");
        for (int id = 0; id < MessageCount; ++id)
            QTest::addRow("%d %s", id, qPrintable(Text(Msg(id)).left(40))) << id;
    }
    // QString::arg fills the lowest placeholder first: a gap would leave a number unfilled or put an
    // argument in the wrong place.
    void entries() {
        QFETCH(int, id);
        const QString text = Text(Msg(id));
        QVERIFY(!text.trimmed().isEmpty());
        QList<int> numbers;
        static const QRegularExpression placeholder(QStringLiteral("%(\\d+)"));
        for (const QRegularExpressionMatch& match : placeholder.globalMatch(text))
            if (!numbers.contains(match.captured(1).toInt()))
                numbers << match.captured(1).toInt();
        std::sort(numbers.begin(), numbers.end());
        for (int i = 0; i < numbers.size(); ++i)
            QVERIFY2(numbers[i] == i + 1, qPrintable(text));
    }

    void shownFailure_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("description"); // empty: the code's standard one
        QTest::addColumn<QString>("shown");       // empty: the code's sentence
        QTest::newRow("disk full, bare") << int(ErrDiskFull) << QString() << QString();
        const QString own = QStringLiteral("Disk full: there is no room left on the disk for a.txt.");
        QTest::newRow("disk full, its own description") << int(ErrDiskFull) << own << own;
        // Only the code's own standard description counts as none of its own.
        QTest::newRow("another code's standard description")
            << int(ErrPathAccess) << StandardDescription(ErrFileNotFound)
            << StandardDescription(ErrFileNotFound);
        QTest::newRow("a code without a sentence")
            << 7 << QString() << QStringLiteral("Application-defined or object-defined error");
    }
    void shownFailure() {
        QFETCH(int, code);
        QFETCH(QString, description);
        QFETCH(QString, shown);
        const Failure failure = description.isEmpty() ? Failure(code) : Failure(code, description);
        if (shown.isEmpty())
            shown = CodeSentence(code);
        QStringList seen;
        const MessageSink previous =
            SetMessageSink([&seen](const QString& title, const QString& text) { seen << title << text; });
        ShowFailure(failure, QStringLiteral("mnuSave_Click"));
        SetMessageSink(previous);
        QCOMPARE(seen, QStringList({QString::number(code) + QStringLiteral(", mnuSave_Click"), shown}));
        QCOMPARE(failure.description(), description.isEmpty() ? StandardDescription(code) : description);
    }

    // tavrin-level tells of a failure as the editor does.
    void toolShowsFailure_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // empty: no file
        QTest::addColumn<QString>("shown");    // after "tavrin-level: <file>: "; empty: the description
        QTest::newRow("missing file") << "gone.txt" << QByteArray() << CodeSentence(ErrFileNotFound);
        QTest::newRow("not a level file") << "picture.bmp" << QByteArray("BM\x01\x02", 4) << QString();
    }
    void toolShowsFailure() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QTemporaryDir folder;
        const QString path = folder.filePath(name);
        if (!bytes.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
        const QString expected = shown.isEmpty() ? Failure::notALevelFile(path).description()
                                                 : path + QStringLiteral(": ") + shown;
        const ToolRun run = RunTool({QStringLiteral("info"), path});
        QCOMPARE(run.code, 2);
        QCOMPARE(QString::fromUtf8(run.err), QStringLiteral("tavrin-level: ") + expected + u'\n');
    }
    // A missing picture is a kind of failure 53, not a long description: a screen's file that is gone,
    // told at length, is still a missing file to read.
    void missingPictureIsAKind() {
        QVERIFY(Failure::pictureNotFound(QStringLiteral("a.bmp")).isMissingPicture());
        QVERIFY(!Failure(ErrFileNotFound, Text(Msg::LevelFileGoneBlank).arg(QStringLiteral("x.txt")).arg(3))
                     .isMissingPicture());
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "tst_messages.moc"
