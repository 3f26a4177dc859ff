#include "app/myipctrl.h"
#include "diagnostics/communication_test.h"
#include "messages/messagetable.h"
#include "support/messagespy.h"
#include "support/modbus_server.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTextBrowser>
#include <QtTest>

namespace {

// The window's fields, found by their object names.
struct Form {
    explicit Form(Communication_Test &w)
        : window(w)
        , ip(w.findChild<MyIPCtrl *>(QStringLiteral("frame_2")))
        , code(w.findChild<QComboBox *>(QStringLiteral("comboBox")))
        , start(w.findChild<QLineEdit *>(QStringLiteral("lineEdit_StartAddress")))
        , port(w.findChild<QLineEdit *>(QStringLiteral("lineEdit_Port")))
        , unit(w.findChild<QLineEdit *>(QStringLiteral("lineEdit_Slaveid")))
        , number(w.findChild<QLineEdit *>(QStringLiteral("lineEdit_number")))
        , data(w.findChild<QLineEdit *>(QStringLiteral("lineEdit_input")))
        , stateField(w.findChild<QLineEdit *>(QStringLiteral("lineEdit_State")))
        , reply(w.findChild<QTextBrowser *>(QStringLiteral("textBrowser")))
        , send(w.findChild<QPushButton *>(QStringLiteral("bt_Send")))
    {
    }

    bool complete() const
    {
        return ip && code && start && port && unit && number && data && stateField && reply && send;
    }

    void target(quint16 serverPort, const QString &address = QStringLiteral("127.0.0.1"))
    {
        ip->setIP(address);
        port->setText(QString::number(serverPort));
    }

    // Chooses a function code as the user does, so the window adapts its fields.
    void chooseCode(int functionCode)
    {
        static const QList<int> codes{1, 2, 3, 4, 5, 6, 15, 16};
        const int index = codes.indexOf(functionCode);
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

    QString replyText() const { return reply->toPlainText(); }

    Communication_Test &window;
    MyIPCtrl *ip;
    QComboBox *code;
    QLineEdit *start;
    QLineEdit *port;
    QLineEdit *unit;
    QLineEdit *number;
    QLineEdit *data;
    QLineEdit *stateField;
    QTextBrowser *reply;
    QPushButton *send;
};

QString registersText(int count)
{
    QStringList pairs;
    for (int i = 0; i < count; ++i)
        pairs << QStringLiteral("%1 %2").arg(i >> 8, 2, 16, QLatin1Char('0')).arg(i & 0xFF, 2, 16, QLatin1Char('0'));
    return pairs.join(QLatin1Char(' '));
}

// A loopback port with nobody listening.
quint16 closedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace

class TestCommTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void windowTexts();
    void fieldsFollowFunctionCode_data();
    void fieldsFollowFunctionCode();
    void quantityClamps_data();
    void quantityClamps();
    void addressAndUnitStayInRange_data();
    void addressAndUnitStayInRange();
    void reads_data();
    void reads();
    void writesReadBack_data();
    void writesReadBack();
    void refusedData_data();
    void refusedData();
    void exceptionIsErrorResponse();
    void longWritesLeaveWhole_data();
    void longWritesLeaveWhole();
    void silentServerIsNoResponse();
    void staleAnswerNotJudged();
    void closedConnectionIsReopened();
    void unreachableServerWarnsEveryTime();

private:
    QString right() const { return GetStr(1018); }
};

void TestCommTest::initTestCase()
{
    QVERIFY2(QFileInfo(ModbusServer::program()).isExecutable(),
             qPrintable(ModbusServer::program() + QStringLiteral(" missing: build target modbus-server")));
}

void TestCommTest::windowTexts()
{
    Communication_Test w;
    Form f(w);
    QVERIFY(f.complete());
    QCOMPARE(w.windowTitle(), QStringLiteral("Communications Test"));
    QCOMPARE(w.windowModality(), Qt::ApplicationModal);
    QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(w.windowFlags() & Qt::WindowContextHelpButtonHint);
    QStringList labels;
    for (const QLabel *label : w.findChildren<QLabel *>())
        labels << label->text();
    for (const char *text : {"IP Address", "Function Code", "Start Adress", "Port", "Slave ID", "Number", "Data", "State"})
        QVERIFY2(labels.contains(QLatin1String(text)), text);
    QCOMPARE(f.port->text(), QStringLiteral("502"));
    QCOMPARE(f.unit->text(), QStringLiteral("1"));
    QCOMPARE(f.start->text(), QStringLiteral("0"));
    QCOMPARE(f.number->text(), QStringLiteral("1"));
    QVERIFY(!f.data->isEnabled());
    QVERIFY(!f.stateField->isEnabled());
    QVERIFY(f.reply->isReadOnly());
    QCOMPARE(f.send->font().family(), QStringLiteral("Times"));
    QCOMPARE(f.send->font().pixelSize(), 15);
    QVERIFY(f.ip->getIP().isNull());
}

void TestCommTest::fieldsFollowFunctionCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("dataEnabled");
    QTest::addColumn<bool>("numberEnabled");
    QTest::addColumn<bool>("dataKept");

    QTest::newRow("read: data off and emptied") << 3 << false << true << false;
    QTest::newRow("write coil: data on and emptied, number off") << 5 << true << false << false;
    QTest::newRow("write register: data on and emptied, number off") << 6 << true << false << false;
    QTest::newRow("write coils: both on, data kept") << 15 << true << true << true;
    QTest::newRow("write registers: both on, data kept") << 16 << true << true << true;
}

void TestCommTest::fieldsFollowFunctionCode()
{
    QFETCH(int, code);
    QFETCH(bool, dataEnabled);
    QFETCH(bool, numberEnabled);
    QFETCH(bool, dataKept);

    Communication_Test w;
    Form f(w);
    f.chooseCode(16);
    f.data->setText(QStringLiteral("00 01"));
    f.chooseCode(code);
    QCOMPARE(f.data->isEnabled(), dataEnabled);
    QCOMPARE(f.number->isEnabled(), numberEnabled);
    QCOMPARE(f.data->text().isEmpty(), !dataKept);
    const QString grey = QStringLiteral("background-color : rgb(227,227,227)");
    const QString white = QStringLiteral("background-color : rgb(255,255,255)");
    QCOMPARE(f.data->styleSheet(), dataEnabled ? white : grey);
    QCOMPARE(f.number->styleSheet(), numberEnabled ? white : grey);
}

void TestCommTest::quantityClamps_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("afterEdit");
    QTest::addColumn<int>("switchTo");
    QTest::addColumn<QString>("afterSwitch");

    QTest::newRow("coils: 5000 -> 2000, then registers -> 127") << 1 << "5000" << "2000" << 3 << "127";
    QTest::newRow("registers: 5000 -> 127") << 3 << "5000" << "127" << 1 << "127";
    QTest::newRow("write coils keeps 1999, write registers clamps it") << 15 << "1999" << "1999" << 16 << "127";
    QTest::newRow("write register: no clamp while the field is left") << 6 << "5000" << "5000" << 2 << "2000";
}

void TestCommTest::quantityClamps()
{
    QFETCH(int, code);
    QFETCH(QString, typed);
    QFETCH(QString, afterEdit);
    QFETCH(int, switchTo);
    QFETCH(QString, afterSwitch);

    Communication_Test w;
    Form f(w);
    f.chooseCode(code);
    f.number->setText(typed);
    Q_EMIT f.number->editingFinished();
    QCOMPARE(f.number->text(), afterEdit);
    f.chooseCode(switchTo);
    QCOMPARE(f.number->text(), afterSwitch);
}

void TestCommTest::addressAndUnitStayInRange_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("acceptable");

    QTest::newRow("start address 65535") << "lineEdit_StartAddress" << "65535" << true;
    QTest::newRow("start address 65536") << "lineEdit_StartAddress" << "65536" << false;
    QTest::newRow("unit 255") << "lineEdit_Slaveid" << "255" << true;
    QTest::newRow("unit 256") << "lineEdit_Slaveid" << "256" << false;
    QTest::newRow("port 65535") << "lineEdit_Port" << "65535" << true;
    QTest::newRow("port 65536") << "lineEdit_Port" << "65536" << false;
    QTest::newRow("quantity letters") << "lineEdit_number" << "1a" << false;
}

void TestCommTest::addressAndUnitStayInRange()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, acceptable);

    Communication_Test w;
    auto *edit = w.findChild<QLineEdit *>(field);
    QVERIFY(edit && edit->validator());
    int pos = 0;
    QString input = text;
    QCOMPARE(edit->validator()->validate(input, pos) == QValidator::Acceptable, acceptable);
}

void TestCommTest::reads_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("shown");

    // Server data: coils and holding registers 0, discrete input i on when
    // i % 3 == 0, input register i = 0x1000 + i.
    QTest::newRow("coils") << 1 << 1 << 0 << 10 << QByteArray::fromHex("00000000000601010000000a")
                           << "01 01 02 00 00 ";
    QTest::newRow("discrete inputs") << 2 << 1 << 0 << 10 << QByteArray::fromHex("00000000000601020000000a")
                                     << "01 02 02 49 02 ";
    QTest::newRow("holding registers, unit 17") << 3 << 17 << 0 << 2 << QByteArray::fromHex("000000000006110300000002")
                                                << "11 03 04 00 00 00 00 ";
    QTest::newRow("input registers") << 4 << 1 << 5 << 3 << QByteArray::fromHex("000000000006010400050003")
                                     << "01 04 06 10 05 10 06 10 07 ";
}

void TestCommTest::reads()
{
    QFETCH(int, code);
    QFETCH(int, unit);
    QFETCH(int, start);
    QFETCH(int, quantity);
    QFETCH(QByteArray, request);
    QFETCH(QString, shown);

    ModbusServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    MessageSpy spy;
    Communication_Test w;
    Form f(w);
    f.target(server.port());
    f.unit->setText(QString::number(unit));
    f.request(code, start, quantity);
    f.send->click();
    QCOMPARE(spy.texts(), QStringList());
    QCOMPARE(f.stateField->text(), right());
    QCOMPARE(f.replyText(), shown);
    QVERIFY(f.send->isEnabled());

    f.send->click();
    QCOMPARE(f.stateField->text(), right());
    QCOMPARE(w.transId(), 2);
    const QList<QByteArray> received = server.logged();
    QCOMPARE(received.size(), 2);
    QCOMPARE(received[0].toHex(' '), request.toHex(' '));
    QByteArray second = request;
    second[1] = 1;
    QCOMPARE(received[1].toHex(' '), second.toHex(' '));
    QVERIFY(server.stop());
}

void TestCommTest::writesReadBack_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QString>("dataText");
    QTest::addColumn<QString>("echo");
    QTest::addColumn<int>("readCode");
    QTest::addColumn<int>("readStart");
    QTest::addColumn<int>("readQuantity");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("one coil on") << 5 << 3 << 1 << "FF 00" << "01 05 00 03 ff 00 " << 1 << 0 << 8 << "01 01 01 08 ";
    QTest::newRow("one register") << 6 << 7 << 1 << "12 34" << "01 06 00 07 12 34 " << 3 << 7 << 1
                                  << "01 03 02 12 34 ";
    QTest::newRow("register from one byte") << 6 << 0 << 1 << "7f" << "01 06 00 00 00 7f " << 3 << 0 << 1
                                            << "01 03 02 00 7f ";
    QTest::newRow("ten coils from two bytes") << 15 << 0 << 10 << "ff 03 77" << "01 0f 00 00 00 0a " << 1 << 0 << 16
                                              << "01 01 02 ff 03 ";
    QTest::newRow("two registers") << 16 << 1 << 2 << "00 01 00 02" << "01 10 00 01 00 02 " << 3 << 0 << 3
                                   << "01 03 06 00 00 00 01 00 02 ";
    QTest::newRow("120 registers") << 16 << 0 << 120 << registersText(120) << "01 10 00 00 00 78 " << 3 << 118 << 2
                                   << "01 03 04 00 76 00 77 ";
}

void TestCommTest::writesReadBack()
{
    QFETCH(int, code);
    QFETCH(int, start);
    QFETCH(int, quantity);
    QFETCH(QString, dataText);
    QFETCH(QString, echo);
    QFETCH(int, readCode);
    QFETCH(int, readStart);
    QFETCH(int, readQuantity);
    QFETCH(QString, readBack);

    ModbusServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    MessageSpy spy;
    Communication_Test w;
    Form f(w);
    f.target(server.port());
    f.request(code, start, quantity, dataText);
    f.send->click();
    QCOMPARE(spy.texts(), QStringList());
    QCOMPARE(f.stateField->text(), right());
    QCOMPARE(f.replyText(), echo);

    f.request(readCode, readStart, readQuantity);
    f.send->click();
    QCOMPARE(f.stateField->text(), right());
    QCOMPARE(f.replyText(), readBack);
    QCOMPARE(server.logged().size(), 2);
}

void TestCommTest::refusedData_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QString>("dataText");
    QTest::addColumn<uint>("messageId");

    QTest::newRow("not hex") << 6 << 1 << "0x" << 1001u;
    QTest::newRow("single character") << 6 << 1 << "a" << 1002u;
    QTest::newRow("no spaces") << 16 << 2 << "0a0b" << 1003u;
    QTest::newRow("lone last digit") << 6 << 1 << "12 3" << 1003u;
    QTest::newRow("coil: one pair") << 5 << 1 << "ff" << 1004u;
    QTest::newRow("coil: 0 then f") << 5 << 1 << "0f 00" << 1005u;
    QTest::newRow("coil: f then e") << 5 << 1 << "fe 00" << 1006u;
    QTest::newRow("coil: starts with 1") << 5 << 1 << "10 00" << 1007u;
    QTest::newRow("register without data") << 6 << 1 << "" << 1011u;
    QTest::newRow("coils without data") << 15 << 1 << "" << 1012u;
    QTest::newRow("10 coils, one byte") << 15 << 10 << "ff" << 1013u;
    QTest::newRow("registers without data") << 16 << 1 << "" << 1014u;
    QTest::newRow("2 registers, 3 bytes") << 16 << 2 << "00 01 00" << 1015u;
}

void TestCommTest::refusedData()
{
    QFETCH(int, code);
    QFETCH(int, quantity);
    QFETCH(QString, dataText);
    QFETCH(uint, messageId);

    ModbusServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    MessageSpy spy;
    Communication_Test w;
    Form f(w);
    f.target(server.port());
    f.request(code, 0, quantity, dataText);
    f.send->click();
    QCOMPARE(spy.texts(), QStringList{GetStr(messageId)});
    QCOMPARE(spy.shown().first().title, Msg::productTitle());
    QVERIFY(f.send->isEnabled());
    QCOMPARE(w.transId(), 0);
    QTest::qWait(50);
    QCOMPARE(server.logged().size(), 0);
}

void TestCommTest::exceptionIsErrorResponse()
{
    ModbusServer server;
    QVERIFY2(server.start({QStringLiteral("--size"), QStringLiteral("100")}), qPrintable(server.errorText()));
    MessageSpy spy;
    Communication_Test w;
    Form f(w);
    f.target(server.port());
    f.request(3, 5000, 1);
    f.send->click();
    QCOMPARE(f.stateField->text(), GetStr(1017));
    QCOMPARE(f.replyText(), QStringLiteral("01 83 02 "));
    QCOMPARE(spy.texts(), QStringList());
}

void TestCommTest::longWritesLeaveWhole_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QString>("dataText");
    QTest::addColumn<int>("length");

    QTest::newRow("127 registers") << 16 << 127 << registersText(127) << 7 + 254;
    QTest::newRow("2000 coils") << 15 << 2000 << registersText(125) << 7 + 250;
}

void TestCommTest::longWritesLeaveWhole()
{
    QFETCH(int, code);
    QFETCH(int, quantity);
    QFETCH(QString, dataText);
    QFETCH(int, length);

    // The silent server keeps every byte it receives, whatever the length says.
    ModbusServer server;
    QVERIFY2(server.start({QStringLiteral("--silent")}), qPrintable(server.errorText()));
    MessageSpy spy;
    Communication_Test w;
    Form f(w);
    f.target(server.port());
    f.request(code, 0, quantity, dataText);
    f.send->click();
    QCOMPARE(spy.texts(), QStringList());
    QCOMPARE(f.stateField->text(), GetStr(1016));

    QByteArray wire;
    for (const QByteArray &chunk : server.logged(QStringLiteral("raw")))
        wire += chunk;
    QCOMPARE(wire.size(), 6 + length);
    QCOMPARE((uchar(wire.at(4)) << 8) | uchar(wire.at(5)), length);
    QCOMPARE(uchar(wire.at(7)), uchar(code));
    QCOMPARE((uchar(wire.at(10)) << 8) | uchar(wire.at(11)), quantity);
    QCOMPARE(int(uchar(wire.at(12))), length - 7);
}

void TestCommTest::silentServerIsNoResponse()
{
    ModbusServer server;
    QVERIFY2(server.start({QStringLiteral("--silent")}), qPrintable(server.errorText()));
    MessageSpy spy;
    Communication_Test w;
    Form f(w);
    f.target(server.port());
    f.request(3, 0, 1);
    QElapsedTimer clock;
    clock.start();
    f.send->click();
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(f.stateField->text(), GetStr(1016));
    QCOMPARE(f.replyText(), QString());
    QVERIFY2(elapsed >= 1500 && elapsed < 5000, qPrintable(QString::number(elapsed)));
    QVERIFY(f.send->isEnabled());
    QCOMPARE(spy.texts(), QStringList());
    // The request did leave: the counter moved on and the server saw it.
    QCOMPARE(w.transId(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(server.logged(QStringLiteral("raw")).size(), 1, 2000);
}

void TestCommTest::staleAnswerNotJudged()
{
    // The first answer comes 2.6 s late: after the window gave up on it and
    // before the next request is sent on the same connection.
    ModbusServer server;
    QVERIFY2(server.start({QStringLiteral("--delay-ms"), QStringLiteral("2600"), QStringLiteral("--delay-count"),
                           QStringLiteral("1")}),
             qPrintable(server.errorText()));
    MessageSpy spy;
    Communication_Test w;
    Form f(w);
    f.target(server.port());
    f.request(3, 0, 1);
    f.send->click();
    QCOMPARE(f.stateField->text(), GetStr(1016));
    QTest::qWait(1200);

    f.request(4, 5, 1);
    f.send->click();
    QCOMPARE(f.stateField->text(), right());
    QCOMPARE(f.replyText(), QStringLiteral("01 04 02 10 05 "));
    QCOMPARE(spy.texts(), QStringList());
}

void TestCommTest::closedConnectionIsReopened()
{
    ModbusServer server;
    QVERIFY2(server.start({QStringLiteral("--close-after"), QStringLiteral("1")}), qPrintable(server.errorText()));
    MessageSpy spy;
    Communication_Test w;
    Form f(w);
    f.target(server.port());
    f.request(4, 0, 1);
    for (int i = 0; i < 3; ++i) {
        f.send->click();
        QCOMPARE(f.stateField->text(), right());
        QCOMPARE(f.replyText(), QStringLiteral("01 04 02 10 00 "));
        QTest::qWait(100);
    }
    QCOMPARE(server.logged().size(), 3);
    QCOMPARE(spy.texts(), QStringList());
}

void TestCommTest::unreachableServerWarnsEveryTime()
{
    ModbusServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    MessageSpy spy;
    Communication_Test w;
    Form f(w);
    f.target(server.port());
    f.request(3, 0, 1);
    f.send->click();
    QCOMPARE(f.stateField->text(), right());

    const quint16 nobody = closedPort();
    QVERIFY(nobody != 0);
    f.target(nobody);
    for (int i = 0; i < 2; ++i) {
        spy.clear();
        QElapsedTimer clock;
        clock.start();
        f.send->click();
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(spy.texts(), QStringList{GetStr(7002)});
        // No earlier result stands beside the failure.
        QCOMPARE(f.stateField->text(), QString());
        QCOMPARE(f.replyText(), QString());
        QVERIFY(f.send->isEnabled());
    }

    spy.clear();
    f.ip->setIP(QStringLiteral("127.0.0.300"));
    f.send->click();
    QCOMPARE(spy.texts(), QStringList{GetStr(7002)});

    f.target(server.port());
    spy.clear();
    f.send->click();
    QCOMPARE(spy.texts(), QStringList());
    QCOMPARE(f.stateField->text(), right());
}

QTEST_MAIN(TestCommTest)
#include "tst_commtest.moc"
