#include "messages/messagetable.h"

#include <algorithm>
#include <vector>

namespace {

struct MessageEntry {
    unsigned int id;
    QString text;
};

using Table = std::vector<MessageEntry>;

void add(Table &t, unsigned int id, const char *text)
{
    t.push_back({id, QString::fromLatin1(text)});
}

// One entry per id of the range, all with the same text.
void addRange(Table &t, unsigned int first, unsigned int last, const char *text)
{
    for (unsigned int id = first; id <= last; ++id)
        add(t, id, text);
}

// Keys of serial ports 3 to 16: four per port, consecutive ids from firstId.
void addPortKeys(Table &t, unsigned int firstId, const char *separator)
{
    static const char *const kWords[] = {"Baud_Rate", "Check_Bit", "Stop_Bits", "Data_Bits"};
    unsigned int id = firstId;
    for (int port = 3; port <= 16; ++port) {
        for (const char *word : kWords)
            t.push_back({id++, QStringLiteral("Port%1_").arg(port) + QLatin1String(word) + QLatin1String(separator)});
    }
}

Table buildTable()
{
    Table t;

    // Communication test
    add(t, 1001, "Enter an illegal data, enter the correct binary data!");
    addRange(t, 1002, 1003, "The format of the input data is incorrect!");
    addRange(t, 1004, 1007, "5 command data can only be \" 00 00 \"or \" ff 00 \"");
    addRange(t, 1010, 1012, "Data can not be empty !");
    add(t, 1013, "The number and data do not match!");
    add(t, 1014, "Data can not be empty !");
    add(t, 1015, "The number and data do not match!");
    add(t, 1016, "No response");
    add(t, 1017, "Error response");
    add(t, 1018, "Right response");
    add(t, 1019, "Communications Test");
    add(t, 1020, "Send Modbus Communication Frame.");
    add(t, 1021, "IP Address");
    add(t, 1022, "Function Code");
    add(t, 1023, "Start Adress");

    // Device list, reading a configuration, locate and remote reset
    add(t, 4010, "Encryption");
    add(t, 4013, "Prohibit configuration");
    add(t, 4014, "Password error !");
    add(t, 4017, "Remote configuration is disabled, please check the state of the local DIP switch!");
    add(t, 4018, "Connection failed, please verify that IP address and port number are correct !");
    add(t, 4020, "Read failed !");
    add(t, 4021, "Connection failed, please verify that IP address and port number are correct !");
    add(t, 4022, "Read failed !");
    add(t, 4023, "Connection failed, please verify that IP address and port number are correct !");
    add(t, 4029, "Prohibit configuration");
    add(t, 4030, "Remote configuration is disabled, please check the state of the local DIP switch!");
    add(t, 4032, "Connection failed, please verify that IP address and port number are correct !");
    add(t, 4034, "Remote configuration is disabled, please check the state of the local DIP switch!");
    add(t, 4036, "Connection failed, please verify that IP address and port number are correct !");

    // Configuration file: keys and value words as written, separator included
    add(t, 4047, "Transmission_Mode\t\t");
    add(t, 4048, "RTU_Master\n");
    add(t, 4049, "ASCII_Slave\n");
    add(t, 4050, "ASCII_Master\n");
    add(t, 4051, "RTU_Slave\n");
    add(t, 4052, "Ethernet_Name\t");
    add(t, 4053, "Assign_IP_Mode\t");
    add(t, 4054, "Manually_Assign\n");
    add(t, 4055, "IP_Address\t\t");
    add(t, 4056, "Subnet_Mask\t\t");
    add(t, 4057, "Default_Gateway\t\t");
    add(t, 4058, "Port1_Baud_Rate\t");
    add(t, 4059, "Port1_Check_Bit\t");
    add(t, 4060, "Odd\n");
    add(t, 4061, "Even\n");
    add(t, 4062, "Mark\n");
    add(t, 4063, "Space\n");
    add(t, 4064, "None\n");
    add(t, 4065, "Port1_Stop_Bits\t");
    add(t, 4066, "Port1_Data_BitS\t");
    add(t, 4067, "Port2_Baud_Rate\t");
    add(t, 4068, "Port2_Check_Bit\t");
    add(t, 4069, "Odd\n");
    add(t, 4070, "Even\n");
    add(t, 4071, "Mark\n");
    add(t, 4072, "Space\n");
    add(t, 4073, "None\n");
    add(t, 4074, "Port2_Stop_Bits\t");
    add(t, 4075, "Port2_Data_Bits\t");
    add(t, 4076, "ID_Mapping_Group_Number\t");
    add(t, 4077, "Target_IP_address\t");
    add(t, 4078, "Port\t\t");
    add(t, 4079, "Serial_Index\t");
    add(t, 4080, "Virtual_ID_Min\t");
    add(t, 4081, "Virtual_ID_Max\t");
    add(t, 4082, "Offset_Positive_or_Negative\t");
    add(t, 4083, "Negative\n");
    add(t, 4084, "Positive\n");
    add(t, 4085, "Offset\t\t");
    add(t, 4086, "Port1_Time_Interval_between_Characters\t");
    add(t, 4087, "Port1_Response_Timeout\t");
    add(t, 4088, "Port1_Delay_between_Polls\t");
    add(t, 4089, "Port2_Time_Interval_between_Characters\t");
    add(t, 4090, "Port2_Response_Timeout\t");
    add(t, 4091, "Port2_Delay_between_Polls\t");
    add(t, 4092, "Specifies_The_Number_of_The_Master_Group\t");
    add(t, 4093, "The_Specified_IP_Address\t");
    add(t, 4094, "The_Specified_Serial_Number_ID\t\n");
    add(t, 4095, "Specifies_The_Number_of_Requests_for_Group\t");
    add(t, 4096, "Slave_ID_Switches\t");
    add(t, 4097, "Enable\n");
    add(t, 4098, "Ban\n");
    add(t, 4099, "Slave_ID\t\t");
    add(t, 4100, "Function_Switches\t");
    add(t, 4101, "Enable\n");
    add(t, 4102, "Ban\n");
    add(t, 4103, "Function_Code\t\t");
    add(t, 4104, "High_Port\t");
    add(t, 4105, "Delay_to_Start_Serial\t");
    add(t, 4108, "TCP_Alive_Check_Time\t");
    add(t, 4109, "IP_Limit_Switch\t");
    add(t, 4110, "Enable\n");
    add(t, 4111, "Ban\n");
    add(t, 4112, "IP_Limit\t\t");
    add(t, 4113, "IP_Cap\t\t");

    // Configuration file: keys and value words as read back, and opening a file
    add(t, 4114, "Prohibit configuration");
    add(t, 4115, "Remote configuration is disabled, please check the state of the local DIP switch!");
    add(t, 4117, "Transmission_Mode");
    add(t, 4118, "RTU_Slave");
    add(t, 4119, "ASCII_Slave");
    add(t, 4120, "ASCII_Master");
    add(t, 4121, "Ethernet_Name");
    addRange(t, 4122, 4124, "Assign_IP_Mode");
    add(t, 4125, "IP_Address");
    add(t, 4126, "Subnet_Mask");
    add(t, 4127, "Default_Gateway");
    add(t, 4128, "Port1_Baud_Rate");
    add(t, 4129, "Port1_Check_Bit");
    add(t, 4130, "Odd");
    add(t, 4131, "Even");
    add(t, 4132, "Mark");
    add(t, 4133, "Space");
    add(t, 4134, "Port1_Stop_Bits");
    add(t, 4135, "Port1_Data_BitS");
    add(t, 4136, "Port2_Baud_Rate");
    add(t, 4137, "Port2_Check_Bit");
    add(t, 4138, "Odd");
    add(t, 4139, "Even");
    add(t, 4140, "Mark");
    add(t, 4141, "Space");
    add(t, 4142, "Port2_Stop_Bits");
    add(t, 4143, "Port2_Data_BitS");
    add(t, 4144, "ID_Mapping_Group_Number");
    add(t, 4145, "Target_IP_address");
    add(t, 4146, "Port");
    add(t, 4147, "Serial_Index");
    add(t, 4148, "Virtual_ID_Min");
    add(t, 4149, "Virtual_ID_Max");
    add(t, 4150, "Offset_Positive_or_Negative");
    add(t, 4151, "Negative");
    add(t, 4152, "Offset");
    add(t, 4153, "Port1_Time_Interval_between_Characters");
    add(t, 4154, "Port1_Response_Timeout");
    add(t, 4155, "Port1_Delay_between_Polls");
    add(t, 4156, "Port2_Time_Interval_between_Characters");
    add(t, 4157, "Port2_Response_Timeout");
    add(t, 4158, "Port2_Delay_between_Polls");
    add(t, 4159, "Specifies_The_Number_of_The_Master_Group");
    add(t, 4160, "The_Specified_IP_Address");
    add(t, 4161, "The_Specified_Serial_Number_ID");
    add(t, 4162, "Specifies_The_Number_of_Requests_for_Group");
    add(t, 4163, "Slave_ID_Switches");
    add(t, 4164, "Enable");
    add(t, 4165, "Slave_ID");
    add(t, 4166, "Function_Switches");
    add(t, 4167, "Enable");
    add(t, 4168, "Function_Code");
    add(t, 4169, "High_Port");
    add(t, 4170, "Delay_to_Start_Serial");
    add(t, 4171, "Ban");
    add(t, 4172, "TCP_Alive_Check_Time");
    add(t, 4173, "IP_Limit_Switch");
    add(t, 4174, "Enable");
    add(t, 4175, "IP_Limit");
    add(t, 4176, "IP_Cap");
    add(t, 4187, "Enable");
    add(t, 4188, "Disable");

    // Window titles of a new and of a read configuration
    add(t, 4189, "New");
    add(t, 4190, "Configuration");

    // Configuration file: keys of serial ports 3 to 16, written (with TAB) and read back
    addPortKeys(t, 4191, "\t");
    addPortKeys(t, 4247, "");

    // Per-port timing keys; the caller fills in the port number
    add(t, 4303, "Port%1_Time_Interval_between_Characters\t");
    add(t, 4304, "Port%1_Response_Timeout\t");
    add(t, 4305, "Port%1_Delay_between_Polls\t");
    add(t, 4306, "Port%1_Time_Interval_between_Characters");
    add(t, 4307, "Port%1_Response_Timeout");
    add(t, 4308, "Port%1_Delay_between_Polls");

    // Editor notices, file and download messages
    add(t, 4309, "This is the advanced function. If you only configure  basic parameters, you don't need to configure the following parameters.");
    add(t, 4310, "If you select RTU/ASCII Slave mode and only configure basic parameters, you don't need to configure the following parameters.");
    add(t, 4311, "Connection failed! Please confirm whether selected device.");
    add(t, 4312, "In Master Mode, at least one group of ID Mapping needs to be configured.");
    add(t, 4313, "Incorrect configuration file!");
    add(t, 4314, "Connection failed! The password has changed!");

    // Editor, summary windows and download
    add(t, 5011, "Really want to restore the factory settings?");
    add(t, 5012, "Manually Assign");
    add(t, 5013, "None");
    add(t, 5014, "Odd");
    add(t, 5015, "Even");
    add(t, 5016, "Mark");
    add(t, 5017, "Space");
    add(t, 5023, "Maximum value should be larger than the minimum!");
    add(t, 5024, "Enter the incorrect value!");
    add(t, 5025, "Number of data has reached the limit!");
    add(t, 5026, "Maximum value should be larger than the minimum!");
    add(t, 5027, "Please enter a virtual slave ID range and set the actual slave ID range!");
    add(t, 5028, "IP address can not be empty !");
    add(t, 5029, "Port1");
    add(t, 5030, "Port2");
    add(t, 5031, "IP address can not be empty !");
    add(t, 5032, "Port1");
    add(t, 5033, "Port2");
    add(t, 5035, "IP address can not be empty !");
    add(t, 5036, "Serial 2");
    add(t, 5037, "Serial1");
    add(t, 5038, "IP address can not be empty !");
    add(t, 5039, "Serial 2");
    add(t, 5040, "Serial1");
    add(t, 5042, "Two input passwords are inconsistent , please try again !");
    addRange(t, 5045, 5046, "Write failed, please verify that IP address and port number are correct !");
    add(t, 5047, "Failed to write !");
    add(t, 5048, "Write failed, please verify that IP address and port number are correct !");
    add(t, 5050, "Failed to write !");
    add(t, 5051, "Name can not be longer than 20 characters !");
    add(t, 5052, "Name can not have spaces !");
    add(t, 5053, "Connection failed, please verify that IP address and port number are correct !");
    add(t, 5054, "Port%1");

    // Password dialog and connection failures
    add(t, 7001, "Connection failed, please verify that IP address and port number are correct !");
    add(t, 7002, "Connection failed, please verify that IP address and port number are correct !");
    add(t, 7003, "Enter Password");
    add(t, 7004, "Please enter the password!");
    add(t, 7005, "OK");
    add(t, 7006, "Cancel");

    // Device list words
    add(t, 8000, "Other equipment");
    add(t, 8001, "Unsupported equipment");
    add(t, 8002, "Encryption");
    add(t, 8003, "None");
    add(t, 8004, "Allow configuration");
    add(t, 8005, "Prohibit configuration");

    // Download notice
    add(t, 9009, "Notice! The current Aissign IP Mode is DHCP, the IP address may change and cause the connection to be disconnected. Do you still need to use DHCP?");

    // Remote reset and download success
    add(t, 15001, "Remote Reset");
    add(t, 15002, "Whether to reset the equipment or not?");
    add(t, 15005, "The download is successful, and the new configuration takes effect after the gateway restarts. Click OK to reset immediately, or Cancel and manually restart.");

    return t;
}

// The table ordered by id for lookups; where an id stands twice, the entry
// first in table order comes first, as a scan of the table would find it.
Table sortedTable()
{
    Table t = buildTable();
    std::stable_sort(t.begin(), t.end(), [](const MessageEntry &a, const MessageEntry &b) { return a.id < b.id; });
    return t;
}

} // namespace

QString GetEnglishStr(unsigned int id)
{
    // Built once on first use (thread-safe static), released at exit. The
    // .inf writer looks up some two hundred texts per file, so a lookup is a
    // binary search rather than a scan.
    static const Table table = sortedTable();
    const auto it = std::lower_bound(table.begin(), table.end(), id,
                                     [](const MessageEntry &entry, unsigned int key) { return entry.id < key; });
    return it != table.end() && it->id == id ? it->text : QString();
}

QString GetStr(unsigned int id)
{
    return GetEnglishStr(id);
}

QList<unsigned int> GetMessageIds()
{
    QList<unsigned int> ids;
    for (const MessageEntry &entry : buildTable())
        ids.append(entry.id);
    return ids;
}
