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
class QWidget;

// A main window listing simulated gateways as a search would have left it, and the steps the
// gateway-facing tests share.
namespace GatewayBench {

struct Gateway {
    Gateway(QString address, int code = 130400, QString pw = {}, bool noRemote = false, QString version = QStringLiteral("2.1"))
        : ip(std::move(address)), modelCode(code), password(std::move(pw)), prohibited(noRemote), firmware(std::move(version)) {}
    QString ip;
    int modelCode;
    QString password; // empty: the gateway asks for none
    bool prohibited;
    QString firmware;
};

QJsonObject simConfig(const Gateway &gateway, const QJsonObject &faults = {}, const QJsonObject &extra = {});
// Every connection the simulator accepted from `ip` was closed again (waits at most 3 s).
bool allClosed(const SimProcess &sim, const QString &ip);
// The commands of the frames the simulator received on `ip`, in order.
QList<int> commands(const SimProcess &sim, const QString &ip);
// A main window with its timers stopped and these gateways listed.
std::unique_ptr<MainWindow> window(const QList<Gateway> &gateways);
void select(MainWindow &window, int row);

template <typename T>
QList<T *> visible()
{
    QList<T *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
            found << t;
    }
    return found;
}
QList<Config *> editors();
// Closes every open editor without its close prompt and deletes it.
void closeEditors();

// While it lives, hands the active modal window to `act` every 20 ms until `act` returns true; after
// 500 looks any modal dialog left is rejected, so no test hangs.
class ModalAnswerer
{
public:
    explicit ModalAnswerer(std::function<bool(QWidget *)> act);
    int handled() const { return m_handled; }

private:
    std::function<bool(QWidget *)> m_act;
    QTimer m_timer;
    int m_handled = 0;
    int m_looks = 0;
};

// Types `password` into the password dialog and presses OK; closes it when empty.
bool answerPassword(QWidget *modal, const QString &password);
// Chooses `path` in a file dialog; cancels it when empty.
bool answerFileDialog(QWidget *modal, const QString &path);
// The current configuration as the writer would send it (block and keep-alive frame), "<none>" without one.
QByteArray snapshot();
// The file's bytes, or "<unreadable>".
QByteArray fileBytes(const QString &path);

} // namespace GatewayBench
