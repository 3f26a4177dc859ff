#include "support/gatewaybench.h"

#include "app/mainwindow.h"
#include "config/blockwriter.h"
#include "config/configure.h"
#include "config/dialog_password.h"
#include "config/globals.h"
#include "config/modelcatalogue.h"
#include "discovery/equipment.h"
#include "editor/config.h"
#include "messages/messagetable.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace GatewayBench {

namespace {

CEquipment *entry(const Gateway &g)
{
    return new CEquipment{"1", "Bench", Catalogue::discoveryName(g.modelCode), g.ip, "00-1a-2b-3c-4d-5e", g.firmware,
                          g.password.isEmpty() ? QStringLiteral("None") : GetStr(4010),
                          g.prohibited ? GetStr(4013) : QStringLiteral("Allow configuration")};
}

} // namespace

QJsonObject simConfig(const Gateway &gateway, const QJsonObject &faults, const QJsonObject &extra)
{
    QJsonObject g{{"ip", gateway.ip}, {"model", gateway.modelCode}, {"password", gateway.password}, {"firmware", gateway.firmware},
                  {"remote", !gateway.prohibited}, {"faults", faults}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        g.insert(it.key(), it.value());
    return QJsonObject{{"gateways", QJsonArray{g}}};
}

bool allClosed(const SimProcess &sim, const QString &ip)
{
    return sim.waitForLog(
        [&](const QList<QJsonObject> &) { return sim.events("close", ip).size() == sim.events("connect", ip).size(); },
        3000);
}

QList<int> commands(const SimProcess &sim, const QString &ip)
{
    QList<int> received;
    for (const QJsonObject &frame : sim.tcpFrames(ip))
        received << frame.value("cmd").toInt();
    return received;
}

std::unique_ptr<MainWindow> window(const QList<Gateway> &gateways)
{
    auto w = std::make_unique<MainWindow>();
    for (QTimer *t : w->findChildren<QTimer *>())
        t->stop();
    for (const Gateway &g : gateways)
        w->equipmentList() << entry(g);
    w->fillTable();
    return w;
}

void select(MainWindow &window, int row)
{
    window.on_tableWidget_cellClicked(row, 0);
}

QList<Config *> editors()
{
    return visible<Config>();
}

void closeEditors()
{
    for (Config *editor : editors()) {
        IsSave = false;
        editor->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

ModalAnswerer::ModalAnswerer(std::function<bool(QWidget *)> act)
    : m_act(std::move(act))
{
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && m_act(modal)) {
            ++m_handled;
        } else if (++m_looks > 500) {
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            m_timer.stop();
        }
    });
    m_timer.start(20);
}

bool answerPassword(QWidget *modal, const QString &password)
{
    auto *dialog = qobject_cast<Dialog_Password *>(modal);
    if (dialog && password.isEmpty()) {
        dialog->close();
    } else if (dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("lineEdit"))->setText(password);
        dialog->findChild<QPushButton *>(QStringLiteral("bt_ok"))->click();
    }
    return dialog;
}

bool answerFileDialog(QWidget *modal, const QString &path)
{
    auto *dialog = qobject_cast<QFileDialog *>(modal);
    // Typed as a user would: the dialog's own selection follows its directory listing, which loads later.
    auto *name = dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr;
    if (dialog && path.isEmpty()) {
        dialog->reject();
    } else if (name) {
        name->setText(path);
        static_cast<QDialog *>(dialog)->accept(); // public in QDialog, checks the chosen name
    }
    return dialog && (path.isEmpty() || name);
}

QByteArray snapshot()
{
    if (!pConfigure)
        return QByteArray("<none>");
    const BlockWriter::Result built = BlockWriter::build(*pConfigure, g_commMode, software);
    return QByteArray::number(pConfigure->m_modelCode) + ':' + QByteArray::number(built.code) + ':'
        + built.block.toHex() + ':' + BlockWriter::keepAliveFrame(pConfigure->m_advance).toHex();
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace GatewayBench
