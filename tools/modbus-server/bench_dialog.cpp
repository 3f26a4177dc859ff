// modbus-bench-dialog: sends read-holding-registers requests through the
// communication test window's own send path (build, write, wait, read, judge)
// over its one kept connection, and times each send.
//
//   modbus-bench-dialog --port P [--address 127.x.y.z] [--count N] [--start A] [--quantity Q]

#include "app/myipctrl.h"
#include "diagnostics/communication_test.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QString address = QStringLiteral("127.0.0.1");
    int port = 0;
    int count = 2000;
    QString start = QStringLiteral("0");
    QString quantity = QStringLiteral("10");
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--port"))
            port = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--address"))
            address = args[i + 1];
        else if (args[i] == QLatin1String("--count"))
            count = std::clamp(args[i + 1].toInt(), 1, 1000000);
        else if (args[i] == QLatin1String("--start"))
            start = args[i + 1];
        else if (args[i] == QLatin1String("--quantity"))
            quantity = args[i + 1];
    }
    bool loopback = false;
    const QHostAddress host(address);
    if (!host.isNull() && host.protocol() == QAbstractSocket::IPv4Protocol)
        loopback = (host.toIPv4Address() >> 24) == 127;
    if (port <= 0 || !loopback) {
        std::fprintf(stderr, "error: needs --port and a 127.0.0.0/8 address\n");
        return 2;
    }

    // A failure shows its text here instead of a box nobody can press.
    Msg::setResponder([](const Msg::Shown &shown) {
        std::fprintf(stderr, "message: %s\n", qPrintable(shown.text));
        return QMessageBox::Ok;
    });

    Communication_Test window;
    window.findChild<MyIPCtrl *>(QStringLiteral("frame_2"))->setIP(address);
    window.findChild<QLineEdit *>(QStringLiteral("lineEdit_Port"))->setText(QString::number(port));
    window.findChild<QComboBox *>(QStringLiteral("comboBox"))->setCurrentIndex(2);
    window.findChild<QLineEdit *>(QStringLiteral("lineEdit_StartAddress"))->setText(start);
    window.findChild<QLineEdit *>(QStringLiteral("lineEdit_number"))->setText(quantity);
    QPushButton *send = window.findChild<QPushButton *>(QStringLiteral("bt_Send"));

    const QString right = GetStr(1018);
    std::vector<double> rtt;
    rtt.reserve(size_t(count));
    int failures = 0;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < count; ++i) {
        QElapsedTimer one;
        one.start();
        send->click();
        rtt.push_back(double(one.nsecsElapsed()) / 1e3);
        if (window.state() != right)
            ++failures;
    }
    const double seconds = double(total.nsecsElapsed()) / 1e9;
    Msg::setResponder({});

    std::sort(rtt.begin(), rtt.end());
    std::printf("communication test send path: %d requests, %d failed, %.0f requests/s, median round trip %.1f us\n",
                count, failures, count / seconds, rtt[rtt.size() / 2]);
    return failures == 0 ? 0 : 1;
}
