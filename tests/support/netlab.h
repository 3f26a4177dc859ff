#pragma once

#include "support/simprocess.h"

#include <QApplication>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <vector>

// A throwaway network for broadcast tests. up() creates a "pc" namespace and
// a "gw" namespace joined by a veth pair, optionally a "void" namespace behind
// a second veth for addresses where nothing answers, optionally a routed
// segment behind a router namespace, and moves the calling
// thread into the pc namespace; down() (also the destructor) moves it back and
// deletes everything. Create every socket after up() so that it lives in the
// pc namespace. A test file that needs the lab ends with NETLAB_TEST_MAIN.
//
//     NetLab lab;
//     QVERIFY2(lab.up({}), qPrintable(lab.errorText()));
//     SimProcess *sim = lab.startSimulator(config);
class NetLab
{
public:
    struct Topology
    {
        // On the pc end of the veth into the gateways' namespace.
        QStringList pcAddresses{QStringLiteral("10.77.0.1")};
        // On a second veth whose other end sits alone in the "void" namespace.
        QStringList silentAddresses;
        // On the gateways' end of the veth; the simulator binds these.
        // Every address of these three lists is given a /16 prefix.
        QStringList gatewayAddresses{QStringLiteral("10.77.0.2"), QStringLiteral("10.77.0.3")};
        // Addresses in 10.79.0.0/24 on a "far" namespace behind a "router"
        // namespace that forwards between it and the pc (pc 10.76.0.1, router
        // 10.76.0.2 and 10.79.0.1): unicast reaches them, a broadcast does not.
        QStringList routedAddresses;
    };

    NetLab() = default;
    ~NetLab() { down(); }
    NetLab(const NetLab &) = delete;
    NetLab &operator=(const NetLab &) = delete;

    // Exit code of a test that cannot build its lab here; CTest reports it as skipped.
    static constexpr int SkipCode = 77;

    // Empty when namespaces can be built here, else why not.
    static QString unavailableReason();

    // False (with errorText()) when any step failed; everything built so far
    // is removed again and the thread is back in its own namespace.
    bool up(const Topology &topology);
    void down();
    // True while the calling thread is in this lab's pc namespace.
    bool inPcNamespace() const;
    QString errorText() const { return m_error; }

    // Runs the simulator inside the gateways' namespace, or the far one behind
    // the router; owned by the lab, null (with errorText()) when it did not start.
    SimProcess *startSimulator(const QJsonObject &config, bool routed = false, SimProcess::Log log = SimProcess::Log::Kept);

private:
    QString m_pc;
    QString m_gw;
    QString m_void;
    QString m_router;
    QString m_far;
    QStringList m_created;
    int m_originalNs = -1;
    bool m_up = false;
    QString m_error;
    std::vector<std::unique_ptr<SimProcess>> m_sims;
};

// QTEST_MAIN for the tests that need the lab: where namespaces cannot be built
// it says why and exits with NetLab::SkipCode, so the run counts as skipped
// rather than passed (a QSKIP alone exits with 0). NETLAB_TEST_MAIN_APP names
// the application class, for a test that runs without widgets.
#define NETLAB_TEST_MAIN(TestObject) NETLAB_TEST_MAIN_APP(TestObject, QApplication)
#define NETLAB_TEST_MAIN_APP(TestObject, Application)                                                                \
    int main(int argc, char *argv[])                                                                                 \
    {                                                                                                                \
        Application app(argc, argv);                                                                                 \
        if (const QString why = NetLab::unavailableReason(); !why.isEmpty()) {                                       \
            std::fprintf(stderr, "SKIP: %s\n", qPrintable(why));                                                     \
            return NetLab::SkipCode;                                                                                 \
        }                                                                                                            \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                     \
        TestObject tc;                                                                                               \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                   \
        return QTest::qExec(&tc, argc, argv);                                                                        \
    }
