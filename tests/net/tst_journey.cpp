// One engineer's whole journey through the real main window, against two
// simulated HW-P04 gateways in a throwaway network: search, select, read with
// a password, edit several pages, save to a file and download, open the file
// and download it to the second gateway. Each step is one test function; they
// build on each other, so a failed step skips the rest.
#include "app/mainwindow.h"
#include "app/myipctrl.h"
#include "config/globals.h"
#include "editor/config.h"
#include "editor/dialog_load.h"
#include "messages/messagetable.h"
#include "support/editordriver.h"
#include "support/gatewaybench.h"
#include "support/messagespy.h"
#include "support/netlab.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <memory>

class TstJourney : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void searchListsBothGateways();
    void configureReadsWithThePassword();
    void editSeveralPages();
    void saveAndDownloadWritesGatewayAndFile();
    void openFileAndDownloadToSecondGateway();

private:
    bool select(const QString &ip);
    Config *onlyEditor() const;
    bool download(Config *editor, const char *choice);

    NetLab m_lab;
    SimProcess *m_sim = nullptr;
    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_dir;
    QString m_file;
    // What the first gateway handed over when it was read.
    QByteArray m_blockRead;
    bool m_broken = false;
};

namespace {

const QString kIpA = QStringLiteral("10.77.0.2");
const QString kIpB = QStringLiteral("10.77.0.3");
const QString kPasswordA = QStringLiteral("Gate4A");
const QString kPasswordB = QStringLiteral("Gate4B");

// The user's edits, and what they become on the wire.
const QString kNewName = QStringLiteral("Journey-1");
const QString kNewAddress = QStringLiteral("10.77.0.12");
constexpr int kBaudIndex115200 = 7;
constexpr int kParityEven = 2;
constexpr int kRespTimeout = 1500;
constexpr int kDelayPolls = 25;
constexpr int kAliveTime = 45;

QByteArray be32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// The values of `key` in an ".inf" file, in file order.
QStringList infValues(const QString &path, const QString &key)
{
    QStringList values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return values;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.section('\t', 0, 0) == key)
            values << line.section('\t', 1).remove('\t');
    }
    return values;
}

QList<int> commandsOf(const QList<QJsonObject> &frames)
{
    QList<int> commands;
    for (const QJsonObject &frame : frames)
        commands << frame.value("cmd").toInt();
    return commands;
}

QByteArray keepAliveFrame(quint32 seconds)
{
    return QByteArray::fromHex("0000000e0000000800000001") + be32(seconds * 100);
}

// Answers the password dialog and file dialogs as the user would, for one step.
std::unique_ptr<GatewayBench::ModalAnswerer> answering(const QString &password, const QString &file)
{
    return std::make_unique<GatewayBench::ModalAnswerer>([password, file](QWidget *modal) {
        return GatewayBench::answerPassword(modal, password) || GatewayBench::answerFileDialog(modal, file);
    });
}

// Closes whatever modal window is left once the step has run too long: a step never hangs.
struct Watchdog {
    QTimer timer;
    QElapsedTimer clock;
    Watchdog()
    {
        QObject::connect(&timer, &QTimer::timeout, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        timer.start(15000);
        clock.start();
    }
    qint64 elapsed() const { return clock.elapsed(); }
};

template<typename T>
T *child(QWidget *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

bool showPage(Config *editor, int page)
{
    QTabBar *bar = EditorDriver::tabs(editor)->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
    return editor->currentPage() == page;
}

bool logged(const SimProcess &sim, const QString &event, const QString &ip)
{
    return sim.waitForLog([&](const QList<QJsonObject> &) { return !sim.events(event, ip).isEmpty(); });
}

} // namespace

#define STEP_GUARD()                                                                                                 \
    if (m_broken || !m_window || !m_sim)                                                                             \
        QSKIP("an earlier step of the journey failed")

void TstJourney::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_file = m_dir.filePath(QStringLiteral("journey.inf"));
    QVERIFY2(m_lab.up(NetLab::Topology{}), qPrintable(m_lab.errorText()));
    QVERIFY(m_lab.inPcNamespace());
    const auto gateway = [](const QString &ip, const char *name, const QString &password, bool keepAlive) {
        return QJsonObject{{"ip", ip}, {"model", 130400}, {"name", name}, {"password", password},
                           {"keepalive", QJsonObject{{"on", keepAlive}, {"time", keepAlive ? 20 : 8}}}};
    };
    m_sim = m_lab.startSimulator(QJsonObject{{"gateways", QJsonArray{gateway(kIpA, "Hall-A", kPasswordA, true),
                                                                     gateway(kIpB, "Hall-B", kPasswordB, false)}}});
    QVERIFY2(m_sim, qPrintable(m_lab.errorText()));

    m_window = std::make_unique<MainWindow>();
    // The reachability look-up has nothing to do with this journey.
    for (QTimer *t : m_window->findChildren<QTimer *>())
        t->stop();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TstJourney::cleanup()
{
    if (QTest::currentTestFailed())
        m_broken = true;
}

void TstJourney::cleanupTestCase()
{
    GatewayBench::closeEditors();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<Dialog_Load *>(w))
            w->close();
    m_window.reset();
    g_Server().abort();
    m_lab.down();
}

// Clicks the gateway's row as a user does; true when it became the chosen gateway.
bool TstJourney::select(const QString &ip)
{
    const QVector<CEquipment *> &list = m_window->equipmentList();
    const auto found = std::find_if(list.cbegin(), list.cend(), [&](const CEquipment *e) { return e->m_ip == ip; });
    auto *table = child<QTableWidget>(m_window.get(), "tableWidget");
    QTableWidgetItem *item = found == list.cend() ? nullptr : table->item(int(found - list.cbegin()), CEquipment::Name);
    if (!item)
        return false;
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(item).center());
    return m_window->selectedRow() == item->row() && g_appointIpAddr == ip;
}

Config *TstJourney::onlyEditor() const
{
    const QList<Config *> open = GatewayBench::editors();
    return open.size() == 1 ? open.first() : nullptr;
}

// OK, then `choice` in the dialog that follows; true when the editor closed within the bound.
bool TstJourney::download(Config *editor, const char *choice)
{
    Watchdog watchdog;
    QPointer<Config> watched(editor);
    child<QPushButton>(editor, "bt_ok")->click();
    Dialog_Load *load = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<Dialog_Load *>(w); d && d->isVisible())
            load = d;
    if (!load)
        return false;
    child<QRadioButton>(load, choice)->click();
    child<QPushButton>(load, "bt_ok")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return watched.isNull() && watchdog.elapsed() < 8000;
}

void TstJourney::searchListsBothGateways()
{
    STEP_GUARD();
    // Pressed only where every local address belongs to the lab: the broadcast cannot leave it.
    QVERIFY(m_lab.inPcNamespace());
    const QHostAddress labNet(QStringLiteral("10.77.0.0"));
    for (const QHostAddress &a : QNetworkInterface::allAddresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
            QVERIFY2(a.isInSubnet(labNet, 16), qPrintable(a.toString()));

    Watchdog watchdog;
    QTest::mouseClick(child<QPushButton>(m_window.get(), "bt_Search"), Qt::LeftButton);
    QVERIFY2(watchdog.elapsed() < 5000, qPrintable(QString::number(watchdog.elapsed())));
    QStringList listed;
    for (const CEquipment *e : m_window->equipmentList())
        listed << e->m_ip;
    listed.sort();
    QCOMPARE(listed, (QStringList{kIpA, kIpB}));
    // The device buttons wait for a row to be chosen.
    QVERIFY(!child<QPushButton>(m_window.get(), "bt_Configure")->isEnabled());
}

void TstJourney::configureReadsWithThePassword()
{
    STEP_GUARD();
    QVERIFY(select(kIpA));
    MessageSpy spy;
    const auto answerer = answering(kPasswordA, QString());
    Watchdog watchdog;
    QTest::mouseClick(child<QPushButton>(m_window.get(), "bt_Configure"), Qt::LeftButton);
    QVERIFY2(watchdog.elapsed() < 5000, qPrintable(QString::number(watchdog.elapsed())));
    QCOMPARE(answerer->handled(), 1);
    QCOMPARE(spy.texts(), QStringList());
    Config *editor = onlyEditor();
    QVERIFY(editor);

    // Password first, then the block and the keep-alive settings.
    QCOMPARE(commandsOf(m_sim->tcpFrames(kIpA)), (QList<int>{7, 5, 13}));
    const QList<QJsonObject> answers = m_sim->tcpFrames(kIpA, QStringLiteral("send"));
    QCOMPARE(commandsOf(answers), (QList<int>{7, 5, 13}));
    m_blockRead = SimProcess::hex(answers[1]);

    // The editor shows what the gateway holds.
    QVERIFY(showPage(editor, 1));
    QCOMPARE(child<QLineEdit>(editor, "lineEdit_Name")->text(), QStringLiteral("Hall-A"));
}

void TstJourney::editSeveralPages()
{
    STEP_GUARD();
    Config *editor = onlyEditor();
    QVERIFY(editor);
    MessageSpy spy;
    IsSave = false;

    QVERIFY(showPage(editor, 1));
    EditorDriver::type(child<QLineEdit>(editor, "lineEdit_Name"), kNewName);
    QVERIFY(IsSave);
    EditorDriver::typeAddress(child<MyIPCtrl>(editor, "ipCtrl_IP"), kNewAddress);
    QCOMPARE(child<MyIPCtrl>(editor, "ipCtrl_IP")->getIP(), kNewAddress);

    QVERIFY(showPage(editor, 2));
    auto *port = child<QComboBox>(editor, "comboBox_Select1");
    EditorDriver::choose(port, 2);
    EditorDriver::choose(child<QComboBox>(editor, "m_baudRate1"), kBaudIndex115200);
    EditorDriver::choose(port, 0);
    EditorDriver::choose(child<QComboBox>(editor, "m_parityCheck1"), kParityEven);

    QVERIFY(showPage(editor, 3));
    const int mappings = editor->m_idMapCount;
    EditorDriver::choose(child<QComboBox>(editor, "m_serial2"), 1);
    child<QLineEdit>(editor, "lineEdit_min")->setText("10");
    child<QLineEdit>(editor, "lineEdit_max")->setText("20");
    child<QLineEdit>(editor, "lineEdit_offset")->setText("-5");
    child<QPushButton>(editor, "bt_Add")->click();
    QCOMPARE(editor->m_idMapCount, mappings + 1);

    QVERIFY(showPage(editor, 4));
    EditorDriver::choose(child<QComboBox>(editor, "combox_SelectPort"), 1);
    EditorDriver::type(child<QLineEdit>(editor, "lineEdit_resptimeout"), QString::number(kRespTimeout));
    EditorDriver::type(child<QLineEdit>(editor, "lineEdit_delaypolls"), QString::number(kDelayPolls));

    QVERIFY(showPage(editor, 6));
    EditorDriver::type(child<QLineEdit>(editor, "lineEdit_TcpAlive"), QString::number(kAliveTime));
    // None of these edits is refused.
    QCOMPARE(spy.texts(), QStringList());
}

void TstJourney::saveAndDownloadWritesGatewayAndFile()
{
    STEP_GUARD();
    Config *editor = onlyEditor();
    QVERIFY(editor);
    const int before = m_sim->tcpFrames(kIpA).size();
    MessageSpy spy;
    spy.answerNext(QMessageBox::Ok); // "Save successfully!"
    spy.answerNext(QMessageBox::Cancel); // no restart now
    const auto answerer = answering(QString(), m_file);
    QVERIFY(download(editor, "rd3"));

    // The file dialog asked once; the kept password served the write.
    QCOMPARE(answerer->handled(), 1);
    QCOMPARE(spy.texts(), (QStringList{QStringLiteral("Save successfully!"), GetStr(15005)}));
    QVERIFY(!IsSave);

    // Password, block and the edited keep-alive settings, nothing else.
    const QList<QJsonObject> frames = m_sim->tcpFrames(kIpA).mid(before);
    QCOMPARE(commandsOf(frames), (QList<int>{7, 6, 14}));
    QCOMPARE(SimProcess::hex(frames[2]).toHex(), keepAliveFrame(kAliveTime).toHex());

    // The gateway holds what it had with exactly the user's edits. HW-P04's packed block:
    // four 8-byte serial ports from 56, the mapping count at 88, 16-byte mappings, 12-byte timings.
    QByteArray expected = m_blockRead;
    const int maps = int(qFromBigEndian<quint32>(m_blockRead.constData() + 88));
    const int timing = 92 + 16 * maps;
    expected[3] = 6;
    expected.replace(12, 20, kNewName.toLatin1().leftJustified(20, '\0'));
    expected.replace(36, 4, QByteArray::fromHex("0a4d000c"));
    expected[56 + 5] = char(kParityEven);
    expected.replace(56 + 16, 4, be32(115200));
    expected.replace(timing + 12 + 4, 8, be32(kRespTimeout) + be32(kDelayPolls));
    expected.insert(timing, QByteArray::fromHex("00000000") + be32(502) + be32(1) + QByteArray::fromHex("0a140105"));
    expected.replace(88, 4, be32(maps + 1));
    expected.replace(4, 4, be32(expected.size() - 8));
    QCOMPARE(m_sim->heldBlock(kIpA).toHex(), expected.toHex());

    // The file on disk carries the same edits.
    const QList<QPair<QString, QString>> settings{
        {"Device_Mode", "HW-P04"}, {"Ethernet_Name", kNewName}, {"IP_Address", kNewAddress},
        {"Port1_Check_Bit", "Even"}, {"Port3_Baud_Rate", "115200"},
        {"Port2_Response_Timeout", QString::number(kRespTimeout)},
        {"ID_Mapping_Group_Number", QString::number(maps + 1)},
        {"TCP_Alive_Check_Time", QString::number(kAliveTime)}, {"Password", kPasswordA}};
    for (const auto &setting : settings)
        QCOMPARE(infValues(m_file, setting.first), QStringList{setting.second});
}

void TstJourney::openFileAndDownloadToSecondGateway()
{
    STEP_GUARD();
    QVERIFY(select(kIpB));
    const int before = m_sim->tcpFrames(kIpB).size();
    MessageSpy spy;
    {
        const auto answerer = answering(QString(), m_file);
        child<QPushButton>(m_window.get(), "bt_Open")->click();
        QCOMPARE(answerer->handled(), 1);
    }
    QCOMPARE(spy.texts(), QStringList());
    Config *editor = onlyEditor();
    QVERIFY(editor);
    QCOMPARE(editor->windowTitle(), QStringLiteral("journey.inf"));
    // Opening the file talks to no gateway.
    QCOMPARE(m_sim->tcpFrames(kIpB).size(), before);

    spy.answerNext(QMessageBox::Ok); // restart now
    const auto answerer = answering(kPasswordB, QString());
    QVERIFY(download(editor, "rd2"));
    // A configuration from a file asks for the second gateway's own password.
    QCOMPARE(answerer->handled(), 1);
    QCOMPARE(spy.texts(), QStringList{GetStr(15005)});
    QVERIFY(logged(*m_sim, "restart", kIpB));
    QVERIFY(m_sim->events("restart", kIpB).first().value("signature_ok").toBool());

    QCOMPARE(commandsOf(m_sim->tcpFrames(kIpB).mid(before)), (QList<int>{7, 6, 14, 10}));
    // The second gateway now holds the first one's configuration, byte for byte.
    QCOMPARE(m_sim->heldBlock(kIpB).toHex(), m_sim->heldBlock(kIpA).toHex());
}

NETLAB_TEST_MAIN(TstJourney)
#include "tst_journey.moc"
