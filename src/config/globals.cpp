#include "config/globals.h"

#include "config/configure.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTcpSocket>

CConfigure *pConfigure = nullptr;
QString Mode;
int32_t g_commMode = 0;
QString Password;
bool IsTrue = false;
QString IDS;
QString g_appointIpAddr;
QString software = QStringLiteral("1.4");
bool IsSave = false;
std::array<unsigned char, 16> g_recvbuf{};
QString savefilename;
int m_clickList1Item1 = -1;
int m_clickList1Item2 = -1;

QTcpSocket &g_Server()
{
    static QPointer<QTcpSocket> socket;
    if (!socket)
        socket = new QTcpSocket(QCoreApplication::instance());
    return *socket;
}

void installConfigure(CConfigure *configure)
{
    if (configure == pConfigure)
        return;
    delete pConfigure;
    pConfigure = configure;
}
