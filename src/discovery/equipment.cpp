#include "discovery/equipment.h"

const QString &CEquipment::field(int column) const
{
    switch (column) {
    case Number: return m_number;
    case Name: return m_name;
    case Model: return m_model;
    case IpAddress: return m_ip;
    case MacAddress: return m_mac;
    case Firmware: return m_firmware;
    case PasswordSetting: return m_password;
    default: return m_status;
    }
}
