// Reading, writing, saving and opening a gateway's configuration from the windows, against simulated gateways: what
// goes over the wire, what each failure shows, and that the user's configuration and file stay. How the exchanges
// themselves meet hostile gateways (pieces, silence, stale bytes) is the gateway client's table.
#include "app/mainwindow.h"
#include "config/commandchannel.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/inffile.h"
#include "config/modelcatalogue.h"
#include "editor/config.h"
#include "editor/dialog_save.h"
#include "messages/messagetable.h"
#include "support/configfields.h"
#include "support/gatewaybench.h"
#include "support/messagespy.h"
#include "support/simprocess.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QJsonArray>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <tuple>

using namespace GatewayBench;

#define START(sim, ...) QVERIFY2(sim.start(simConfig(__VA_ARGS__)), qPrintable(sim.errorText()))
#define BOUNDED(clock, ms) QVERIFY2(clock.elapsed() < (ms), qPrintable(QString::number(clock.elapsed())))
// The user's configuration, its file and its save name are as they were.
#define UNCHANGED(working, before)                                                                                     \
    QCOMPARE(pConfigure, working);                                                                                     \
    QCOMPARE(snapshot(), before);                                                                                      \
    QCOMPARE(fileBytes(m_file), kFile);                                                                                \
    QCOMPARE(savefilename, m_file)

namespace {

const QByteArray kFile("Device_Mode\tHW-P02\nTransmission_Mode\t\tRTU_Slave\nEthernet_Name\tKept on disk\n");
const QString kSaved = QStringLiteral("Save successfully!");
constexpr int Wait = CommandChannel::AnswerTimeoutMs + 2000; // the tool's own wait, with room for the simulator

// A configuration with something in every field and list.
CConfigure *working(int modelCode = 130200, int entries = 3) { return ConfigFields::rich(modelCode, entries, true).release(); }

QByteArray lastFrame(const SimProcess &sim, const QString &ip, int command, const QString &dir)
{
    QByteArray found;
    for (const QJsonObject &frame : sim.tcpFrames(ip, dir))
        found = frame.value("cmd").toInt() == command ? SimProcess::hex(frame) : found;
    return found;
}

} // namespace

class TestConfigIo : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_file = m_dir->filePath(QStringLiteral("plant.inf"));
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(kFile) == kFile.size());
        f.close();
        savefilename = m_file; // a save now would overwrite it without asking
        installConfigure(working());
        std::tie(g_commMode, IDS, Mode, software, IsTrue, IsSave, m_clickList1Item2) =
            std::make_tuple(3, QStringLiteral("plant.inf"), QStringLiteral("HW-P02"), QStringLiteral("2.1"), false, false, -1);
        Password.clear();
        g_appointIpAddr.clear();
    }

    void cleanup()
    {
        closeEditors();
        g_Server().abort();
        installConfigure(nullptr);
        savefilename.clear();
        m_dir.reset();
        QVERIFY(!QApplication::overrideCursor());
    }

    void readAndWriteBack_data()
    {
        QTest::addColumn<int>("modelCode");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("refreshTo"); // where the gateway is asked to report itself again; empty: to it
        int row = 0;
        for (const ModelInfo &m : Catalogue::models())
            QTest::addRow("%d", m.code) << m.code << (row++ % 2 ? QStringLiteral("pw12") : QString()) << "";
        QTest::newRow("refresh request cannot be sent: the window stays") << 130800 << "" << "no.such.gateway";
    }

    void readAndWriteBack()
    {
        QFETCH(int, modelCode);
        QFETCH(QString, password);
        QFETCH(QString, refreshTo);
        const Gateway gateway{SimProcess::uniqueLoopbackIp(), modelCode, password, false, QStringLiteral("1.7")};
        SimProcess sim;
        START(sim, gateway, {{"require_auth", true}}, {{"name", "Bench-7"}, {"keepalive", QJsonObject{{"on", false}, {"time", 77}}}});
        auto w = window({gateway});
        w->show();
        select(*w, 0);
        if (!refreshTo.isEmpty())
            g_appointIpAddr = refreshTo; // the read still goes to the listed address
        MessageSpy spy;
        ModalAnswerer answerer([&](QWidget *m) { return answerPassword(m, password); });
        QElapsedTimer clock;
        clock.start();
        w->OnConfigure();
        BOUNDED(clock, 3000);
        QCOMPARE(spy.texts(), refreshTo.isEmpty() ? QStringList() : QStringList{
            "Failed to Write Data To no.such.gateway:18801,Please confirm whether the IP address is correct."});
        QCOMPARE(answerer.handled(), password.isEmpty() ? 0 : 1);
        QVERIFY(pConfigure && w->isVisible() && editors().size() == 1);
        const CAdvance &a = pConfigure->m_advance;
        QCOMPARE(QStringList({QString::number(pConfigure->m_modelCode), pConfigure->m_name, pConfigure->m_ip, a.m_password, Mode,
                              software, IDS, editors().first()->windowTitle(), QString::number(a.m_aliveTime)}),
                 QStringList({QString::number(modelCode), "Bench-7", gateway.ip, password, Catalogue::discoveryName(modelCode),
                              "1.7", GetStr(4190), GetStr(4190), "77"}));
        QVERIFY(!a.m_keepAlive && IsTrue == !password.isEmpty());
        QCOMPARE(commands(sim, gateway.ip), password.isEmpty() ? (QList<int>{5, 13}) : (QList<int>{7, 5, 13}));
        QVERIFY(allClosed(sim, gateway.ip) && !g_Server().isOpen());
        QCOMPARE(sim.waitForLog([&](const QList<QJsonObject> &) {
            const QList<QJsonObject> got = sim.udpReceived(gateway.ip);
            return !got.isEmpty() && got.last().value("via").toString() == "unicast";
        }, refreshTo.isEmpty() ? 3000 : 300), refreshTo.isEmpty());
        if (!refreshTo.isEmpty())
            return;

        // Written straight back, the gateway gets its own bytes and restarts when asked to.
        QPointer<Config> editor(editors().first());
        spy.clear();
        spy.answerNext(QMessageBox::Ok);
        editor->Download();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(spy.texts(), QStringList{GetStr(15005)});
        QVERIFY(editor.isNull());
        QVERIFY(sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("restart", gateway.ip).isEmpty(); }));
        QVERIFY(sim.events("restart", gateway.ip).first().value("signature_ok").toBool());
        const QByteArray held = sim.heldBlock(gateway.ip);
        QCOMPARE(held.left(4).toHex(), QByteArray("00000006"));
        if (Catalogue::layout(modelCode) == BlockLayout::Fixed)
            QCOMPARE(QByteArray::number(held.size()) + held.mid(4, 4).toHex(), QByteArray("1216000004b8"));
        else
            QCOMPARE(held.mid(4).toHex(), lastFrame(sim, gateway.ip, 5, "send").mid(4).toHex());
        QCOMPARE(lastFrame(sim, gateway.ip, 14, "recv").mid(8).toHex(), lastFrame(sim, gateway.ip, 13, "send").mid(8).toHex());
    }

    // Every failed read keeps what the user had: the read builds its configuration aside. A read that succeeds
    // makes the gateway's model the one the editor's close prompt saves under, also after Save read it.
    void readFromTheWindow_data()
    {
        QTest::addColumn<QString>("password"); // the gateway's, also typed; "-": the dialog is cancelled
        QTest::addColumn<QJsonObject>("faults");
        QTest::addColumn<int>("how"); // 0 Configure, 1 Save (reads first), 2 listed prohibited, 3 listed as other equipment
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("taken"); // the gateway's configuration became the current one
        QTest::addColumn<int>("boundMs");
        const auto row = [](const char *name, const QString &password, const QJsonObject &faults, int how, const QString &message,
                            bool taken = false, int boundMs = 3000) {
            QTest::newRow(name) << password << faults << how << message << taken << boundMs;
        };
        const QJsonObject refused{{"tcp_refuse", true}};
        row("connection refused", "", refused, 0, GetStr(4018));
        row("connection refused, via Save: nothing saved", "", refused, 1, GetStr(4018));
        row("keep-alive with a wrong header: what was read is dropped", "", {{"keepalive_bad_header", true}}, 0, GetStr(4022));
        row("password rejected", "pw12", {{"pw_reject", true}}, 0, GetStr(4014));
        row("password dialog cancelled", "-", {}, 0, "");
        row("remote configuration prohibited", "", {}, 2, GetStr(4017), false, 1000);
        row("other equipment is not read", "", {}, 3, "", false, 1000);
        // The fixed block is complete at its size, whatever the length says.
        row("length FFFFFFFF, fixed, via Save", "", {{"read_length", 4294967295.0}}, 1, kSaved, true, Wait);
    }

    void readFromTheWindow()
    {
        const int modelCode = 30203;
        QFETCH(QString, password);
        QFETCH(QJsonObject, faults);
        QFETCH(int, how);
        const QString name = QStringLiteral("Hostile-1");
        QFETCH(QString, message);
        QFETCH(bool, taken);
        QFETCH(int, boundMs);
        const Gateway gateway{SimProcess::uniqueLoopbackIp(), modelCode, password == "-" ? QStringLiteral("pw12") : password, how == 2};
        SimProcess sim;
        START(sim, gateway, faults, {{"name", name}, {"keepalive", QJsonObject{{"on", true}, {"time", 45}}}});
        auto w = window({gateway});
        if (how == 3) {
            w->equipmentList().first()->m_model = GetStr(8000);
            w->fillTable();
        }
        select(*w, 0);
        CConfigure *const before = pConfigure;
        const QByteArray snap = snapshot();
        MessageSpy spy;
        ModalAnswerer answerer([&](QWidget *m) { return answerPassword(m, password == "-" ? QString() : password); });
        QElapsedTimer clock;
        clock.start();
        if (how == 1)
            w->on_bt_Save_clicked();
        else
            w->OnConfigure();
        BOUNDED(clock, boundMs);
        QCOMPARE(spy.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(allClosed(sim, gateway.ip) && !g_Server().isOpen());
        QCOMPARE(editors().size(), taken && how == 0 ? 1 : 0);
        if (how == 3)
            QVERIFY(!sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("connect", gateway.ip).isEmpty(); }, 300));
        if (!taken) {
            UNCHANGED(before, snap);
            QCOMPARE(QString::number(g_commMode) + Mode, QStringLiteral("3HW-P02"));
            return;
        }
        // The model the editor's close prompt saves under is the gateway's, also after Save read it.
        QVERIFY(pConfigure && pConfigure != before);
        QCOMPARE(QStringList({QString::number(pConfigure->m_modelCode), pConfigure->m_name, pConfigure->m_ip,
                              QString::number(pConfigure->m_advance.m_aliveTime), Mode}),
                 QStringList({QString::number(modelCode), name, gateway.ip, "45", Catalogue::discoveryName(modelCode)}));
        QCOMPARE(savefilename, m_file);
        QCOMPARE(fileBytes(m_file).contains("Ethernet_Name\t" + name.toLatin1() + "\n"), how == 1);
    }

    void write_data()
    {
        QTest::addColumn<QJsonObject>("faults");
        QTest::addColumn<QString>("gatewayPassword");
        QTest::addColumn<QString>("kept"); // the password kept from a read; empty: the configuration came from a file
        QTest::addColumn<QString>("typed"); // into the password dialog; "-" closes it
        QTest::addColumn<QString>("address"); // the configuration's own IP address
        QTest::addColumn<QString>("message");
        QTest::addColumn<QList<int>>("commands"); // as the gateway received them
        const QString ok = QStringLiteral("10.1.2.3"), success = GetStr(15005);
        const QJsonObject none;
        const QList<int> written{6, 14}, asked{7};
        QTest::newRow("no password") << none << "" << "" << "" << ok << success << written;
        QTest::newRow("kept password changed on the gateway") << none << "pw12" << "old1" << "" << ok << GetStr(4314) << asked;
        QTest::newRow("typed password rejected") << none << "pw12" << "" << "nope" << ok << GetStr(4014) << asked;
        QTest::newRow("password dialog closed") << none << "pw12" << "" << "-" << ok << "" << QList<int>();
        QTest::newRow("gateway wants the password on the write's own connection")
            << QJsonObject{{"require_auth", true}} << "pw12" << "" << "pw12" << ok << GetStr(5046) << QList<int>{7, 6};
        QTest::newRow("connection refused") << QJsonObject{{"tcp_refuse", true}} << "" << "" << "" << ok << GetStr(7001) << QList<int>();
        QTest::newRow("all-ones address: nothing sent") << none << "" << "" << "" << "255.255.255.255" << GetStr(5045) << QList<int>();
        QTest::newRow("block answered with code 5: no keep-alive frame") << QJsonObject{{"write_answer_code5", true}} << "pw12" << "pw12"
                                                                         << "" << ok << GetStr(5047) << QList<int>{7, 6};
    }

    void write()
    {
        QFETCH(QJsonObject, faults);
        QFETCH(QString, gatewayPassword);
        QFETCH(QString, kept);
        QFETCH(QString, typed);
        QFETCH(QString, address);
        QFETCH(QString, message);
        QFETCH(QList<int>, commands);
        const QString ip = SimProcess::uniqueLoopbackIp();
        SimProcess sim;
        START(sim, Gateway{ip, 130200, gatewayPassword}, faults);
        pConfigure->m_ip = address;
        g_appointIpAddr = ip;
        IsTrue = !gatewayPassword.isEmpty();
        IDS = kept.isEmpty() ? QStringLiteral("plant.inf") : GetStr(4190);
        Password = kept;
        CConfigure *const before = pConfigure;
        const QByteArray snap = snapshot();
        QPointer<Config> editor(new Config(nullptr));
        editor->show(), IsSave = true;
        MessageSpy spy;
        spy.answerNext(QMessageBox::Cancel); // a successful write asks to restart the gateway: not now
        ModalAnswerer answerer([&](QWidget *m) { return answerPassword(m, typed == "-" ? QString() : typed); });
        QElapsedTimer clock;
        clock.start();
        editor->Download();
        BOUNDED(clock, 3000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(spy.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(answerer.handled(), typed.isEmpty() ? 0 : 1);
        QVERIFY(!IsSave);
        QCOMPARE(editor.isNull(), message == GetStr(15005)); // after a failure the user can try again
        QCOMPARE(g_Server().isOpen(), message == GetStr(4014)); // only a rejected password keeps its connection
        g_Server().abort();
        QVERIFY(allClosed(sim, ip));
        QCOMPARE(GatewayBench::commands(sim, ip), commands);
        UNCHANGED(before, snap);
        QVERIFY(!sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("restart", ip).isEmpty(); }, 300));
        if (!editor)
            QCOMPARE(sim.heldBlock(ip).mid(12, 10), QByteArray("GW-130200\0", 10));
    }

    // The wait cursor shows only while the write blocks, never under a message. HW-P04 below firmware 2.0 takes
    // only 4 ID mappings: the user is told first, and the configuration keeps all six.
    void waitCursorAndFirmwareLimit()
    {
        const QString ip = SimProcess::uniqueLoopbackIp();
        SimProcess sim;
        START(sim, Gateway{ip, 130400});
        installConfigure(working(130400, 6));
        g_appointIpAddr = ip;
        software = QStringLiteral("1.1");
        QPointer<Config> editor(new Config(nullptr));
        editor->show();
        const auto cursor = [] { return QApplication::overrideCursor() ? int(QApplication::overrideCursor()->shape()) : -1; };
        QList<int> whileBlocking, atMessages;
        QStringList texts;
        QObject::connect(&editor->m_socket, &QTcpSocket::bytesWritten, [&] { whileBlocking << cursor(); });
        Msg::setResponder([&](const Msg::Shown &shown) {
            atMessages << cursor();
            texts << shown.text;
            return QMessageBox::Cancel;
        });
        editor->Download();
        Msg::setResponder({});
        QCOMPARE(whileBlocking, (QList<int>{Qt::WaitCursor, Qt::WaitCursor}));
        QCOMPARE(atMessages, (QList<int>{-1, -1}));
        QCOMPARE(texts, (QStringList{"HW-P04 V2.0版本以下只可下载4条ID映射指令,多余的ID映射指令将不会下载到网关中", GetStr(15005)}));
        QCOMPARE(sim.heldBlock(ip).mid(56 + 8 * 4, 4).toHex(), QByteArray("00000004"));
        QCOMPARE(pConfigure->m_idMaps.size(), 6);
    }

    // A cancelled dialog saves nothing; the file is asked for once, then kept; opened back, it is the same.
    void saveThenOpen()
    {
        QTemporaryDir own; // outlives the fresh start below
        const QString path = own.filePath(QStringLiteral("round.inf"));
        auto w = window({});
        installConfigure(working(131600));
        g_commMode = 1;
        Mode = Catalogue::discoveryName(131600);
        savefilename.clear();
        MessageSpy spy;
        {
            ModalAnswerer cancel([](QWidget *m) { return answerFileDialog(m, QString()); });
            w->on_bt_Save_clicked();
            QVERIFY(cancel.handled() == 1 && spy.shown().isEmpty() && savefilename.isEmpty());
        }
        {
            ModalAnswerer answerer([&](QWidget *m) { return answerFileDialog(m, path); });
            w->on_bt_Save_clicked();
            pConfigure->m_name = QStringLiteral("Renamed");
            w->on_bt_Save_clicked();
            QCOMPARE(answerer.handled(), 1);
        }
        QCOMPARE(spy.texts(), (QStringList{kSaved, kSaved}));
        const QString saved = InfFile::write(*pConfigure, 1, Mode);
        init(); // a fresh start, with another configuration in the editor
        spy.clear();
        ModalAnswerer answerer([&](QWidget *m) { return answerFileDialog(m, path); });
        w->on_bt_Open_clicked();
        QCOMPARE(answerer.handled(), 1);
        QCOMPARE(spy.texts(), QStringList());
        QCOMPARE(QStringList({pConfigure->m_name, QString::number(g_commMode), Mode, savefilename, IDS, editors().value(0)->windowTitle()}),
                 QStringList({"Renamed", "1", Catalogue::discoveryName(131600), path, "round.inf", "round.inf"}));
        QCOMPARE(InfFile::write(*pConfigure, g_commMode, Mode), saved);
    }

    void savePath_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("used");
        QTest::addColumn<QString>("message");
        QTest::newRow("no dot: .inf appended") << "plant" << "plant.inf" << kSaved;
        QTest::newRow("own extension kept") << "plant.cfg" << "plant.cfg" << kSaved;
        QTest::newRow("dot in a directory name counts") << "site.v2/plant" << "site.v2/plant" << kSaved;
        QTest::newRow("a file that takes no bytes is not reported saved") << "full.inf" << "full.inf" << GetStr(5047);
    }

    void savePath()
    {
        QFETCH(QString, given);
        QFETCH(QString, used);
        QFETCH(QString, message);
        QTemporaryDir plain(QDir::tempPath() + QStringLiteral("/zuvfileXXXXXX")); // its own path holds no dot
        const QString base = plain.path() + QLatin1Char('/');
        if (base.contains(QLatin1Char('.')) || !QDir(base).mkpath(QStringLiteral("site.v2")))
            QSKIP("no temporary directory without a dot in its path");
        if (message != kSaved && !QFile::link(QStringLiteral("/dev/full"), base + given))
            QSKIP("no /dev/full to write to");
        auto w = window({});
        savefilename = base + given;
        MessageSpy spy;
        w->on_bt_Save_clicked();
        QCOMPARE(spy.texts(), QStringList{message});
        QCOMPARE(savefilename, base + used);
        if (message == kSaved)
            QVERIFY(fileBytes(savefilename).startsWith("Device_Mode\tHW-P02\n"));
    }

    // With a gateway selected, the editor's close prompt saves the edits as they stand, the page being left stored
    // first, under the configuration's model, without reading the gateway.
    void closePromptSavesTheEdits()
    {
        const Gateway gateway{SimProcess::uniqueLoopbackIp(), 130400};
        SimProcess sim;
        START(sim, gateway, {}, {{"name", "From-gateway"}});
        auto w = window({gateway});
        select(*w, 0);
        CConfigure *const edited = pConfigure;
        Mode = QStringLiteral("HW-P04");
        w->OnProperties(Mode, QStringLiteral("1.1"));
        QCOMPARE(editors().size(), 1);
        editors().first()->findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(1);
        editors().first()->findChild<QLineEdit *>(QStringLiteral("lineEdit_Name"))->setText(QStringLiteral("Edited"));
        MessageSpy spy;
        IsSave = true;
        ModalAnswerer answerer([](QWidget *m) {
            if (qobject_cast<Dialog_Save *>(m))
                m->findChild<QPushButton *>(QStringLiteral("bt_yes"))->click();
            return qobject_cast<Dialog_Save *>(m) != nullptr;
        });
        editors().first()->close();
        QVERIFY(answerer.handled() == 1 && !IsSave && editors().isEmpty());
        QCOMPARE(spy.texts(), QStringList{kSaved});
        QCOMPARE(pConfigure, edited);
        QVERIFY(fileBytes(m_file).startsWith("Device_Mode\tHW-P04\n") && fileBytes(m_file).contains("Ethernet_Name\tEdited\n"));
        QVERIFY(!sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("connect", gateway.ip).isEmpty(); }, 300));
    }

    void openRefusals_data()
    {
        QTest::addColumn<QString>("text"); // the file's content
        QTest::addColumn<int>("selected"); // model code of the selected gateway, 0 for none
        QTest::addColumn<bool>("prohibited"); // then no file dialog either
        QTest::addColumn<QString>("message");
        const QString hwP08 = InfFile::write(*std::unique_ptr<CConfigure>(working(130800)), 0, QStringLiteral("HW-P08"));
        QTest::newRow("gateway prohibits configuration") << hwP08 << 130800 << true << GetStr(4115);
        QTest::newRow("file of another model than the gateway's") << hwP08 << 130400 << false << "Device type does not match.";
        QTest::newRow("two equal tokens in a row") << "Junk\tJunk\n" + hwP08 << 0 << false << GetStr(4313);
        QTest::newRow("announces more ID mappings than it holds")
            << QString(hwP08).replace("ID_Mapping_Group_Number\t3", "ID_Mapping_Group_Number\t4") << 0 << false << GetStr(4313);
    }

    void openRefusals()
    {
        QFETCH(QString, text);
        QFETCH(int, selected);
        QFETCH(bool, prohibited);
        QFETCH(QString, message);
        const QString path = m_dir->filePath(QStringLiteral("refused.inf"));
        QCOMPARE(InfFile::writeFile(path, text), InfFile::WriteStatus::Written);
        auto w = window(selected ? QList<Gateway>{Gateway{"127.0.0.1", selected, QString(), prohibited}} : QList<Gateway>());
        if (selected != 0)
            select(*w, 0);
        CConfigure *const before = pConfigure;
        const QByteArray snap = snapshot();
        MessageSpy spy;
        ModalAnswerer answerer([&](QWidget *m) { return answerFileDialog(m, path); });
        w->on_bt_Open_clicked();
        QCOMPARE(answerer.handled(), prohibited ? 0 : 1);
        QCOMPARE(spy.texts(), QStringList{message});
        UNCHANGED(before, snap);
        QCOMPARE(QString::number(g_commMode) + Mode + IDS, QStringLiteral("3HW-P02plant.inf"));
        QVERIFY(editors().isEmpty());
    }
};

QTEST_MAIN(TestConfigIo)
#include "tst_configio.moc"
