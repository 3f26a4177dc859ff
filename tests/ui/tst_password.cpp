#include "config/dialog_password.h"
#include "config/globals.h"
#include "messages/messagetable.h"
#include "support/messagespy.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTimer>
#include <QValidator>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

// The password dialog and its evaluation against simulated gateways, and
// against a scripted peer for replies the simulator does not produce.
class TestPassword : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void look();
    void validator_data();
    void validator();
    void refusedBeforeConnecting_data();
    void refusedBeforeConnecting();
    void exchange_data();
    void exchange();
    void scriptedReply_data();
    void scriptedReply();
    void cancelledDialogIsNotJudged_data();
    void cancelledDialogIsNotJudged();
    void rejectionClosesServerOnlyWhenAsked_data();
    void rejectionClosesServerOnlyWhenAsked();
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

template <typename T>
T *child(QWidget *w, const char *name)
{
    T *found = w->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

void pressOk(Dialog_Password &dialog, const QString &typed)
{
    child<QLineEdit>(&dialog, "lineEdit")->setText(typed);
    child<QPushButton>(&dialog, "bt_ok")->click();
}

// One TCP peer on ip:18801 in its own thread: takes one connection, reads the
// 36-byte password frame, then sends each reply piece after its delay and
// closes. Every wait is bounded.
class ScriptedPeer
{
public:
    struct Piece {
        QByteArray bytes;
        int delayMs;
    };

    bool listen(const QString &ip)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const int one = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(18801);
        ::inet_pton(AF_INET, ip.toLatin1().constData(), &addr.sin_addr);
        return m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0
            && ::listen(m_fd, 1) == 0;
    }

    void run(const QList<Piece> &pieces)
    {
        m_thread = std::thread([this, pieces] {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0)
                return;
            const int conn = ::accept(m_fd, nullptr, nullptr);
            if (conn < 0)
                return;
            char buffer[64];
            while (m_received < 36) {
                pollfd c{conn, POLLIN, 0};
                if (::poll(&c, 1, 3000) <= 0)
                    break;
                const ssize_t n = ::recv(conn, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                m_received += int(n);
            }
            for (const Piece &piece : pieces) {
                std::this_thread::sleep_for(std::chrono::milliseconds(piece.delayMs));
                ::send(conn, piece.bytes.constData(), size_t(piece.bytes.size()), MSG_NOSIGNAL);
            }
            // Give the reader time to take the last piece before the close.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            ::close(conn);
        });
    }

    ~ScriptedPeer()
    {
        if (m_thread.joinable())
            m_thread.join();
        if (m_fd >= 0)
            ::close(m_fd);
    }

    int received() const { return m_received; }

private:
    int m_fd = -1;
    std::thread m_thread;
    std::atomic<int> m_received{0};
};

} // namespace

Q_DECLARE_METATYPE(QList<ScriptedPeer::Piece>)
Q_DECLARE_METATYPE(OnRejection)
Q_DECLARE_METATYPE(PasswordResult)

void TestPassword::init()
{
    g_recvbuf.fill(0);
    Password = QStringLiteral("kept");
    g_appointIpAddr.clear();
}

void TestPassword::cleanup()
{
    g_Server().abort();
    g_recvbuf.fill(0);
}

void TestPassword::look()
{
    Dialog_Password dialog;
    QCOMPARE(dialog.minimumSize(), QSize(304, 169));
    QCOMPARE(dialog.maximumSize(), QSize(304, 169));
    QCOMPARE(dialog.windowTitle(), GetStr(7003));
    QCOMPARE(child<QLabel>(&dialog, "label")->text(), GetStr(7004));
    QCOMPARE(child<QPushButton>(&dialog, "bt_ok")->text(), GetStr(7005));
    QCOMPARE(child<QPushButton>(&dialog, "bt_cancel")->text(), GetStr(7006));
    QLineEdit *edit = child<QLineEdit>(&dialog, "lineEdit");
    QCOMPARE(edit->echoMode(), QLineEdit::Password);
    QVERIFY(edit->text().isEmpty());
    QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!dialog.passwordSent());
}

void TestPassword::validator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");
    QTest::newRow("letters and digits") << "abcXYZ019" << int(QValidator::Acceptable);
    QTest::newRow("empty is still being typed") << "" << int(QValidator::Intermediate);
    QTest::newRow("punctuation") << "ab-c" << int(QValidator::Invalid);
    QTest::newRow("space") << "ab c" << int(QValidator::Invalid);
    QTest::newRow("non-ASCII letter") << QString("a") + QChar(0xE9) << int(QValidator::Invalid);
}

void TestPassword::validator()
{
    QFETCH(QString, text);
    QFETCH(int, state);
    Dialog_Password dialog;
    QLineEdit *edit = child<QLineEdit>(&dialog, "lineEdit");
    QVERIFY(edit->validator());
    int pos = 0;
    QCOMPARE(int(edit->validator()->validate(text, pos)), state);
    // Typing goes through the same check: refused keys leave no trace.
    QTest::keyClicks(edit, QStringLiteral("ab-c d.e!9"));
    QCOMPARE(edit->text(), QStringLiteral("abcde9"));
}

void TestPassword::refusedBeforeConnecting_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("address"); // "sim": the simulated gateway
    QTest::addColumn<QString>("message");
    QTest::newRow("13 characters") << "abcdefABC0123" << "sim" << "Incorrect Password Length!";
    QTest::newRow("empty password") << "" << "sim" << "Incorrect Password Length!";
    QTest::newRow("length checked before the address") << "" << "" << "Incorrect Password Length!";
    QTest::newRow("three dotted parts") << "1234" << "127.0.0" << "Incorrect IP Address!";
    QTest::newRow("five dotted parts") << "1234" << "127.0.0.1.5" << "Incorrect IP Address!";
    QTest::newRow("no address") << "1234" << "" << "Incorrect IP Address!";
}

void TestPassword::refusedBeforeConnecting()
{
    QFETCH(QString, typed);
    QFETCH(QString, address);
    QFETCH(QString, message);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(gateway(ip)), qPrintable(sim.errorText()));
    g_appointIpAddr = address == "sim" ? ip : address;
    MessageSpy spy;
    Dialog_Password dialog;

    pressOk(dialog, typed);

    QCOMPARE(spy.texts(), QStringList{message});
    QCOMPARE(spy.shown().first().title, QStringLiteral("ZUV-DL-CFG"));
    QVERIFY(!dialog.passwordSent());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(Password, QStringLiteral("kept"));
    QVERIFY(!sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("connect", ip).isEmpty(); }, 300));
}

void TestPassword::exchange_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QStringList>("dialogMessages");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("boundMs");

    const QStringList none;
    const int accepted = int(PasswordResult::Accepted);
    const int rejected = int(PasswordResult::Rejected);
    const int cancelled = int(PasswordResult::Cancelled);
    QTest::newRow("twelve characters accepted") << kGatewayPassword << QJsonObject{} << true << none << accepted << 3000;
    QTest::newRow("wrong password: Password error")
        << "wrong1" << QJsonObject{} << true << none << rejected << 3000;
    QTest::newRow("four-byte reply: Password error")
        << kGatewayPassword << QJsonObject{{"pw_short", true}} << true << none << rejected << 4000;
    QTest::newRow("answer late but within the wait")
        << kGatewayPassword << QJsonObject{{"pw_delay_ms", 800}} << true << none << accepted << 3000;
    QTest::newRow("gateway never answers: bounded, Password error")
        << kGatewayPassword << QJsonObject{{"pw_silent", true}} << true << none << rejected << 6000;
    QTest::newRow("connection refused: message, dialog stays")
        << kGatewayPassword << QJsonObject{{"tcp_refuse", true}} << false << QStringList{GetStr(7002)} << cancelled
        << 3000;
}

void TestPassword::exchange()
{
    QFETCH(QString, typed);
    QFETCH(QJsonObject, faults);
    QFETCH(bool, sent);
    QFETCH(QStringList, dialogMessages);
    QFETCH(int, result);
    QFETCH(int, boundMs);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(gateway(ip, faults)), qPrintable(sim.errorText()));
    g_appointIpAddr = ip;
    MessageSpy spy;
    Dialog_Password dialog;

    QElapsedTimer clock;
    clock.start();
    pressOk(dialog, typed);
    const qint64 elapsed = clock.elapsed();

    QVERIFY2(elapsed < boundMs, qPrintable(QString("took %1 ms").arg(elapsed)));
    QCOMPARE(spy.texts(), dialogMessages);
    QCOMPARE(dialog.passwordSent(), sent);
    QCOMPARE(dialog.result(), int(sent ? QDialog::Accepted : QDialog::Rejected));
    if (sent) {
        QCOMPARE(Password, typed);
        const QByteArray field = typed.toLatin1() + QByteArray(20 - typed.size(), '\0');
        QCOMPARE(sim.tcpBytes(ip).value(0).toHex(' '),
                 (QByteArray::fromHex("00000007 0000001c 54616c76656e6f72") + field).toHex(' '));
    } else {
        QVERIFY(!g_Server().isOpen());
    }

    spy.clear();
    const PasswordResult judged = evaluatePassword(dialog, nullptr);
    QCOMPARE(int(judged), result);
    QCOMPARE(spy.texts(), judged == PasswordResult::Rejected ? QStringList{GetStr(4014)} : QStringList{});
    QCOMPARE(g_recvbuf, (std::array<unsigned char, 16>{}));
    if (judged == PasswordResult::Accepted) {
        QCOMPARE(g_Server().state(), QAbstractSocket::ConnectedState);
        QVERIFY(!sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("close", ip).isEmpty(); }, 300));
    }
}

void TestPassword::scriptedReply_data()
{
    using Pieces = QList<ScriptedPeer::Piece>;
    QTest::addColumn<Pieces>("pieces");
    QTest::addColumn<QStringList>("dialogMessages");
    QTest::addColumn<int>("result");
    const QByteArray accepted = QByteArray::fromHex("00000007000000080000000000000000");
    QTest::newRow("reply split by TCP is joined")
        << Pieces{{accepted.left(4), 0}, {accepted.mid(4), 300}} << QStringList{} << int(PasswordResult::Accepted);
    QTest::newRow("eight accepted bytes, then close")
        << Pieces{{accepted.left(8), 0}} << QStringList{} << int(PasswordResult::Accepted);
    QTest::newRow("longer reply: only 16 bytes are taken")
        << Pieces{{accepted + QByteArray(40, '\x07'), 0}} << QStringList{} << int(PasswordResult::Accepted);
    QTest::newRow("closed without a reply: connection message")
        << Pieces{} << QStringList{GetStr(7002)} << int(PasswordResult::Cancelled);
}

void TestPassword::scriptedReply()
{
    QFETCH(QList<ScriptedPeer::Piece>, pieces);
    QFETCH(QStringList, dialogMessages);
    QFETCH(int, result);
    const QString ip = SimProcess::uniqueLoopbackIp();
    ScriptedPeer peer;
    QVERIFY(peer.listen(ip));
    peer.run(pieces);
    g_appointIpAddr = ip;
    MessageSpy spy;
    Dialog_Password dialog;

    pressOk(dialog, QStringLiteral("1234"));

    QCOMPARE(spy.texts(), dialogMessages);
    QCOMPARE(int(evaluatePassword(dialog, nullptr)), result);
    if (!dialogMessages.isEmpty())
        QVERIFY(!g_Server().isOpen());
    g_Server().abort();
    QTRY_COMPARE_WITH_TIMEOUT(peer.received(), 36, 3000);
}

void TestPassword::cancelledDialogIsNotJudged_data()
{
    QTest::addColumn<bool>("byTitleBar");
    QTest::newRow("Cancel button") << false;
    QTest::newRow("closed by its title bar") << true;
}

void TestPassword::cancelledDialogIsNotJudged()
{
    QFETCH(bool, byTitleBar);
    // A stale accepting reply must not pass for this dialog's answer.
    const QByteArray stale = QByteArray::fromHex("0000000700000008");
    std::copy(stale.begin(), stale.end(), g_recvbuf.begin());
    MessageSpy spy;
    Dialog_Password dialog;
    dialog.show();
    if (byTitleBar)
        dialog.close();
    else
        child<QPushButton>(&dialog, "bt_cancel")->click();

    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.passwordSent());
    QCOMPARE(evaluatePassword(dialog, nullptr), PasswordResult::Cancelled);
    QVERIFY(spy.shown().isEmpty());
    QCOMPARE(g_recvbuf, (std::array<unsigned char, 16>{}));
}

void TestPassword::rejectionClosesServerOnlyWhenAsked_data()
{
    QTest::addColumn<OnRejection>("onRejection");
    QTest::addColumn<bool>("open");
    QTest::newRow("read closes the connection") << OnRejection::CloseServer << false;
    QTest::newRow("write keeps it") << OnRejection::KeepServer << true;
}

void TestPassword::rejectionClosesServerOnlyWhenAsked()
{
    QFETCH(OnRejection, onRejection);
    QFETCH(bool, open);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(gateway(ip)), qPrintable(sim.errorText()));
    g_appointIpAddr = ip;
    MessageSpy spy;
    Dialog_Password dialog;
    pressOk(dialog, QStringLiteral("nottheone"));
    QVERIFY(dialog.passwordSent());
    QVERIFY(g_Server().isOpen());

    QCOMPARE(evaluatePassword(dialog, nullptr, onRejection), PasswordResult::Rejected);
    QCOMPARE(spy.texts(), QStringList{GetStr(4014)});
    QCOMPARE(g_Server().isOpen(), open);
}

void TestPassword::modalRun_data()
{
    QTest::addColumn<QString>("typed"); // empty: the dialog is closed instead
    QTest::addColumn<PasswordResult>("result");
    QTest::newRow("right password") << kGatewayPassword << PasswordResult::Accepted;
    QTest::newRow("wrong password") << "abc" << PasswordResult::Rejected;
    QTest::newRow("closed") << QString() << PasswordResult::Cancelled;
}

void TestPassword::modalRun()
{
    QFETCH(QString, typed);
    QFETCH(PasswordResult, result);
    const QString ip = SimProcess::uniqueLoopbackIp();
    SimProcess sim;
    QVERIFY2(sim.start(gateway(ip)), qPrintable(sim.errorText()));
    g_appointIpAddr = ip;
    MessageSpy spy;

    bool sawDialog = false;
    QTimer::singleShot(50, [&] {
        auto *dialog = qobject_cast<Dialog_Password *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        sawDialog = true;
        if (typed.isEmpty())
            dialog->close();
        else
            pressOk(*dialog, typed);
    });
    // Whatever happened above, no modal dialog outlives the test.
    QTimer guard;
    guard.setInterval(5000);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (QWidget *w = QApplication::activeModalWidget())
            w->close();
    });
    guard.start();

    const PasswordResult judged = askPassword(nullptr, OnRejection::CloseServer);

    QVERIFY(sawDialog);
    QCOMPARE(judged, result);
    QCOMPARE(g_Server().isOpen(), result == PasswordResult::Accepted);
    QCOMPARE(spy.texts(), result == PasswordResult::Rejected ? QStringList{GetStr(4014)} : QStringList{});
}

QTEST_MAIN(TestPassword)
#include "tst_password.moc"
