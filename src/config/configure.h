#pragma once

#include <QList>
#include <QString>

#include <array>
#include <cstdint>

// The configuration of one gateway, held in the form the editor shows:
// list indexes, decimal texts and dotted-quad texts.

struct CEthernet {
    QString m_name;
    int32_t m_ipMode = 0; // 0 static, 1 DHCP, 2 BOOTP
    QString m_ip;
    QString m_mask;
    QString m_gateway;
    QString m_dns1;
    QString m_dns2;
};

struct CSerialPort {
    int32_t m_baudRate = 0; // index into the baud-rate table
    int32_t m_parityCheck = 0; // 0 None, 1 Odd, 2 Even, 3 Mark, 4 Space
    int32_t m_stopBit = 0; // 0 one stop bit, 1 two
    int32_t m_dataBits = 0;
    int32_t m_charInterval = 0; // ms
    int32_t m_respTimeout = 0; // ms
    int32_t m_delayPolls = 0; // ms
};

struct CIDMap {
    QString m_ip;
    QString m_port;
    int32_t m_serialIndex = 0;
    int32_t m_idMin = 0;
    int32_t m_idMax = 0;
    bool m_negative = false;
    int32_t m_offset = 0;
};

struct CSpecifiedMaster {
    QString m_ip;
    bool m_serial2 = false;
};

struct CSpecifiedRequest {
    bool m_slaveIdOn = false;
    QString m_slaveId;
    bool m_functionOn = false;
    QString m_functionCode;
};

struct CAdvance {
    static constexpr int RangeCount = 6;

    QString m_password;
    QString m_highPort;
    int32_t m_serialDelay = 0;
    bool m_keepAlive = true;
    uint64_t m_aliveTime = 30; // seconds
    std::array<bool, RangeCount> m_limitOn{};
    std::array<QString, RangeCount> m_limitLow;
    std::array<QString, RangeCount> m_limitHigh;
};

struct CConfigure : CEthernet {
    static constexpr int SerialCount = 16;

    CConfigure() = default;
    ~CConfigure();
    CConfigure(const CConfigure &) = delete;
    CConfigure &operator=(const CConfigure &) = delete;

    std::array<CSerialPort, SerialCount> m_serial{};
    QList<CIDMap *> m_idMaps; // owned
    QList<CSpecifiedMaster *> m_masters; // owned
    QList<CSpecifiedRequest *> m_requests; // owned
    CAdvance m_advance;
    int32_t m_modelCode = 0;
};

// Deletes every entry of an owned list and empties it.
template<typename T>
void clearEntries(QList<T *> &list)
{
    qDeleteAll(list);
    list.clear();
}
