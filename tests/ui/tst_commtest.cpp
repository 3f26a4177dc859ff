#include "app/myipctrl.h"
#include "diagnostics/communication_test.h"
#include "messages/messagetable.h"
#include "support/messagespy.h"
#include "support/modbus_server.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTextBrowser>
#include <QtTest>

namespace {

// The window, its fields by object name, and an independent Modbus TCP server.
struct Bench {
    bool complete() const { return ip && code && start && port && unit && number && data && state && reply && send; }

    void target(quint16 serverPort)
    {
        ip->setIP(QStringLiteral("127.0.0.1"));
        port->setText(QString::number(serverPort));
    }

    // Chooses a function code as the user does, so the window adapts its fields.
    void chooseCode(int functionCode)
    {
        const int index = QList<int>{1, 2, 3, 4, 5, 6, 15, 16}.indexOf(functionCode);
        code->setCurrentIndex(index);
        Q_EMIT code->activated(index);
    }

    void request(int functionCode, int startAddress, int quantity, const QString &dataText = QString())
    {
        chooseCode(functionCode);
        start->setText(QString::number(startAddress));
        number->setText(QString::number(quantity));
        Q_EMIT number->editingFinished();
        data->setText(dataText);
    }

    QString shown() const { return reply->toPlainText(); }

    ModbusServer server;
    MessageSpy spy;
    Communication_Test w;
    MyIPCtrl *ip = w.findChild<MyIPCtrl *>(QStringLiteral("frame_2"));
    QComboBox *code = w.findChild<QComboBox *>(QStringLiteral("comboBox"));
    QLineEdit *start = w.findChild<QLineEdit *>(QStringLiteral("lineEdit_StartAddress"));
    QLineEdit *port = w.findChild<QLineEdit *>(QStringLiteral("lineEdit_Port"));
    QLineEdit *unit = w.findChild<QLineEdit *>(QStringLiteral("lineEdit_Slaveid"));
    QLineEdit *number = w.findChild<QLineEdit *>(QStringLiteral("lineEdit_number"));
    QLineEdit *data = w.findChild<QLineEdit *>(QStringLiteral("lineEdit_input"));
    QLineEdit *state = w.findChild<QLineEdit *>(QStringLiteral("lineEdit_State"));
    QTextBrowser *reply = w.findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
    QPushButton *send = w.findChild<QPushButton *>(QStringLiteral("bt_Send"));
};

#define SERVE(b, ...)                                                                                                \
    Bench b;                                                                                                         \
    QVERIFY(b.complete());                                                                                           \
    QVERIFY2(b.server.start(__VA_ARGS__), qPrintable(b.server.errorText()));                                         \
    b.target(b.server.port())

QString registersText(int count)
{
    QStringList pairs;
    for (int i = 0; i < count; ++i)
        pairs << QStringLiteral("%1 %2").arg(i >> 8, 2, 16, QLatin1Char('0')).arg(i & 0xFF, 2, 16, QLatin1Char('0'));
    return pairs.join(QLatin1Char(' '));
}

// One request of an exchange and what the window shows: the verdict and the reply from the unit identifier on.
struct Step {
    int code = 0, start = 0, quantity = 0;
    QString data, shown;
    unsigned int verdict = 1018;
    int pauseMs = 0; // before the next request
};

} // namespace

Q_DECLARE_METATYPE(Step)
using Steps = QList<Step>;

class TestCommTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fieldsFollowFunctionCode_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("dataEnabled");
        QTest::addColumn<bool>("numberEnabled");
        QTest::addColumn<bool>("dataKept");
        QTest::addColumn<QString>("quantity");

        QTest::newRow("read registers: data off and emptied, 127 at most") << 3 << false << true << false << "127";
        QTest::newRow("write one: data on and emptied, number off, no limit") << 5 << true << false << false << "5000";
        QTest::newRow("write coils: both on, data kept, 2000 at most") << 15 << true << true << true << "2000";
    }

    void fieldsFollowFunctionCode()
    {
        QFETCH(int, code);
        QFETCH(bool, dataEnabled);
        QFETCH(bool, numberEnabled);
        QFETCH(bool, dataKept);
        QFETCH(QString, quantity);

        Bench b;
        QVERIFY(b.complete());
        b.chooseCode(16);
        b.data->setText(QStringLiteral("00 01"));
        b.number->setText(QStringLiteral("5000"));
        b.chooseCode(code);
        QCOMPARE(b.data->isEnabled(), dataEnabled);
        QCOMPARE(b.number->isEnabled(), numberEnabled);
        QCOMPARE(b.data->text().isEmpty(), !dataKept);
        QCOMPARE(b.data->styleSheet().contains(QLatin1String("227")), !dataEnabled);
        QCOMPARE(b.number->styleSheet().contains(QLatin1String("227")), !numberEnabled);
        QCOMPARE(b.number->text(), quantity);
        // Leaving the field clamps too.
        b.number->setText(QStringLiteral("5000"));
        Q_EMIT b.number->editingFinished();
        QCOMPARE(b.number->text(), quantity);
    }

    void addressAndUnitStayInRange_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("acceptable");

        QTest::newRow("start address 65535") << "lineEdit_StartAddress" << "65535" << true;
        QTest::newRow("start address 65536") << "lineEdit_StartAddress" << "65536" << false;
        QTest::newRow("unit 255") << "lineEdit_Slaveid" << "255" << true;
        QTest::newRow("unit 256") << "lineEdit_Slaveid" << "256" << false;
        QTest::newRow("port 65536") << "lineEdit_Port" << "65536" << false;
    }

    void addressAndUnitStayInRange()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(bool, acceptable);

        Communication_Test w;
        auto *edit = w.findChild<QLineEdit *>(field);
        QVERIFY(edit && edit->validator());
        int pos = 0;
        QCOMPARE(edit->validator()->validate(text, pos) == QValidator::Acceptable, acceptable);
    }

    void exchanges_data()
    {
        QTest::addColumn<QStringList>("serverArgs");
        QTest::addColumn<Steps>("steps");

        // Unit 17. Server: 4000 each; coils, holding registers 0; discrete input i on when i % 3 == 0;
        // input register i = 0x1000 + i. A read is sent twice, a write is read back.
        const QStringList plain;
        QTest::newRow("coils") << plain << Steps{{1, 0, 10, "", "11 01 02 00 00 "}};
        QTest::newRow("discrete inputs") << plain << Steps{{2, 0, 10, "", "11 02 02 49 02 "}};
        QTest::newRow("holding registers") << plain << Steps{{3, 0, 2, "", "11 03 04 00 00 00 00 "}};
        QTest::newRow("input registers") << plain << Steps{{4, 5, 3, "", "11 04 06 10 05 10 06 10 07 "}};
        QTest::newRow("exception reply") << plain << Steps{{3, 5000, 1, "", "11 83 02 ", 1017}};
        QTest::newRow("one coil on")
            << plain << Steps{{5, 3, 1, "FF 00", "11 05 00 03 ff 00 "}, {1, 0, 8, "", "11 01 01 08 "}};
        QTest::newRow("one register")
            << plain << Steps{{6, 7, 1, "12 34", "11 06 00 07 12 34 "}, {3, 7, 1, "", "11 03 02 12 34 "}};
        QTest::newRow("ten coils from two bytes")
            << plain << Steps{{15, 0, 10, "ff 03 77", "11 0f 00 00 00 0a "}, {1, 0, 16, "", "11 01 02 ff 03 "}};
        QTest::newRow("120 registers")
            << plain
            << Steps{{16, 0, 120, registersText(120), "11 10 00 00 00 78 "}, {3, 118, 2, "", "11 03 04 00 76 00 77 "}};
        // The late answer arrives between the two requests on the same connection.
        QTest::newRow("answer after the wait is not taken for the next")
            << QStringList{"--delay-ms", "2600", "--delay-count", "1"}
            << Steps{{3, 0, 1, "", "", 1016, 1200}, {4, 5, 1, "", "11 04 02 10 05 "}};
        const Step closing{4, 0, 1, "", "11 04 02 10 00 ", 1018, 100};
        QTest::newRow("connection closed by the server is opened again")
            << QStringList{"--close-after", "1"} << Steps{closing, closing, closing};
    }

    void exchanges()
    {
        QFETCH(QStringList, serverArgs);
        QFETCH(Steps, steps);

        SERVE(b, serverArgs);
        b.unit->setText(QStringLiteral("17"));
        if (steps.size() == 1)
            steps << steps.first();
        for (const Step &s : steps) {
            b.request(s.code, s.start, s.quantity, s.data);
            b.send->click();
            QCOMPARE(b.spy.texts(), QStringList());
            QCOMPARE(b.state->text(), GetStr(s.verdict));
            QCOMPARE(b.shown(), s.shown);
            QVERIFY(b.send->isEnabled());
            QTest::qWait(s.pauseMs);
        }
        QCOMPARE(b.w.transId(), steps.size());
        const QList<QByteArray> received = b.server.logged();
        QCOMPARE(received.size(), steps.size());
        QCOMPARE(received[1].left(2).toHex(), QByteArray("0001"));
    }

    void refusedData_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("quantity");
        QTest::addColumn<QString>("dataText");
        QTest::addColumn<uint>("messageId");

        // Refused by the text check before connecting, and by the frame check after.
        QTest::newRow("not hex") << 6 << 1 << "0x" << 1001u;
        QTest::newRow("2 registers, 3 bytes") << 16 << 2 << "00 01 00" << 1015u;
    }

    void refusedData()
    {
        QFETCH(int, code);
        QFETCH(int, quantity);
        QFETCH(QString, dataText);
        QFETCH(uint, messageId);

        SERVE(b);
        b.request(code, 0, quantity, dataText);
        b.send->click();
        QCOMPARE(b.spy.texts(), QStringList{GetStr(messageId)});
        QCOMPARE(b.spy.shown().first().title, Msg::productTitle());
        QCOMPARE(b.w.transId(), 0);
        QTest::qWait(50);
        QCOMPARE(b.server.logged().size(), 0);
    }

    void silentServerIsNoResponse_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("quantity");
        QTest::addColumn<QString>("dataText");
        QTest::addColumn<int>("length");

        // The length field needs both its bytes.
        QTest::newRow("127 registers") << 16 << 127 << registersText(127) << 7 + 254;
        QTest::newRow("2000 coils") << 15 << 2000 << registersText(125) << 7 + 250;
    }

    void silentServerIsNoResponse()
    {
        QFETCH(int, code);
        QFETCH(int, quantity);
        QFETCH(QString, dataText);
        QFETCH(int, length);

        // The silent server keeps every byte it receives, whatever the length says.
        SERVE(b, {QStringLiteral("--silent")});
        b.request(code, 0, quantity, dataText);
        QElapsedTimer clock;
        clock.start();
        b.send->click();
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(b.state->text(), GetStr(1016));
        QCOMPARE(b.shown(), QString());
        QVERIFY2(elapsed >= 1500 && elapsed < 5000, qPrintable(QString::number(elapsed)));
        QCOMPARE(b.spy.texts(), QStringList());
        QCOMPARE(b.w.transId(), 1);

        QTRY_COMPARE_WITH_TIMEOUT(b.server.logged(QStringLiteral("raw")).join().size(), 6 + length, 2000);
        const QByteArray sent = b.server.logged(QStringLiteral("raw")).join();
        QCOMPARE((uchar(sent.at(4)) << 8) | uchar(sent.at(5)), length);
        QCOMPARE(uchar(sent.at(7)), uchar(code));
        QCOMPARE((uchar(sent.at(10)) << 8) | uchar(sent.at(11)), quantity);
        QCOMPARE(int(uchar(sent.at(12))), length - 7);
    }

    void unreachableServerWarnsEveryTime()
    {
        SERVE(b);
        b.request(3, 0, 1);
        b.send->click();
        QCOMPARE(b.state->text(), GetStr(1018));

        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        b.target(probe.serverPort());
        probe.close();
        for (int i = 0; i < 2; ++i) {
            b.spy.clear();
            const QDeadlineTimer bound(5000);
            b.send->click();
            QVERIFY(!bound.hasExpired());
            QCOMPARE(b.spy.texts(), QStringList{GetStr(7002)});
            // No earlier result stands beside the failure.
            QCOMPARE(b.state->text(), QString());
            QCOMPARE(b.shown(), QString());
            QVERIFY(b.send->isEnabled());
        }

        b.spy.clear();
        b.ip->setIP(QStringLiteral("127.0.0.300"));
        b.send->click();
        QCOMPARE(b.spy.texts(), QStringList{GetStr(7002)});

        b.target(b.server.port());
        b.spy.clear();
        b.send->click();
        QCOMPARE(b.spy.texts(), QStringList());
        QCOMPARE(b.state->text(), GetStr(1018));
    }
};

QTEST_MAIN(TestCommTest)
#include "tst_commtest.moc"
