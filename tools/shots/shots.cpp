// Renders each window of the tool offscreen into <dir>/<name>.png, and the
// HW-P04 firmware warning of a download to a loopback listener.
// Usage: shots <dir>   (run with QT_QPA_PLATFORM=offscreen)
// No window sends anything: the reachability timer is stopped, and the search
// progress dialog is built for no addresses, so it has no socket to send from.

#include "app/applook.h"
#include "app/dialog_help.h"
#include "app/mainwindow.h"
#include "app/mydialog.h"
#include "config/configure.h"
#include "config/globals.h"
#include "discovery/equipment.h"
#include "discovery/wait.h"
#include "editor/config.h"
#include "editor/dialog_load.h"
#include "editor/dialog_save.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"

// Dialogs still being written are shot once their headers are in the tree.
#if __has_include("diagnostics/communication_test.h")
#include "diagnostics/communication_test.h"
#define SHOT_COMMUNICATION_TEST 1
#endif
#if __has_include("discovery/dialog_setip.h")
#include "discovery/dialog_setip.h"
#define SHOT_SETIP 1
#endif
#if __has_include("config/selectdevice.h")
#include "config/selectdevice.h"
#define SHOT_SELECTDEVICE 1
#endif
#if __has_include("config/dialog_password.h")
#include "config/dialog_password.h"
#define SHOT_PASSWORD 1
#endif

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTcpServer>
#include <QTimer>

#include <cstdio>
#include <utility>

namespace {

QString g_dir;
int g_failures = 0;

void save(QWidget *window, const QString &name)
{
    window->show();
    QCoreApplication::processEvents();
    const QString path = QDir(g_dir).filePath(name + QStringLiteral(".png"));
    if (!window->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++g_failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

CEquipment *sample(int n, const QString &model, const QString &ip, bool password)
{
    auto *e = new CEquipment;
    e->m_number = QString::number(n);
    e->m_name = model == GetStr(8000) ? GetStr(8001) : QStringLiteral("Line-%1").arg(n);
    e->m_model = model;
    e->m_ip = ip;
    e->m_mac = QStringLiteral("00-1a-2b-3c-4d-%1").arg(n, 2, 10, QLatin1Char('0'));
    e->m_firmware = QStringLiteral("1.10");
    e->m_password = GetStr(password ? 8002 : 8003);
    e->m_status = GetStr(8004);
    return e;
}

void shootMainWindow()
{
    MainWindow window;
    window.netTimer()->stop();
    save(&window, QStringLiteral("mainwindow-empty"));
    window.equipmentList() << sample(1, QStringLiteral("HW-P04"), QStringLiteral("192.168.1.10"), true)
                           << sample(2, QStringLiteral("KX500-DL-2RS"), QStringLiteral("192.168.1.11"), false)
                           << sample(3, GetStr(8000), QStringLiteral("192.168.1.12"), false);
    window.fillTable();
    window.on_tableWidget_cellClicked(0, 0);
    save(&window, QStringLiteral("mainwindow-devices"));

    Wait wait(&window, 0);
    save(&wait, QStringLiteral("wait"));
}

void shootGuide()
{
    Dialog_help guide;
    for (int page = 1; page <= Dialog_help::PageCount; ++page) {
        save(&guide, QStringLiteral("guide-page%1").arg(page));
        guide.findChild<QPushButton *>(QStringLiteral("bt_next"))->click();
    }
}

void shootEditor()
{
    auto *configure = new CConfigure;
    configure->m_modelCode = 130400;
    configure->m_name = QStringLiteral("Line-1");
    configure->m_ip = QStringLiteral("192.168.1.10");
    configure->m_mask = QStringLiteral("255.255.255.0");
    configure->m_gateway = QStringLiteral("192.168.1.1");
    configure->m_dns1 = QStringLiteral("0.0.0.0");
    configure->m_dns2 = QStringLiteral("0.0.0.0");
    configure->m_advance.m_highPort = QStringLiteral("502");
    configure->m_advance.m_aliveTime = 8;
    configure->m_advance.m_limitOn[0] = true;
    configure->m_advance.m_limitLow[0] = QStringLiteral("192.168.1.1");
    configure->m_advance.m_limitHigh[0] = QStringLiteral("192.168.1.99");
    for (CSerialPort &port : configure->m_serial) {
        port.m_baudRate = 3; // 9600
        port.m_dataBits = 8;
        port.m_charInterval = 10;
        port.m_respTimeout = 300;
    }
    // Two slave ranges on two ports, the second shifted down by 10.
    configure->m_idMaps << new CIDMap{QStringLiteral("0.0.0.0"), QStringLiteral("502"), 0, 1, 10, false, 0}
                        << new CIDMap{QStringLiteral("0.0.0.0"), QStringLiteral("502"), 1, 11, 20, true, 10};
    installConfigure(configure);
    Mode = QStringLiteral("HW-P04");
    {
        Config editor;
        auto *tabs = editor.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        const int pages = tabs ? tabs->count() : 1;
        for (int i = 0; i < pages; ++i) {
            if (tabs)
                tabs->setCurrentIndex(i);
            save(&editor, QStringLiteral("editor-page%1").arg(i + 1));
        }
        editor.hide();
    }
    installConfigure(nullptr);
}

// The HW-P04 firmware warning comes up in a real download once the gateway
// took the connection: a listener on a loopback address no test uses stands
// in for the gateway, and the first box the download shows is shot.
void shootDownloadWarning()
{
    const QHostAddress loopback(QStringLiteral("127.251.0.1"));
    QTcpServer gateway;
    if (!gateway.listen(loopback, 18801)) {
        std::fprintf(stderr, "no listener for the download warning: %s\n", qPrintable(gateway.errorString()));
        ++g_failures;
        return;
    }
    auto *configure = new CConfigure;
    configure->m_modelCode = 130400;
    configure->m_advance.m_highPort = QStringLiteral("502");
    for (int i = 0; i < 6; ++i)
        configure->m_idMaps << new CIDMap{QStringLiteral("0.0.0.0"), QStringLiteral("502"), 0, 1, 1, false, 0};
    installConfigure(configure);
    software = QStringLiteral("1.1");
    g_appointIpAddr = loopback.toString();
    IsTrue = false; // no password, so no password dialog to wait for
    bool shot = false;
    Msg::setResponder([&shot](const Msg::Shown &box) {
        if (!std::exchange(shot, true)) {
            QMessageBox shown(QMessageBox::Warning, box.title, box.text, box.buttons);
            save(&shown, QStringLiteral("download-warning"));
        }
        return QMessageBox::Ok; // the silent listener then fails the write, which is not shot
    });
    {
        Config editor;
        editor.setAttribute(Qt::WA_DeleteOnClose, false);
        editor.Download();
    }
    Msg::setResponder({});
    installConfigure(nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: shots <output directory>\n");
        return 2;
    }
    g_dir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_dir)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    applyApplicationLook(app);

    shootMainWindow();
    shootGuide();
    {
        MyDialog about;
        save(&about, QStringLiteral("about"));
    }
#ifdef SHOT_COMMUNICATION_TEST
    {
        Communication_Test test;
        save(&test, QStringLiteral("communication-test"));
    }
#endif
#ifdef SHOT_SETIP
    {
        Dialog_SetIP search;
        save(&search, QStringLiteral("ip-search"));
    }
#endif
#ifdef SHOT_SELECTDEVICE
    {
        SelectDevice chooser;
        save(&chooser, QStringLiteral("select-device"));
    }
#endif
#ifdef SHOT_PASSWORD
    {
        Dialog_Password password;
        save(&password, QStringLiteral("password"));
    }
#endif
    {
        Dialog_Save prompt;
        save(&prompt, QStringLiteral("editor-save"));
        Dialog_Load chooser;
        save(&chooser, QStringLiteral("editor-load"));
    }
    shootEditor();
    shootDownloadWarning();
    return g_failures == 0 ? 0 : 1;
}
