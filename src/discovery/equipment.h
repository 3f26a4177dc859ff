#pragma once

#include <QString>

// One discovered gateway: eight texts in the order of the device table's columns.
struct CEquipment {
    enum Column { Number, Name, Model, IpAddress, MacAddress, Firmware, PasswordSetting, Status, ColumnCount };

    QString m_number;
    QString m_name;
    QString m_model;
    QString m_ip;
    QString m_mac;
    QString m_firmware;
    QString m_password;
    QString m_status;

    const QString &field(int column) const;
};
