#include "app/myipctrl.h"

#include <QApplication>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

// A window with a range start, a range end and an outside field to move the focus to.
struct Window {
    QWidget widget;
    MyIPCtrl *start;
    MyIPCtrl *end;
    QLineEdit *elsewhere;

    Window()
    {
        auto *layout = new QVBoxLayout(&widget);
        start = new MyIPCtrl(&widget);
        end = new MyIPCtrl(&widget);
        elsewhere = new QLineEdit(&widget);
        layout->addWidget(start);
        layout->addWidget(end);
        layout->addWidget(elsewhere);
    }
};

class TestMyIPCtrl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void typing_data();
    void typing();
    void setIP_data();
    void setIP();
    void hostAddress_data();
    void hostAddress();
    void compare_data();
    void compare();
    void focusLossOrderCheck_data();
    void focusLossOrderCheck();
    void bindTwiceKeepsFirstPartner();
    void clearAndEnable();

private:
    static QLineEdit *field(MyIPCtrl *ctrl, int i);
    static int focusedField(MyIPCtrl *ctrl);
    // Sends keys to whatever holds the focus, as a user's keyboard does.
    static void type(const QString &keys);
    static QStringList texts(MyIPCtrl *ctrl);

    std::unique_ptr<Window> m_win;
};

QLineEdit *TestMyIPCtrl::field(MyIPCtrl *ctrl, int i)
{
    return ctrl->findChild<QLineEdit *>(QStringLiteral("lineEdit_%1").arg(i));
}

int TestMyIPCtrl::focusedField(MyIPCtrl *ctrl)
{
    for (int i = 0; i < 4; ++i) {
        if (field(ctrl, i)->hasFocus())
            return i;
    }
    return -1;
}

// '<' Backspace, '{' Left, '}' Right; any other character is typed as it is.
void TestMyIPCtrl::type(const QString &keys)
{
    for (QChar c : keys) {
        QWidget *target = QApplication::focusWidget();
        QVERIFY(target);
        if (c == QLatin1Char('<'))
            QTest::keyClick(target, Qt::Key_Backspace);
        else if (c == QLatin1Char('{'))
            QTest::keyClick(target, Qt::Key_Left);
        else if (c == QLatin1Char('}'))
            QTest::keyClick(target, Qt::Key_Right);
        else
            QTest::keyClick(target, c.toLatin1());
    }
}

QStringList TestMyIPCtrl::texts(MyIPCtrl *ctrl)
{
    QStringList t;
    for (int i = 0; i < 4; ++i)
        t << field(ctrl, i)->text();
    return t;
}

void TestMyIPCtrl::init()
{
    m_win = std::make_unique<Window>();
    m_win->widget.show();
    QApplication::setActiveWindow(&m_win->widget);
    QVERIFY(QTest::qWaitForWindowActive(&m_win->widget));
}

void TestMyIPCtrl::cleanup()
{
    m_win.reset();
}

void TestMyIPCtrl::typing_data()
{
    QTest::addColumn<QString>("before");    // setIP text, or empty for blank fields
    QTest::addColumn<int>("startField");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<int>("focus");
    QTest::addColumn<int>("cursor");        // in the focused field
    QTest::addColumn<bool>("selected");     // focused field's whole text selected

    const QStringList blank{"", "", "", ""};
    QTest::newRow("dot moves on, selecting the next field")
        << ".2.3.4" << 0 << "192." << QStringList{"192", "2", "3", "4"} << 1 << 1 << true;
    QTest::newRow("comma moves on like a dot")
        << "" << 0 << "10," << QStringList{"10", "", "", ""} << 1 << 0 << false;
    QTest::newRow("full address typed through the dots")
        << "" << 0 << "192.168.1.20" << QStringList{"192", "168", "1", "20"} << 3 << 2 << false;
    QTest::newRow("dot in the last field goes nowhere and is refused")
        << "" << 3 << "7." << QStringList{"", "", "", "7"} << 3 << 1 << false;
    QTest::newRow("256 stops at 25") << "" << 0 << "256" << QStringList{"25", "", "", ""} << 0 << 2 << false;
    QTest::newRow("leading zero refused") << "" << 0 << "01" << QStringList{"0", "", "", ""} << 0 << 1 << false;
    QTest::newRow("second zero refused") << "" << 1 << "00" << QStringList{"", "0", "", ""} << 1 << 1 << false;
    QTest::newRow("zero after a digit kept") << "" << 0 << "10" << QStringList{"10", "", "", ""} << 0 << 2 << false;
    QTest::newRow("255 accepted") << "" << 2 << "255" << QStringList{"", "", "255", ""} << 2 << 3 << false;
    QTest::newRow("letters refused") << "" << 0 << "a1b" << QStringList{"1", "", "", ""} << 0 << 1 << false;
    QTest::newRow("backspace in empty field goes to end of previous")
        << "1.23.." << 2 << "<" << QStringList{"1", "23", "", ""} << 1 << 2 << false;
    QTest::newRow("backspace deletes within a field")
        << "" << 1 << "12<" << QStringList{"", "1", "", ""} << 1 << 1 << false;
    QTest::newRow("backspaces walk back over the dot")
        << "" << 0 << "9.8<<" << QStringList{"9", "", "", ""} << 0 << 1 << false;
    QTest::newRow("backspace in first empty field stays")
        << "" << 0 << "<" << blank << 0 << 0 << false;
    QTest::newRow("left at start goes to end of previous")
        << "" << 0 << "12.34{{{" << QStringList{"12", "34", "", ""} << 0 << 2 << false;
    QTest::newRow("right at end goes to next, selected")
        << "1.22.3.4" << 0 << "}" << QStringList{"1", "22", "3", "4"} << 1 << 2 << true;
    QTest::newRow("right in empty field goes on")
        << "" << 1 << "}" << blank << 2 << 0 << false;
    QTest::newRow("right in last field stays") << "" << 3 << "5}" << QStringList{"", "", "", "5"} << 3 << 1 << false;
}

void TestMyIPCtrl::typing()
{
    QFETCH(QString, before);
    QFETCH(int, startField);
    QFETCH(QString, keys);
    QFETCH(QStringList, after);
    QFETCH(int, focus);
    QFETCH(int, cursor);
    QFETCH(bool, selected);

    MyIPCtrl *ctrl = m_win->start;
    if (!before.isEmpty())
        ctrl->setIP(before);
    QLineEdit *first = field(ctrl, startField);
    first->setFocus();
    first->setCursorPosition(first->text().length());
    QTRY_VERIFY(first->hasFocus());

    type(keys);
    QCOMPARE(texts(ctrl), after);
    QCOMPARE(focusedField(ctrl), focus);
    QLineEdit *now = field(ctrl, focus);
    if (selected) {
        QVERIFY(!now->text().isEmpty());
        QCOMPARE(now->selectedText(), now->text());
    } else {
        QCOMPARE(now->cursorPosition(), cursor);
        QVERIFY(now->selectedText().isEmpty());
    }
}

void TestMyIPCtrl::setIP_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<bool>("complete");

    const QStringList old{"9", "9", "9", "9"};
    QTest::newRow("plain address") << "192.168.0.1" << QStringList{"192", "168", "0", "1"} << "192.168.0.1" << true;
    QTest::newRow("three parts ignored") << "10.0.0" << old << "9.9.9.9" << true;
    QTest::newRow("five parts ignored") << "1.2.3.4.5" << old << "9.9.9.9" << true;
    QTest::newRow("empty text ignored") << "" << old << "9.9.9.9" << true;
    QTest::newRow("300 taken without range test") << "10.0.0.300" << QStringList{"10", "0", "0", "300"}
                                                 << "10.0.0.300" << true;
    QTest::newRow("empty part kept, address incomplete") << "1..3.4" << QStringList{"1", "", "3", "4"}
                                                        << QString() << false;
}

void TestMyIPCtrl::setIP()
{
    QFETCH(QString, text);
    QFETCH(QStringList, fields);
    QFETCH(QString, ip);
    QFETCH(bool, complete);

    MyIPCtrl *ctrl = m_win->start;
    ctrl->setIP(QStringLiteral("9.9.9.9"));
    ctrl->setIP(text);
    QCOMPARE(texts(ctrl), fields);
    QCOMPARE(ctrl->getIP(), ip);
    QCOMPARE(ctrl->getIP().isNull(), !complete);
    QCOMPARE(ctrl->IsBlank(), complete);
}

void TestMyIPCtrl::hostAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::newRow("valid address") << "172.16.5.200" << true;
    QTest::newRow("field empty") << "172..5.200" << false;
    // Taken by setIP unchecked; reporting it as an address would connect to nothing.
    QTest::newRow("octet above 255") << "10.0.0.300" << false;
}

void TestMyIPCtrl::hostAddress()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    MyIPCtrl *ctrl = m_win->start;
    ctrl->setIP(text);
    const QHostAddress untouched(QStringLiteral("1.2.3.4"));
    QHostAddress out = untouched;
    QCOMPARE(ctrl->getIP(&out), ok);
    QCOMPARE(out, ok ? QHostAddress(text) : untouched);
    QVERIFY(!ctrl->getIP(nullptr));
}

void TestMyIPCtrl::compare_data()
{
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QString>("partner");
    QTest::addColumn<bool>("mustNotBeLower");
    QTest::addColumn<int>("result");

    QTest::newRow("lower, must not be lower") << "192.168.1.5" << "192.168.1.10" << true << -1;
    QTest::newRow("numeric, not text: 9 below 10") << "10.0.0.9" << "10.0.0.10" << true << -1;
    QTest::newRow("higher, must not be lower") << "192.168.1.10" << "192.168.1.5" << true << 2;
    QTest::newRow("equal accepted") << "192.168.1.10" << "192.168.1.10" << true << 2;
    QTest::newRow("first octet decides") << "11.0.0.0" << "10.255.255.255" << true << 2;
    QTest::newRow("higher, must not be higher") << "10.0.0.9" << "10.0.0.5" << false << -1;
    QTest::newRow("lower, must not be higher") << "10.0.0.5" << "10.0.0.9" << false << 2;
    QTest::newRow("equal, must not be higher") << "10.0.0.5" << "10.0.0.5" << false << 2;
    QTest::newRow("partner incomplete") << "10.0.0.5" << "10.0..9" << true << 0;
    QTest::newRow("own address incomplete") << "10..0.5" << "10.0.0.9" << true << 0;
}

void TestMyIPCtrl::compare()
{
    QFETCH(QString, mine);
    QFETCH(QString, partner);
    QFETCH(bool, mustNotBeLower);
    QFETCH(int, result);

    QCOMPARE(m_win->end->compare(true), 0); // unbound
    m_win->end->bindIP(m_win->start, mustNotBeLower);
    m_win->end->setIP(mine);
    m_win->start->setIP(partner);
    QCOMPARE(m_win->end->compare(mustNotBeLower), result);
}

void TestMyIPCtrl::focusLossOrderCheck_data()
{
    QTest::addColumn<QString>("partner");
    QTest::addColumn<bool>("mustNotBeLower");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("error");

    QTest::newRow("end below start emptied") << "192.168.1.10" << true << "192.168.1.5" << true;
    QTest::newRow("end equal to start kept") << "192.168.1.10" << true << "192.168.1.10" << false;
    QTest::newRow("end above start kept") << "192.168.1.10" << true << "192.168.2.1" << false;
    QTest::newRow("start above end emptied") << "10.0.0.5" << false << "10.0.0.9" << true;
    QTest::newRow("start below end kept") << "10.0.0.5" << false << "10.0.0.4" << false;
    QTest::newRow("partner incomplete, no error") << "10.0.0." << true << "9.0.0.1" << false;
}

void TestMyIPCtrl::focusLossOrderCheck()
{
    QFETCH(QString, partner);
    QFETCH(bool, mustNotBeLower);
    QFETCH(QString, typed);
    QFETCH(bool, error);

    MyIPCtrl *ctrl = m_win->end;
    ctrl->bindIP(m_win->start, mustNotBeLower);
    m_win->start->setIP(partner);
    QSignalSpy errors(ctrl, &MyIPCtrl::showErrorMessage);

    field(ctrl, 0)->setFocus();
    QTRY_VERIFY(field(ctrl, 0)->hasFocus());
    type(typed);
    QCOMPARE(ctrl->getIP(), typed); // no check while the address was incomplete
    QCOMPARE(errors.count(), 0);

    m_win->elsewhere->setFocus();
    QTRY_VERIFY(m_win->elsewhere->hasFocus());
    QCOMPARE(errors.count(), error ? 1 : 0);
    QCOMPARE(texts(ctrl), (error ? QStringList{"", "", "", ""} : typed.split('.')));
}

void TestMyIPCtrl::bindTwiceKeepsFirstPartner()
{
    MyIPCtrl other(&m_win->widget);
    other.setIP(QStringLiteral("10.0.0.50"));
    m_win->start->setIP(QStringLiteral("10.0.0.200"));
    m_win->end->setIP(QStringLiteral("10.0.0.100"));

    m_win->end->bindIP(nullptr, false);           // ignored, does not count as a binding
    m_win->end->bindIP(m_win->start, true);
    m_win->end->bindIP(&other, false);           // ignored
    QCOMPARE(m_win->end->compare(true), -1);     // against 10.0.0.50 it would be 2

    QSignalSpy errors(m_win->end, &MyIPCtrl::showErrorMessage);
    field(m_win->end, 3)->setFocus();
    QTRY_VERIFY(field(m_win->end, 3)->hasFocus());
    m_win->elsewhere->setFocus();
    QTRY_VERIFY(m_win->elsewhere->hasFocus());
    QCOMPARE(errors.count(), 1);                 // with "must not be higher" there is none
    QVERIFY(m_win->end->getIP().isNull());
}

void TestMyIPCtrl::clearAndEnable()
{
    MyIPCtrl *ctrl = m_win->start;
    ctrl->setIP(QStringLiteral("1.2.3.4"));
    m_win->elsewhere->setFocus();
    ctrl->clearEdit();
    QCOMPARE(texts(ctrl), (QStringList{"", "", "", ""}));
    QTRY_COMPARE(focusedField(ctrl), 0);

    ctrl->setIPCtrlEnabled(false);
    const QList<QLabel *> dots = ctrl->findChildren<QLabel *>();
    QCOMPARE(dots.size(), 3);
    for (int i = 0; i < 4; ++i) {
        QVERIFY(!field(ctrl, i)->isEnabled());
        QVERIFY(field(ctrl, i)->styleSheet().contains(QLatin1String("rgb(200,200,200)")));
    }
    for (QLabel *dot : dots) {
        QCOMPARE(dot->text(), QStringLiteral("."));
        QVERIFY(dot->isEnabled());
        QVERIFY(dot->styleSheet().contains(QLatin1String("rgb(200,200,200)")));
    }

    m_win->elsewhere->setFocus();
    ctrl->setIPCtrlEnabled(true);
    for (int i = 0; i < 4; ++i) {
        QVERIFY(field(ctrl, i)->isEnabled());
        QVERIFY(field(ctrl, i)->styleSheet().contains(QLatin1String("rgb(255,255,255)")));
    }
    QTRY_COMPARE(focusedField(ctrl), 0);
}

QTEST_MAIN(TestMyIPCtrl)
#include "tst_myipctrl.moc"
