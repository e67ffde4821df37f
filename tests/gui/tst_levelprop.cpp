// The Level Properties dialog through its named controls: what each opening shows, the starting tile's
// check, the length limits, line breaks, and that OK stores all seven properties or none.

#include "levelprop.h"
#include "messagecatcher.h"
#include "modaldialog.h"
#include "module1.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace tavrin;

namespace {

QStringList Properties(const Module1& m) {
    return {m.LevelName,
            m.LevelAuthor,
            m.LevelDateMade,
            m.LevelDescription,
            m.LevelComments,
            QString::number(m.LevelStartTile),
            QString::number(m.LevelLastScreen)};
}

void SetStoredLevel(Module1& m) {
    m.LevelName = QStringLiteral("Pelmar Vale");
    m.LevelAuthor = QStringLiteral("Ann");
    m.LevelDateMade = QStringLiteral("May 2026");
    m.LevelDescription = QStringLiteral("Line one\r\nLine two");
    m.LevelComments = QStringLiteral("Keep the bridge");
    m.LevelStartTile = 145;
    m.LevelLastScreen = 4;
}

QString BoxText(QWidget* box) {
    if (auto* multi = qobject_cast<QPlainTextEdit*>(box))
        return multi->toPlainText();
    return qobject_cast<QLineEdit*>(box)->text();
}

// Each character is a key press carrying it as text, so characters beyond Latin-1 can be typed too.
void Type(QWidget* box, const QString& text) {
    for (const QChar c : text) {
        if (c == u'\n')
            QTest::keyClick(box, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void Retype(QWidget* box, const QString& text) {
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Backspace);
    Type(box, text);
}

} // namespace

class TestLevelProp : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowAndTexts();
    void firstOpeningShowsStartUpState();
    void startTileCheck_data();
    void startTileCheck();
    void storedStartTileOutsideRange_data();
    void storedStartTileOutsideRange();
    void typingStopsAtLimit_data();
    void typingStopsAtLimit();
    void pasteIsCutAtLimit();
    void levelTextsKeepTheirForm_data();
    void levelTextsKeepTheirForm();
    void okStoresAllSeven();
    void okRoundsHalvesToEven_data();
    void okRoundsHalvesToEven();
    void dismissStoresNothing_data();
    void dismissStoresNothing();
    void enterIsNoDefaultButton();
    void refusal_data();
    void refusal();
    void editRunsModally();

private:
    void open();
    QWidget* box(const QString& name) const { return m_dialog->findChild<QWidget*>(name); }
    QLineEdit* line(const char* name) const { return m_dialog->findChild<QLineEdit*>(name); }
    void clickOk() const { QTest::mouseClick(m_dialog->findChild<QPushButton*>("Command1"), Qt::LeftButton); }

    std::unique_ptr<Module1> m_module;
    std::unique_ptr<LevelProp> m_dialog;
    std::unique_ptr<MessageCatcher> m_messages;
};

void TestLevelProp::init() {
    m_module = std::make_unique<Module1>();
    m_messages = std::make_unique<MessageCatcher>();
}

void TestLevelProp::cleanup() {
    m_dialog.reset();
    m_messages.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestLevelProp::open() {
    m_dialog = std::make_unique<LevelProp>(*m_module);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
}

void TestLevelProp::windowAndTexts() {
    open();
    QCOMPARE(m_dialog->size(), QSize(401, 276));
    QCOMPARE(m_dialog->minimumSize(), m_dialog->maximumSize());
    QVERIFY(m_dialog->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!(m_dialog->windowFlags() & Qt::WindowMinMaxButtonsHint));
    // The font fits the layout: no label is cut.
    for (const QLabel* label : m_dialog->findChildren<QLabel*>()) {
        const QRect needed = QFontMetrics(label->font()).boundingRect(label->rect(), 0, label->text());
        QVERIFY2(label->rect().contains(needed), qPrintable(label->objectName()));
    }
}

void TestLevelProp::firstOpeningShowsStartUpState() {
    open();
    for (const char* name :
         {"LevelNameText", "AuthorText", "DateMadeText", "DescriptionText", "CommentsText"})
        QCOMPARE(BoxText(box(name)), QString());
    QCOMPARE(line("StartTile")->text(), QString("1"));
    QCOMPARE(line("LastScreenText")->text(), QString("0"));
}

void TestLevelProp::startTileCheck_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0") << "0"
                       << "1";
    QTest::newRow("301") << "301"
                         << "1";
    QTest::newRow("1000") << "1000"
                          << "1";
    QTest::newRow("300") << "300"
                         << "300";
    QTest::newRow("a further 1 after 300") << "3001"
                                           << "1";
    QTest::newRow("the 0 of 0.5 is checked first") << "0.5"
                                                   << "1.5";
    QTest::newRow("fraction in range") << "2.5"
                                       << "2.5";
    QTest::newRow("letters") << "abc"
                             << "abc";
    QTest::newRow("lone minus") << "-"
                                << "-";
    QTest::newRow("all deleted") << ""
                                 << "";
}

void TestLevelProp::startTileCheck() {
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    open();
    Retype(line("StartTile"), typed);
    QCOMPARE(line("StartTile")->text(), expected);
}

void TestLevelProp::storedStartTileOutsideRange_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("shownAndStored");
    QTest::newRow("0") << 0 << 1;
    QTest::newRow("301") << 301 << 1;
    QTest::newRow("negative") << -7 << 1;
    QTest::newRow("300 in range") << 300 << 300;
}

void TestLevelProp::storedStartTileOutsideRange() {
    QFETCH(int, stored);
    QFETCH(int, shownAndStored);
    m_module->LevelStartTile = Integer(stored);
    open();
    QCOMPARE(line("StartTile")->text(), QString::number(shownAndStored));
    clickOk();
    QCOMPARE(int(m_module->LevelStartTile), shownAndStored);
}

void TestLevelProp::typingStopsAtLimit_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("limit");
    QTest::newRow("name") << "LevelNameText" << 30;
    QTest::newRow("author") << "AuthorText" << 30;
    QTest::newRow("date made") << "DateMadeText" << 30;
    QTest::newRow("description") << "DescriptionText" << 300;
    QTest::newRow("comments") << "CommentsText" << 300;
}

void TestLevelProp::typingStopsAtLimit() {
    QFETCH(QString, name);
    QFETCH(int, limit);
    QTest::failOnWarning(QRegularExpression("."));
    open();
    QWidget* edit = box(name);
    Type(edit, QString(limit, u'x'));
    Type(edit, "y"); // at the end
    QTest::keyClick(edit, Qt::Key_Home);
    Type(edit, "y"); // in the middle
    QCOMPARE(BoxText(edit), QString(limit, u'x'));
    // Undo neither brings back what the limit cut off nor trips over it.
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_End, Qt::ControlModifier);
    Type(edit, "yz");
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(BoxText(edit).size() <= limit && !BoxText(edit).contains(u'y'));
}

void TestLevelProp::pasteIsCutAtLimit() {
    open();
    QWidget* edit = box("CommentsText");
    Type(edit, QString(296, u'x'));
    QTest::keyClick(edit, Qt::Key_Home, Qt::ControlModifier);
    QApplication::clipboard()->setText(QStringLiteral("0123456789"));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(BoxText(edit), QString("0123") + QString(296, u'x'));
}

// A level text may come from a file in forms the box shows differently: it must go back unchanged
// unless edited, and an edited one gets the level's CR LF line breaks.
void TestLevelProp::levelTextsKeepTheirForm_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typedAtEnd");
    QTest::addColumn<QString>("expected");
    QTest::newRow("CR LF untouched") << "a\r\nb"
                                     << ""
                                     << "a\r\nb";
    QTest::newRow("lone LF untouched") << "a\nb"
                                       << ""
                                       << "a\nb";
    QTest::newRow("lone LF edited") << "a\nb"
                                    << "c"
                                    << "a\r\nbc";
    QTest::newRow("typed line break") << "a"
                                      << "\nb"
                                      << "a\r\nb";
    QTest::newRow("line break counts two at the limit")
        << QString(298, u'x') << "\ny" << QString(298, u'x') + "\r\n";
    QTest::newRow("no-break space") << QString::fromUtf8("a\u00a0b") << "c" << QString::fromUtf8("a\u00a0bc");
    const QString longer = QString(200, u'd') + "\r\n" + QString(148, u'e');
    QTest::newRow("longer than the limit: whole, no more") << longer << "z" << longer;
}

void TestLevelProp::levelTextsKeepTheirForm() {
    QFETCH(QString, stored);
    QFETCH(QString, typedAtEnd);
    QFETCH(QString, expected);
    m_module->LevelComments = stored;
    open();
    QWidget* edit = box("CommentsText");
    QTest::keyClick(edit, Qt::Key_End, Qt::ControlModifier);
    Type(edit, typedAtEnd);
    clickOk();
    QCOMPARE(m_module->LevelComments, expected);
}

void TestLevelProp::okStoresAllSeven() {
    m_module->LevelName = QString(40, u'n'); // longer than the box's limit: shown whole and kept
    open();
    QCOMPARE(line("LevelNameText")->text(), QString(40, u'n'));
    Retype(line("AuthorText"), "Bo");
    Retype(line("DateMadeText"), "not a date");
    Retype(box("DescriptionText"), "Up\nDown");
    Retype(box("CommentsText"), QString::fromUtf8("Caf\u00e9"));
    Retype(line("StartTile"), "21");
    Retype(line("LastScreenText"), "9");
    clickOk();
    QCOMPARE(Properties(*m_module), (QStringList{QString(40, u'n'), "Bo", "not a date", "Up\r\nDown",
                                                 QString::fromUtf8("Caf\u00e9"), "21", "9"}));
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(m_messages->count(), 0);
}

void TestLevelProp::okRoundsHalvesToEven_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::newRow("2.5") << "2.5" << 2;
    QTest::newRow("3.5") << "3.5" << 4;
    QTest::newRow("blanks") << " 12 " << 12;
}

void TestLevelProp::okRoundsHalvesToEven() {
    QFETCH(QString, typed);
    QFETCH(int, stored);
    open();
    Retype(line("StartTile"), typed);
    Retype(line("LastScreenText"), typed);
    clickOk();
    QCOMPARE(int(m_module->LevelStartTile), stored);
    QCOMPARE(int(m_module->LevelLastScreen), stored);
}

void TestLevelProp::dismissStoresNothing_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel") << "cancel";
    QTest::newRow("Esc") << "esc";
    QTest::newRow("close box") << "close";
}

void TestLevelProp::dismissStoresNothing() {
    QFETCH(QString, how);
    SetStoredLevel(*m_module);
    const QStringList before = Properties(*m_module);
    open();
    for (const char* name : {"LevelNameText", "AuthorText", "DateMadeText", "DescriptionText", "CommentsText",
                             "StartTile", "LastScreenText"})
        Retype(box(name), "7");
    if (how == "cancel")
        QTest::mouseClick(m_dialog->findChild<QPushButton*>("Command2"), Qt::LeftButton);
    else if (how == "esc")
        QTest::keyClick(line("AuthorText"), Qt::Key_Escape);
    else
        m_dialog->close();
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(Properties(*m_module), before);

    open();
    QCOMPARE(line("LevelNameText")->text(), QString("Pelmar Vale"));
    QCOMPARE(BoxText(box("DescriptionText")), QString("Line one\nLine two"));
    QCOMPARE(line("StartTile")->text(), QString("145"));
}

void TestLevelProp::enterIsNoDefaultButton() {
    open();
    QTest::keyClick(line("LevelNameText"), Qt::Key_Return);
    QTest::keyClick(line("StartTile"), Qt::Key_Enter, Qt::KeypadModifier);
    Type(box("DescriptionText"), "one\ntwo");
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(BoxText(box("DescriptionText")), QString("one\ntwo"));
    QCOMPARE(m_module->LevelDescription, QString());
}

void TestLevelProp::refusal_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("named");
    QTest::newRow("starting tile empty") << "StartTile"
                                         << "" << 13 << "Starting Tile";
    QTest::newRow("starting tile letters") << "StartTile"
                                           << "abc" << 13 << "Starting Tile";
    QTest::newRow("last screen empty") << "LastScreenText"
                                       << "" << 13 << "Last Screen";
    QTest::newRow("last screen letters") << "LastScreenText"
                                         << "two" << 13 << "Last Screen";
    QTest::newRow("last screen 40000") << "LastScreenText"
                                       << "40000" << 6 << "Last Screen";
    QTest::newRow("last screen -1") << "LastScreenText"
                                    << "-1" << 380 << "Last Screen";
    QTest::newRow("double quote in the name") << "LevelNameText"
                                              << "The \"big\" one" << 5 << "Level Name";
    QTest::newRow("beyond Latin-1 in the author")
        << "AuthorText" << QString::fromUtf8("\u20ac") << 5 << "Author";
    QTest::newRow("double quote in the description") << "DescriptionText"
                                                     << "a\n\"b\"" << 5 << "Description";
}

void TestLevelProp::refusal() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, code);
    QFETCH(QString, named);
    SetStoredLevel(*m_module);
    const QStringList before = Properties(*m_module);
    open();
    // The other boxes hold new, valid values, so a half-done store would show.
    for (const char* other : {"LevelNameText", "CommentsText", "StartTile", "LastScreenText"})
        Retype(box(other), "8");
    Retype(box(name), text);
    clickOk();

    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->messages()[0].title, QString::number(code) + ", Command1_Click (Level Properties)");
    QVERIFY2(m_messages->messages()[0].text.startsWith(named), qPrintable(m_messages->messages()[0].text));
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_dialog->focusWidget(), box(name));
    QCOMPARE(Properties(*m_module), before);

    Retype(box(name), "9");
    clickOk();
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_module->LevelComments, QString("8"));
}

void TestLevelProp::editRunsModally() {
    SetStoredLevel(*m_module);
    for (const bool ok : {true, false}) {
        bool stored = !ok;
        QVERIFY(DriveModalDialog([&] { stored = LevelProp::Edit(*m_module); },
                                 [&](QDialog* dialog) {
                                     auto* name = dialog->findChild<QLineEdit*>("LevelNameText");
                                     QCOMPARE(name->text(), QString(ok ? "Pelmar Vale" : "Modal"));
                                     Retype(name, ok ? "Modal" : "Dropped");
                                     QTest::keyClick(name, ok ? Qt::Key_Tab : Qt::Key_Escape);
                                     if (ok)
                                         dialog->findChild<QPushButton*>("Command1")->click();
                                 }));
        QCOMPARE(stored, ok);
        QCOMPARE(m_module->LevelName, QString("Modal"));
    }
}

QTEST_MAIN(TestLevelProp)
#include "tst_levelprop.moc"
