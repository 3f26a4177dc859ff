// One engineer's journey through the real main window, by clicks, against two simulated HW-P04 gateways with
// passwords in a throwaway network: search, read, edit, save and download, then open the file and download it to
// the second gateway. The bytes and lines each step produces are pinned by the core tables and the configuration
// I/O tests; here the windows hand the work on to each other. Each step builds on the one before, so a failed
// step skips the rest.
#include "app/mainwindow.h"
#include "config/globals.h"
#include "editor/config.h"
#include "editor/dialog_load.h"
#include "messages/messagetable.h"
#include "support/gatewaybench.h"
#include "support/messagespy.h"
#include "support/netlab.h"
#include "support/simprocess.h"

#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace GatewayBench;

namespace {
const QString kIpA = QStringLiteral("10.77.0.2"), kIpB = QStringLiteral("10.77.0.3");
const QString kPasswordA = QStringLiteral("Gate4A"), kPasswordB = QStringLiteral("Gate4B");

template<typename T> T *child(QWidget *parent, const char *name) { return parent->findChild<T *>(QLatin1String(name)); }

QList<int> commandsOf(const QList<QJsonObject> &frames)
{
    QList<int> commands;
    for (const QJsonObject &frame : frames)
        commands << frame.value("cmd").toInt();
    return commands;
}

// Answers the password and file dialogs of one step as the user would; no dialog is left open.
std::unique_ptr<ModalAnswerer> answering(const QString &password, const QString &file)
{
    return std::make_unique<ModalAnswerer>([password, file](QWidget *modal) {
        return answerPassword(modal, password) || answerFileDialog(modal, file);
    });
}
} // namespace

#define STEP_GUARD()                                                                                                 \
    if (m_broken || !m_window || !m_sim)                                                                             \
    QSKIP("an earlier step of the journey failed")

class TstJourney : public QObject
{
    Q_OBJECT

    NetLab m_lab;
    SimProcess *m_sim = nullptr;
    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_dir;
    QString m_file = m_dir.filePath(QStringLiteral("journey.inf"));
    bool m_broken = false;

    // Clicks the gateway's row; true when it became the chosen gateway.
    bool select(const QString &ip)
    {
        const QVector<CEquipment *> &list = m_window->equipmentList();
        const auto found = std::find_if(list.cbegin(), list.cend(), [&](const CEquipment *e) { return e->m_ip == ip; });
        auto *table = child<QTableWidget>(m_window.get(), "tableWidget");
        QTableWidgetItem *item = found == list.cend() ? nullptr : table->item(int(found - list.cbegin()), CEquipment::Name);
        if (item)
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(item).center());
        return item && g_appointIpAddr == ip;
    }
    static Config *onlyEditor() { return editors().size() == 1 ? editors().first() : nullptr; }
    // OK, then `choice` in the dialog that follows; true when the editor closed.
    static bool download(Config *editor, const char *choice)
    {
        QPointer<Config> watched(editor);
        child<QPushButton>(editor, "bt_ok")->click();
        const QList<Dialog_Load *> load = visible<Dialog_Load>();
        if (load.size() != 1)
            return false;
        child<QRadioButton>(load.first(), choice)->click();
        child<QPushButton>(load.first(), "bt_ok")->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return watched.isNull();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_lab.up(NetLab::Topology{}), qPrintable(m_lab.errorText()));
        const auto gateway = [](const QString &ip, const char *name, const QString &password) {
            return QJsonObject{{"ip", ip}, {"model", 130400}, {"name", name}, {"password", password}};
        };
        m_sim = m_lab.startSimulator(QJsonObject{{"gateways", QJsonArray{gateway(kIpA, "Hall-A", kPasswordA), gateway(kIpB, "Hall-B", kPasswordB)}}});
        QVERIFY2(m_sim, qPrintable(m_lab.errorText()));
        m_window = std::make_unique<MainWindow>();
        m_window->netTimer()->stop(); // the reachability look-up has nothing to do with this journey
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_broken = m_broken || QTest::currentTestFailed(); }
    void cleanupTestCase()
    {
        closeEditors();
        for (Dialog_Load *load : visible<Dialog_Load>())
            load->close();
        m_window.reset();
        g_Server().abort();
        m_lab.down();
    }

    void searchListsBothGateways()
    {
        STEP_GUARD();
        QVERIFY(m_lab.inPcNamespace()); // every local address belongs to the lab: the broadcast cannot leave it
        QTest::mouseClick(child<QPushButton>(m_window.get(), "bt_Search"), Qt::LeftButton);
        QStringList listed;
        for (const CEquipment *e : m_window->equipmentList())
            listed << e->m_ip;
        listed.sort();
        QCOMPARE(listed, (QStringList{kIpA, kIpB}));
        QVERIFY(!child<QPushButton>(m_window.get(), "bt_Configure")->isEnabled()); // until a row is chosen
    }

    void configureReadsWithThePassword()
    {
        STEP_GUARD();
        QVERIFY(select(kIpA));
        MessageSpy spy;
        const auto answerer = answering(kPasswordA, QString());
        QTest::mouseClick(child<QPushButton>(m_window.get(), "bt_Configure"), Qt::LeftButton);
        QVERIFY(answerer->handled() == 1 && spy.texts().isEmpty() && onlyEditor());
        QCOMPARE(commandsOf(m_sim->tcpFrames(kIpA)), (QList<int>{7, 5, 13}));
        child<QTabWidget>(onlyEditor(), "tabWidget")->setCurrentIndex(1);
        QCOMPARE(child<QLineEdit>(onlyEditor(), "lineEdit_Name")->text(), QStringLiteral("Hall-A"));
    }

    // The kept password serves the write; the file dialog asks once.
    void saveAndDownloadWritesGatewayAndFile()
    {
        STEP_GUARD();
        Config *editor = onlyEditor();
        QVERIFY(editor);
        child<QLineEdit>(editor, "lineEdit_Name")->setText(QStringLiteral("Journey-1"));
        QTest::keyClick(child<QLineEdit>(editor, "lineEdit_Name"), Qt::Key_Return);
        const int before = m_sim->tcpFrames(kIpA).size();
        MessageSpy spy;
        spy.answerNext(QMessageBox::Ok); // "Save successfully!"
        spy.answerNext(QMessageBox::Cancel); // no restart now
        const auto answerer = answering(QString(), m_file);
        QVERIFY(download(editor, "rd3"));
        QCOMPARE(answerer->handled(), 1);
        QCOMPARE(spy.texts(), (QStringList{QStringLiteral("Save successfully!"), GetStr(15005)}));
        QCOMPARE(commandsOf(m_sim->tcpFrames(kIpA).mid(before)), (QList<int>{7, 6, 14}));
        QCOMPARE(m_sim->heldBlock(kIpA).mid(12, 10), QByteArray("Journey-1\0", 10));
        QVERIFY(fileBytes(m_file).contains("Ethernet_Name\tJourney-1\n"));
    }

    // A configuration from a file asks for the second gateway's own password; the gateway restarts when told to.
    void openFileAndDownloadToSecondGateway()
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
        QVERIFY(spy.texts().isEmpty() && onlyEditor());
        QCOMPARE(onlyEditor()->windowTitle(), QStringLiteral("journey.inf"));
        QCOMPARE(m_sim->tcpFrames(kIpB).size(), before); // opening talks to no gateway
        spy.answerNext(QMessageBox::Ok); // restart now
        const auto answerer = answering(kPasswordB, QString());
        QVERIFY(download(onlyEditor(), "rd2"));
        QCOMPARE(answerer->handled(), 1);
        QCOMPARE(spy.texts(), QStringList{GetStr(15005)});
        QVERIFY(m_sim->waitForLog([&](const QList<QJsonObject> &) { return !m_sim->events("restart", kIpB).isEmpty(); }));
        QCOMPARE(commandsOf(m_sim->tcpFrames(kIpB).mid(before)), (QList<int>{7, 6, 14, 10}));
        QCOMPARE(m_sim->heldBlock(kIpB).toHex(), m_sim->heldBlock(kIpA).toHex()); // byte for byte
    }
};

NETLAB_TEST_MAIN(TstJourney)
#include "tst_journey.moc"
