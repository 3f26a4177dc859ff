// Save and Open of ".inf" files from the main window and from the editor.
#include "app/mainwindow.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/inffile.h"
#include "config/modelcatalogue.h"
#include "editor/config.h"
#include "editor/dialog_load.h"
#include "editor/dialog_save.h"
#include "messages/messagetable.h"
#include "support/gatewaybench.h"
#include "support/messagespy.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using GatewayBench::Gateway;

class TestFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void savedThenOpenedIsTheSameConfiguration_data();
    void savedThenOpenedIsTheSameConfiguration();
    void savePath_data();
    void savePath();
    void saveAsksOnceThenKeepsTheFile();
    void unwrittenFileIsNotReportedSaved();
    void saveWithSelectedGatewayReadsItFirst_data();
    void saveWithSelectedGatewayReadsItFirst();
    void editorSavesWhatItHolds_data();
    void editorSavesWhatItHolds();
    void openRefusals_data();
    void openRefusals();

private:
    QTemporaryDir m_dir;
};

namespace {

const QString kSaved = QStringLiteral("Save successfully!");

// A configuration with something in every list.
CConfigure *edited(int modelCode, const QString &name)
{
    auto *c = new CConfigure;
    c->m_modelCode = modelCode;
    c->m_name = name;
    c->m_ipMode = 1;
    c->m_ip = QStringLiteral("192.168.5.5");
    c->m_mask = QStringLiteral("255.255.255.0");
    c->m_gateway = QStringLiteral("192.168.5.1");
    c->m_dns1 = QStringLiteral("8.8.4.4");
    c->m_dns2 = QStringLiteral("0.0.0.0");
    for (int n = 0; n < CConfigure::SerialCount; ++n) {
        c->m_serial[n].m_baudRate = n % 9;
        c->m_serial[n].m_parityCheck = n % 3;
        c->m_serial[n].m_stopBit = n % 2;
        c->m_serial[n].m_charInterval = 20 + n;
        c->m_serial[n].m_respTimeout = 400 + n;
        c->m_serial[n].m_delayPolls = n;
    }
    for (int k = 0; k < 3; ++k) {
        auto *m = new CIDMap;
        m->m_ip = QStringLiteral("10.9.0.%1").arg(k + 1);
        m->m_port = QString::number(5020 + k);
        m->m_serialIndex = k;
        m->m_idMin = k + 1;
        m->m_idMax = k + 9;
        m->m_negative = k == 1;
        m->m_offset = k * 2;
        c->m_idMaps << m;
    }
    auto *master = new CSpecifiedMaster;
    master->m_ip = QStringLiteral("10.9.1.1");
    c->m_masters << master;
    auto *request = new CSpecifiedRequest;
    request->m_slaveIdOn = true;
    request->m_slaveId = QStringLiteral("7");
    request->m_functionCode = QStringLiteral("4");
    c->m_requests << request;
    c->m_advance.m_highPort = QStringLiteral("8502");
    c->m_advance.m_serialDelay = 30;
    c->m_advance.m_keepAlive = false;
    c->m_advance.m_aliveTime = 90;
    c->m_advance.m_limitOn[1] = true;
    c->m_advance.m_limitLow[1] = QStringLiteral("10.0.0.1");
    c->m_advance.m_limitHigh[1] = QStringLiteral("10.0.0.9");
    c->m_advance.m_password = QStringLiteral("pw99");
    return c;
}

QString fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll()) : QString();
}

QString firstLine(const QString &path)
{
    return fileText(path).section(QLatin1Char('\n'), 0, 0);
}

} // namespace

void TestFile::init()
{
    QVERIFY(m_dir.isValid());
    installConfigure(nullptr);
    savefilename.clear();
    g_commMode = 0;
    Mode.clear();
    IDS.clear();
    IsSave = false;
    IsTrue = false;
    m_clickList1Item2 = -1;
}

void TestFile::cleanup()
{
    GatewayBench::closeEditors();
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (qobject_cast<Dialog_Load *>(w))
            w->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    installConfigure(nullptr);
    savefilename.clear();
}

void TestFile::savedThenOpenedIsTheSameConfiguration_data()
{
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<int>("commMode");
    QTest::newRow("1 port, fixed") << 30103 << 0;
    QTest::newRow("1 port, packed") << 130100 << 1;
    QTest::newRow("2 ports, fixed") << 30203 << 3;
    QTest::newRow("2 ports, packed") << 130200 << 2;
    QTest::newRow("4 ports") << 130400 << 1;
    QTest::newRow("8 ports") << 130800 << 0;
    QTest::newRow("16 ports") << 131600 << 2;
}

void TestFile::savedThenOpenedIsTheSameConfiguration()
{
    QFETCH(int, modelCode);
    QFETCH(int, commMode);
    const QString model = Catalogue::discoveryName(modelCode);
    const QString path = m_dir.filePath(QStringLiteral("round-%1.inf").arg(modelCode));
    auto w = GatewayBench::window({});
    installConfigure(edited(modelCode, QStringLiteral("Line-%1").arg(modelCode)));
    g_commMode = commMode;
    Mode = model;
    savefilename = path;
    MessageSpy spy;

    w->on_bt_Save_clicked();
    QCOMPARE(spy.texts(), QStringList{kSaved});
    const QString saved = InfFile::write(*pConfigure, commMode, model);

    installConfigure(edited(130400, QStringLiteral("Other")));
    g_commMode = 0;
    Mode.clear();
    savefilename.clear();
    spy.clear();
    GatewayBench::ModalAnswerer answerer([&](QWidget *m) { return GatewayBench::answerFileDialog(m, path); });
    w->on_bt_Open_clicked();

    QCOMPARE(answerer.handled(), 1);
    QCOMPARE(spy.texts(), QStringList());
    QVERIFY(pConfigure);
    QCOMPARE(pConfigure->m_modelCode, modelCode);
    QCOMPARE(pConfigure->m_name, QStringLiteral("Line-%1").arg(modelCode));
    QCOMPARE(g_commMode, commMode);
    QCOMPARE(Mode, model);
    // Saved again, the opened configuration gives the same file: every field it carries came back.
    QCOMPARE(InfFile::write(*pConfigure, g_commMode, Mode), saved);
    QCOMPARE(savefilename, path);
    QCOMPARE(IDS, QStringLiteral("round-%1.inf").arg(modelCode));
    const QList<Config *> open = GatewayBench::editors();
    QCOMPARE(open.size(), 1);
    QCOMPARE(open.first()->windowTitle(), IDS);
    QVERIFY(w->findChild<QPushButton *>(QStringLiteral("bt_Save"))->isEnabled());
}

void TestFile::savePath_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("used");
    QTest::newRow("no dot: .inf appended") << "plant" << "plant.inf";
    QTest::newRow("own extension kept") << "plant.cfg" << "plant.cfg";
    QTest::newRow("dot in a directory name counts") << "site.v2/plant" << "site.v2/plant";
}

void TestFile::savePath()
{
    QFETCH(QString, given);
    QFETCH(QString, used);
    // The temporary directory's own path may hold dots; start from one that has none.
    QTemporaryDir plain(QDir::tempPath() + QStringLiteral("/zuvfileXXXXXX"));
    const QString base = plain.path().contains(QLatin1Char('.')) ? QString() : plain.path();
    if (base.isEmpty())
        QSKIP("no temporary directory without a dot in its path");
    QVERIFY(QDir(base).mkpath(QStringLiteral("site.v2")));
    auto w = GatewayBench::window({});
    installConfigure(edited(130200, QStringLiteral("Path")));
    Mode = QStringLiteral("HW-P02");
    savefilename = base + QLatin1Char('/') + given;
    MessageSpy spy;

    w->on_bt_Save_clicked();

    QCOMPARE(spy.texts(), QStringList{kSaved});
    QCOMPARE(savefilename, base + QLatin1Char('/') + used);
    QCOMPARE(firstLine(savefilename), QStringLiteral("Device_Mode\tHW-P02"));
}

void TestFile::saveAsksOnceThenKeepsTheFile()
{
    const QString path = m_dir.filePath(QStringLiteral("asked.inf"));
    auto w = GatewayBench::window({});
    installConfigure(edited(130800, QStringLiteral("First")));
    Mode = QStringLiteral("HW-P08");
    MessageSpy spy;

    {
        // A cancelled dialog saves nothing and says nothing.
        GatewayBench::ModalAnswerer cancel([](QWidget *m) { return GatewayBench::answerFileDialog(m, QString()); });
        w->on_bt_Save_clicked();
        QCOMPARE(cancel.handled(), 1);
        QVERIFY(spy.shown().isEmpty());
        QVERIFY(savefilename.isEmpty());
    }
    GatewayBench::ModalAnswerer answerer([&](QWidget *m) { return GatewayBench::answerFileDialog(m, path); });
    w->on_bt_Save_clicked();
    pConfigure->m_name = QStringLiteral("Second");
    w->on_bt_Save_clicked();

    QCOMPARE(answerer.handled(), 1);
    QCOMPARE(spy.texts(), (QStringList{kSaved, kSaved}));
    QCOMPARE(savefilename, path);
    QVERIFY(fileText(path).contains(QStringLiteral("Ethernet_Name\tSecond\n")));
}

void TestFile::unwrittenFileIsNotReportedSaved()
{
    const QString path = m_dir.filePath(QStringLiteral("full.inf"));
    if (!QFile::link(QStringLiteral("/dev/full"), path))
        QSKIP("no /dev/full to write to");
    auto w = GatewayBench::window({});
    installConfigure(edited(130100, QStringLiteral("Lost?")));
    savefilename = path;
    MessageSpy spy;

    w->on_bt_Save_clicked();

    QCOMPARE(spy.texts(), QStringList{GetStr(5047)});
}

void TestFile::saveWithSelectedGatewayReadsItFirst_data()
{
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("read succeeds: the file holds the gateway's configuration") << QJsonObject{} << QStringList{kSaved};
    QTest::newRow("read fails: nothing saved, nothing replaced")
        << QJsonObject{{"tcp_refuse", true}} << QStringList{GetStr(4018)};
}

void TestFile::saveWithSelectedGatewayReadsItFirst()
{
    QFETCH(QJsonObject, faults);
    QFETCH(QStringList, messages);
    const Gateway gateway(SimProcess::uniqueLoopbackIp(), 130200);
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(gateway, faults, {{"name", "From-gateway"}})), qPrintable(sim.errorText()));
    auto w = GatewayBench::window({gateway});
    GatewayBench::select(*w, 0);
    CConfigure *working = edited(130200, QStringLiteral("Edited"));
    installConfigure(working);
    Mode = QStringLiteral("a model of its own");
    const QString path = m_dir.filePath(QStringLiteral("selected-%1.inf").arg(messages.first().size()));
    savefilename = path;
    MessageSpy spy;

    w->on_bt_Save_clicked();

    QCOMPARE(spy.texts(), messages);
    if (messages == QStringList{kSaved}) {
        QVERIFY(pConfigure != working);
        QCOMPARE(pConfigure->m_name, QStringLiteral("From-gateway"));
        QVERIFY(fileText(path).contains(QStringLiteral("Ethernet_Name\tFrom-gateway\n")));
        // The file names the listed gateway's model.
        QCOMPARE(firstLine(path), QStringLiteral("Device_Mode\t") + Catalogue::discoveryName(130200));
    } else {
        QCOMPARE(pConfigure, working);
        QVERIFY(!QFile::exists(path));
    }
}

void TestFile::editorSavesWhatItHolds_data()
{
    QTest::addColumn<bool>("fromClosePrompt"); // else the Save choice after OK
    QTest::newRow("close prompt answered Yes") << true;
    QTest::newRow("Save chosen after OK") << false;
}

void TestFile::editorSavesWhatItHolds()
{
    QFETCH(bool, fromClosePrompt);
    const Gateway gateway(SimProcess::uniqueLoopbackIp(), 130400);
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(gateway)), qPrintable(sim.errorText()));
    auto w = GatewayBench::window({gateway});
    GatewayBench::select(*w, 0);
    CConfigure *working = edited(130400, QStringLiteral("Edited"));
    installConfigure(working);
    Mode = QStringLiteral("HW-P04");
    const QString path = m_dir.filePath(QStringLiteral("editor-%1.inf").arg(fromClosePrompt));
    savefilename = path;
    w->OnProperties(Mode, QStringLiteral("1.1"));
    QCOMPARE(GatewayBench::editors().size(), 1);
    Config *editor = GatewayBench::editors().first();
    MessageSpy spy;

    if (fromClosePrompt) {
        IsSave = true;
        GatewayBench::ModalAnswerer answerer([](QWidget *m) {
            auto *prompt = qobject_cast<Dialog_Save *>(m);
            if (prompt)
                prompt->findChild<QPushButton *>(QStringLiteral("bt_yes"))->click();
            return prompt != nullptr;
        });
        editor->close();
        QCOMPARE(answerer.handled(), 1);
    } else {
        editor->on_bt_ok_clicked();
        Dialog_Load *choice = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (auto *load = qobject_cast<Dialog_Load *>(top); load && load->isVisible())
                choice = load;
        }
        QVERIFY(choice);
        QVERIFY(choice->findChild<QRadioButton *>(QStringLiteral("rd1"))->isChecked());
        choice->findChild<QPushButton *>(QStringLiteral("bt_ok"))->click();
    }

    QCOMPARE(spy.texts(), QStringList{kSaved});
    QCOMPARE(pConfigure, working);
    QVERIFY(fileText(path).contains(QStringLiteral("Ethernet_Name\tEdited\n")));
    QCOMPARE(firstLine(path), QStringLiteral("Device_Mode\tHW-P04"));
    // The gateway was not read again.
    QVERIFY(!sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events("connect", gateway.ip).isEmpty(); },
                            300));
}

void TestFile::openRefusals_data()
{
    QTest::addColumn<QString>("text"); // the file's content
    QTest::addColumn<int>("selected"); // model code of the selected gateway, 0 for none
    QTest::addColumn<bool>("prohibited");
    QTest::addColumn<bool>("dialogShown");
    QTest::addColumn<QStringList>("messages");
    const QString hwP08 = InfFile::write(*std::unique_ptr<CConfigure>(edited(130800, "F")), 0, QStringLiteral("HW-P08"));
    QString missing = hwP08;
    missing.replace(QStringLiteral("ID_Mapping_Group_Number\t3"), QStringLiteral("ID_Mapping_Group_Number\t4"));
    QTest::newRow("gateway prohibits configuration") << hwP08 << 130800 << true << false << QStringList{GetStr(4115)};
    QTest::newRow("file of another model than the gateway's")
        << hwP08 << 130400 << false << true << QStringList{QStringLiteral("Device type does not match.")};
    QTest::newRow("two equal tokens in a row") << QStringLiteral("Junk\tJunk\n") + hwP08 << 0 << false << true
                                               << QStringList{GetStr(4313)};
    QTest::newRow("announces more ID mappings than it holds") << missing << 0 << false << true
                                                              << QStringList{GetStr(4313)};
}

void TestFile::openRefusals()
{
    QFETCH(QString, text);
    QFETCH(int, selected);
    QFETCH(bool, prohibited);
    QFETCH(bool, dialogShown);
    QFETCH(QStringList, messages);
    const QString path = m_dir.filePath(QStringLiteral("refused.inf"));
    QCOMPARE(InfFile::writeFile(path, text), InfFile::WriteStatus::Written);
    QList<Gateway> listed;
    if (selected != 0)
        listed << Gateway(QStringLiteral("127.0.0.1"), selected, QString(), prohibited);
    auto w = GatewayBench::window(listed);
    if (selected != 0)
        GatewayBench::select(*w, 0);
    CConfigure *working = edited(130200, QStringLiteral("Working"));
    installConfigure(working);
    g_commMode = 3;
    Mode = QStringLiteral("HW-P02");
    IDS = QStringLiteral("working.inf");
    savefilename = m_dir.filePath(QStringLiteral("working.inf"));
    MessageSpy spy;
    GatewayBench::ModalAnswerer answerer([&](QWidget *m) { return GatewayBench::answerFileDialog(m, path); });

    w->on_bt_Open_clicked();

    QCOMPARE(answerer.handled(), dialogShown ? 1 : 0);
    QCOMPARE(spy.texts(), messages);
    // Nothing of what the user was working on changed.
    QCOMPARE(pConfigure, working);
    QCOMPARE(pConfigure->m_name, QStringLiteral("Working"));
    QCOMPARE(pConfigure->m_idMaps.size(), 3);
    QCOMPARE(g_commMode, 3);
    QCOMPARE(Mode, QStringLiteral("HW-P02"));
    QCOMPARE(IDS, QStringLiteral("working.inf"));
    QCOMPARE(savefilename, m_dir.filePath(QStringLiteral("working.inf")));
    QVERIFY(GatewayBench::editors().isEmpty());
}

QTEST_MAIN(TestFile)
#include "tst_file.moc"
