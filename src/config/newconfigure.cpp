#include "config/newconfigure.h"

#include "config/configure.h"
#include "config/globals.h"
#include "config/modelcatalogue.h"
#include "messages/messagetable.h"

namespace NewConfigure {

namespace {

constexpr int kOffered[] = {130100, 130200};

} // namespace

QStringList offeredModels()
{
    QStringList names;
    for (int code : kOffered)
        names << Catalogue::discoveryName(code);
    return names;
}

int modelCodeFor(const QString &modelName)
{
    for (int code : kOffered) {
        if (Catalogue::discoveryName(code) == modelName)
            return code;
    }
    return 0;
}

void fill(CConfigure &c, int modelCode, const QString &modelName)
{
    c.m_modelCode = modelCode;
    c.m_name = modelName;
    c.m_ipMode = 1;
    c.m_ip = QStringLiteral("192.168.0.10");
    c.m_mask = QStringLiteral("255.255.255.0");
    c.m_gateway = QStringLiteral("192.168.0.1");
    c.m_dns1 = QStringLiteral("0.0.0.0");
    c.m_dns2 = QStringLiteral("0.0.0.0");
    for (CSerialPort &port : c.m_serial) {
        port.m_baudRate = 3; // 9600
        port.m_parityCheck = 0;
        port.m_stopBit = 0;
        port.m_dataBits = 0;
        port.m_charInterval = 10;
        port.m_respTimeout = 300;
        port.m_delayPolls = 0;
    }
    clearEntries(c.m_idMaps);
    clearEntries(c.m_masters);
    clearEntries(c.m_requests);

    CAdvance &a = c.m_advance;
    a.m_password.clear();
    a.m_highPort = QStringLiteral("502");
    a.m_serialDelay = 0;
    a.m_keepAlive = true;
    a.m_aliveTime = uint64_t(Catalogue::byCode(modelCode).defaultAliveTime);
    for (int i = 0; i < CAdvance::RangeCount; ++i) {
        a.m_limitOn[size_t(i)] = false;
        a.m_limitLow[size_t(i)].clear();
        a.m_limitHigh[size_t(i)].clear();
    }
}

bool install(const QString &modelName)
{
    const int code = modelCodeFor(modelName);
    if (code == 0)
        return false;
    IDS = GetStr(4189);
    auto *configure = new CConfigure;
    fill(*configure, code, modelName);
    installConfigure(configure);
    g_commMode = 0;
    Mode = modelName;
    return true;
}

} // namespace NewConfigure
