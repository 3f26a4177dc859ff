// Gateways that misbehave in discovery, met by the real search inside a
// throwaway network (the test moves into the lab's pc namespace before any
// search, so no broadcast leaves the lab): the search ends within its ticks,
// lists what it can, and leaves the configuration and its file alone.
#include "app/mainwindow.h"
#include "config/blockwriter.h"
#include "config/configure.h"
#include "config/globals.h"
#include "discovery/equipment.h"
#include "editor/config.h"
#include "support/gatewaybench.h"
#include "support/messagespy.h"
#include "support/netlab.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QSet>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

class TstHostileSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void floodOfAnswers_data();
    void floodOfAnswers();
    void floodOfRefreshAnswers();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
};

using GatewayBench::fileBytes;
using GatewayBench::snapshot;

namespace {

// A search asks at most 8 times, 300 ms apart; each ask may block up to
// 2000 ms writing and 2000 ms waiting when nothing answers. Answers come here,
// so one wait at most, plus room for the sanitizers and the table.
constexpr int TickMs = 300;
constexpr int Ticks = 8;
constexpr int WaitMs = 2000;
constexpr int MarginMs = 3000;

const QByteArray kFileBytes("Device_Mode\tHW-P04\nTransmission_Mode\t\tRTU_Master\n");

std::unique_ptr<MainWindow> newWindow()
{
    auto w = std::make_unique<MainWindow>();
    for (QTimer *t : w->findChildren<QTimer *>())
        t->stop();
    return w;
}

// Presses "Search Equipment" (inside the lab only); a watchdog closes the
// progress dialog should the search never end, and the bound then fails.
qint64 search(MainWindow &w)
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    watchdog.start(30000);
    QElapsedTimer clock;
    clock.start();
    w.on_bt_Search_clicked();
    return clock.elapsed();
}

QString cell(MainWindow &w, int row, int column)
{
    const QTableWidgetItem *item = w.findChild<QTableWidget *>(QStringLiteral("tableWidget"))->item(row, column);
    return item ? item->text() : QStringLiteral("<no item>");
}

} // namespace

#define LAB_UP(lab)                                                                                                  \
    if (!NetLab::unavailableReason().isEmpty())                                                                      \
        QSKIP(qPrintable(NetLab::unavailableReason()));                                                             \
    NetLab lab;                                                                                                      \
    QVERIFY2(lab.up({}), qPrintable(lab.errorText()));                                                               \
    QVERIFY(lab.inPcNamespace())

void TstHostileSearch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_file = m_dir->filePath(QStringLiteral("plant.inf"));
    QFile f(m_file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(kFileBytes);
    f.close();
    savefilename = m_file;
    auto *c = new CConfigure;
    c->m_modelCode = 130400;
    c->m_name = QStringLiteral("Working copy");
    c->m_ip = QStringLiteral("192.168.7.20");
    installConfigure(c);
    g_commMode = 2;
}

void TstHostileSearch::cleanup()
{
    installConfigure(nullptr);
    savefilename.clear();
    g_commMode = 0;
    m_dir.reset();
}

void TstHostileSearch::floodOfAnswers_data()
{
    QTest::addColumn<bool>("distinct"); // every copy speaks for another address
    QTest::newRow("one gateway's answer thousands of times") << false;
    QTest::newRow("thousands of made-up devices") << true;
}

void TstHostileSearch::floodOfAnswers()
{
    QFETCH(bool, distinct);
    LAB_UP(lab);
    // Each request of the search is answered 3000 times within one second.
    constexpr int Copies = 3000;
    constexpr int WithinMs = 1000;
    SimProcess *sim = lab.startSimulator(QJsonObject{{"gateways", QJsonArray{
        QJsonObject{{"ip", "10.77.0.2"}, {"model", 130400},
                    {"faults", QJsonObject{{"udp_repeat", Copies}, {"udp_repeat_within_ms", WithinMs},
                                           {"udp_repeat_vary_ip", distinct}, {"answer_ip", "10.80.0.0"}}}},
        QJsonObject{{"ip", "10.77.0.3"}, {"model", 130200}, {"name", "Plain"}}}}});
    QVERIFY2(sim, qPrintable(lab.errorText()));
    auto w = newWindow();
    const QByteArray before = snapshot();
    MessageSpy spy;

    const qint64 elapsed = search(*w);
    qInfo("took %lld ms, %d listed", elapsed, int(w->equipmentList().size()));

    // The flood may hold one ask for its whole second.
    QVERIFY2(elapsed < Ticks * TickMs + WithinMs + WaitMs + MarginMs, qPrintable(QString::number(elapsed)));
    QVERIFY(spy.shown().isEmpty());
    QSet<QString> ips;
    QSet<QString> numbers;
    for (const CEquipment *e : w->equipmentList()) {
        ips.insert(e->m_ip);
        numbers.insert(e->m_number);
    }
    const int listed = w->equipmentList().size();
    // One entry per address, numbered 1 to n, the quiet gateway among them.
    QCOMPARE(ips.size(), listed);
    QCOMPARE(numbers.size(), listed);
    QVERIFY(numbers.contains(QString::number(listed)));
    QVERIFY(ips.contains(QStringLiteral("10.77.0.3")));
    QVERIFY(ips.contains(QStringLiteral("10.80.0.0")));
    if (distinct) {
        QVERIFY2(listed > 2, qPrintable(QString::number(listed)));
        QVERIFY(listed <= Copies * Ticks + 1);
        for (const QString &ip : ips)
            QVERIFY2(ip == QLatin1String("10.77.0.3") || ip.startsWith(QLatin1String("10.80.")), qPrintable(ip));
    } else {
        QCOMPARE(listed, 2);
    }
    QCOMPARE(cell(*w, listed - 1, 0), QString::number(listed));
    QCOMPARE(snapshot(), before);
    QCOMPARE(g_commMode, 2);
    QCOMPARE(fileBytes(m_file), kFileBytes);
}

void TstHostileSearch::floodOfRefreshAnswers()
{
    LAB_UP(lab);
    // A long list from an earlier search; the gateway read answers the
    // refresh after the read 3000 times within a second, with a name that
    // has no zero byte.
    constexpr int Listed = 400;
    constexpr int Copies = 3000;
    constexpr int WithinMs = 1000;
    const QByteArray name = QByteArray::fromHex("c4d6dce9ff") + QByteArray(15, 'x');
    SimProcess *sim = lab.startSimulator(QJsonObject{{"gateways", QJsonArray{QJsonObject{
        {"ip", "10.77.0.2"}, {"model", 130400}, {"firmware", "2.3"},
        {"faults", QJsonObject{{"udp_repeat", Copies}, {"udp_repeat_within_ms", WithinMs},
                               {"name_hex", QString::fromLatin1(name.toHex())}}}}}}});
    QVERIFY2(sim, qPrintable(lab.errorText()));
    QList<GatewayBench::Gateway> gateways{GatewayBench::Gateway(QStringLiteral("10.77.0.2"), 130400)};
    for (int i = 1; i < Listed; ++i)
        gateways << GatewayBench::Gateway(QStringLiteral("10.81.%1.%2").arg(i / 200).arg(i % 200 + 1), 130200);
    auto w = GatewayBench::window(gateways);
    GatewayBench::select(*w, 0);
    MessageSpy spy;

    w->OnConfigure();
    QCOMPARE(spy.texts(), QStringList());
    QCOMPARE(GatewayBench::editors().size(), 1);
    // The window keeps answering while the flood lasts.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestStall = qMax(longestStall, sinceTick.restart()); });
    ticker.start(20);
    sinceTick.start();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < WithinMs + 1000)
        QTest::qWait(50);
    longestStall = qMax(longestStall, sinceTick.elapsed());
    qInfo("longest stall %lld ms", longestStall);
    GatewayBench::closeEditors();

    QVERIFY(sim->waitForLog([&](const QList<QJsonObject> &) { return !sim->events("udp_repeat").isEmpty(); }, 3000));
    QVERIFY2(longestStall < 1000, qPrintable(QString::number(longestStall)));
    QCOMPARE(w->equipmentList().size(), Listed);
    const CEquipment *refreshed = w->equipmentList().first();
    QCOMPARE(refreshed->m_name, QString::fromLatin1(name));
    QCOMPARE(refreshed->m_firmware, QStringLiteral("2.3"));
    QCOMPARE(refreshed->m_number, QStringLiteral("1"));
    QCOMPARE(cell(*w, 0, 1), QString::fromLatin1(name));
    QCOMPARE(cell(*w, Listed - 1, 3), gateways.last().ip);
}

QTEST_MAIN(TstHostileSearch)
#include "tst_hostile_search.moc"
