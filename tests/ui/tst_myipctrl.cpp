#include "app/myipctrl.h"

#include <QApplication>
#include <QHostAddress>
#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {
QLineEdit *field(MyIPCtrl *ctrl, int i)
{
    return ctrl->findChild<QLineEdit *>(QStringLiteral("lineEdit_%1").arg(i));
}

int focusedField(MyIPCtrl *ctrl)
{
    int i = 3;
    while (i >= 0 && !field(ctrl, i)->hasFocus())
        --i;
    return i;
}

QString texts(MyIPCtrl *ctrl)
{
    QStringList t;
    for (int i = 0; i < 4; ++i)
        t << field(ctrl, i)->text();
    return t.join('.');
}

// Sends keys to whatever holds the focus, as a user's keyboard does:
// '<' Backspace, '{' Left, '}' Right; any other character is typed as it is.
void type(const QString &keys)
{
    for (QChar c : keys) {
        QWidget *target = QApplication::focusWidget();
        QVERIFY(target);
        const int key = c == '<' ? Qt::Key_Backspace : c == '{' ? Qt::Key_Left : c == '}' ? Qt::Key_Right : 0;
        key ? QTest::keyClick(target, Qt::Key(key)) : QTest::keyClick(target, c.toLatin1());
    }
}

void moveFocus(QWidget *to)
{
    to->setFocus();
    QTRY_VERIFY(to->hasFocus());
}
} // namespace

class TestMyIPCtrl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void typing_data();
    void typing();
    void setIP_data();
    void setIP();
    void orderCheck_data();
    void orderCheck();
    void clearAndEnable();

private:
    // A range start, a range end and an outside field to move the focus to.
    std::unique_ptr<QWidget> m_window;
    MyIPCtrl *m_start = nullptr;
    MyIPCtrl *m_end = nullptr;
    QLineEdit *m_elsewhere = nullptr;
};

void TestMyIPCtrl::init()
{
    m_window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(m_window.get());
    layout->addWidget(m_start = new MyIPCtrl);
    layout->addWidget(m_end = new MyIPCtrl);
    layout->addWidget(m_elsewhere = new QLineEdit);
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestMyIPCtrl::typing_data()
{
    QTest::addColumn<QString>("before"); // setIP text, or empty for blank fields
    QTest::addColumn<int>("startField");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("focus");
    QTest::addColumn<int>("cursor"); // in the focused field; -1: its whole text selected
    QTest::newRow("dot moves on, selecting the next field") << ".2.3.4" << 0 << "192." << "192.2.3.4" << 1 << -1;
    QTest::newRow("comma moves on like a dot") << "" << 0 << "192,168.1.20" << "192.168.1.20" << 3 << 2;
    QTest::newRow("dot in the last field refused") << "" << 3 << "7." << "...7" << 3 << 1;
    QTest::newRow("256 stops at 25") << "" << 0 << "256" << "25..." << 0 << 2;
    QTest::newRow("leading zero refused") << "" << 1 << "01" << ".0.." << 1 << 1;
    QTest::newRow("255 accepted") << "" << 2 << "255" << "..255." << 2 << 3;
    QTest::newRow("letters refused") << "" << 0 << "a1b" << "1..." << 0 << 1;
    QTest::newRow("backspace in empty field to end of previous") << "1.23.." << 2 << "<" << "1.23.." << 1 << 2;
    QTest::newRow("backspace in first empty field stays") << "" << 0 << "<" << "..." << 0 << 0;
    QTest::newRow("left at start to end of previous") << "" << 0 << "12.34{{{" << "12.34.." << 0 << 2;
    QTest::newRow("right at end to next, selected") << "1.22.3.4" << 0 << "}" << "1.22.3.4" << 1 << -1;
    QTest::newRow("right in last field stays") << "" << 3 << "5}" << "...5" << 3 << 1;
}

void TestMyIPCtrl::typing()
{
    QFETCH(QString, before);
    QFETCH(int, startField);
    QFETCH(QString, keys);
    QFETCH(QString, after);
    QFETCH(int, focus);
    QFETCH(int, cursor);
    if (!before.isEmpty())
        m_start->setIP(before);
    moveFocus(field(m_start, startField)); // the cursor stays at the end of its text
    type(keys);
    QCOMPARE(texts(m_start), after);
    QCOMPARE(focusedField(m_start), focus);
    QLineEdit *now = field(m_start, focus);
    QCOMPARE(now->selectedText(), cursor < 0 ? now->text() : QString());
    if (cursor >= 0)
        QCOMPARE(now->cursorPosition(), cursor);
}

void TestMyIPCtrl::setIP_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QString>("ip"); // null: incomplete
    QTest::addColumn<bool>("address"); // usable as a host address
    QTest::newRow("plain address") << "192.168.0.1" << "192.168.0.1" << "192.168.0.1" << true;
    QTest::newRow("three parts ignored") << "10.0.0" << "9.9.9.9" << "9.9.9.9" << true;
    QTest::newRow("five parts ignored") << "1.2.3.4.5" << "9.9.9.9" << "9.9.9.9" << true;
    // Taken unchecked; reporting it as an address would connect to nothing.
    QTest::newRow("300 taken, no address") << "10.0.0.300" << "10.0.0.300" << "10.0.0.300" << false;
    QTest::newRow("empty part kept") << "1..3.4" << "1..3.4" << QString() << false;
}

void TestMyIPCtrl::setIP()
{
    QFETCH(QString, text);
    QFETCH(QString, fields);
    QFETCH(QString, ip);
    QFETCH(bool, address);
    m_start->setIP(QStringLiteral("9.9.9.9"));
    m_start->setIP(text);
    QCOMPARE(texts(m_start), fields);
    QCOMPARE(m_start->getIP(), ip);
    QCOMPARE(m_start->IsBlank(), !ip.isNull());
    const QHostAddress untouched(QStringLiteral("1.2.3.4"));
    QHostAddress out = untouched;
    QCOMPARE(m_start->getIP(&out), address);
    QCOMPARE(out, address ? QHostAddress(ip) : untouched);
    QVERIFY(!m_start->getIP(nullptr));
}

// The range end against its bound start: compare()'s verdict; on focus loss a wrong-side
// address is emptied with one error. Only the first non-null binding counts.
void TestMyIPCtrl::orderCheck_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("partner");
    QTest::addColumn<bool>("mustNotBeLower");
    QTest::addColumn<int>("result");
    QTest::newRow("lower, must not be lower") << "192.168.1.5" << "192.168.1.10" << true << -1;
    QTest::newRow("numeric, not text: 9 below 10") << "10.0.0.9" << "10.0.0.10" << true << -1;
    QTest::newRow("equal accepted") << "192.168.1.10" << "192.168.1.10" << true << 2;
    QTest::newRow("first octet decides") << "11.0.0.0" << "10.255.255.255" << true << 2;
    QTest::newRow("higher, must not be higher") << "10.0.0.9" << "10.0.0.5" << false << -1;
    QTest::newRow("lower, must not be higher") << "10.0.0.5" << "10.0.0.9" << false << 2;
    QTest::newRow("partner incomplete") << "9.0.0.1" << "10.0..9" << true << 0;
    QTest::newRow("own address incomplete") << "10.0.0." << "10.0.0.9" << true << 0;
}

void TestMyIPCtrl::orderCheck()
{
    QFETCH(QString, typed);
    QFETCH(QString, partner);
    QFETCH(bool, mustNotBeLower);
    QFETCH(int, result);
    QCOMPARE(m_end->compare(true), 0); // unbound
    MyIPCtrl other(m_window.get());
    other.setIP(QStringLiteral("0.0.0.0"));
    m_end->bindIP(nullptr, !mustNotBeLower);
    m_end->bindIP(m_start, mustNotBeLower);
    m_end->bindIP(&other, !mustNotBeLower);
    m_start->setIP(partner);
    QSignalSpy errors(m_end, &MyIPCtrl::showErrorMessage);
    moveFocus(field(m_end, 0));
    type(typed);
    QCOMPARE(m_end->compare(mustNotBeLower), result);
    QCOMPARE(errors.count(), 0); // no check while typing
    const QString before = texts(m_end);
    moveFocus(m_elsewhere);
    QCOMPARE(errors.count(), result == -1 ? 1 : 0);
    QCOMPARE(texts(m_end), result == -1 ? QStringLiteral("...") : before);
}

void TestMyIPCtrl::clearAndEnable()
{
    m_start->setIP(QStringLiteral("1.2.3.4"));
    m_elsewhere->setFocus();
    m_start->clearEdit();
    QCOMPARE(texts(m_start), QStringLiteral("..."));
    QTRY_COMPARE(focusedField(m_start), 0);
    for (bool enabled : {false, true}) {
        m_elsewhere->setFocus();
        m_start->setIPCtrlEnabled(enabled);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(field(m_start, i)->isEnabled(), enabled);
    }
    QTRY_COMPARE(focusedField(m_start), 0);
}

QTEST_MAIN(TestMyIPCtrl)
#include "tst_myipctrl.moc"
