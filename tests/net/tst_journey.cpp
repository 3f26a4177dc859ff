// One engineer's whole journey through the real main window, against two
// simulated HW-P04 gateways in a throwaway network: search, select, read with
// a password, edit several pages, save to a file and download, read the
// gateway back, open the file and download it to the second gateway, keep an
// edit through the close prompt, locate and reset, find a gateway by its
// address and switch it to a master mode. Each step is one test function;
// they build on each other, so a failed step skips the rest.
#include "app/mainwindow.h"
#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "editor/config.h"
#include "editor/dialog_load.h"
#include "editor/dialog_save.h"
#include "discovery/dialog_setip.h"
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
#include <QHostAddress>
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

#include <functional>
#include <memory>

class TstJourney : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void searchListsBothGateways();
    void rowClickSelectsTheGateway();
    void configureReadsWithThePassword();
    void editSeveralPages();
    void saveAndDownloadWritesGatewayAndFile();
    void readBackShowsTheEdits();
    void openFileAndDownloadToSecondGateway();
    void closePromptKeepsTheEdits();
    void locateAndRemoteReset();
    void ipSearchAfterConfigureFindsTheGateway();
    void masterModeWrittenWithoutPriorityLists();

private:
    bool stepsSoFarPassed();
    int rowOf(const QString &ip) const;
    void clickRow(int row);
    Config *onlyEditor() const;
    void showPage(Config *editor, int page);
    Dialog_Load *openLoadDialog(Config *editor);

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
const QString kMacA = QStringLiteral("00-1a-2b-3c-4d-a1");
const QString kMacB = QStringLiteral("00-1a-2b-3c-4d-b2");
const QString kPasswordA = QStringLiteral("Gate4A");
const QString kPasswordB = QStringLiteral("Gate4B");
constexpr int kModelCode = 130400; // HW-P04: packed block, four serial ports
constexpr int kPorts = 4;

// The user's edits, and what they become on the wire.
const QString kNewName = QStringLiteral("Journey-1");
const QString kNewAddress = QStringLiteral("10.77.0.12");
constexpr int kBaudIndex115200 = 7;
constexpr quint32 kBaud115200 = 115200;
constexpr int kParityEven = 2;
constexpr int kRespTimeout = 1500;
constexpr int kDelayPolls = 25;
constexpr int kAliveTime = 45;

// Watchdog of every step that runs modal windows: a step never hangs.
constexpr int kStepBoundMs = 15000;

QJsonObject gatewayConfig(const QString &ip, const QString &name, const QString &mac, const QString &password,
                          bool keepAlive, int time)
{
    return QJsonObject{{"ip", ip},
                       {"model", kModelCode},
                       {"name", name},
                       {"mac", mac},
                       {"password", password},
                       {"firmware", "2.1"},
                       {"keepalive", QJsonObject{{"on", keepAlive}, {"time", time}}}};
}

QByteArray be32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

quint32 readBe32(const QByteArray &bytes, int offset)
{
    return qFromBigEndian<quint32>(bytes.constData() + offset);
}

QByteArray nameField(const QString &name)
{
    QByteArray field = name.toLatin1().left(20);
    return field + QByteArray(20 - field.size(), '\0');
}

// A packed configuration block cut into its parts, so that two blocks can be
// compared part by part and the parts a user changed can be named.
struct PackedBlock {
    QByteArray header;
    QByteArray common; // bytes 8..55: mode, name, address settings
    QList<QByteArray> serial;
    QList<QByteArray> idMaps;
    QList<QByteArray> timing;
    QList<QByteArray> masters;
    QList<QByteArray> requests;
    QByteArray tail; // password, Modbus TCP port, serial delay, IP ranges

    bool operator==(const PackedBlock &o) const
    {
        return common == o.common && serial == o.serial && idMaps == o.idMaps && timing == o.timing
            && masters == o.masters && requests == o.requests && tail == o.tail;
    }
};

// Splits `block`; false when its counts and length do not add up.
bool splitPacked(const QByteArray &block, int ports, PackedBlock &out)
{
    const auto take = [&block](int &at, int width, int count, QList<QByteArray> &into) {
        for (int i = 0; i < count; ++i, at += width)
            into << block.mid(at, width);
    };
    const auto count = [&block](int at) { return at + 4 <= block.size() ? int(readBe32(block, at)) : -1; };
    if (block.size() < 168 + 20 * ports)
        return false;
    out = PackedBlock{};
    out.header = block.left(8);
    out.common = block.mid(8, 48);
    int at = 56;
    take(at, 8, ports, out.serial);
    const int idMaps = count(at);
    if (idMaps < 0 || idMaps > 36)
        return false;
    at += 4;
    take(at, 16, idMaps, out.idMaps);
    take(at, 12, ports, out.timing);
    const int masters = count(at);
    if (masters < 0 || masters > 36)
        return false;
    at += 4;
    take(at, 8, masters, out.masters);
    const int requests = count(at);
    if (requests < 0 || requests > 36)
        return false;
    at += 4;
    take(at, 4, requests, out.requests);
    out.tail = block.mid(at);
    return out.tail.size() == 100 && int(readBe32(block, 4)) == block.size() - 8;
}

QString describe(const PackedBlock &b)
{
    QStringList parts{"common " + b.common.toHex()};
    const auto list = [&parts](const char *name, const QList<QByteArray> &items) {
        for (int i = 0; i < items.size(); ++i)
            parts << QStringLiteral("%1[%2] %3").arg(QLatin1String(name)).arg(i).arg(QString(items[i].toHex()));
    };
    list("serial", b.serial);
    list("idmap", b.idMaps);
    list("timing", b.timing);
    list("master", b.masters);
    list("request", b.requests);
    parts << "tail " + b.tail.toHex();
    return parts.join('\n');
}

// The keys and values of an ".inf" file, in file order.
QList<QPair<QString, QString>> infSettings(const QString &path)
{
    QList<QPair<QString, QString>> settings;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return settings;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const int tab = line.indexOf('\t');
        settings.append({tab < 0 ? line : line.left(tab), tab < 0 ? QString() : line.mid(tab).remove('\t')});
    }
    return settings;
}

QStringList valuesOf(const QList<QPair<QString, QString>> &settings, const QString &key)
{
    QStringList values;
    for (const auto &setting : settings)
        if (setting.first == key)
            values << setting.second;
    return values;
}

QList<QJsonObject> framesFrom(const SimProcess &sim, const QString &ip, int skip)
{
    return sim.tcpFrames(ip).mid(skip);
}

QList<int> commandsOf(const QList<QJsonObject> &frames)
{
    QList<int> commands;
    for (const QJsonObject &frame : frames)
        commands << frame.value("cmd").toInt();
    return commands;
}

QByteArray lastSent(const SimProcess &sim, const QString &ip, int command)
{
    QByteArray found;
    for (const QJsonObject &frame : sim.tcpFrames(ip, QStringLiteral("send")))
        if (frame.value("cmd").toInt() == command)
            found = SimProcess::hex(frame);
    return found;
}

QByteArray passwordFrame(const QString &password)
{
    return QByteArray::fromHex("000000070000001c") + QByteArray("Talvenor") + nameField(password);
}

QByteArray keepAliveFrame(bool on, quint32 seconds)
{
    return QByteArray::fromHex("0000000e00000008000000") + char(on ? 1 : 0) + be32(seconds * 100);
}

// Answers the password dialog and file dialogs as the user would, for one step.
std::unique_ptr<GatewayBench::ModalAnswerer> answering(const QString &password, const QString &file)
{
    return std::make_unique<GatewayBench::ModalAnswerer>([password, file](QWidget *modal) {
        return GatewayBench::answerPassword(modal, password) || GatewayBench::answerFileDialog(modal, file);
    });
}

// Closes whatever modal window is left once the step has run too long.
class Watchdog
{
public:
    Watchdog()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        m_timer.start(kStepBoundMs);
        m_clock.start();
    }
    qint64 elapsed() const { return m_clock.elapsed(); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
};

template<typename T>
T *child(QWidget *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

// Types an address into an IP entry control key by key, as a user does: the
// first field's text is selected and replaced, and each dot moves on to the
// next field, whose text it selects.
void typeAddress(QWidget *window, MyIPCtrl *ctrl, const QString &address)
{
    QLineEdit *first = child<QLineEdit>(ctrl, "lineEdit_0");
    first->setFocus();
    first->selectAll();
    for (const QChar c : address) {
        QWidget *focused = window->focusWidget();
        if (!focused)
            return;
        QTest::keyClick(focused, c.toLatin1());
    }
}

} // namespace

// Runs a helper that checks as it goes and leaves the step when it failed.
#define CHECKED(call)                                                                                                \
    do {                                                                                                             \
        call;                                                                                                        \
        if (QTest::currentTestFailed())                                                                              \
            return;                                                                                                  \
    } while (false)

#define STEP_GUARD()                                                                                                 \
    if (!stepsSoFarPassed())                                                                                        \
        QSKIP("an earlier step of the journey failed")

bool TstJourney::stepsSoFarPassed()
{
    return !m_broken && m_window && m_sim;
}

void TstJourney::initTestCase()
{
    if (!NetLab::unavailableReason().isEmpty())
        QSKIP(qPrintable(NetLab::unavailableReason()));
    QVERIFY(m_dir.isValid());
    m_file = m_dir.filePath(QStringLiteral("journey.inf"));
    QVERIFY2(m_lab.up(NetLab::Topology{}), qPrintable(m_lab.errorText()));
    QVERIFY(m_lab.inPcNamespace());
    m_sim = m_lab.startSimulator(QJsonObject{{"gateways", QJsonArray{
        gatewayConfig(kIpA, QStringLiteral("Hall-A"), kMacA, kPasswordA, true, 20),
        gatewayConfig(kIpB, QStringLiteral("Hall-B"), kMacB, kPasswordB, false, 8)}}});
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

int TstJourney::rowOf(const QString &ip) const
{
    const QVector<CEquipment *> &list = m_window->equipmentList();
    for (int i = 0; i < list.size(); ++i)
        if (list[i]->m_ip == ip)
            return i;
    return -1;
}

void TstJourney::clickRow(int row)
{
    auto *table = child<QTableWidget>(m_window.get(), "tableWidget");
    QTableWidgetItem *item = table->item(row, CEquipment::Name);
    QVERIFY(item);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(item).center());
    QCOMPARE(m_window->selectedRow(), row);
}

Config *TstJourney::onlyEditor() const
{
    const QList<Config *> open = GatewayBench::editors();
    return open.size() == 1 ? open.first() : nullptr;
}

void TstJourney::showPage(Config *editor, int page)
{
    QTabBar *bar = EditorDriver::tabs(editor)->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
    QCOMPARE(editor->currentPage(), page);
}

Dialog_Load *TstJourney::openLoadDialog(Config *editor)
{
    child<QPushButton>(editor, "bt_ok")->click();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *load = qobject_cast<Dialog_Load *>(w); load && load->isVisible())
            return load;
    return nullptr;
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

    QCOMPARE(m_window->equipmentList().size(), 2);
    auto *table = child<QTableWidget>(m_window.get(), "tableWidget");
    const QList<QStringList> gateways{{kIpA, QStringLiteral("Hall-A"), kMacA}, {kIpB, QStringLiteral("Hall-B"), kMacB}};
    for (const QStringList &gateway : gateways) {
        const int row = rowOf(gateway[0]);
        QVERIFY2(row >= 0, qPrintable(gateway[0]));
        const QStringList expected{QString::number(row + 1), gateway[1], "HW-P04", gateway[0], gateway[2], "2.1",
                                   "Encryption", "Allow configuration"};
        for (int c = 0; c < CEquipment::ColumnCount; ++c) {
            QVERIFY(table->item(row, c));
            QCOMPARE(table->item(row, c)->text(), expected[c]);
        }
    }
    // The device buttons wait for a row to be chosen.
    QVERIFY(!child<QPushButton>(m_window.get(), "bt_Configure")->isEnabled());
}

void TstJourney::rowClickSelectsTheGateway()
{
    STEP_GUARD();
    CHECKED(clickRow(rowOf(kIpA)));
    QCOMPARE(g_appointIpAddr, kIpA);
    QVERIFY(IsTrue);
    for (const char *name : {"bt_Configure", "bt_Locate", "bt_Remotely_reset", "bt_Save"})
        QVERIFY2(child<QPushButton>(m_window.get(), name)->isEnabled(), name);
}

void TstJourney::configureReadsWithThePassword()
{
    STEP_GUARD();
    MessageSpy spy;
    const auto answerer = answering(kPasswordA, QString());
    Watchdog watchdog;
    QTest::mouseClick(child<QPushButton>(m_window.get(), "bt_Configure"), Qt::LeftButton);
    QVERIFY2(watchdog.elapsed() < 5000, qPrintable(QString::number(watchdog.elapsed())));

    QCOMPARE(answerer->handled(), 1);
    QCOMPARE(spy.texts(), QStringList());
    Config *editor = onlyEditor();
    QVERIFY(editor);
    QCOMPARE(editor->windowTitle(), GetStr(4190));
    QCOMPARE(editor->currentPage(), 0);

    // Password first, on the connection that then reads the block and the keep-alive settings.
    const QList<QJsonObject> frames = m_sim->tcpFrames(kIpA);
    QCOMPARE(commandsOf(frames), (QList<int>{7, 5, 13}));
    QCOMPARE(SimProcess::hex(frames[0]).toHex(), passwordFrame(kPasswordA).toHex());
    QCOMPARE(frames[1].value("conn"), frames[0].value("conn"));
    QCOMPARE(frames[2].value("conn"), frames[0].value("conn"));
    m_blockRead = lastSent(*m_sim, kIpA, 5);
    PackedBlock read;
    QVERIFY(splitPacked(m_blockRead, kPorts, read));

    // The gateway is asked to report itself again, by unicast from the refresh port.
    QVERIFY(m_sim->waitForLog([](const QList<QJsonObject> &log) {
        for (const QJsonObject &e : log)
            if (e.value("proto") == "udp" && e.value("gw") == kIpA && e.value("via") == "unicast")
                return e.value("peer").toString().endsWith(":10002");
        return false;
    }));

    // The editor shows what the gateway holds.
    CHECKED(showPage(editor, 1));
    QCOMPARE(child<QLineEdit>(editor, "lineEdit_Name")->text(), QStringLiteral("Hall-A"));
}

void TstJourney::editSeveralPages()
{
    STEP_GUARD();
    Config *editor = onlyEditor();
    QVERIFY(editor);
    MessageSpy spy;
    IsSave = false;

    CHECKED(showPage(editor, 1));
    EditorDriver::type(child<QLineEdit>(editor, "lineEdit_Name"), kNewName);
    QVERIFY(IsSave);
    auto *address = child<MyIPCtrl>(editor, "ipCtrl_IP");
    typeAddress(editor, address, kNewAddress);
    QCOMPARE(address->getIP(), kNewAddress);

    CHECKED(showPage(editor, 2));
    auto *port = child<QComboBox>(editor, "comboBox_Select1");
    EditorDriver::choose(port, 2);
    EditorDriver::choose(child<QComboBox>(editor, "m_baudRate1"), kBaudIndex115200);
    EditorDriver::choose(port, 0);
    EditorDriver::choose(child<QComboBox>(editor, "m_parityCheck1"), kParityEven);

    CHECKED(showPage(editor, 3));
    auto *table = child<QTableWidget>(editor, "page4_tab");
    const int mappings = editor->m_idMapCount;
    EditorDriver::choose(child<QComboBox>(editor, "m_serial2"), 1);
    child<QLineEdit>(editor, "lineEdit_min")->setText("10");
    child<QLineEdit>(editor, "lineEdit_max")->setText("20");
    child<QLineEdit>(editor, "lineEdit_offset")->setText("-5");
    child<QPushButton>(editor, "bt_Add")->click();
    QCOMPARE(editor->m_idMapCount, mappings + 1);
    QVERIFY(table->item(mappings, 2));
    QCOMPARE(table->item(mappings, 2)->text(), GetStr(5030));

    CHECKED(showPage(editor, 4));
    EditorDriver::choose(child<QComboBox>(editor, "combox_SelectPort"), 1);
    EditorDriver::type(child<QLineEdit>(editor, "lineEdit_resptimeout"), QString::number(kRespTimeout));
    EditorDriver::type(child<QLineEdit>(editor, "lineEdit_delaypolls"), QString::number(kDelayPolls));

    CHECKED(showPage(editor, 6));
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
    Watchdog watchdog;

    QPointer<Config> watched(editor);
    Dialog_Load *load = openLoadDialog(editor);
    QVERIFY(load);
    QVERIFY(child<QRadioButton>(load, "rd1")->isChecked());
    child<QRadioButton>(load, "rd3")->click();
    child<QPushButton>(load, "bt_ok")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(watchdog.elapsed() < 8000, qPrintable(QString::number(watchdog.elapsed())));

    // The file dialog asked once; the kept password served the write.
    QCOMPARE(answerer->handled(), 1);
    QCOMPARE(spy.texts(), (QStringList{QStringLiteral("Save successfully!"), GetStr(15005)}));
    QVERIFY(watched.isNull());
    QVERIFY(!IsSave);

    // Password, block and keep-alive settings on one connection, nothing else.
    const QList<QJsonObject> frames = framesFrom(*m_sim, kIpA, before);
    QCOMPARE(commandsOf(frames), (QList<int>{7, 6, 14}));
    QCOMPARE(frames[1].value("conn"), frames[0].value("conn"));
    QCOMPARE(frames[2].value("conn"), frames[0].value("conn"));
    QCOMPARE(SimProcess::hex(frames[0]).toHex(), passwordFrame(kPasswordA).toHex());
    QCOMPARE(SimProcess::hex(frames[2]).toHex(), keepAliveFrame(true, kAliveTime).toHex());

    // The gateway holds what it had, with exactly the user's edits.
    const QByteArray held = m_sim->heldBlock(kIpA);
    QCOMPARE(held.left(4).toHex(), QByteArray("00000006"));
    PackedBlock expected;
    PackedBlock written;
    QVERIFY(splitPacked(m_blockRead, kPorts, expected));
    QVERIFY(splitPacked(held, kPorts, written));
    expected.common.replace(4, 20, nameField(kNewName));
    expected.common.replace(28, 4, QByteArray::fromHex("0a4d000c"));
    expected.serial[2].replace(0, 4, be32(kBaud115200));
    expected.serial[0][5] = char(kParityEven);
    expected.idMaps << QByteArray::fromHex("00000000") + be32(502) + be32(1) + QByteArray::fromHex("0a140105");
    expected.timing[1].replace(4, 8, be32(kRespTimeout) + be32(kDelayPolls));
    QVERIFY2(written == expected, qPrintable("written:\n" + describe(written) + "\nexpected:\n" + describe(expected)));

    // The file on disk carries the same edits.
    const auto settings = infSettings(m_file);
    QVERIFY(!settings.isEmpty());
    QCOMPARE(settings.first(), (QPair<QString, QString>{"Device_Mode", "HW-P04"}));
    QCOMPARE(valuesOf(settings, "Ethernet_Name"), QStringList{kNewName});
    QCOMPARE(valuesOf(settings, "IP_Address"), QStringList{kNewAddress});
    QCOMPARE(valuesOf(settings, "Port1_Check_Bit"), QStringList{"Even"});
    QCOMPARE(valuesOf(settings, "Port3_Baud_Rate"), QStringList{"115200"});
    QCOMPARE(valuesOf(settings, "Port2_Response_Timeout"), QStringList{QString::number(kRespTimeout)});
    QCOMPARE(valuesOf(settings, "ID_Mapping_Group_Number"), QStringList{QString::number(expected.idMaps.size())});
    QCOMPARE(valuesOf(settings, "TCP_Alive_Check_Time"), QStringList{QString::number(kAliveTime)});
    QCOMPARE(valuesOf(settings, "Password"), QStringList{kPasswordA});
}

void TstJourney::readBackShowsTheEdits()
{
    STEP_GUARD();
    const int row = rowOf(kIpA);
    auto *table = child<QTableWidget>(m_window.get(), "tableWidget");
    QVERIFY(table->item(row, CEquipment::Name));
    MessageSpy spy;
    {
        const auto answerer = answering(kPasswordA, QString());
        Watchdog watchdog;
        // A user's double click: press and release, then the second press.
        const QPoint centre = table->visualItemRect(table->item(row, CEquipment::Name)).center();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(answerer->handled(), 1);
        QVERIFY2(watchdog.elapsed() < 5000, qPrintable(QString::number(watchdog.elapsed())));
    }
    QCOMPARE(spy.texts(), QStringList());
    Config *editor = onlyEditor();
    QVERIFY(editor);

    // Every page shows what was written, read back from the gateway.
    CHECKED(showPage(editor, 1));
    QCOMPARE(child<QLineEdit>(editor, "lineEdit_Name")->text(), kNewName);
    QCOMPARE(child<MyIPCtrl>(editor, "ipCtrl_IP")->getIP(), kNewAddress);
    CHECKED(showPage(editor, 2));
    QCOMPARE(child<QComboBox>(editor, "m_parityCheck1")->currentIndex(), kParityEven);
    EditorDriver::choose(child<QComboBox>(editor, "comboBox_Select1"), 2);
    QCOMPARE(child<QComboBox>(editor, "m_baudRate1")->currentText(), QString::number(kBaud115200));
    CHECKED(showPage(editor, 3));
    const int mappings = editor->m_idMapCount;
    QVERIFY(mappings > 0);
    const QStringList lastRow = {child<QTableWidget>(editor, "page4_tab")->item(mappings - 1, 2)->text(),
                                 child<QTableWidget>(editor, "page4_tab")->item(mappings - 1, 3)->text()};
    QCOMPARE(lastRow, (QStringList{GetStr(5054).arg(2), QStringLiteral("10-20<->5-15")}));
    CHECKED(showPage(editor, 4));
    EditorDriver::choose(child<QComboBox>(editor, "combox_SelectPort"), 1);
    QCOMPARE(child<QLineEdit>(editor, "lineEdit_resptimeout")->text(), QString::number(kRespTimeout));
    QCOMPARE(child<QLineEdit>(editor, "lineEdit_delaypolls")->text(), QString::number(kDelayPolls));
    CHECKED(showPage(editor, 6));
    QCOMPARE(child<QLineEdit>(editor, "lineEdit_TcpAlive")->text(), QString::number(kAliveTime));

    // Only looking changes nothing: Cancel closes without asking to save.
    QPointer<Config> watched(editor);
    child<QPushButton>(editor, "bt_cancel")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(watched.isNull());
    QCOMPARE(spy.texts(), QStringList());
    QVERIFY(!IsSave);
}

void TstJourney::openFileAndDownloadToSecondGateway()
{
    STEP_GUARD();
    CHECKED(clickRow(rowOf(kIpB)));
    QCOMPARE(g_appointIpAddr, kIpB);
    const QByteArray heldByA = m_sim->heldBlock(kIpA);
    const int before = m_sim->tcpFrames(kIpB).size();
    MessageSpy spy;

    {
        const auto answerer = answering(QString(), m_file);
        Watchdog watchdog;
        child<QPushButton>(m_window.get(), "bt_Open")->click();
        QCOMPARE(answerer->handled(), 1);
        QVERIFY2(watchdog.elapsed() < 5000, qPrintable(QString::number(watchdog.elapsed())));
    }
    QCOMPARE(spy.texts(), QStringList());
    Config *editor = onlyEditor();
    QVERIFY(editor);
    QCOMPARE(editor->windowTitle(), QStringLiteral("journey.inf"));
    // Opening the file talks to no gateway.
    QCOMPARE(m_sim->tcpFrames(kIpB).size(), before);
    CHECKED(showPage(editor, 1));
    QCOMPARE(child<QLineEdit>(editor, "lineEdit_Name")->text(), kNewName);

    spy.answerNext(QMessageBox::Ok); // restart now
    const auto answerer = answering(kPasswordB, QString());
    Watchdog watchdog;
    QPointer<Config> watched(editor);
    Dialog_Load *load = openLoadDialog(editor);
    QVERIFY(load);
    child<QRadioButton>(load, "rd2")->click();
    child<QPushButton>(load, "bt_ok")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(watchdog.elapsed() < 8000, qPrintable(QString::number(watchdog.elapsed())));

    // A configuration from a file asks for the second gateway's own password.
    QCOMPARE(answerer->handled(), 1);
    QCOMPARE(spy.texts(), QStringList{GetStr(15005)});
    QVERIFY(watched.isNull());
    QVERIFY(m_sim->waitForLog([this](const QList<QJsonObject> &) { return !m_sim->events("restart", kIpB).isEmpty(); }));
    QVERIFY(m_sim->events("restart", kIpB).first().value("signature_ok").toBool());

    const QList<QJsonObject> frames = framesFrom(*m_sim, kIpB, before);
    QCOMPARE(commandsOf(frames), (QList<int>{7, 6, 14, 10}));
    QCOMPARE(SimProcess::hex(frames[0]).toHex(), passwordFrame(kPasswordB).toHex());
    QCOMPARE(frames[2].value("conn"), frames[1].value("conn"));
    QCOMPARE(frames[3].value("conn"), frames[1].value("conn"));
    QCOMPARE(SimProcess::hex(frames[2]).toHex(), keepAliveFrame(true, kAliveTime).toHex());

    // The second gateway now holds the first one's configuration, byte for byte.
    PackedBlock fromA;
    PackedBlock onB;
    QVERIFY(splitPacked(heldByA, kPorts, fromA));
    QVERIFY(splitPacked(m_sim->heldBlock(kIpB), kPorts, onB));
    QVERIFY2(onB == fromA, qPrintable("on B:\n" + describe(onB) + "\nfrom A:\n" + describe(fromA)));
    QCOMPARE(m_sim->heldBlock(kIpB).toHex(), heldByA.toHex());
}

void TstJourney::closePromptKeepsTheEdits()
{
    STEP_GUARD();
    QCOMPARE(g_appointIpAddr, kIpB);
    const QByteArray heldByB = m_sim->heldBlock(kIpB);
    MessageSpy spy;
    {
        const auto answerer = answering(kPasswordB, QString());
        child<QPushButton>(m_window.get(), "bt_Configure")->click();
        QCOMPARE(answerer->handled(), 1);
    }
    Config *editor = onlyEditor();
    QVERIFY(editor);
    CHECKED(showPage(editor, 1));
    EditorDriver::type(child<QLineEdit>(editor, "lineEdit_Name"), QStringLiteral("Journey-2"));

    // Cancel with a change: the prompt's Yes saves the edited configuration to the file in use.
    const int before = m_sim->tcpFrames(kIpB).size();
    int prompts = 0;
    GatewayBench::ModalAnswerer yes([&prompts](QWidget *modal) {
        auto *prompt = qobject_cast<Dialog_Save *>(modal);
        if (!prompt)
            return false;
        ++prompts;
        child<QPushButton>(prompt, "bt_yes")->click();
        return true;
    });
    Watchdog watchdog;
    QPointer<Config> watched(editor);
    child<QPushButton>(editor, "bt_cancel")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(watchdog.elapsed() < 5000, qPrintable(QString::number(watchdog.elapsed())));

    QCOMPARE(prompts, 1);
    QVERIFY(watched.isNull());
    QCOMPARE(spy.texts(), QStringList{QStringLiteral("Save successfully!")});
    const auto settings = infSettings(m_file);
    QCOMPARE(valuesOf(settings, "Ethernet_Name"), QStringList{QStringLiteral("Journey-2")});
    QCOMPARE(valuesOf(settings, "Device_Mode"), QStringList{QStringLiteral("HW-P04")});
    // Saving is not writing: the gateway was not touched and holds what it held.
    QCOMPARE(m_sim->tcpFrames(kIpB).size(), before);
    QCOMPARE(m_sim->heldBlock(kIpB).toHex(), heldByB.toHex());
}

void TstJourney::locateAndRemoteReset()
{
    STEP_GUARD();
    CHECKED(clickRow(rowOf(kIpA)));
    const QByteArray signature("Talvenor");
    MessageSpy spy;
    Watchdog watchdog;

    const int before = m_sim->tcpFrames(kIpA).size();
    child<QPushButton>(m_window.get(), "bt_Locate")->click();
    QVERIFY(m_sim->waitForLog([this](const QList<QJsonObject> &) { return !m_sim->events("locate", kIpA).isEmpty(); }));
    QCOMPARE(spy.texts(), QStringList());

    spy.answerNext(QMessageBox::Yes);
    child<QPushButton>(m_window.get(), "bt_Remotely_reset")->click();
    QVERIFY(m_sim->waitForLog([this](const QList<QJsonObject> &) { return !m_sim->events("restart", kIpA).isEmpty(); }));
    QCOMPARE(spy.texts(), QStringList{GetStr(15002)});
    QVERIFY2(watchdog.elapsed() < 5000, qPrintable(QString::number(watchdog.elapsed())));

    // One 16-byte frame per connection, each connection closed by the tool.
    const QList<QJsonObject> frames = framesFrom(*m_sim, kIpA, before);
    QCOMPARE(commandsOf(frames), (QList<int>{9, 10}));
    QCOMPARE(SimProcess::hex(frames[0]).toHex(), (QByteArray::fromHex("0000000900000008") + signature).toHex());
    QCOMPARE(SimProcess::hex(frames[1]).toHex(), (QByteArray::fromHex("0000000a00000008") + signature).toHex());
    QVERIFY(frames[0].value("conn") != frames[1].value("conn"));
    for (const QJsonObject &frame : frames) {
        const int conn = frame.value("conn").toInt();
        QVERIFY(m_sim->waitForLog([this, conn](const QList<QJsonObject> &) {
            for (const QJsonObject &e : m_sim->events("close", kIpA))
                if (e.value("conn").toInt() == conn)
                    return e.value("by") == "peer";
            return false;
        }));
    }
    // A reset keeps what the gateway holds.
    QVERIFY(!m_sim->heldBlock(kIpA).isEmpty());
}

void TstJourney::ipSearchAfterConfigureFindsTheGateway()
{
    STEP_GUARD();
    // The list refresh after a read keeps its local port; the search by address shares it.
    QCOMPARE(m_window->refreshSocket().state(), QAbstractSocket::BoundState);
    child<QPushButton>(m_window.get(), "bt_CappointIP")->click();
    QVERIFY(g_appointIpAddr.isEmpty());
    Dialog_SetIP *dialog = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<Dialog_SetIP *>(w); d && d->isVisible())
            dialog = d;
    QVERIFY(dialog);
    typeAddress(dialog, child<MyIPCtrl>(dialog, "frame_3"), kIpB);
    QCOMPARE(child<MyIPCtrl>(dialog, "frame_3")->getIP(), kIpB);
    MessageSpy spy;
    child<QPushButton>(dialog, "bt_ok")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 3000);

    QCOMPARE(spy.texts(), QStringList());
    QCOMPARE(g_appointIpAddr, kIpB);
    QCOMPARE(m_window->equipmentList().size(), 1);
    auto *table = child<QTableWidget>(m_window.get(), "tableWidget");
    const QStringList expected{"1", "Hall-B", "HW-P04", kIpB, kMacB, "2.1", "Encryption", "Allow configuration"};
    for (int c = 0; c < CEquipment::ColumnCount; ++c) {
        QVERIFY(table->item(0, c));
        QCOMPARE(table->item(0, c)->text(), expected[c]);
    }
    // Asked once, by unicast from the shared port.
    QCOMPARE(m_sim->udpReceived(kIpB).last().value("via").toString(), QStringLiteral("unicast"));
    QVERIFY(m_sim->udpReceived(kIpB).last().value("peer").toString().endsWith(":10002"));
}

void TstJourney::masterModeWrittenWithoutPriorityLists()
{
    STEP_GUARD();
    // The list now holds the second gateway alone.
    CHECKED(clickRow(0));
    QCOMPARE(g_appointIpAddr, kIpB);
    PackedBlock before;
    QVERIFY(splitPacked(m_sim->heldBlock(kIpB), kPorts, before));
    MessageSpy spy;
    {
        const auto answerer = answering(kPasswordB, QString());
        child<QPushButton>(m_window.get(), "bt_Configure")->click();
        QCOMPARE(answerer->handled(), 1);
    }
    Config *editor = onlyEditor();
    QVERIFY(editor);
    QVERIFY(pConfigure && !pConfigure->m_masters.isEmpty() && !pConfigure->m_requests.isEmpty());

    // Slave to master: the ID mappings go, after the question.
    spy.answerNext(QMessageBox::Yes);
    QTest::mouseClick(child<QRadioButton>(editor, "RD_RTU_Master"), Qt::LeftButton);
    QCOMPARE(spy.texts(), QStringList{"This operation will clear the ID Mapping, whether to continue?"});
    QCOMPARE(g_commMode, 1);
    QVERIFY(pConfigure->m_idMaps.isEmpty());

    // A master mode needs a mapping to a Modbus TCP server.
    CHECKED(showPage(editor, 3));
    typeAddress(editor, child<MyIPCtrl>(editor, "frame_12"), QStringLiteral("10.77.5.6"));
    child<QLineEdit>(editor, "lineEdit_min")->setText("1");
    child<QLineEdit>(editor, "lineEdit_max")->setText("10");
    child<QLineEdit>(editor, "lineEdit_offset")->setText("0");
    child<QPushButton>(editor, "bt_Add")->click();
    QCOMPARE(pConfigure->m_idMaps.size(), 1);

    spy.clear();
    spy.answerNext(QMessageBox::Cancel); // no restart now
    Watchdog watchdog;
    QPointer<Config> watched(editor);
    Dialog_Load *load = openLoadDialog(editor);
    QVERIFY(load);
    child<QRadioButton>(load, "rd2")->click();
    child<QPushButton>(load, "bt_ok")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(watchdog.elapsed() < 8000, qPrintable(QString::number(watchdog.elapsed())));
    QCOMPARE(spy.texts(), QStringList{GetStr(15005)});
    QVERIFY(watched.isNull());

    // Written in master mode: the one mapping, and no specified masters or requests,
    // which the configuration no longer holds either.
    PackedBlock expected = before;
    expected.common[3] = char(1);
    expected.idMaps = {QByteArray::fromHex("0a4d0506") + be32(502) + be32(0) + QByteArray::fromHex("010a0000")};
    expected.masters.clear();
    expected.requests.clear();
    PackedBlock written;
    QVERIFY(splitPacked(m_sim->heldBlock(kIpB), kPorts, written));
    QVERIFY2(written == expected, qPrintable("written:\n" + describe(written) + "\nexpected:\n" + describe(expected)));
    QVERIFY(pConfigure->m_masters.isEmpty());
    QVERIFY(pConfigure->m_requests.isEmpty());
}

QTEST_MAIN(TstJourney)
#include "tst_journey.moc"
