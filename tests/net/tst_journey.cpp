// One engineer's journey through the real main window, by clicks, against two simulated HW-P04 gateways with
// passwords in a throwaway network: search, read, edit, save and download, then open the file and download it to
// the second gateway. The bytes and lines each step produces are pinned by the core tables and the configuration
// I/O tests; here the windows hand the work on to each other, one step after the other.
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

template<typename T> T *child(QWidget *parent, const char *name) { return parent->findChild<T *>(QLatin1String(name)); }

// Answers the password and file dialogs of one step as the user would; no dialog is left open.
std::unique_ptr<ModalAnswerer> answering(const QString &password, const QString &file)
{
    return std::make_unique<ModalAnswerer>([password, file](QWidget *modal) {
        return answerPassword(modal, password) || answerFileDialog(modal, file);
    });
}

Config *onlyEditor() { return editors().size() == 1 ? editors().first() : nullptr; }

// OK, then `choice` in the dialog that follows; true when the editor closed.
bool download(Config *editor, const char *choice)
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
} // namespace

class TstJourney : public QObject
{
    Q_OBJECT

    NetLab m_lab;
    std::unique_ptr<MainWindow> m_window;

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

private Q_SLOTS:
    void journey()
    {
        QVERIFY2(m_lab.up(NetLab::Topology{}), qPrintable(m_lab.errorText()));
        const auto gateway = [](const QString &ip, const char *name, const char *password) {
            return QJsonObject{{"ip", ip}, {"model", 130400}, {"name", name}, {"password", password}};
        };
        SimProcess *sim = m_lab.startSimulator(QJsonObject{{"gateways", QJsonArray{gateway(kIpA, "Hall-A", "Gate4A"), gateway(kIpB, "Hall-B", "Gate4B")}}});
        QVERIFY2(sim, qPrintable(m_lab.errorText()));
        m_window = std::make_unique<MainWindow>();
        m_window->netTimer()->stop(); // the reachability look-up has nothing to do with this journey
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("journey.inf"));
        MessageSpy spy;

        // The search lists both gateways; every local address belongs to the lab, so the broadcast cannot leave it.
        QVERIFY(m_lab.inPcNamespace());
        QTest::mouseClick(child<QPushButton>(m_window.get(), "bt_Search"), Qt::LeftButton);
        QStringList listed;
        for (const CEquipment *e : m_window->equipmentList())
            listed << e->m_ip;
        listed.sort();
        QCOMPARE(listed, (QStringList{kIpA, kIpB}));
        QVERIFY(!child<QPushButton>(m_window.get(), "bt_Configure")->isEnabled()); // until a row is chosen

        // Configure reads the first gateway with its password.
        QVERIFY(select(kIpA));
        auto answerer = answering(QStringLiteral("Gate4A"), QString());
        QTest::mouseClick(child<QPushButton>(m_window.get(), "bt_Configure"), Qt::LeftButton);
        QVERIFY(answerer->handled() == 1 && spy.texts().isEmpty() && onlyEditor());
        QCOMPARE(commands(*sim, kIpA), (QList<int>{7, 5, 13}));
        child<QTabWidget>(onlyEditor(), "tabWidget")->setCurrentIndex(1);
        auto *name = child<QLineEdit>(onlyEditor(), "lineEdit_Name");
        QCOMPARE(name->text(), QStringLiteral("Hall-A"));

        // Save and download: the kept password serves the write; the file dialog asks once.
        name->setText(QStringLiteral("Journey-1"));
        QTest::keyClick(name, Qt::Key_Return);
        spy.answerNext(QMessageBox::Ok); // "Save successfully!"
        spy.answerNext(QMessageBox::Cancel); // no restart now
        answerer = answering(QString(), file);
        QVERIFY(download(onlyEditor(), "rd3"));
        QCOMPARE(answerer->handled(), 1);
        QCOMPARE(spy.texts(), (QStringList{QStringLiteral("Save successfully!"), GetStr(15005)}));
        QCOMPARE(commands(*sim, kIpA).mid(3), (QList<int>{7, 6, 14}));
        QCOMPARE(sim->heldBlock(kIpA).mid(12, 10), QByteArray("Journey-1\0", 10));
        QVERIFY(fileBytes(file).contains("Ethernet_Name\tJourney-1\n"));

        // The file opens without talking to a gateway; downloaded to the second one it asks for that gateway's own
        // password, and the gateway restarts when told to.
        QVERIFY(select(kIpB));
        spy.clear();
        answerer = answering(QString(), file);
        child<QPushButton>(m_window.get(), "bt_Open")->click();
        QVERIFY(answerer->handled() == 1 && spy.texts().isEmpty() && onlyEditor());
        QCOMPARE(onlyEditor()->windowTitle(), QStringLiteral("journey.inf"));
        QCOMPARE(commands(*sim, kIpB), QList<int>());
        spy.answerNext(QMessageBox::Ok); // restart now
        answerer = answering(QStringLiteral("Gate4B"), QString());
        QVERIFY(download(onlyEditor(), "rd2"));
        QCOMPARE(answerer->handled(), 1);
        QCOMPARE(spy.texts(), QStringList{GetStr(15005)});
        QVERIFY(sim->waitForLog([&](const QList<QJsonObject> &) { return !sim->events("restart", kIpB).isEmpty(); }));
        QCOMPARE(commands(*sim, kIpB), (QList<int>{7, 6, 14, 10}));
        QCOMPARE(sim->heldBlock(kIpB).toHex(), sim->heldBlock(kIpA).toHex()); // byte for byte
    }

    void cleanupTestCase()
    {
        closeEditors();
        for (Dialog_Load *load : visible<Dialog_Load>())
            load->close();
        m_window.reset();
        g_Server().abort();
        m_lab.down();
    }
};

NETLAB_TEST_MAIN(TstJourney)
#include "tst_journey.moc"
