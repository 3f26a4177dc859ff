#pragma once

#include <QApplication>
#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <utility>

class Config;
class MainWindow;
class SimProcess;
struct CEquipment;
class QWidget;

// A main window listing simulated gateways as a search would have left it,
// and the small steps the read, write and file tests share.
namespace GatewayBench {

struct Gateway {
    Gateway(QString address, int code = 130400, QString pw = QString(), bool noRemote = false,
            QString version = QStringLiteral("2.1"))
        : ip(std::move(address)), modelCode(code), password(std::move(pw)), prohibited(noRemote), firmware(std::move(version))
    {
    }

    QString ip;
    int modelCode;
    QString password; // empty: the gateway asks for none
    bool prohibited;
    QString firmware;
};

// The list entry discovery makes of such a gateway.
CEquipment *entry(const Gateway &gateway);

// The simulator's configuration for one gateway.
QJsonObject simConfig(const Gateway &gateway, const QJsonObject &faults = {}, const QJsonObject &extra = {});

// True once every connection the simulator accepted from `ip` has been closed
// again, waiting at most 3 s.
bool allClosed(const SimProcess &sim, const QString &ip);

// The commands of the frames the simulator received on `ip`, in order.
QList<int> commands(const SimProcess &sim, const QString &ip);

// A main window with its timers stopped and these entries listed.
std::unique_ptr<MainWindow> window(const QList<Gateway> &gateways);

// A click on a row of the device table.
void select(MainWindow &window, int row);

// The editors that are open now.
QList<Config *> editors();

// The visible top-level window of type T, or null.
template <typename T>
T *shown()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
            return t;
    }
    return nullptr;
}

// Closes every open editor without its close prompt and deletes it.
void closeEditors();

// While it lives, looks at the active modal window every 20 ms and hands it
// to `act`, which returns true once it has dealt with it. After a bounded
// number of looks any modal dialog still open is rejected, so no test hangs.
class ModalAnswerer
{
public:
    explicit ModalAnswerer(std::function<bool(QWidget *)> act);
    int handled() const { return m_handled; }

private:
    void look();

    std::function<bool(QWidget *)> m_act;
    QTimer m_timer;
    int m_handled = 0;
    int m_looks = 0;
};

// Acts: types `password` into the password dialog and presses OK, or closes
// the dialog when `password` is empty.
bool answerPassword(QWidget *modal, const QString &password);

// Acts: chooses `path` in a file dialog, or cancels it when `path` is empty.
bool answerFileDialog(QWidget *modal, const QString &path);

// Every field of the current configuration, through the writer: the block and
// the keep-alive frame a write of it would send ("<none>" without one).
QByteArray snapshot();

// The file's bytes, or "<unreadable>".
QByteArray fileBytes(const QString &path);

} // namespace GatewayBench
