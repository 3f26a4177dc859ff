#include "config/dialog_password.h"
#include "config/globals.h"
#include "messages/messagetable.h"
#include "support/messagespy.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QValidator>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

// The password dialog and its evaluation against simulated gateways, and
// against a scripted peer for closes the simulator does not produce.
class TestPassword : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { g_recvbuf.fill(0); Password = QStringLiteral("kept"); g_appointIpAddr.clear(); }
    void cleanup() { g_Server().abort(); }
    void typing();
    void pressOk_data();
    void pressOk();
    void modalRun_data();
    void modalRun();
};

namespace {

const QString kGatewayPassword = QStringLiteral("abcdefABC012");

QJsonObject gateway(const QString &ip, const QJsonObject &faults = {})
{
    return QJsonObject{{"gateways", QJsonArray{QJsonObject{
                                        {"ip", ip}, {"model", 30103}, {"password", kGatewayPassword}, {"faults", faults}}}}};
}

void clickOk(Dialog_Password &dialog, const QString &typed)
{
    dialog.findChild<QLineEdit *>(QStringLiteral("lineEdit"))->setText(typed);
    dialog.findChild<QPushButton *>(QStringLiteral("bt_ok"))->click();
}

// A scripted gateway on ip:18801 in its own thread: takes one connection, reads
// the 36-byte password frame, sends `reply` and closes. Every wait is bounded;
// the thread is not started when ip:18801 cannot be listened on.
std::thread serveOnce(const QString &ip, const QByteArray &reply, std::atomic<int> *received)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(18801);
    ::inet_pton(AF_INET, ip.toLatin1().constData(), &addr.sin_addr);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(fd, 1) != 0) {
        ::close(fd);
        return {};
    }
    return std::thread([=] {
        pollfd p{fd, POLLIN, 0};
        const int conn = ::poll(&p, 1, 5000) > 0 ? ::accept(fd, nullptr, nullptr) : -1;
        char buffer[64];
        for (pollfd c{conn, POLLIN, 0}; conn >= 0 && *received < 36 && ::poll(&c, 1, 3000) > 0;) {
            const ssize_t n = ::recv(conn, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            *received += int(n);
        }
        ::send(conn, reply.constData(), size_t(reply.size()), MSG_NOSIGNAL);
        ::usleep(100000); // the reader takes the reply before the close
        ::close(conn);
        ::close(fd);
    });
}

} // namespace

Q_DECLARE_METATYPE(PasswordResult)

void TestPassword::typing()
{
    Dialog_Password dialog;
    auto *line = dialog.findChild<QLineEdit *>(QStringLiteral("lineEdit"));
    QCOMPARE(line->echoMode(), QLineEdit::Password);
    // Only ASCII letters and digits get in.
    QTest::keyClicks(line, QStringLiteral("ab-c d.e!9"));
    QCOMPARE(line->text(), QStringLiteral("abcde9"));
    QString accented = QStringLiteral("a") + QChar(0xE9);
    int pos = 0;
    QCOMPARE(line->validator()->validate(accented, pos), QValidator::Invalid);
}

// OK on the dialog: the checks before connecting, the exchange with the gateway,
// then the judgement as the write asks it, keeping the connection after a rejection.
void TestPassword::pressOk_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("address"); // "sim": simulated gateway; "peer": scripted one; "free": nothing listens
    QTest::addColumn<QJsonObject>("faults"); // of the simulator; for the scripted peer {"reply": hex}
    QTest::addColumn<QStringList>("messages"); // shown on OK; none when the password went out
    QTest::addColumn<PasswordResult>("result");
    QTest::addColumn<int>("boundMs");
    const QString pw = kGatewayPassword;
    const QJsonObject none;
    const QStringList sent;
    const QStringList length{"Incorrect Password Length!"};
    const QStringList address{"Incorrect IP Address!"};
    const QStringList noConnection{GetStr(7002)};
    using R = PasswordResult;
    QTest::newRow("13 characters") << "abcdefABC0123" << "sim" << none << length << R::Cancelled << 3000;
    QTest::newRow("empty password") << "" << "sim" << none << length << R::Cancelled << 3000;
    QTest::newRow("length checked before address") << "" << "" << none << length << R::Cancelled << 3000;
    QTest::newRow("three dotted parts") << "1234" << "127.0.0" << none << address << R::Cancelled << 3000;
    QTest::newRow("no address") << "1234" << "" << none << address << R::Cancelled << 3000;
    QTest::newRow("twelve characters accepted") << pw << "sim" << none << sent << R::Accepted << 3000;
    QTest::newRow("wrong, the connection kept") << "wrong1" << "sim" << none << sent << R::Rejected << 3000;
    QTest::newRow("four-byte reply") << pw << "sim" << QJsonObject{{"pw_short", true}} << sent << R::Rejected << 4000;
    QTest::newRow("late but within the wait") << pw << "sim" << QJsonObject{{"pw_delay_ms", 800}} << sent << R::Accepted << 3000;
    QTest::newRow("never answers: bounded") << pw << "sim" << QJsonObject{{"pw_silent", true}} << sent << R::Rejected << 6000;
    QTest::newRow("reply split by TCP is joined")
        << pw << "sim" << QJsonObject{{"answer_drip", QJsonObject{{"commands", QJsonArray{7}}, {"piece", 4}, {"gap_ms", 300}}}}
        << sent << R::Accepted << 3000;
    QTest::newRow("longer reply: 16 bytes taken")
        << pw << "sim" << QJsonObject{{"answer_suffix_hex", QJsonObject{{"7", QString(80, '7')}}}} << sent << R::Accepted << 3000;
    QTest::newRow("eight accepted bytes, then close")
        << pw << "peer" << QJsonObject{{"reply", "0000000700000008"}} << sent << R::Accepted << 3000;
    QTest::newRow("closed without a reply") << pw << "peer" << none << noConnection << R::Cancelled << 3000;
    QTest::newRow("connection refused") << pw << "free" << none << noConnection << R::Cancelled << 3000;
}

void TestPassword::pressOk()
{
    QFETCH(QString, typed);
    QFETCH(QString, address);
    QFETCH(QJsonObject, faults);
    QFETCH(QStringList, messages);
    QFETCH(PasswordResult, result);
    QFETCH(int, boundMs);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    if (address == "sim")
        QVERIFY2(sim.start(gateway(ip, faults)), qPrintable(sim.errorText()));
    std::atomic<int> received{0};
    std::thread peer;
    if (address == "peer")
        peer = serveOnce(ip, QByteArray::fromHex(faults.value("reply").toString().toLatin1()), &received);
    QVERIFY(peer.joinable() == (address == "peer"));
    const auto joinPeer = qScopeGuard([&] {
        g_Server().abort();
        if (peer.joinable())
            peer.join();
    });
    g_appointIpAddr = QStringList{"sim", "peer", "free"}.contains(address) ? ip : address;
    MessageSpy spy;
    Dialog_Password dialog;

    QElapsedTimer clock;
    clock.start();
    clickOk(dialog, typed);
    QVERIFY2(clock.elapsed() < boundMs, qPrintable(QString("took %1 ms").arg(clock.elapsed())));
    QCOMPARE(spy.texts(), messages);
    const bool sent = messages.isEmpty();
    QCOMPARE(dialog.passwordSent(), sent);
    QCOMPARE(dialog.result(), int(sent ? QDialog::Accepted : QDialog::Rejected));
    if (sent || (address != "peer" && address != "free")) // else a failed connection may have set it
        QCOMPARE(Password, sent ? typed : QStringLiteral("kept"));
    if (address == "sim" && sent) {
        const QByteArray field = typed.toLatin1() + QByteArray(20 - typed.size(), '\0');
        QCOMPARE(sim.tcpBytes(ip).value(0).toHex(' '),
                 (QByteArray::fromHex("00000007 0000001c 54616c76656e6f72") + field).toHex(' '));
    } else if (address == "sim") {
        QVERIFY(!sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("connect", ip).isEmpty(); }, 300));
    }

    spy.clear();
    QCOMPARE(evaluatePassword(dialog, nullptr, OnRejection::KeepServer), result);
    QCOMPARE(spy.texts(), result == PasswordResult::Rejected ? QStringList{GetStr(4014)} : QStringList{});
    QCOMPARE(g_recvbuf, (std::array<unsigned char, 16>{}));
    QCOMPARE(g_Server().isOpen(), result != PasswordResult::Cancelled);
    if (address == "sim" && result == PasswordResult::Accepted)
        QVERIFY(!sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("close", ip).isEmpty(); }, 300));
    if (address == "peer")
        QTRY_COMPARE_WITH_TIMEOUT(received.load(), 36, 3000);
}

void TestPassword::modalRun_data()
{
    QTest::addColumn<QString>("typed"); // "cancel": the Cancel button; "close": the title bar
    QTest::addColumn<PasswordResult>("result");
    QTest::newRow("right password") << kGatewayPassword << PasswordResult::Accepted;
    QTest::newRow("wrong password") << "abc" << PasswordResult::Rejected;
    QTest::newRow("Cancel button") << "cancel" << PasswordResult::Cancelled;
    QTest::newRow("closed by the title bar") << "close" << PasswordResult::Cancelled;
}

void TestPassword::modalRun()
{
    QFETCH(QString, typed);
    QFETCH(PasswordResult, result);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(gateway(ip)), qPrintable(sim.errorText()));
    g_appointIpAddr = ip;
    // A stale accepting reply must not pass for this dialog's answer.
    const QByteArray stale = QByteArray::fromHex("0000000700000008");
    std::copy(stale.begin(), stale.end(), g_recvbuf.begin());
    MessageSpy spy;
    bool sawDialog = false;
    QTimer::singleShot(50, [&] {
        auto *dialog = qobject_cast<Dialog_Password *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        sawDialog = true;
        if (typed == "close")
            dialog->close();
        else if (typed == "cancel")
            dialog->findChild<QPushButton *>(QStringLiteral("bt_cancel"))->click();
        else
            clickOk(*dialog, typed);
    });
    // Whatever happened above, no modal dialog outlives the test.
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (QWidget *w = QApplication::activeModalWidget())
            w->close();
    });
    guard.start(5000);

    // As the read asks it: a rejection gives up the connection.
    const PasswordResult judged = askPassword(nullptr, OnRejection::CloseServer);

    QVERIFY(sawDialog);
    QCOMPARE(judged, result);
    QCOMPARE(g_Server().isOpen(), result == PasswordResult::Accepted);
    QCOMPARE(spy.texts(), result == PasswordResult::Rejected ? QStringList{GetStr(4014)} : QStringList{});
    QCOMPARE(g_recvbuf, (std::array<unsigned char, 16>{}));
}

QTEST_MAIN(TestPassword)
#include "tst_password.moc"
