// The Screen Properties dialog through its named controls: the links each opening shows, and that OK
// (or Enter) stores all eight side links or none.

#include "messagecatcher.h"
#include "modaldialog.h"
#include "module1.h"
#include "screenprop.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace tavrin;

namespace {

QList<int> Links(const Module1& m) {
    QList<int> links;
    for (int k = 2; k <= 9; ++k)
        links << m.SideScreen(k);
    return links;
}

// The box of link k, found as a tool finds it: by name and index.
QLineEdit* FindSideText(const QWidget* dialog, int k) {
    for (QLineEdit* box : dialog->findChildren<QLineEdit*>(QStringLiteral("SideText")))
        if (box->property("index").toInt() == k)
            return box;
    return nullptr;
}

void Retype(QLineEdit* box, const QString& text) {
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

} // namespace

class TestScreenProp : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowAndControls();
    void firstOpeningShowsDefaultLinks();
    void okStoresRoundedLinks_data();
    void okStoresRoundedLinks();
    void enterPressesOk();
    void dismissStoresNothing_data();
    void dismissStoresNothing();
    void refusal_data();
    void refusal();
    void editRunsModally();

private:
    void open();
    QLineEdit* side(int k) const { return FindSideText(m_dialog.get(), k); }

    std::unique_ptr<Module1> m_module;
    std::unique_ptr<ScreenProp> m_dialog;
    std::unique_ptr<MessageCatcher> m_messages;
};

void TestScreenProp::init() {
    m_module = std::make_unique<Module1>();
    m_messages = std::make_unique<MessageCatcher>();
}

void TestScreenProp::cleanup() {
    m_dialog.reset();
    m_messages.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestScreenProp::open() {
    m_dialog = std::make_unique<ScreenProp>(*m_module);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
}

void TestScreenProp::windowAndControls() {
    open();
    QCOMPARE(m_dialog->size(), QSize(260, 169));
    QVERIFY((m_dialog->windowFlags() & Qt::WindowMinMaxButtonsHint) == Qt::WindowMinMaxButtonsHint);
    for (int k = 2; k <= 9; ++k)
        QCOMPARE(m_dialog->SideText(k), side(k));
    QVERIFY_THROWS_EXCEPTION(Failure, m_dialog->SideText(10));

    // Resizing moves nothing; no label is cut.
    const QRect side9 = side(9)->geometry();
    m_dialog->resize(600, 400);
    QTRY_COMPARE(m_dialog->size(), QSize(600, 400));
    QCOMPARE(side(9)->geometry(), side9);
    for (const QLabel* label : m_dialog->findChildren<QLabel*>()) {
        const int flags = label->wordWrap() ? int(Qt::TextWordWrap) : 0;
        const QRect needed = QFontMetrics(label->font()).boundingRect(label->rect(), flags, label->text());
        QVERIFY2(label->rect().contains(needed), qPrintable(label->objectName()));
    }
}

void TestScreenProp::firstOpeningShowsDefaultLinks() {
    open();
    for (int k = 2; k <= 9; ++k)
        QCOMPARE(side(k)->text(), QString::number(k));
}

void TestScreenProp::okStoresRoundedLinks_data() {
    QTest::addColumn<QStringList>("typed"); // sides 2..9
    QTest::addColumn<QList<int>>("stored");
    QTest::newRow("halves to even") << QStringList{"7.5", "6.5", "2.5", "3.5", "-0.5", "-1.5", "1e1", " 4 "}
                                    << QList<int>{8, 6, 2, 4, 0, -2, 10, 4};
    QTest::newRow("negative links") << QStringList{"-1", "-32768.5", "0", "12", "32767", "6", "7", "8"}
                                    << QList<int>{-1, -32768, 0, 12, 32767, 6, 7, 8};
}

void TestScreenProp::okStoresRoundedLinks() {
    QFETCH(QStringList, typed);
    QFETCH(QList<int>, stored);
    open();
    for (int k = 2; k <= 9; ++k)
        Retype(side(k), typed[k - 2]);
    QTest::mouseClick(m_dialog->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(m_messages->count(), 0);
    QCOMPARE(Links(*m_module), stored);
    QVERIFY(!m_dialog->isVisible());
}

void TestScreenProp::enterPressesOk() {
    open();
    Retype(side(3), "12");
    QTest::keyClick(side(3), Qt::Key_Return);
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(Links(*m_module), (QList<int>{2, 12, 4, 5, 6, 7, 8, 9}));
}

void TestScreenProp::dismissStoresNothing_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel") << "cancel";
    QTest::newRow("Esc") << "esc";
    QTest::newRow("close box") << "close";
}

void TestScreenProp::dismissStoresNothing() {
    QFETCH(QString, how);
    m_module->SideScreen(4) = 40;
    const QList<int> before = Links(*m_module);
    open();
    for (int k = 2; k <= 9; ++k)
        Retype(side(k), "99");
    if (how == "cancel")
        QTest::mouseClick(m_dialog->findChild<QPushButton*>("Command2"), Qt::LeftButton);
    else if (how == "esc")
        QTest::keyClick(side(6), Qt::Key_Escape);
    else
        m_dialog->close();
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(Links(*m_module), before);

    open();
    QCOMPARE(side(4)->text(), QString("40"));
}

void TestScreenProp::refusal_data() {
    QTest::addColumn<int>("k");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::newRow("empty") << 5 << "" << 13;
    QTest::newRow("letters") << 5 << "left" << 13;
    QTest::newRow("40000") << 9 << "40000" << 6;
    QTest::newRow("rounds past the top") << 3 << "32767.5" << 6;
    QTest::newRow("below the bottom") << 7 << "-32768.6" << 6;
}

void TestScreenProp::refusal() {
    QFETCH(int, k);
    QFETCH(QString, text);
    QFETCH(int, code);
    open();
    // The other boxes hold new, valid links, so a half-done store would show.
    for (int other = 2; other <= 9; ++other)
        Retype(side(other), other == k ? text : QStringLiteral("20"));
    QTest::keyClick(side(2), Qt::Key_Return);

    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->messages()[0].title, QString::number(code) + ", Command1_Click (Screen Properties)");
    QVERIFY(m_messages->messages()[0].text.startsWith(QStringLiteral("Side%1 ").arg(k)));
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_dialog->focusWidget(), side(k));
    QCOMPARE(Links(*m_module), (QList<int>{2, 3, 4, 5, 6, 7, 8, 9}));

    Retype(side(k), "20");
    QTest::keyClick(side(k), Qt::Key_Return);
    QCOMPARE(Links(*m_module), QList<int>(8, 20));
}

void TestScreenProp::editRunsModally() {
    for (const bool ok : {true, false}) {
        bool stored = !ok;
        QVERIFY(DriveModalDialog([&] { stored = ScreenProp::Edit(*m_module); },
                                 [&](QDialog* dialog) {
                                     QLineEdit* box = FindSideText(dialog, 7);
                                     QCOMPARE(box->text(), QString(ok ? "7" : "-1"));
                                     Retype(box, ok ? "-1" : "3");
                                     QTest::keyClick(box, ok ? Qt::Key_Return : Qt::Key_Escape);
                                 }));
        QCOMPARE(stored, ok);
        QCOMPARE(m_module->SideScreen(7), Integer(-1));
    }
}

QTEST_MAIN(TestScreenProp)
#include "tst_screenprop.moc"
