#include "config/inffile.h"

#include "config/blockformat.h"
#include "config/configure.h"
#include "config/ipv4text.h"
#include "config/modelcatalogue.h"
#include "config/settinglist.h"
#include "messages/messagetable.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStringList>
#include <QTextCodec>
#include <QTextStream>

#include <array>
#include <limits>

namespace {

const QString kTwoWordModelStart = QStringLiteral("KX500-EN-2RS485(Modbus");
const QString kTwoWordModel = QStringLiteral("KX500-EN-2RS485(Modbus TCP)");
const QString kEndLine = QStringLiteral("\n");

// Serial ports a file carries for a model code.
int filePorts(int modelCode)
{
    switch (modelCode) {
    case 30103:
    case 130100: return 1;
    case 30203:
    case 130200: return 2;
    case 130400: return 4;
    case 130800: return 8;
    default: return 16;
    }
}

// ---- writing ---------------------------------------------------------------

QString baudWord(int32_t index)
{
    const QStringList &words = SettingList::baudWords();
    return words.at((index >= 1 && index < words.size()) ? index : 0);
}

// Written key ids of serial port n: baud, check bit, stop bits, data bits.
unsigned int serialKeyId(int n, int k)
{
    static const unsigned int port1[] = {4058, 4059, 4065, 4066};
    static const unsigned int port2[] = {4067, 4068, 4074, 4075};
    if (n == 1)
        return port1[k];
    if (n == 2)
        return port2[k];
    return 4191 + 4 * (n - 3) + k;
}

QString parityWord(int n, int32_t parity)
{
    const unsigned int first = n == 1 ? 4060 : 4069; // Odd, Even, Mark, Space, None
    return GetStr((parity >= 1 && parity <= 4) ? first + parity - 1 : first + 4);
}

// Written timing keys of port n: time between characters, timeout, delay.
QString timingKey(int n, int k)
{
    if (n == 1)
        return GetStr(4086 + k);
    if (n == 2)
        return GetStr(4089 + k);
    return GetStr(4303 + k).arg(n);
}

QStringList tokenize(const QString &text);

class Writer
{
public:
    // Room for a usual file, so that the text is not copied again and again as it grows.
    Writer() { m_text.reserve(4096); }
    void line(const QString &key, const QString &value)
    {
        m_text += key;
        m_text += value;
        m_text += kEndLine;
    }
    // The reader takes one word per value. A name or password holding a blank is
    // written up to it, as the editor cuts a typed name, so that every setting
    // after it still loads.
    void firstWord(const QString &key, const QString &value) { line(key, tokenize(value).value(0)); }
    void word(const QString &key, const QString &wordWithEnd)
    {
        m_text += key;
        m_text += wordWithEnd;
    }
    QString text() const { return m_text; }

private:
    QString m_text;
};

// ---- reading ---------------------------------------------------------------

// Reading keys of port n: baud, check bit, stop bits, data bits, with the
// alternative keys of files from earlier versions.
QStringList serialReadKeys(int n, int k)
{
    if (n == 1) {
        static const char *const alt[] = {"Serial_Port1_baud_rate", "Serial_Port1_parity", "Serial_port1_stop_bit", nullptr};
        const unsigned int ids[] = {4128, 4129, 4134, 4135};
        QStringList keys{GetStr(ids[k])};
        if (alt[k])
            keys << QLatin1String(alt[k]);
        return keys;
    }
    if (n == 2) {
        static const char *const alt[] = {"Serial_port2_baud_rate", "Serial_port2_parity", "Serial_port2_stop_bit", "Serial_port2_data_bit"};
        const unsigned int ids[] = {4136, 4137, 4142, 4143};
        return {GetStr(ids[k]), QLatin1String(alt[k])};
    }
    return {GetStr(4247 + 4 * (n - 3) + k)};
}

QStringList timingReadKeys(int n, int k)
{
    if (n == 1) {
        static const char *const alt[] = {"Serial_Port1_character_delay_time", "Serial_Port1_response_timeout", "Serial_Port1_frame_delay"};
        return {GetStr(4153 + k), QLatin1String(alt[k])};
    }
    if (n == 2) {
        static const char *const alt[] = {"Serial_port2_character_delay_tim", "Serial_Port2_response_timeout", "Serial_Port2_frame_delay"};
        return {GetStr(4156 + k), QLatin1String(alt[k])};
    }
    return {GetStr(4306 + k).arg(n)};
}

QStringList keys(unsigned int id, const char *alternative = nullptr)
{
    QStringList list{GetStr(id)};
    if (alternative)
        list << QLatin1String(alternative);
    return list;
}

QStringList literal(const char *key, const char *alternative = nullptr)
{
    QStringList list{QLatin1String(key)};
    if (alternative)
        list << QLatin1String(alternative);
    return list;
}

// Every text that stands as a key in some version of the file. A value that
// the writer left empty produces no token, so the token read in its place is
// the next key; recognising it keeps the positional reading aligned.
QSet<QString> knownKeys()
{
    QSet<QString> set;
    const auto add = [&set](const QString &key) {
        const QString trimmed = key.trimmed();
        if (!trimmed.isEmpty())
            set.insert(trimmed);
    };
    static const unsigned int single[] = {4047, 4052, 4053, 4055, 4056, 4057, 4076, 4077, 4078, 4079, 4080, 4081, 4082,
        4085, 4092, 4093, 4094, 4095, 4096, 4099, 4100, 4103, 4104, 4105, 4108, 4109, 4112, 4113, 4117, 4121, 4122, 4125,
        4126, 4127, 4144, 4145, 4146, 4147, 4148, 4149, 4150, 4152, 4159, 4160, 4161, 4162, 4163, 4165, 4166, 4168, 4169,
        4170, 4172, 4173, 4175, 4176};
    for (unsigned int id : single)
        add(GetStr(id));
    for (int n = 1; n <= 16; ++n) {
        for (int k = 0; k < 4; ++k) {
            for (const QString &key : serialReadKeys(n, k))
                add(key);
            add(GetStr(serialKeyId(n, k)));
        }
        for (int k = 0; k < 3; ++k) {
            for (const QString &key : timingReadKeys(n, k))
                add(key);
            add(timingKey(n, k));
        }
    }
    static const char *const literals[] = {"Device_Mode", "DeviceMode", "DNS1", "DNS2", "KeepAlive", "Password",
        "password", "Communication_Mode", "Ethernet_name", "IP_configuration", "IP_address", "Subnet_mask",
        "Gateway_address", "ID_mapping_group_number", "Serial_index", "Virtual_ID_max", "offset_plus_or_minus", "offset",
        "Specifies_the_number_of_the_master_group", "the_specified_IP_address", "the_specified_serial_number_ID",
        "Specifies_the_number_of_requests_for_group", "Slave_ID_switches", "function_switches", "Function_code",
        "High_port", "serial_startup_delay_time", "TCP_connection_idle_time", "IP_limit_switch", "IP_limit", "IP_cap"};
    for (const char *key : literals)
        add(QLatin1String(key));
    return set;
}

// Whitespace-separated tokens, as a text stream reads them.
QStringList tokenize(const QString &text)
{
    QStringList tokens;
    int start = -1;
    for (int i = 0; i <= text.size(); ++i) {
        const bool space = i == text.size() || text.at(i).isSpace();
        if (space && start >= 0) {
            tokens << text.mid(start, i - start);
            start = -1;
        } else if (!space && start < 0) {
            start = i;
        }
    }
    return tokens;
}

class Tokens
{
public:
    explicit Tokens(const QString &text) : m_tokens(tokenize(text)) {}

    bool atEnd() const { return m_pos >= m_tokens.size(); }
    QString peek(int ahead = 0) const { return m_pos + ahead < m_tokens.size() ? m_tokens.at(m_pos + ahead) : QString(); }
    QString next() { return atEnd() ? QString() : m_tokens.at(m_pos++); }

private:
    QStringList m_tokens;
    int m_pos = 0;
};

// What a positional read of one setting found.
enum class Got { Mismatch, Missing, Value };

int toInt(const QString &token)
{
    bool ok = false;
    const int value = token.toInt(&ok);
    return ok ? value : 0; // a word where a number belongs counts as 0
}

class Reader
{
public:
    Reader(const QString &text, CConfigure &c) : m_in(text), m_c(c), m_keys(knownKeys()) {}

    InfFile::ReadResult run();

private:
    Got field(const QStringList &names, QString &value);
    Got field(const QStringList &names, QString &value, const QStringList &nextKeys);
    bool valueMissing() const { return m_in.atEnd() || m_keys.contains(m_in.peek()); }
    enum class Scan { Found, End, Incorrect };
    Scan scan(const QStringList &names, QString &value);

    QString address(const QStringList &names, const QString &byDefault = QString());
    bool number(const QStringList &names, int &value);
    QString numberText(const QStringList &names, const QString &negative, const QString &byDefault);
    bool word(const QStringList &names, const QStringList &trueWords);
    enum List { IdMaps, Masters, Requests };
    bool count(List list, const QString &value, int &entries);

    void readSerial(int n);
    bool readIdMap();
    void readTiming(int n);
    bool readMaster();
    bool readRequest();
    void readRanges();

    Tokens m_in;
    CConfigure &m_c;
    const QSet<QString> m_keys;
    InfFile::ReadResult m_result;
    std::array<int64_t, 3> m_announced{}; // entries announced so far, by List
};

Got Reader::field(const QStringList &names, QString &value)
{
    const QString key = m_in.next();
    if (!names.contains(key)) {
        m_in.next();
        return Got::Mismatch;
    }
    if (valueMissing())
        return Got::Missing;
    value = m_in.next();
    return Got::Value;
}

Got Reader::field(const QStringList &names, QString &value, const QStringList &nextKeys)
{
    const QString key = m_in.next();
    if (!names.contains(key)) {
        m_in.next();
        return Got::Mismatch;
    }
    // The next key in the value's place means an empty value, unless that key
    // comes once more: then the value is a word that reads as the key (a
    // gateway may be named so).
    if (m_in.atEnd() || (nextKeys.contains(m_in.peek()) && !nextKeys.contains(m_in.peek(1))))
        return Got::Missing;
    value = m_in.next();
    return Got::Value;
}

// Skips key/value pairs until one of `names` comes.
Reader::Scan Reader::scan(const QStringList &names, QString &value)
{
    QString previous;
    bool first = true;
    while (!m_in.atEnd()) {
        const QString key = m_in.next();
        if (!first && key == previous)
            return Scan::Incorrect;
        first = false;
        if (names.contains(key)) {
            if (!valueMissing())
                value = m_in.next();
            return Scan::Found;
        }
        previous = key;
        if (valueMissing())
            continue;
        QString skipped = m_in.next();
        if (skipped == previous)
            return Scan::Incorrect;
        if (skipped == kTwoWordModelStart && !m_in.atEnd())
            skipped = m_in.next(); // the model name with a space in it
        previous = skipped;
    }
    return Scan::End;
}

QString Reader::address(const QStringList &names, const QString &byDefault)
{
    QString value;
    switch (field(names, value)) {
    case Got::Mismatch: return byDefault;
    case Got::Missing: return QString();
    case Got::Value: break;
    }
    return Ipv4::isAllOnes(value) ? byDefault : value;
}

bool Reader::number(const QStringList &names, int &value)
{
    QString token;
    if (field(names, token) != Got::Value)
        return false;
    value = toInt(token);
    return true;
}

QString Reader::numberText(const QStringList &names, const QString &negative, const QString &byDefault)
{
    QString token;
    switch (field(names, token)) {
    case Got::Mismatch: return byDefault;
    case Got::Missing: return QString();
    case Got::Value: break;
    }
    // Kept as texts, these take any 32-bit value a gateway's block holds, so
    // what was read from a gateway loads back as it was saved.
    bool ok = false;
    qint64 value = token.toLongLong(&ok);
    if (!ok || value > qint64(std::numeric_limits<uint32_t>::max()))
        value = 0;
    return value >= 0 ? QString::number(value) : negative;
}

bool Reader::word(const QStringList &names, const QStringList &trueWords)
{
    QString token;
    return field(names, token) == Got::Value && trueWords.contains(token);
}

// A list count: false, with the status set, when no gateway block could carry
// it, alone or together with the lists announced before it.
bool Reader::count(List list, const QString &value, int &entries)
{
    const int announced = toInt(value);
    if (announced > InfFile::MaxEntries) {
        m_result.status = InfFile::Status::TooManyEntries;
        return false;
    }
    entries = announced < 1 ? 0 : announced;
    m_announced[list] = entries;
    const int code = m_c.m_modelCode;
    if (Catalogue::layout(code) == BlockLayout::Packed
        && Block::packedLength(Catalogue::serialPorts(code), m_announced[IdMaps], m_announced[Masters],
                               m_announced[Requests])
            > Block::MaxSize) {
        m_result.status = InfFile::Status::TooManyEntries;
        return false;
    }
    return true;
}

void Reader::readSerial(int n)
{
    CSerialPort &p = m_c.m_serial[n - 1];
    static const int rates[] = {2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};
    int rate = 0;
    p.m_baudRate = 0;
    if (number(serialReadKeys(n, 0), rate)) {
        for (int i = 0; i < 8; ++i) {
            if (rates[i] == rate)
                p.m_baudRate = i + 1;
        }
    }
    const unsigned int firstWord = n == 1 ? 4130 : 4138; // Odd, Even, Mark, Space
    QString parity;
    p.m_parityCheck = 0;
    if (field(serialReadKeys(n, 1), parity) == Got::Value) {
        for (unsigned int i = 0; i < 4; ++i) {
            if (parity == GetStr(firstWord + i))
                p.m_parityCheck = static_cast<int32_t>(i) + 1;
        }
    }
    int stop = 0;
    p.m_stopBit = (number(serialReadKeys(n, 2), stop) && stop == 2) ? 1 : 0;
    QString ignored;
    field(serialReadKeys(n, 3), ignored);
    p.m_dataBits = 8;
}

bool Reader::readIdMap()
{
    // An announced entry that the file does not hold: refuse rather than
    // make it up from the lines that follow.
    if (!keys(4145).contains(m_in.peek())) {
        m_result.status = InfFile::Status::MissingEntries;
        return false;
    }
    auto *m = new CIDMap;
    m_c.m_idMaps.append(m);
    m->m_ip = address(keys(4145));
    m->m_port = numberText(keys(4146), QString(), QString());
    int value = 0;
    m->m_serialIndex = (number(keys(4147, "Serial_index"), value) && value >= 2 && value <= 16) ? value - 1 : 0;
    m->m_idMin = (number(keys(4148), value) && value >= 0 && value <= 247) ? value : 0;
    m->m_idMax = (number(keys(4149, "Virtual_ID_max"), value) && value >= 1 && value <= 247) ? value : 0;
    m->m_negative = word(keys(4150, "offset_plus_or_minus"), {GetStr(4151), QStringLiteral("negative")});
    m->m_offset = (number(keys(4152, "offset"), value) && value >= 0 && value <= 247) ? value : 0;
    return true;
}

void Reader::readTiming(int n)
{
    CSerialPort &p = m_c.m_serial[n - 1];
    int value = 0;
    p.m_charInterval = number(timingReadKeys(n, 0), value) && value >= 0 ? value : 0;
    p.m_respTimeout = number(timingReadKeys(n, 1), value) && value >= 0 ? value : 300;
    p.m_delayPolls = number(timingReadKeys(n, 2), value) && value >= 0 ? value : 0;
}

bool Reader::readMaster()
{
    // An announced entry that the file does not hold: refuse rather than
    // make it up from the lines that follow.
    if (!keys(4160, "the_specified_IP_address").contains(m_in.peek())) {
        m_result.status = InfFile::Status::MissingEntries;
        return false;
    }
    auto *m = new CSpecifiedMaster;
    m_c.m_masters.append(m);
    m->m_ip = address(keys(4160, "the_specified_IP_address"), QStringLiteral("0.0.0.0"));
    // The binding carries no value in the file.
    if (!keys(4161, "the_specified_serial_number_ID").contains(m_in.next()))
        m_in.next();
    m->m_serial2 = false;
    return true;
}

bool Reader::readRequest()
{
    // An announced entry that the file does not hold: refuse rather than
    // make it up from the lines that follow.
    if (!keys(4163, "Slave_ID_switches").contains(m_in.peek())) {
        m_result.status = InfFile::Status::MissingEntries;
        return false;
    }
    auto *r = new CSpecifiedRequest;
    m_c.m_requests.append(r);
    r->m_slaveIdOn = word(keys(4163, "Slave_ID_switches"), {GetStr(4164)});
    r->m_slaveId = numberText(keys(4165), QString(), QString());
    r->m_functionOn = word(keys(4166, "function_switches"), {GetStr(4167)});
    r->m_functionCode = numberText(keys(4168, "Function_code"), QString(), QString());
    return true;
}

void Reader::readRanges()
{
    CAdvance &a = m_c.m_advance;
    const QStringList switchKeys = keys(4173, "IP_limit_switch");
    const QStringList startKeys = keys(4175, "IP_limit");
    const QStringList endKeys = keys(4176, "IP_cap");
    for (int i = 0; i < CAdvance::RangeCount; ++i) {
        a.m_limitOn[i] = false;
        a.m_limitLow[i].clear();
        a.m_limitHigh[i].clear();
        QString on;
        const Got got = field(switchKeys, on);
        if (got == Got::Mismatch)
            continue;
        if (got == Got::Missing || on != GetStr(4174)) {
            // A range that is off keeps no addresses, but the file may still
            // hold some, or leave them empty.
            if (startKeys.contains(m_in.peek())) {
                m_in.next();
                if (!valueMissing())
                    m_in.next();
            } else {
                m_in.next();
                if (m_in.next() != QLatin1String("0.0.0.0"))
                    continue;
            }
            if (endKeys.contains(m_in.peek())) {
                m_in.next();
                if (!valueMissing())
                    m_in.next();
            } else {
                m_in.next();
                m_in.next();
            }
            continue;
        }
        a.m_limitOn[i] = true;
        if (!startKeys.contains(m_in.peek())) {
            m_in.next();
            m_in.next();
            return;
        }
        a.m_limitLow[i] = address(startKeys);
        if (!endKeys.contains(m_in.peek())) {
            m_in.next();
            m_in.next();
            return;
        }
        a.m_limitHigh[i] = address(endKeys);
    }
}

InfFile::ReadResult Reader::run()
{
    CConfigure &c = m_c;
    clearEntries(c.m_idMaps);
    clearEntries(c.m_masters);
    clearEntries(c.m_requests);
    const int ports = filePorts(c.m_modelCode);

    QString value;
    Scan found = scan(keys(4117, "Communication_Mode"), value);
    if (found == Scan::Incorrect) {
        m_result.status = InfFile::Status::Incorrect;
        return m_result;
    }
    if (found == Scan::Found) {
        if (value == GetStr(4118))
            m_result.commMode = 0;
        else if (value == GetStr(4119))
            m_result.commMode = 2;
        else if (value == GetStr(4120))
            m_result.commMode = 3;
        else
            m_result.commMode = 1;
    }

    QString name;
    c.m_name = field(keys(4121, "Ethernet_name"), name, keys(4122, "IP_configuration")) == Got::Value ? name : QString();
    QString ipMode;
    field(keys(4122, "IP_configuration"), ipMode);
    c.m_ipMode = ipMode == QLatin1String("DHCP") ? 1 : ipMode == QLatin1String("BOOTP") ? 2 : 0;
    c.m_ip = address(keys(4125, "IP_address"));
    c.m_mask = address(keys(4126, "Subnet_mask"));
    c.m_gateway = address(keys(4127, "Gateway_address"));
    c.m_dns1 = address(literal("DNS1"));
    c.m_dns2 = address(literal("DNS2"));
    for (int n = 1; n <= ports; ++n)
        readSerial(n);

    value.clear();
    found = scan(keys(4144, "ID_mapping_group_number"), value);
    if (found == Scan::Incorrect) {
        m_result.status = InfFile::Status::Incorrect;
        return m_result;
    }
    int entries = 0;
    if (found == Scan::Found && !count(IdMaps, value, entries))
        return m_result;
    for (int i = 0; i < entries; ++i) {
        if (!readIdMap())
            return m_result;
    }
    for (int n = 1; n <= ports; ++n)
        readTiming(n);

    value.clear();
    found = scan(keys(4159, "Specifies_the_number_of_the_master_group"), value);
    if (found == Scan::Incorrect) {
        m_result.status = InfFile::Status::Incorrect;
        return m_result;
    }
    entries = 0;
    if (found == Scan::Found && !count(Masters, value, entries))
        return m_result;
    for (int i = 0; i < entries; ++i) {
        if (!readMaster())
            return m_result;
    }

    value.clear();
    entries = 0;
    if (field(keys(4162, "Specifies_the_number_of_requests_for_group"), value) != Got::Mismatch) {
        if (!count(Requests, value, entries))
            return m_result;
    }
    for (int i = 0; i < entries; ++i) {
        if (!readRequest())
            return m_result;
    }

    CAdvance &a = c.m_advance;
    a.m_highPort = numberText(keys(4169, "High_port"), QStringLiteral("502"), QStringLiteral("502"));
    int delay = 0;
    a.m_serialDelay = number(keys(4170, "serial_startup_delay_time"), delay) && delay >= 0 ? delay : 0;
    a.m_keepAlive = word(literal("KeepAlive"), {GetStr(4171), GetStr(4187)});
    QString alive;
    a.m_aliveTime = 0;
    if (field(keys(4172, "TCP_connection_idle_time"), alive) == Got::Value) {
        bool ok = false;
        const qlonglong seconds = alive.toLongLong(&ok);
        if (!ok)
            a.m_aliveTime = alive.toULongLong(); // beyond the signed range, or a word (0)
        else
            a.m_aliveTime = seconds >= 0 ? static_cast<uint64_t>(seconds) : 30;
    }
    readRanges();
    QString password;
    const Got got = field(literal("Password", "password"), password, QStringList());
    // Taken as it stands, also the word "Password", which a user may choose.
    a.m_password = got == Got::Value ? password : QString();
    return m_result;
}

} // namespace

namespace InfFile {

QString modelMismatchText()
{
    return QStringLiteral("Device type does not match.");
}

unsigned int messageId(Status status)
{
    switch (status) {
    case Status::Incorrect:
    case Status::TooManyEntries:
    case Status::MissingEntries:
    case Status::TooLarge: return 4313;
    case Status::Ok:
    case Status::CannotOpen: break;
    }
    return 0;
}

QString write(const CConfigure &configure, int32_t commMode, const QString &modelName)
{
    const CConfigure &c = configure;
    const int ports = filePorts(c.m_modelCode);
    Writer w;
    w.line(QStringLiteral("Device_Mode\t"), modelName);
    const unsigned int modeWord = commMode == 1 ? 4048 : commMode == 2 ? 4049 : commMode == 3 ? 4050 : 4051;
    w.word(GetStr(4047), GetStr(modeWord));
    w.firstWord(GetStr(4052), c.m_name);
    if (c.m_ipMode == 1)
        w.line(GetStr(4053), QStringLiteral("DHCP"));
    else if (c.m_ipMode == 2)
        w.line(GetStr(4053), QStringLiteral("BOOTP"));
    else
        w.word(GetStr(4053), GetStr(4054));
    w.line(GetStr(4055), c.m_ip);
    w.line(GetStr(4056), c.m_mask);
    w.line(GetStr(4057), c.m_gateway);
    w.line(QStringLiteral("DNS1\t\t"), c.m_dns1);
    w.line(QStringLiteral("DNS2\t\t"), c.m_dns2);

    for (int n = 1; n <= ports; ++n) {
        const CSerialPort &p = c.m_serial[n - 1];
        w.line(GetStr(serialKeyId(n, 0)), baudWord(p.m_baudRate));
        w.word(GetStr(serialKeyId(n, 1)), parityWord(n, p.m_parityCheck));
        w.line(GetStr(serialKeyId(n, 2)), p.m_stopBit == 1 ? QStringLiteral("2") : QStringLiteral("1"));
        w.line(GetStr(serialKeyId(n, 3)), QStringLiteral("8")); // the gateways always run 8 data bits
    }

    w.line(GetStr(4076), QString::number(c.m_idMaps.size()));
    for (const CIDMap *m : c.m_idMaps) {
        w.line(GetStr(4077), m->m_ip);
        w.line(GetStr(4078), m->m_port);
        const bool known = m->m_serialIndex >= 0 && m->m_serialIndex <= 15;
        w.line(GetStr(4079), known ? QString::number(m->m_serialIndex + 1) : QString());
        w.line(GetStr(4080), QString::number(m->m_idMin));
        w.line(GetStr(4081), QString::number(m->m_idMax));
        w.word(GetStr(4082), GetStr(m->m_negative ? 4083 : 4084));
        w.line(GetStr(4085), QString::number(m->m_offset));
    }

    for (int n = 1; n <= ports; ++n) {
        const CSerialPort &p = c.m_serial[n - 1];
        w.line(timingKey(n, 0), QString::number(p.m_charInterval));
        w.line(timingKey(n, 1), QString::number(p.m_respTimeout));
        w.line(timingKey(n, 2), QString::number(p.m_delayPolls));
    }

    w.line(GetStr(4092), QString::number(c.m_masters.size()));
    for (const CSpecifiedMaster *m : c.m_masters) {
        w.line(GetStr(4093), m->m_ip);
        w.word(GetStr(4094), QString()); // the key text ends its own line
    }

    w.line(GetStr(4095), QString::number(c.m_requests.size()));
    for (const CSpecifiedRequest *r : c.m_requests) {
        w.word(GetStr(4096), GetStr(r->m_slaveIdOn ? 4097 : 4098));
        w.line(GetStr(4099), r->m_slaveId);
        w.word(GetStr(4100), GetStr(r->m_functionOn ? 4101 : 4102));
        w.line(GetStr(4103), r->m_functionCode);
    }

    const CAdvance &a = c.m_advance;
    w.line(GetStr(4104), a.m_highPort);
    w.line(GetStr(4105), QString::number(a.m_serialDelay));
    w.line(QStringLiteral("KeepAlive\t"), GetStr(a.m_keepAlive ? 4187 : 4188));
    w.line(GetStr(4108), QString::number(a.m_aliveTime));
    for (int i = 0; i < CAdvance::RangeCount; ++i) {
        w.word(GetStr(4109), GetStr(a.m_limitOn[i] ? 4110 : 4111));
        w.line(GetStr(4112), a.m_limitLow[i]);
        w.line(GetStr(4113), a.m_limitHigh[i]);
    }
    w.firstWord(QStringLiteral("Password\t"), a.m_password);
    return w.text();
}

ModelScan scanModel(const QString &text)
{
    ModelScan result;
    Tokens in(text);
    const QSet<QString> known = knownKeys();
    QString previous;
    bool first = true;
    while (!in.atEnd()) {
        const QString token = in.next();
        if (!first && token == previous) {
            result.status = Status::Incorrect;
            return result;
        }
        first = false;
        previous = token;
        if (token != QLatin1String("Device_Mode") && token != QLatin1String("DeviceMode"))
            continue;
        // An empty model name leaves the next key in its place.
        if (in.atEnd() || known.contains(in.peek()))
            return result;
        result.modelName = in.next();
        if (result.modelName == kTwoWordModelStart) {
            in.next();
            result.modelName = kTwoWordModel;
        }
        return result;
    }
    return result;
}

ReadResult read(const QString &text, CConfigure &configure)
{
    return Reader(text, configure).run();
}

Loaded load(const QString &text)
{
    Loaded loaded;
    loaded.scan = scanModel(text);
    if (loaded.scan.status != Status::Ok)
        return loaded;
    auto fresh = std::make_unique<CConfigure>();
    fresh->m_modelCode = Catalogue::codeForName(loaded.scan.modelName);
    loaded.read = read(text, *fresh);
    if (loaded.read.status == Status::Ok)
        loaded.configure = std::move(fresh);
    return loaded;
}

QByteArray encode(const QString &text)
{
    return QTextCodec::codecForLocale()->fromUnicode(text);
}

WriteStatus writeFile(const QString &path, const QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return WriteStatus::CannotOpen;
    const QByteArray bytes = encode(text);
    const bool whole = file.write(bytes) == bytes.size() && file.flush() && file.error() == QFileDevice::NoError;
    file.close();
    return whole && file.error() == QFileDevice::NoError ? WriteStatus::Written : WriteStatus::Failed;
}

WriteStatus saveFile(const QString &path, const QString &text)
{
    // A device or a pipe (/dev/null, a FIFO) is written to as it is: renaming
    // a file over it would replace it.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return writeFile(path, text);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return WriteStatus::CannotOpen;
    const QByteArray bytes = encode(text);
    // Not committed, the temporary file is removed and `path` stays as it was.
    if (file.write(bytes) != bytes.size())
        return WriteStatus::Failed;
    return file.commit() ? WriteStatus::Written : WriteStatus::Failed;
}

Status readFile(const QString &path, QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return Status::CannotOpen;
    if (file.size() > MaxFileSize)
        return Status::TooLarge;
    QTextStream in(&file);
    text = in.read(MaxFileSize);
    return Status::Ok;
}

} // namespace InfFile
