// zuv-cfg run as a process, as a user or a script runs it, against simulated gateways in a throwaway network with a
// segment behind a router: what it prints, its exit status, what reaches the gateways and which files it writes.
#include "app/mainwindow.h"
#include "config/blockwriter.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/inffile.h"
#include "config/newconfigure.h"
#include "messages/messagetable.h"
#include "support/gatewaybench.h"
#include "support/messagespy.h"
#include "support/netlab.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <pty.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace GatewayBench;

namespace {

const QString kBin = QFileInfo(QStringLiteral(GWSIM_PATH)).absolutePath();
const QString kRouted = QStringLiteral("10.79.0.2");
const QList<int> kModels{30103, 30203, 130100, 130200, 130400, 130800, 131600};

struct Run {
    int code = -1;
    QByteArray out, err;
};

// Standard input is no terminal: the tool never prompts.
Run run(const QStringList &arguments, const QString &password = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("ZUV_PASSWORD"));
    if (!password.isEmpty())
        env.insert(QStringLiteral("ZUV_PASSWORD"), password);
    p.setProcessEnvironment(env);
    p.start(kBin + QStringLiteral("/zuv-cfg"), arguments);
    p.closeWriteChannel();
    Run r;
    if (!p.waitForFinished(30000))
        p.kill(), p.waitForFinished();
    else if (p.exitStatus() == QProcess::NormalExit)
        r = {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
    return r;
}

// Runs zuv-cfg on a terminal of its own, as a user at the keyboard does, and
// types `typed` and Enter at its first password prompt; `out` is all the
// terminal showed (standard output and error together), `err` the prompts seen.
Run runAtTerminal(const QStringList &arguments, const QByteArray &typed)
{
    // Everything the child needs is made before the fork: it only execs.
    QList<QByteArray> argumentBytes{QFile::encodeName(kBin + QStringLiteral("/zuv-cfg"))};
    for (const QString &a : arguments)
        argumentBytes << a.toLocal8Bit();
    std::vector<char *> argv;
    for (QByteArray &a : argumentBytes)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    QList<QByteArray> environment;
    for (char **e = environ; *e; ++e) {
        if (!QByteArray(*e).startsWith("ZUV_PASSWORD="))
            environment << QByteArray(*e);
    }
    std::vector<char *> envp;
    for (QByteArray &e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid < 0)
        return {};
    if (pid == 0) {
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    Run r;
    QDeadlineTimer deadline(30000);
    bool answered = false;
    for (;;) {
        pollfd p{terminal, POLLIN, 0};
        if (::poll(&p, 1, int(deadline.remainingTime())) <= 0)
            break;
        char chunk[4096];
        const ssize_t n = ::read(terminal, chunk, sizeof chunk);
        if (n <= 0) // EIO once the tool ended and closed the terminal
            break;
        r.out.append(chunk, int(n));
        // The tool flushes pending input when it turns echo off, so the answer waits for the prompt.
        if (!answered && r.out.contains("Password for")) {
            answered = true;
            r.err = r.out;
            const QByteArray line = typed + '\r';
            if (::write(terminal, line.constData(), size_t(line.size())) != line.size())
                break;
        }
    }
    ::close(terminal);
    if (deadline.hasExpired())
        ::kill(pid, SIGKILL);
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        r.code = WEXITSTATUS(status);
    r.out.replace("\r\n", "\n");
    return r;
}

// The gateway addresses a run printed, in any format.
QStringList addresses(const QByteArray &out)
{
    QStringList found;
    for (auto it = QRegularExpression(QStringLiteral("\\b10\\.7[79]\\.\\d+\\.\\d+\\b")).globalMatch(QString::fromUtf8(out)); it.hasNext();)
        found << it.next().captured();
    found.sort();
    found.removeDuplicates();
    return found;
}

QString ipOf(int group, int n) { return QStringLiteral("10.77.%1.%2").arg(group).arg(n); }

bool save(const QString &path, const QString &text) { return InfFile::saveFile(path, text) == InfFile::WriteStatus::Written; }

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
            QJsonObject g = extra;
            g["ip"] = ip, g["model"] = model;
            gateways.append(g);
            topo.gatewayAddresses << ip;
            m_local << ip;
        };
        const auto auth = [](const char *password) { return QJsonObject{{"password", password}, {"faults", QJsonObject{{"require_auth", true}}}}; };
        // 10.77.1.x: one of every model; 10.77.2.x: the backup's site; 10.77.3.x: written to.
        for (int i = 0; i < kModels.size(); ++i)
            add(ipOf(1, i + 1), kModels[i]);
        add(ipOf(1, 8), 30103, auth("pw12"));
        CConfigure master; // a gateway in RTU master mode, mapping IDs to a server
        NewConfigure::fill(master, 130200, "Master");
        master.m_idMaps.append(new CIDMap{"10.77.0.50", "5020", 1, 1, 20, true, 3});
        add(ipOf(1, 9), 130200, {{"block", QString(BlockWriter::build(master, 1, "2.1").block.toHex())}});
        add(ipOf(2, 1), 130400, auth("pw21"));
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
        add(ipOf(3, 7), 130400, auth("pw37"));
        add(ipOf(3, 8), 130800);
        m_local.sort();
        QVERIFY2(m_lab.up(topo), qPrintable(m_lab.errorText()));
        QVERIFY2((m_sim = m_lab.startSimulator(QJsonObject{{"gateways", gateways}})), qPrintable(m_lab.errorText()));
        QVERIFY2(m_lab.startSimulator(QJsonObject{{"gateways", QJsonArray{QJsonObject{{"ip", kRouted}}}}}, true),
                 qPrintable(m_lab.errorText()));
        // The files the runs start from: what an HW-P04 of the lab holds, renamed, with four more ID mappings,
        // refused; a password file; a directory where a file is expected.
        for (const char *name : {"@BASE", "@RENAMED", "@SIX", "@BAD", "@PW", "@OUT"})
            m_paths[name] = m_dir.filePath(QString::fromLatin1(name + 1).toLower() + ".inf");
        m_paths["@DIR"] = m_dir.path();
        QCOMPARE(run({"read", ipOf(3, 1), "-o", m_paths["@BASE"]}).code, 0);
        const QString base = QString::fromUtf8(fileBytes(m_paths["@BASE"]));
        CConfigure six;
        six.m_modelCode = 130400;
        QCOMPARE(InfFile::read(base, six).status, InfFile::Status::Ok);
        for (int i = 0; i < 4; ++i)
            six.m_idMaps.append(new CIDMap{"0.0.0.0", "502", 0, 1, 1, false, 0});
        QVERIFY(save(m_paths["@RENAMED"], QString(base).replace("Ethernet_Name\tGW-1", "Ethernet_Name\tRenamed"))
                && save(m_paths["@SIX"], InfFile::write(six, 0, "HW-P04")) && save(m_paths["@BAD"], "Device_Mode HW-P04\nX X\n")
                && save(m_paths["@PW"], "# the lab\n" + ipOf(3, 7) + " pw37\n"));
    }

    // Every command but read, backup and modbus, as a line a user types: its exit status, a part of what it prints
    // on standard output ("-": nothing) and on standard error (an error is one line starting so), the gateways a
    // search lists, and the commands the gateway named first received ("-": the simulator saw nothing at all,
    // "*": not checked). The file @OUT is never touched.
    void runs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QStringList>("listed");
        const auto row = [](const char *name, const QStringList &arguments, int exitCode, const QString &out, const QString &err,
                            const QString &sent, const QString &password = QString(), const QStringList &listed = {}) {
            QTest::newRow(name) << arguments << password << exitCode << out << err << sent << listed;
        };
        const auto search = [&](const char *name, const QStringList &arguments, int exitCode, const QString &out, const QStringList &listed) {
            row(name, QStringList{"search"} + arguments, exitCode, out, "", "*", "", listed);
        };
        search("search by broadcast: every gateway of the segment, not the routed one", {"--json"}, 0,
               "\"status\": \"Prohibit configuration\"", m_local);
        search("search by range: the routed gateway, which the broadcast does not reach", {"--range", "10.79.0.0/30", "--csv"}, 0,
               "number,name,model,ip,mac,firmware,password,status\n1,GW-2,HW-P04,10.79.0.2,", {kRouted});
        search("search by two ranges, a table with the window's texts", {"--range", ipOf(2, 3) + "/32", "--range", ipOf(2, 1) + "-" + ipOf(2, 2)},
               0, "Encryption        Allow configuration", {ipOf(2, 1), ipOf(2, 2), ipOf(2, 3)});
        search("search by a range where nobody answers", {"--range", "10.77.9.1-10.77.9.3"}, 1, "", {});

        const QStringList sets{"--set", "Ethernet_Name=Line2", "--set", "Port2_Baud_Rate=115200", "--set", "IP_Address=10.77.3.40"};
        const QString readWriteRead = "5,13,6,14,5,13";
        row("write --set: the changes, the write and its verification", QStringList{"write", ipOf(3, 2), "@BASE"} + sets, 0,
            "Ethernet_Name: GW-2 -> Line2\nIP_Address: 10.77.3.2 -> 10.77.3.40\nPort2_Baud_Rate: 19200 -> 115200\n10.77.3.2: verified\n",
            "takes effect after the gateway restarts", readWriteRead);
        row("write --dry-run: the changes, no command 6", QStringList{"write", ipOf(3, 3), "@BASE", "--dry-run"} + sets, 0,
            "Ethernet_Name: GW-3 -> Line2", "dry run", "5,13");
        row("write --restart after the verification", {"write", ipOf(3, 4), "@BASE", "--restart"}, 0, "verified\n10.77.3.4: restarted\n", "",
            readWriteRead + ",10");
        row("write: a gateway that did not store the block is not verified", QStringList{"write", ipOf(3, 5), "@BASE"} + sets, 2,
            "Ethernet_Name: sent Line2, the gateway holds GW-5\n", "10.77.3.5: written, but the gateway does not hold what was sent",
            readWriteRead);
        row("write to HW-P04 below 2.0: four ID mappings, with the window's warning", {"write", ipOf(3, 6), "@SIX", "--set", "Ethernet_Name=Line2"},
            0, "ID_Mapping_Group_Number: 2 -> 4\n", "HW-P04 V2.0版本以下只可下载4条ID映射指令", readWriteRead);
        row("write with the password from a file, on every connection", {"write", ipOf(3, 7), "@BASE", "--password-file", "@PW"}, 0,
            "verified", "", "7,5,13,7,6,14,7,5,13");
        row("write of a file of another model: nothing sent by TCP", {"write", ipOf(3, 8), "@BASE"}, 2, "",
            "10.77.3.8: Device type does not match.\n", "");

        row("diff of a file and the gateway it came from", {"diff", "@BASE", ipOf(3, 1)}, 0, "-", "", "5,13");
        row("diff of a changed name, by its key with both values", {"diff", "@RENAMED", "@BASE"}, 1, "Ethernet_Name: Renamed -> GW-1\n", "", "-");
        row("diff of two gateways of two models", {"diff", ipOf(1, 1), ipOf(1, 2)}, 1,
            "Device_Mode: NTC-P01DL -> KX500-EN-2RS485(Modbus TCP)\n", "", "5,13");

        const QString prohibited = ipOf(2, 3) + ": " + GetStr(4034);
        row("locate", {"locate", ipOf(1, 6)}, 0, "located", "", "9");
        row("restart --yes", {"restart", ipOf(1, 7), "--yes"}, 0, "restarted", "", "10");
        row("locate, configuration prohibited", {"locate", ipOf(2, 3)}, 2, "", prohibited, "");
        row("restart, configuration prohibited", {"restart", ipOf(2, 3), "--yes"}, 2, "", ipOf(2, 3) + ": " + GetStr(4030), "");
        row("restart nobody confirmed", {"restart", ipOf(1, 5)}, 2, "", "10.77.1.5: not restarted: give --yes", "-");

        // Bad input: a clear line, status 2, nothing written, and nothing sent where the input alone is wrong.
        row("unknown command", {"frobnicate"}, 2, "", "zuv-cfg: unknown command \"frobnicate\"", "-");
        row("unknown option", {"read", "--frob", ipOf(1, 5)}, 2, "", "zuv-cfg read: Unknown option 'frob'", "-");
        row("missing argument", {"write", ipOf(1, 5)}, 2, "", "zuv-cfg write: missing argument", "-");
        row("malformed IP", {"read", "10.77.1", "-o", "@OUT"}, 2, "", "10.77.1: not an IP address", "-");
        row("malformed range", {"search", "--range", "10.77.1.0/33"}, 2, "", "zuv-cfg search: malformed range \"10.77.1.0/33\"", "-");
        row("range over the limit", {"backup", "@OUT", "--range", "10.77.0.0/20", "--range", "10.77.16.0/32"}, 2, "",
            "zuv-cfg backup: too many addresses: the ranges hold 4097", "-");
        row("missing file", {"write", ipOf(1, 5), "/nonexistent.inf"}, 2, "", "/nonexistent.inf: no such file", "-");
        row("unreadable file", {"diff", "@DIR", "@BASE"}, 2, "", "@DIR: cannot be read", "-");
        row("refused .inf", {"write", ipOf(1, 5), "@BAD"}, 2, "", "@BAD: Incorrect configuration file!", "-");
        row("refused override", {"write", ipOf(1, 5), "@BASE", "--set", "Port5_Baud_Rate=9600"}, 2, "",
            "--set Port5_Baud_Rate=9600: HW-P04 has serial ports 1 to 4", "-");
        row("a password no gateway can have", {"read", ipOf(2, 1), "-o", "@OUT"}, 2, "",
            "zuv-cfg read: ZUV_PASSWORD: a password holds letters and digits only", "-", "pass word");
        row("a password too long", {"read", ipOf(2, 1), "-o", "@OUT"}, 2, "", "zuv-cfg read: ZUV_PASSWORD: Incorrect Password Length!", "-",
            "abcdefghijklm");
        row("read, configuration prohibited", {"read", ipOf(2, 3), "-o", "@OUT"}, 2, "", "10.77.2.3: Remote configuration is disabled", "");
        row("wrong password", {"read", ipOf(2, 1), "-o", "@OUT"}, 2, "", "10.77.2.1: Password error !", "7", "wrong9");
        row("no password", {"write", ipOf(3, 7), "@BASE"}, 2, "", "10.77.3.7: the gateway asks for a password", "");
        row("unreachable gateway", {"read", "10.77.9.9", "-o", "@OUT"}, 2, "", "10.77.9.9: no gateway answered at this address", "*");
        row("read cut short", {"read", ipOf(2, 7), "-o", "@OUT"}, 2, "", "10.77.2.7: Connection failed, please verify", "5");
    }

    void runs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, password);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QString, sent);
        QFETCH(QStringList, listed);
        for (QString &a : arguments)
            a = m_paths.value(a, a);
        err.replace("@BAD", m_paths["@BAD"]).replace("@DIR", m_paths["@DIR"]);
        QVERIFY(save(m_paths["@OUT"], "kept\n"));
        const QString ip = arguments.value(arguments.indexOf(QRegularExpression("10\\.77\\.\\d+\\.\\d+")));
        const int logged = m_sim->log().size(), frames = commands(*m_sim, ip).size(), connects = m_sim->events("connect", ip).size();
        const Run r = run(arguments, password);
        QCOMPARE(r.code, exitCode);
        QVERIFY2(out == "-" ? r.out.isEmpty() : r.out.contains(out.toUtf8()), r.out.constData());
        QVERIFY2(exitCode == 2 ? r.err.startsWith(err.toUtf8()) && r.err.count('\n') == 1 : r.err.contains(err.toUtf8()), r.err.constData());
        QCOMPARE(fileBytes(m_paths["@OUT"]), QByteArray("kept\n"));
        if (arguments.first() == "search")
            QCOMPARE(addresses(r.out), listed);
        if (sent == "-")
            QCOMPARE(m_sim->log().size(), logged);
        if (sent == "-" || sent == "*")
            return;
        // The tool ends without waiting for the gateway to take in what it sent last (locate and restart
        // get no answer), so the simulator may log it a moment after the tool is gone.
        const int expected = sent.isEmpty() ? 0 : int(sent.count(',')) + 1;
        m_sim->waitForLog([&](const QList<QJsonObject> &) { return commands(*m_sim, ip).size() - frames >= expected; });
        QVERIFY(allClosed(*m_sim, ip));
        QStringList received;
        for (int command : commands(*m_sim, ip).mid(frames))
            received << QString::number(command);
        QCOMPARE(received.join(','), sent);
        QVERIFY(!sent.isEmpty() || m_sim->events("connect", ip).size() == connects);
        // The gateway did what it was told, the frame's signature being right.
        for (const auto &[command, event] : {std::pair{"9", "locate"}, {"10", "restart"}})
            QVERIFY(!sent.endsWith(command) || m_sim->waitForLog([&](const QList<QJsonObject> &) { return !m_sim->events(event, ip).isEmpty(); }));
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
        const QString saved = m_dir.filePath("window.inf"), read = m_dir.filePath("read.inf");
        {
            MessageSpy spy;
            const auto window = GatewayBench::window({Gateway{ip, model, password}});
            select(*window, 0);
            savefilename = saved;
            ModalAnswerer typist([&](QWidget *modal) { return answerPassword(modal, password); });
            window->on_bt_Save_clicked();
            QCOMPARE(spy.texts(), QStringList{"Save successfully!"});
        }
        const Run r = run({"read", ip}, password);
        QVERIFY(r.code == 0 && r.out.startsWith("Device_Mode\t"));
        QCOMPARE(r.out, fileBytes(saved));
        QCOMPARE(run({"read", ip, "-o", read}, password).code, 0);
        QCOMPARE(fileBytes(read), fileBytes(saved));
    }

    // The site 10.77.2.1-7: saved with the password from the file, a password not in it, configuration prohibited, a
    // wrong password, saved without a password, a connection refused (read alone: the gateway client's table), a
    // read cut short.
    void backup()
    {
        const QString dir = m_dir.filePath("site"), passwords = m_dir.filePath("site-pw");
        QVERIFY(save(passwords, ipOf(2, 1) + " pw21\n00:1A:2B:3C:4D:04 wrong1\n"));
        const Run r = run({"backup", dir, "--range", ipOf(2, 1) + "-" + ipOf(2, 7), "--password-file", passwords});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err, QByteArray("zuv-cfg backup: 4 of 6 gateways that allow configuration not saved\n"));
        const QString refused = "failed: Connection failed, please verify that IP address and port number are correct !";
        const QStringList results{"saved as " + dir + "/00-1a-2b-3c-4d-01.inf", "password needed", "configuration prohibited",
                                  "failed: Password error !", "saved as " + dir + "/00-1a-2b-3c-4d-05.inf", refused, refused};
        for (int i = 0; i < results.size(); ++i) {
            const QRegularExpression line(QStringLiteral("\n%1 .* %2\n").arg(QRegularExpression::escape(ipOf(2, i + 1)),
                                                                              QRegularExpression::escape(results[i])));
            QVERIFY2(line.match(QString::fromUtf8(r.out)).hasMatch(), qPrintable(results[i] + "\n" + r.out));
        }
        QCOMPARE(QDir(dir).entryList(QDir::Files), (QStringList{"00-1a-2b-3c-4d-01.inf", "00-1a-2b-3c-4d-05.inf"}));
        QCOMPARE(fileBytes(dir + "/00-1a-2b-3c-4d-01.inf"), run({"read", ipOf(2, 1)}, "pw21").out);
    }

    // At a terminal, with no password given, the backup of 10.77.2.1-5 asks once for the gateways that want one
    // (10.77.2.1, .2 and .4) while it reads the others, and does not echo what is typed. A typed password that no
    // gateway can have fails those three only.
    void backupAtTerminal_data()
    {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QStringList>("results");
        QTest::newRow("typed: the password of 10.77.2.1")
            << QByteArray("pw21")
            << QStringList{"saved as @/00-1a-2b-3c-4d-01.inf", "failed: Password error !", "configuration prohibited",
                           "failed: Password error !", "saved as @/00-1a-2b-3c-4d-05.inf"};
        const QString refused = "failed: a password holds letters and digits only";
        QTest::newRow("typed: what cannot be a password")
            << QByteArray("pw-21")
            << QStringList{refused, refused, "configuration prohibited", refused, "saved as @/00-1a-2b-3c-4d-05.inf"};
    }

    void backupAtTerminal()
    {
        QFETCH(QByteArray, typed);
        QFETCH(QStringList, results);
        const QString dir = m_dir.filePath(QStringLiteral("site-") + QTest::currentDataTag());
        const Run r = runAtTerminal({"backup", dir, "--range", ipOf(2, 1) + "-" + ipOf(2, 5)}, typed);
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err.count("Password for the gateways that ask for one: "), 1);
        QVERIFY2(!r.out.contains(typed), r.out.constData());
        for (int i = 0; i < results.size(); ++i) {
            const QString result = QString(results[i]).replace("@", dir);
            const QRegularExpression line(QStringLiteral("\n%1 .* %2\n").arg(QRegularExpression::escape(ipOf(2, i + 1)),
                                                                               QRegularExpression::escape(result)));
            QVERIFY2(line.match(QString::fromUtf8(r.out)).hasMatch(), qPrintable(result + "\n" + r.out));
        }
        QCOMPARE(QDir(dir).entryList(QDir::Files).size(), results.filter("saved as").size());
    }

    // Against the loopback Modbus server: what it prints (standard error for an error), and how many requests the
    // server received.
    void modbus_data()
    {
        QTest::addColumn<QStringList>("request");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("printed");
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
        const QString server = kBin + "/modbus-server", log = m_dir.filePath("modbus.log");
        if (!QFileInfo(server).isExecutable())
            QSKIP("modbus-server is not built (libmodbus is missing)");
        if (m_modbus.state() == QProcess::NotRunning) {
            m_modbus.start(server, {"--address", "127.0.0.1", "--log", log, "--lifetime-s", "60", "--die-with-parent"});
            QVERIFY(m_modbus.waitForReadyRead(5000));
            m_modbusPort = m_modbus.readAllStandardOutput();
            QVERIFY2(m_modbusPort.startsWith("ready "), m_modbusPort.constData());
        }
        const int before = fileBytes(log).count("req ");
        const Run r = run(QStringList{"modbus", "127.0.0.1:" + m_modbusPort.mid(6).trimmed(), "--unit", "1"} + request);
        QCOMPARE(r.code, exitCode);
        QVERIFY2((exitCode == 2 ? r.err : r.out).endsWith(printed.toUtf8()), (r.out + r.err).constData());
        QCOMPARE(fileBytes(log).count("req ") - before, sent);
    }

    void cleanupTestCase() { m_modbus.terminate(), m_modbus.waitForFinished(); }

private:
    NetLab m_lab;
    SimProcess *m_sim = nullptr;
    QStringList m_local;
    QTemporaryDir m_dir;
    QMap<QString, QString> m_paths;
    QProcess m_modbus;
    QByteArray m_modbusPort;
};

NETLAB_TEST_MAIN(TstCli)
#include "tst_cli.moc"
