#include "app/myipctrl.h"
#include "diagnostics/communication_test.h"
#include "messages/messagetable.h"
#include "support/messagespy.h"

#include <QTcpServer>
#include <QtTest>
#include <QtWidgets>

// The window against tools/modbus-server (libmodbus) on loopback: a Modbus TCP
// peer independent of the tool's own request code, logging what it received.
struct Bench {
    explicit Bench(const QStringList &serverArgs = {})
    {
        server.start(QFileInfo(GWSIM_PATH).absoluteDir().filePath("modbus-server"),
                     QStringList{"--log", dir.filePath("log"), "--lifetime-s", "300", "--die-with-parent"} + serverArgs);
        QByteArray out;
        for (int i = 0; i < 20 && !out.contains('\n') && server.waitForReadyRead(5000); ++i)
            out += server.readAllStandardOutput();
        if (!out.startsWith("ready "))
            qFatal("modbus-server not ready: %s", (out + server.readAllStandardError()).constData());
        ip->setIP("127.0.0.1");
        port->setText(out.mid(6).trimmed());
    }
    ~Bench() { server.kill(), server.waitForFinished(2000); }
    // Requests as libmodbus framed them, or in silent mode the chunks received.
    QByteArrayList logged() const
    {
        QFile file(dir.filePath("log"));
        QByteArrayList result;
        for (const QByteArray &line : (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()).split('\n'))
            if (!line.isEmpty())
                result << QByteArray::fromHex(line.mid(4)); // after "req " or "raw "
        return result;
    }
    void choose(int code) // as the user does, so the window adapts its fields
    {
        auto *box = w.findChild<QComboBox *>("comboBox");
        box->setCurrentIndex(QList<int>{1, 2, 3, 4, 5, 6, 15, 16}.indexOf(code));
        Q_EMIT box->activated(box->currentIndex());
    }
    void send(int code, int startAddress, int quantity, const QString &dataText = {})
    {
        choose(code);
        w.findChild<QLineEdit *>("lineEdit_StartAddress")->setText(QString::number(startAddress));
        number->setText(QString::number(quantity)); // clamped on sending
        data->setText(dataText);
        w.findChild<QPushButton *>("bt_Send")->click();
    }
    // The verdict, the reply from the unit identifier on, and any warnings.
    QString result() const
    {
        return w.findChild<QLineEdit *>("lineEdit_State")->text() + '|'
            + w.findChild<QTextBrowser *>("textBrowser")->toPlainText() + spy.texts().join(';');
    }

    QTemporaryDir dir;
    QProcess server;
    MessageSpy spy;
    Communication_Test w;
    MyIPCtrl *ip = w.findChild<MyIPCtrl *>("frame_2");
    QLineEdit *port = w.findChild<QLineEdit *>("lineEdit_Port"), *number = w.findChild<QLineEdit *>("lineEdit_number"),
              *data = w.findChild<QLineEdit *>("lineEdit_input");
};

QString ok(const char *reply) { return GetStr(1018) + '|' + reply; }

class TestCommTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Chosen after code 16 with data "00 01" and a quantity of 5000: what each code enables, keeps and clamps.
    void fieldsFollowFunctionCode_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("dataOn");
        QTest::addColumn<bool>("numberOn");
        QTest::addColumn<bool>("dataKept");
        QTest::addColumn<QString>("quantity"); // also when 5000 is typed again
        QTest::newRow("1") << 0 << false << true << false << "2000";
        QTest::newRow("2") << 1 << false << true << false << "2000";
        QTest::newRow("3") << 2 << false << true << false << "127";
        QTest::newRow("4") << 3 << false << true << false << "127";
        QTest::newRow("5") << 4 << true << false << false << "5000";
        QTest::newRow("6") << 5 << true << false << false << "5000";
        QTest::newRow("15") << 6 << true << true << true << "2000";
        QTest::newRow("16") << 7 << true << true << true << "127";
    }

    void fieldsFollowFunctionCode()
    {
        QFETCH(int, index);
        QFETCH(bool, dataOn);
        QFETCH(bool, numberOn);
        QFETCH(bool, dataKept);
        QFETCH(QString, quantity);
        Communication_Test w;
        auto *box = w.findChild<QComboBox *>("comboBox");
        auto *data = w.findChild<QLineEdit *>("lineEdit_input"), *number = w.findChild<QLineEdit *>("lineEdit_number");
        const auto choose = [box](int i) { box->setCurrentIndex(i), Q_EMIT box->activated(i); };
        choose(7);
        data->setText("00 01");
        number->setText("5000");
        choose(index);
        const auto grey = [](QLineEdit *field) { return field->styleSheet().contains("227"); };
        QCOMPARE((QList<bool>{data->isEnabled(), !grey(data), number->isEnabled(), !grey(number), !data->text().isEmpty()}),
                 (QList<bool>{dataOn, dataOn, numberOn, numberOn, dataKept}));
        QCOMPARE(number->text(), quantity);
        number->setText("5000");
        Q_EMIT number->editingFinished();
        QCOMPARE(number->text(), quantity);
    }

    // Unit 17. Server: coils and holding registers 0; discrete input i on when i % 3 == 0;
    // input register i = 0x1000 + i. A lone read is sent twice, a write is read back; each code's frame is the
    // request table's, so here the window shows and counts what goes and comes back.
    void exchanges()
    {
        struct Step { int code, start, quantity; QString data, result; int pauseMs; }; // pause before the next
        const Step closing{4, 0, 1, "", ok("11 04 02 10 00 "), 100};
        const QList<QPair<QStringList, QList<Step>>> cases = {
            {{}, {{2, 0, 10, "", ok("11 02 02 49 02 "), 0}}},
            {{}, {{3, 5000, 1, "", GetStr(1017) + "|11 83 02 ", 0}}},
            {{}, {{5, 3, 1, "FF 00", ok("11 05 00 03 ff 00 "), 0}, {1, 0, 8, "", ok("11 01 01 08 "), 0}}},
            {{}, {{6, 7, 1, "12 34", ok("11 06 00 07 12 34 "), 0}, {3, 7, 1, "", ok("11 03 02 12 34 "), 0}}},
            {{}, {{15, 0, 10, "ff 03 77", ok("11 0f 00 00 00 0a "), 0}, {1, 0, 16, "", ok("11 01 02 ff 03 "), 0}}},
            {{}, {{16, 0, 120, QString("00 01 ").repeated(120), ok("11 10 00 00 00 78 "), 0},
                  {3, 118, 2, "", ok("11 03 04 00 01 00 01 "), 0}}},
            // The late answer arrives between the two requests on the same connection.
            {{"--delay-ms", "2600", "--delay-count", "1"},
             {{3, 0, 1, "", GetStr(1016) + '|', 1200}, {4, 5, 1, "", ok("11 04 02 10 05 "), 0}}},
            {{"--close-after", "1"}, {closing, closing, closing}}, // the connection is opened again
        };
        for (auto c : cases) {
            Bench b(c.first);
            b.w.findChild<QLineEdit *>("lineEdit_Slaveid")->setText("17");
            if (c.second.size() == 1)
                c.second << c.second.first();
            for (const Step &s : c.second) {
                b.send(s.code, s.start, s.quantity, s.data);
                QCOMPARE(b.result(), s.result);
                QTest::qWait(s.pauseMs);
            }
            QCOMPARE(b.w.transId(), c.second.size());
            QCOMPARE(b.logged().size(), c.second.size());
            QCOMPARE(b.logged()[1].left(2).toHex(), QByteArray("0001"));
        }
    }

    // After a good answer, a refused request or a failed connection warns every
    // time and sends nothing; a failed connection leaves no earlier result beside it.
    void refused()
    {
        struct Case { int code, quantity; QString data, ip; bool portOpen; unsigned message; };
        for (const Case &c : {Case{6, 1, "0x", "127.0.0.1", true, 1001}, Case{16, 2, "00 01 00", "127.0.0.1", true, 1015},
                              Case{3, 1, "", "127.0.0.1", false, 7002}, Case{3, 1, "", "127.0.0.300", true, 7002}}) {
            Bench b;
            b.send(3, 0, 1);
            const QString before = b.result();
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            if (!c.portOpen)
                b.port->setText(QString::number(probe.serverPort()));
            probe.close();
            b.ip->setIP(c.ip);
            for (int i = 0; i < 2; ++i) {
                b.spy.clear();
                const QDeadlineTimer bound(5000);
                b.send(c.code, 0, c.quantity, c.data);
                QVERIFY(!bound.hasExpired());
                QCOMPARE(b.result(), (c.message == 7002 ? "|" : before) + GetStr(c.message));
                QCOMPARE(b.spy.shown().first().title, Msg::productTitle());
            }
            QTest::qWait(50);
            QCOMPARE(b.logged().size(), 1);
        }
    }

    // 127 registers need 261 bytes after the length field: both its bytes count,
    // and the whole frame goes out. The silent server keeps every byte it gets.
    void longWriteToSilentServer()
    {
        Bench b({"--silent"});
        const QDeadlineTimer bound(5000);
        b.send(16, 0, 127, QString("00 01 ").repeated(127));
        QVERIFY2(bound.remainingTime() <= 3500 && !bound.hasExpired(), qPrintable(QString::number(bound.remainingTime())));
        QCOMPARE(b.result(), GetStr(1016) + '|');
        QTRY_COMPARE_WITH_TIMEOUT(b.logged().join().size(), 6 + 261, 2000);
        const QByteArray sent = b.logged().join();
        QCOMPARE(sent.mid(4, 2).toHex() + sent.mid(7, 6).toHex(), QByteArray("0105100000007ffe"));
    }
};

QTEST_MAIN(TestCommTest)
#include "tst_commtest.moc"
