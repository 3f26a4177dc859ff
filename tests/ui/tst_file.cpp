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
#include <QFileInfo>
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
    void saveWithSelectedGateway_data();
    void saveWithSelectedGateway();
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
    static_cast<CEthernet &>(*c) = {name, 1, "192.168.5.5", "255.255.255.0", "192.168.5.1", "8.8.4.4", "0.0.0.0"};
    for (int n = 0; n < CConfigure::SerialCount; ++n)
        c->m_serial[n] = {n % 9, n % 3, n % 2, 0, 20 + n, 400 + n, n};
    for (int k = 0; k < 3; ++k)
        c->m_idMaps << new CIDMap{QStringLiteral("10.9.0.%1").arg(k + 1), QString::number(5020 + k), k, k + 1, k + 9, k == 1, k * 2};
    c->m_masters << new CSpecifiedMaster{QStringLiteral("10.9.1.1"), false};
    c->m_requests << new CSpecifiedRequest{true, QStringLiteral("7"), false, QStringLiteral("4")};
    c->m_advance = {"pw99", "8502", 30, false, 90, {false, true}, {"", "10.0.0.1"}, {"", "10.0.0.9"}};
    return c;
}

QStringList fileLines(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll()).split('\n') : QStringList();
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
    IsSave = IsTrue = false;
    m_clickList1Item2 = -1;
}

void TestFile::cleanup()
{
    GatewayBench::closeEditors();
    while (Dialog_Load *choice = GatewayBench::shown<Dialog_Load>())
        choice->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    installConfigure(nullptr);
    savefilename.clear();
}

void TestFile::savedThenOpenedIsTheSameConfiguration_data()
{
    QTest::addColumn<int>("modelCode");
    QTest::addColumn<int>("commMode");
    QTest::newRow("1 port") << 130100 << 1;
    QTest::newRow("2 ports, fixed") << 30203 << 3;
    QTest::newRow("4 ports") << 130400 << 0;
    QTest::newRow("8 ports") << 130800 << 2;
    QTest::newRow("16 ports") << 131600 << 1;
}

void TestFile::savedThenOpenedIsTheSameConfiguration()
{
    QFETCH(int, modelCode);
    QFETCH(int, commMode);
    const QString model = Catalogue::discoveryName(modelCode);
    const QString path = m_dir.filePath(QStringLiteral("round-%1.inf").arg(modelCode));
    auto w = GatewayBench::window({});
    installConfigure(edited(modelCode, QStringLiteral("First")));
    g_commMode = commMode;
    Mode = model;
    MessageSpy spy;
    {
        // A cancelled dialog saves nothing and says nothing.
        GatewayBench::ModalAnswerer cancel([](QWidget *m) { return GatewayBench::answerFileDialog(m, QString()); });
        w->on_bt_Save_clicked();
        QVERIFY(cancel.handled() == 1 && spy.shown().isEmpty() && savefilename.isEmpty());
    }
    {
        // The file is asked for once, then kept: the second save writes the renamed configuration there.
        GatewayBench::ModalAnswerer answerer([&](QWidget *m) { return GatewayBench::answerFileDialog(m, path); });
        w->on_bt_Save_clicked();
        pConfigure->m_name = QStringLiteral("Line-%1").arg(modelCode);
        w->on_bt_Save_clicked();
        QCOMPARE(answerer.handled(), 1);
    }
    QCOMPARE(spy.texts(), (QStringList{kSaved, kSaved}));
    const QString saved = InfFile::write(*pConfigure, commMode, model);

    init(); // a fresh start, with another configuration in the editor
    installConfigure(edited(130400, QStringLiteral("Other")));
    spy.clear();
    GatewayBench::ModalAnswerer answerer([&](QWidget *m) { return GatewayBench::answerFileDialog(m, path); });
    w->on_bt_Open_clicked();

    QCOMPARE(answerer.handled(), 1);
    QCOMPARE(spy.texts(), QStringList());
    QVERIFY(pConfigure && pConfigure->m_name == QStringLiteral("Line-%1").arg(modelCode));
    QCOMPARE(QStringList({QString::number(pConfigure->m_modelCode), QString::number(g_commMode), Mode, savefilename, IDS}),
             QStringList({QString::number(modelCode), QString::number(commMode), model, path, QFileInfo(path).fileName()}));
    // Saved again, the opened configuration gives the same file: every field it carries came back.
    QCOMPARE(InfFile::write(*pConfigure, g_commMode, Mode), saved);
    QCOMPARE(GatewayBench::editors().size(), 1);
    QCOMPARE(GatewayBench::editors().first()->windowTitle(), IDS);
    QVERIFY(w->findChild<QPushButton *>(QStringLiteral("bt_Save"))->isEnabled());
}

void TestFile::savePath_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("used");
    QTest::addColumn<QString>("message");
    QTest::newRow("no dot: .inf appended") << "plant" << "plant.inf" << kSaved;
    QTest::newRow("own extension kept") << "plant.cfg" << "plant.cfg" << kSaved;
    QTest::newRow("dot in a directory name counts") << "site.v2/plant" << "site.v2/plant" << kSaved;
    QTest::newRow("a file that takes no bytes is not reported saved") << "full.inf" << "full.inf" << GetStr(5047);
}

void TestFile::savePath()
{
    QFETCH(QString, given);
    QFETCH(QString, used);
    QFETCH(QString, message);
    // The temporary directory's own path may hold dots; start from one that has none.
    QTemporaryDir plain(QDir::tempPath() + QStringLiteral("/zuvfileXXXXXX"));
    const QString base = plain.path() + QLatin1Char('/');
    if (base.contains(QLatin1Char('.')) || !QDir(base).mkpath(QStringLiteral("site.v2")))
        QSKIP("no temporary directory without a dot in its path");
    if (message != kSaved && !QFile::link(QStringLiteral("/dev/full"), base + given))
        QSKIP("no /dev/full to write to");
    auto w = GatewayBench::window({});
    installConfigure(edited(130200, QStringLiteral("Path")));
    Mode = QStringLiteral("HW-P02");
    savefilename = base + given;
    MessageSpy spy;
    w->on_bt_Save_clicked();
    QCOMPARE(spy.texts(), QStringList{message});
    QCOMPARE(savefilename, base + used);
    if (message == kSaved)
        QCOMPARE(fileLines(savefilename).first(), QStringLiteral("Device_Mode\tHW-P02"));
}

void TestFile::saveWithSelectedGateway_data()
{
    QTest::addColumn<int>("how"); // 0 Save in the main window, 1 the editor's close prompt, 2 the Save choice after OK
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("savedName"); // the Ethernet name in the file; empty: no file
    QTest::newRow("main window reads the gateway first") << 0 << QJsonObject{} << kSaved << "From-gateway";
    QTest::newRow("main window, read fails: nothing saved, nothing replaced") << 0 << QJsonObject{{"tcp_refuse", true}}
                                                                             << GetStr(4018) << "";
    QTest::newRow("close prompt answered Yes saves the edits") << 1 << QJsonObject{} << kSaved << "Edited";
    QTest::newRow("Save chosen after OK saves the edits") << 2 << QJsonObject{} << kSaved << "Edited";
}

void TestFile::saveWithSelectedGateway()
{
    QFETCH(int, how);
    QFETCH(QJsonObject, faults);
    QFETCH(QString, message);
    QFETCH(QString, savedName);
    const Gateway gateway(SimProcess::uniqueLoopbackIp(), 130400);
    SimProcess sim;
    QVERIFY2(sim.start(GatewayBench::simConfig(gateway, faults, {{"name", "From-gateway"}})), qPrintable(sim.errorText()));
    auto w = GatewayBench::window({gateway});
    GatewayBench::select(*w, 0);
    CConfigure *working = edited(130400, QStringLiteral("Edited"));
    installConfigure(working);
    Mode = how == 0 ? QStringLiteral("a model of its own") : QStringLiteral("HW-P04"); // the file names the listed one
    const QString path = m_dir.filePath(QStringLiteral("selected-%1-%2.inf").arg(how).arg(message.size()));
    savefilename = path;
    if (how != 0) {
        w->OnProperties(Mode, QStringLiteral("1.1"));
        QCOMPARE(GatewayBench::editors().size(), 1);
    }
    MessageSpy spy;
    if (how == 0) {
        w->on_bt_Save_clicked();
    } else if (how == 1) {
        IsSave = true;
        GatewayBench::ModalAnswerer answerer([](QWidget *m) {
            if (!qobject_cast<Dialog_Save *>(m))
                return false;
            m->findChild<QPushButton *>(QStringLiteral("bt_yes"))->click();
            return true;
        });
        GatewayBench::editors().first()->close();
        QCOMPARE(answerer.handled(), 1);
    } else {
        GatewayBench::editors().first()->on_bt_ok_clicked();
        Dialog_Load *choice = GatewayBench::shown<Dialog_Load>();
        QVERIFY(choice && choice->findChild<QRadioButton *>(QStringLiteral("rd1"))->isChecked());
        choice->findChild<QPushButton *>(QStringLiteral("bt_ok"))->click();
    }

    QCOMPARE(spy.texts(), QStringList{message});
    QCOMPARE(pConfigure == working, savedName != "From-gateway");
    QCOMPARE(pConfigure->m_name, savedName.isEmpty() ? QStringLiteral("Edited") : savedName);
    QCOMPARE(QFile::exists(path), !savedName.isEmpty());
    if (!savedName.isEmpty())
        QCOMPARE(fileLines(path).mid(0, 1) + fileLines(path).filter("Ethernet_Name"),
                 (QStringList{"Device_Mode\tHW-P04", "Ethernet_Name\t" + savedName}));
    // The editor's saves do not read the gateway again.
    const auto connected = [&](const QList<QJsonObject> &) { return !sim.events("connect", gateway.ip).isEmpty(); };
    if (how != 0)
        QVERIFY(!sim.waitForLog(connected, 300));
}

void TestFile::openRefusals_data()
{
    QTest::addColumn<QString>("text"); // the file's content
    QTest::addColumn<int>("selected"); // model code of the selected gateway, 0 for none
    QTest::addColumn<bool>("prohibited"); // then no file dialog either
    QTest::addColumn<QString>("message");
    const QString hwP08 = InfFile::write(*std::unique_ptr<CConfigure>(edited(130800, "F")), 0, QStringLiteral("HW-P08"));
    const QString missing = QString(hwP08).replace("ID_Mapping_Group_Number\t3", "ID_Mapping_Group_Number\t4");
    QTest::newRow("gateway prohibits configuration") << hwP08 << 130800 << true << GetStr(4115);
    QTest::newRow("file of another model than the gateway's") << hwP08 << 130400 << false << "Device type does not match.";
    QTest::newRow("two equal tokens in a row") << "Junk\tJunk\n" + hwP08 << 0 << false << GetStr(4313);
    QTest::newRow("announces more ID mappings than it holds") << missing << 0 << false << GetStr(4313);
}

void TestFile::openRefusals()
{
    QFETCH(QString, text);
    QFETCH(int, selected);
    QFETCH(bool, prohibited);
    QFETCH(QString, message);
    const QString path = m_dir.filePath(QStringLiteral("refused.inf"));
    QCOMPARE(InfFile::writeFile(path, text), InfFile::WriteStatus::Written);
    auto w = GatewayBench::window(selected ? QList<Gateway>{Gateway("127.0.0.1", selected, QString(), prohibited)}
                                           : QList<Gateway>());
    if (selected != 0)
        GatewayBench::select(*w, 0);
    CConfigure *working = edited(130200, QStringLiteral("Working"));
    installConfigure(working);
    g_commMode = 3;
    Mode = QStringLiteral("HW-P02");
    IDS = QStringLiteral("working.inf");
    savefilename = m_dir.filePath(IDS);
    MessageSpy spy;
    GatewayBench::ModalAnswerer answerer([&](QWidget *m) { return GatewayBench::answerFileDialog(m, path); });
    w->on_bt_Open_clicked();
    QCOMPARE(answerer.handled(), prohibited ? 0 : 1);
    QCOMPARE(spy.texts(), QStringList{message});
    // Nothing of what the user was working on changed.
    QCOMPARE(pConfigure, working);
    QCOMPARE(QStringList({pConfigure->m_name, QString::number(pConfigure->m_idMaps.size()), QString::number(g_commMode), Mode,
                          IDS, savefilename}),
             QStringList({"Working", "3", "3", "HW-P02", "working.inf", m_dir.filePath("working.inf")}));
    QVERIFY(GatewayBench::editors().isEmpty());
}

QTEST_MAIN(TestFile)
#include "tst_file.moc"
