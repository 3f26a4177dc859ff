// zuv-cfg run as a process, as a user or a script runs it, against simulated gateways in a throwaway network with a
// segment behind a router: what it prints, its exit status, what reaches the gateways and which files it writes.
#include "app/mainwindow.h"
#include "config/blockwriter.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/inffile.h"
#include "config/newconfigure.h"
#include "support/gatewaybench.h"
#include "support/messagespy.h"
#include "support/netlab.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

using namespace GatewayBench;

namespace {

const QString kBin = QFileInfo(QStringLiteral(GWSIM_PATH)).absolutePath();
const QString kRouted = QStringLiteral("10.79.0.2");
const QList<int> kModels{30103, 30203, 130100, 130200, 130400, 130800, 131600};

struct Run {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QStringList &arguments, const QString &password = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("ZUV_PASSWORD"));
    if (!password.isEmpty())
        env.insert(QStringLiteral("ZUV_PASSWORD"), password);
    p.setProcessEnvironment(env);
    p.start(kBin + QStringLiteral("/zuv-cfg"), arguments);
    p.closeWriteChannel(); // standard input is no terminal: the tool never prompts
    Run r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// The gateway addresses a run printed, in any format.
QStringList addresses(const QByteArray &out)
{
    QStringList found;
    auto it = QRegularExpression(QStringLiteral("\\b10\\.7[79]\\.\\d+\\.\\d+\\b")).globalMatch(QString::fromUtf8(out));
    while (it.hasNext())
        found << it.next().captured();
    found.sort();
    found.removeDuplicates();
    return found;
}

QString ipOf(int group, int n)
{
    return QStringLiteral("10.77.%1.%2").arg(group).arg(n);
}

} // namespace

class TstCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(kBin + "/zuv-cfg").isExecutable(), "zuv-cfg is not built");
        NetLab::Topology topo;
        topo.gatewayAddresses.clear();
        topo.routedAddresses << kRouted;
        QJsonArray gateways;
        const auto add = [&](const QString &ip, int model, const QJsonObject &extra = {}) {
            QJsonObject g{{"ip", ip}, {"model", model}};
            for (auto it = extra.begin(); it != extra.end(); ++it)
                g.insert(it.key(), it.value());
            gateways.append(g);
            topo.gatewayAddresses << ip;
            m_local << ip;
        };
        // 10.77.1.x: one of every model; 10.77.2.x: the backup's site; 10.77.3.x: written to.
        for (int i = 0; i < kModels.size(); ++i)
            add(ipOf(1, i + 1), kModels[i]);
        add(ipOf(1, 8), 30103, {{"password", "pw12"}, {"faults", QJsonObject{{"require_auth", true}}}});
        CConfigure master; // a gateway in RTU master mode, mapping IDs to a server
        NewConfigure::fill(master, 130200, "Master");
        master.m_idMaps.append(new CIDMap{"10.77.0.50", "5020", 1, 1, 20, true, 3});
        add(ipOf(1, 9), 130200, {{"block", QString(BlockWriter::build(master, 1, "2.1").block.toHex())}});
        add(ipOf(2, 1), 130400, {{"password", "pw21"}, {"faults", QJsonObject{{"require_auth", true}}}});
        add(ipOf(2, 2), 130200, {{"password", "pw22"}});
        add(ipOf(2, 3), 130200, {{"remote", false}});
        add(ipOf(2, 4), 30203, {{"password", "pw24"}});
        add(ipOf(2, 5), 131600);
        add(ipOf(2, 6), 130400, {{"faults", QJsonObject{{"tcp_refuse", true}}}});
        add(ipOf(2, 7), 130400, {{"faults", QJsonObject{{"drop_midway", true}}}});
        for (int i = 1; i <= 4; ++i)
            add(ipOf(3, i), 130400);
        add(ipOf(3, 5), 130400, {{"faults", QJsonObject{{"write_not_stored", true}}}});
        add(ipOf(3, 6), 130400, {{"firmware", "1.1"}});
        add(ipOf(3, 7), 130400, {{"password", "pw37"}, {"faults", QJsonObject{{"require_auth", true}}}});
        add(ipOf(3, 8), 130800);
        m_local.sort();
        QVERIFY2(m_lab.up(topo), qPrintable(m_lab.errorText()));
        QVERIFY2((m_sim = m_lab.startSimulator(QJsonObject{{"gateways", gateways}})), qPrintable(m_lab.errorText()));
        QVERIFY2(m_lab.startSimulator(QJsonObject{{"gateways", QJsonArray{QJsonObject{{"ip", kRouted}}}}}, true),
                 qPrintable(m_lab.errorText()));
        // The file the writes and comparisons start from: what an HW-P04 of the lab holds.
        m_base = m_dir.filePath("base.inf");
        QCOMPARE(run({"read", ipOf(3, 1), "-o", m_base}).code, 0);
    }

    void search_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("shown"); // a part of the output in its format
        QTest::newRow("broadcast: every gateway of the segment, not the routed one")
            << QStringList{"search", "--json"} << 0 << m_local << "\"status\": \"Prohibit configuration\"";
        QTest::newRow("range: the routed gateway, which the broadcast does not reach")
            << QStringList{"search", "--range", "10.79.0.0/30", "--csv"} << 0 << QStringList{kRouted}
            << "number,name,model,ip,mac,firmware,password,status\n1,GW-2,HW-P04,10.79.0.2,";
        QTest::newRow("range: two ranges as a table with the window's texts")
            << QStringList{"search", "--range", ipOf(2, 3) + "/32", "--range", ipOf(2, 1) + "-" + ipOf(2, 2)} << 0
            << QStringList{ipOf(2, 1), ipOf(2, 2), ipOf(2, 3)} << "Encryption        Allow configuration";
        QTest::newRow("range where nobody answers") << QStringList{"search", "--range", "10.77.9.1-10.77.9.3"} << 1
                                                    << QStringList() << "";
    }

    void search()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QStringList, listed);
        QFETCH(QString, shown);
        const Run r = run(arguments);
        QCOMPARE(r.code, exitCode);
        QCOMPARE(addresses(r.out), listed);
        QVERIFY2(r.out.contains(shown.toUtf8()), r.out.constData());
    }

    // The same bytes as the window's Save, on standard output and in the file, for every model.
    void readIsTheWindowsSave_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("password");
        for (int i = 0; i < kModels.size(); ++i)
            QTest::addRow("%d", kModels[i]) << ipOf(1, i + 1) << kModels[i] << QString();
        QTest::newRow("30103 with a password") << ipOf(1, 8) << 30103 << "pw12";
        QTest::newRow("130200 in RTU master mode") << ipOf(1, 9) << 130200 << "";
    }

    void readIsTheWindowsSave()
    {
        QFETCH(QString, ip);
        QFETCH(int, model);
        QFETCH(QString, password);
        const QString saved = m_dir.filePath("window.inf");
        const QString read = m_dir.filePath("read.inf");
        {
            MessageSpy spy;
            const auto window = GatewayBench::window({Gateway(ip, model, password)});
            select(*window, 0);
            savefilename = saved;
            ModalAnswerer typist([&](QWidget *modal) { return answerPassword(modal, password); });
            window->on_bt_Save_clicked();
            QCOMPARE(spy.texts(), QStringList{"Save successfully!"});
        }
        const Run r = run({"read", ip}, password);
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith("Device_Mode\t"));
        QCOMPARE(r.out, fileBytes(saved));
        QCOMPARE(run({"read", ip, "-o", read}, password).code, 0);
        QCOMPARE(fileBytes(read), fileBytes(saved));
    }

    void write_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("printed"); // on standard output, then on standard error
        QTest::addColumn<QList<int>>("commands"); // as the gateway received them
        const QStringList sets{"--set", "Ethernet_Name=Line2", "--set", "Port2_Baud_Rate=115200", "--set", "IP_Address=10.77.3.40"};
        const QList<int> readWriteRead{5, 13, 6, 14, 5, 13};
        QTest::newRow("--set: the changes, the write and its verification")
            << ipOf(3, 2) << sets << 0
            << QStringList{"Ethernet_Name: GW-2 -> Line2\nIP_Address: 10.77.3.2 -> 10.77.3.40\nPort2_Baud_Rate: 19200 -> 115200\n"
                           "10.77.3.2: verified\n",
                           "takes effect after the gateway restarts"}
            << readWriteRead;
        QTest::newRow("--dry-run: the changes, no command 6") << ipOf(3, 3) << sets + QStringList{"--dry-run"} << 0
                                                             << QStringList{"Ethernet_Name: GW-3 -> Line2", "dry run"} << QList<int>{5, 13};
        QTest::newRow("--restart after the verification") << ipOf(3, 4) << QStringList{"--restart"} << 0
                                                          << QStringList{"verified\n10.77.3.4: restarted\n", ""}
                                                          << readWriteRead + QList<int>{10};
        QTest::newRow("a gateway that did not store the block is not verified")
            << ipOf(3, 5) << sets << 2 << QStringList{"Ethernet_Name: sent Line2, the gateway holds GW-5\n", "does not hold what was sent"}
            << readWriteRead;
        QTest::newRow("HW-P04 below 2.0: four ID mappings, with the window's warning")
            << ipOf(3, 6) << QStringList{"--set", "Ethernet_Name=Line2", "six-maps"} << 0
            << QStringList{"ID_Mapping_Group_Number: 2 -> 4\n", "HW-P04 V2.0版本以下只可下载4条ID映射指令"} << readWriteRead;
        QTest::newRow("the password from a file, on every connection")
            << ipOf(3, 7) << QStringList{"--password-file", "pw37"} << 0 << QStringList{"verified", ""}
            << QList<int>{7, 5, 13, 7, 6, 14, 7, 5, 13};
        QTest::newRow("a file of another model: nothing sent by TCP")
            << ipOf(3, 8) << QStringList() << 2 << QStringList{"", "10.77.3.8: Device type does not match.\n"} << QList<int>();
    }

    void write()
    {
        QFETCH(QString, ip);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QStringList, printed);
        QFETCH(QList<int>, commands);
        QString file = m_base;
        if (options.removeOne("six-maps")) { // the base file with four more ID mappings
            QString text;
            CConfigure c;
            c.m_modelCode = 130400;
            QVERIFY(InfFile::readFile(m_base, text) == InfFile::Status::Ok && InfFile::read(text, c).status == InfFile::Status::Ok);
            for (int i = 0; i < 4; ++i)
                c.m_idMaps.append(new CIDMap{"0.0.0.0", "502", 0, 1, 1, false, 0});
            file = m_dir.filePath("six.inf");
            QCOMPARE(InfFile::saveFile(file, InfFile::write(c, 0, "HW-P04")), InfFile::WriteStatus::Written);
        }
        const int at = options.indexOf("--password-file");
        if (at >= 0) {
            options[at + 1] = m_dir.filePath("pw");
            QVERIFY(InfFile::saveFile(options[at + 1], "# the lab\n" + ip + " pw37\n") == InfFile::WriteStatus::Written);
        }
        const Run r = run(QStringList{"write", ip, file} + options);
        QCOMPARE(r.code, exitCode);
        QVERIFY2(r.out.contains(printed[0].toUtf8()), r.out.constData());
        QVERIFY2(r.err.contains(printed[1].toUtf8()), r.err.constData());
        QVERIFY(allClosed(*m_sim, ip));
        QCOMPARE(GatewayBench::commands(*m_sim, ip), commands);
    }

    void diff_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("printed");
        QTest::newRow("a file and the gateway it came from") << "base" << ipOf(3, 1) << 0 << "";
        QTest::newRow("a changed name, by its key with both values") << "renamed" << "base" << 1 << "Ethernet_Name: Renamed -> GW-1\n";
        QTest::newRow("two gateways of two models") << ipOf(1, 1) << ipOf(1, 2) << 1
                                                    << "Device_Mode: NTC-P01DL -> KX500-EN-2RS485(Modbus TCP)\n";
    }

    void diff()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(int, exitCode);
        QFETCH(QString, printed);
        const QString renamed = m_dir.filePath("renamed.inf");
        QVERIFY(InfFile::saveFile(renamed, QString::fromUtf8(fileBytes(m_base)).replace("Ethernet_Name\tGW-1", "Ethernet_Name\tRenamed"))
                == InfFile::WriteStatus::Written);
        const auto path = [&](const QString &name) { return name.startsWith("10.") ? name : m_dir.filePath(name + ".inf"); };
        const Run r = run({"diff", path(first), path(second)});
        QCOMPARE(r.code, exitCode);
        QVERIFY2(printed.isEmpty() ? r.out.isEmpty() : r.out.startsWith(printed.toUtf8()), r.out.constData());
    }

    // The site 10.77.2.1-7: saved with the password from the file, a password not in it, configuration prohibited, a
    // wrong password, saved without a password, a connection refused, a read cut short.
    void backup()
    {
        const QString dir = m_dir.filePath("site");
        const QString passwords = m_dir.filePath("site-pw");
        QVERIFY(InfFile::saveFile(passwords, ipOf(2, 1) + " pw21\n00:1A:2B:3C:4D:04 wrong1\n") == InfFile::WriteStatus::Written);
        const Run r = run({"backup", dir, "--range", ipOf(2, 1) + "-" + ipOf(2, 7), "--password-file", passwords});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err, QByteArray("zuv-cfg backup: 4 of 6 gateways that allow configuration not saved\n"));
        const QStringList results{"saved as " + dir + "/00-1a-2b-3c-4d-01.inf", "password needed", "configuration prohibited",
                                  "failed: Password error !", "saved as " + dir + "/00-1a-2b-3c-4d-05.inf",
                                  "failed: Connection failed, please verify that IP address and port number are correct !",
                                  "failed: Connection failed, please verify that IP address and port number are correct !"};
        for (int i = 0; i < results.size(); ++i) {
            const QRegularExpression line(QStringLiteral("\n%1 .* %2\n").arg(QRegularExpression::escape(ipOf(2, i + 1)),
                                                                              QRegularExpression::escape(results[i])));
            QVERIFY2(line.match(QString::fromUtf8(r.out)).hasMatch(), qPrintable(results[i] + "\n" + r.out));
        }
        QCOMPARE(QDir(dir).entryList(QDir::Files), (QStringList{"00-1a-2b-3c-4d-01.inf", "00-1a-2b-3c-4d-05.inf"}));
        QCOMPARE(fileBytes(dir + "/00-1a-2b-3c-4d-01.inf"), run({"read", ipOf(2, 1)}, "pw21").out);
    }

    void locateAndRestart_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("event"); // what the gateway logged; empty: nothing reached it by TCP
        QTest::newRow("locate") << QStringList{"locate", ipOf(1, 6)} << 0 << "locate";
        QTest::newRow("restart --yes") << QStringList{"restart", ipOf(1, 7), "--yes"} << 0 << "restart";
        QTest::newRow("locate, configuration prohibited") << QStringList{"locate", ipOf(2, 3)} << 2 << "";
        QTest::newRow("restart, configuration prohibited") << QStringList{"restart", ipOf(2, 3), "--yes"} << 2 << "";
    }

    void locateAndRestart()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, event);
        const QString ip = arguments[1];
        const int connections = m_sim->events("connect", ip).size();
        QCOMPARE(run(arguments).code, exitCode);
        QVERIFY(allClosed(*m_sim, ip));
        QCOMPARE(m_sim->events("connect", ip).size() - connections, event.isEmpty() ? 0 : 1);
        if (!event.isEmpty())
            QVERIFY(m_sim->waitForLog([&](const QList<QJsonObject> &) { return m_sim->events(event, ip).size() == 1; }));
    }

    void modbus_data()
    {
        QTest::addColumn<QStringList>("request");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("printed"); // standard output, or standard error for an error
        QTest::addColumn<int>("sent");
        QTest::newRow("input registers") << QStringList{"--function", "4", "--address", "5", "--count", "2"} << 0
                                         << "Right response\nreply: 01 04 04 10 05 10 06\ninput register 5: 4101\ninput register 6: 4102\n" << 1;
        QTest::newRow("registers written") << QStringList{"--function", "16", "--address", "100", "--count", "2", "--data", "00 01 00 02"}
                                           << 0 << "2 registers written from 100\n" << 1;
        QTest::newRow("an exception, by its name") << QStringList{"--function", "3", "--address", "3999", "--count", "5"} << 1
                                                   << "Error response\nreply: 01 83 02\nexception 2: Illegal Data Address\n" << 1;
        QTest::newRow("polled") << QStringList{"--function", "2", "--address", "0", "--count", "1", "--poll", "0.05", "--times", "3"}
                                << 0 << "#3 Right response\nreply: 01 02 01 01\ninput 0: 1\n" << 3;
        QTest::newRow("data refused: nothing sent") << QStringList{"--function", "16", "--address", "0", "--count", "2", "--data", "0001"}
                                                    << 2 << "--data: The format of the input data is incorrect!\n" << 0;
        QTest::newRow("count over the limit") << QStringList{"--function", "3", "--address", "0", "--count", "128"} << 2
                                              << "--count: \"128\" is not a number from 0 to 127\n" << 0;
    }

    void modbus()
    {
        QFETCH(QStringList, request);
        QFETCH(int, exitCode);
        QFETCH(QString, printed);
        QFETCH(int, sent);
        const QString server = kBin + "/modbus-server";
        if (!QFileInfo(server).isExecutable())
            QSKIP("modbus-server is not built (libmodbus is missing)");
        const QString log = m_dir.filePath("modbus.log");
        QFile::remove(log);
        QProcess p;
        p.start(server, {"--address", "127.0.0.1", "--log", log, "--lifetime-s", "60", "--die-with-parent"});
        QVERIFY(p.waitForReadyRead(5000));
        const QByteArray ready = p.readAllStandardOutput();
        QVERIFY2(ready.startsWith("ready "), ready.constData());
        const Run r = run(QStringList{"modbus", "127.0.0.1:" + ready.mid(6).trimmed(), "--unit", "1"} + request);
        p.terminate();
        p.waitForFinished();
        QCOMPARE(r.code, exitCode);
        QVERIFY2((exitCode == 2 ? r.err : r.out).endsWith(printed.toUtf8()), (r.out + r.err).constData());
        QCOMPARE(fileBytes(log).count("req "), sent);
    }

    // A clear line on standard error, status 2, nothing written, and nothing sent where the input alone is wrong.
    void badInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("sends");
        const QString base = "@BASE";
        const QString out = "@OUT";
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << "" << "zuv-cfg: unknown command \"frobnicate\"" << false;
        QTest::newRow("unknown option") << QStringList{"read", "--frob", ipOf(1, 5)} << "" << "zuv-cfg read: Unknown option 'frob'" << false;
        QTest::newRow("missing argument") << QStringList{"write", ipOf(1, 5)} << "" << "zuv-cfg write: missing argument" << false;
        QTest::newRow("malformed IP") << QStringList{"read", "10.77.1", "-o", out} << "" << "10.77.1: not an IP address" << false;
        QTest::newRow("malformed range") << QStringList{"search", "--range", "10.77.1.0/33"} << ""
                                         << "zuv-cfg search: malformed range \"10.77.1.0/33\"" << false;
        QTest::newRow("range over the limit") << QStringList{"backup", out, "--range", "10.77.0.0/20", "--range", "10.77.16.0/32"}
                                              << "" << "zuv-cfg backup: too many addresses: the ranges hold 4097" << false;
        QTest::newRow("missing file") << QStringList{"write", ipOf(1, 5), "/nonexistent.inf"} << "" << "/nonexistent.inf: no such file"
                                      << false;
        QTest::newRow("unreadable file") << QStringList{"diff", "@DIR", base} << "" << "@DIR: cannot be read" << false;
        QTest::newRow("refused .inf") << QStringList{"write", ipOf(1, 5), "@BAD"} << "" << "@BAD: Incorrect configuration file!" << false;
        QTest::newRow("refused override") << QStringList{"write", ipOf(1, 5), base, "--set", "Port5_Baud_Rate=9600"} << ""
                                          << "--set Port5_Baud_Rate=9600: HW-P04 has serial ports 1 to 4" << false;
        QTest::newRow("a password no gateway can have") << QStringList{"read", ipOf(2, 1), "-o", out} << "pass word"
                                                        << "zuv-cfg read: ZUV_PASSWORD: a password holds letters and digits only" << false;
        QTest::newRow("a password too long") << QStringList{"read", ipOf(2, 1), "-o", out} << "abcdefghijklm"
                                             << "zuv-cfg read: ZUV_PASSWORD: Incorrect Password Length!" << false;
        QTest::newRow("configuration prohibited") << QStringList{"read", ipOf(2, 3), "-o", out} << ""
                                                  << "10.77.2.3: Remote configuration is disabled" << true;
        QTest::newRow("wrong password") << QStringList{"read", ipOf(2, 1), "-o", out} << "wrong9" << "10.77.2.1: Password error !" << true;
        QTest::newRow("no password") << QStringList{"write", ipOf(3, 7), base} << "" << "10.77.3.7: the gateway asks for a password" << true;
        QTest::newRow("unreachable gateway") << QStringList{"read", "10.77.9.9", "-o", out} << ""
                                             << "10.77.9.9: no gateway answered at this address" << true;
        QTest::newRow("connection refused") << QStringList{"read", ipOf(2, 6), "-o", out} << ""
                                            << "10.77.2.6: Connection failed, please verify" << true;
        QTest::newRow("read cut short") << QStringList{"read", ipOf(2, 7), "-o", out} << ""
                                        << "10.77.2.7: Connection failed, please verify" << true;
        QTest::newRow("restart nobody confirmed") << QStringList{"restart", ipOf(1, 5)} << "" << "10.77.1.5: not restarted: give --yes"
                                                  << false;
    }

    void badInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, password);
        QFETCH(QString, message);
        QFETCH(bool, sends);
        const QString out = m_dir.filePath("kept.inf");
        QVERIFY(InfFile::saveFile(out, "kept\n") == InfFile::WriteStatus::Written);
        QVERIFY(InfFile::saveFile(m_dir.filePath("bad.inf"), "Device_Mode HW-P04\nX X\n") == InfFile::WriteStatus::Written);
        const QMap<QString, QString> paths{{"@OUT", out}, {"@BASE", m_base}, {"@BAD", m_dir.filePath("bad.inf")}, {"@DIR", m_dir.path()}};
        for (QString &a : arguments)
            a = paths.value(a, a);
        message.replace("@BAD", paths["@BAD"]).replace("@DIR", paths["@DIR"]);
        const int logged = m_sim->log().size();
        const Run r = run(arguments, password);
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY2(r.err.startsWith(message.toUtf8()), r.err.constData());
        QCOMPARE(fileBytes(out), QByteArray("kept\n"));
        if (!sends)
            QCOMPARE(m_sim->log().size(), logged);
    }

private:
    NetLab m_lab;
    SimProcess *m_sim = nullptr;
    QStringList m_local;
    QTemporaryDir m_dir;
    QString m_base;
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Where no lab can be built, the run is counted as skipped, not as passed.
    if (const QString why = NetLab::unavailableReason(); !why.isEmpty()) {
        std::fprintf(stderr, "SKIP: %s\n", qPrintable(why));
        return 77;
    }
    TstCli test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cli.moc"
