#include "discovery/discoveryanswer.h"

#include "config/ipv4text.h"
#include "config/modelcatalogue.h"
#include "messages/messagetable.h"

namespace {

const unsigned char *bytes(const QByteArray &data)
{
    return reinterpret_cast<const unsigned char *>(data.constData());
}

quint32 be16(const unsigned char *p)
{
    return (quint32(p[0]) << 8) | p[1];
}

quint32 be24(const unsigned char *p)
{
    return (quint32(p[0]) << 16) | (quint32(p[1]) << 8) | p[2];
}

quint32 be32(const unsigned char *p)
{
    return (quint32(p[0]) << 24) | be24(p + 1);
}

} // namespace

namespace Discovery {

QByteArray request()
{
    QByteArray r(RequestSize, '\0');
    r[3] = 3;
    return r;
}

AnswerStatus parseAnswer(const QByteArray &datagram, int number, CEquipment &out)
{
    if (datagram.size() != AnswerSize)
        return AnswerStatus::WrongLength;
    const unsigned char *d = bytes(datagram);
    if (d[0] != 0 || d[1] != 0 || d[2] != 0 || d[3] != 3)
        return AnswerStatus::WrongHeader;

    CEquipment e;
    e.m_number = QString::number(number);
    const QString model = Catalogue::discoveryName(int(be24(d + 9)));
    if (model.isEmpty()) {
        // The name field of a model we do not know may follow another layout.
        e.m_model = GetStr(8000);
        e.m_name = GetStr(8001);
    } else {
        e.m_model = model;
        const char *name = datagram.constData() + 44;
        e.m_name = QString::fromLatin1(name, int(qstrnlen(name, NameSize)));
    }
    e.m_ip = Ipv4::fromBytes(d + 36);
    e.m_mac = uncharToQstring(d, 34, 28, QStringLiteral("-"));
    e.m_firmware = QStringLiteral("%1.%2").arg(be16(d + 24)).arg(be16(d + 26));
    e.m_password = be32(d + 40) == 1 ? GetStr(8002) : GetStr(8003);
    e.m_status = be32(d + 64) == 1 ? GetStr(8004) : GetStr(8005);
    out = e;
    return AnswerStatus::Ok;
}

} // namespace Discovery

QString uncharToQstring(const unsigned char *data, int end, int start, const QString &separator)
{
    if (start > end || start < 0 || !data)
        return QString();
    static const char digits[] = "0123456789abcdef";
    QString text;
    text.reserve((end - start) * (2 + separator.size()));
    for (int i = start; i < end; ++i) {
        text += QLatin1Char(digits[data[i] >> 4]);
        text += QLatin1Char(digits[data[i] & 15]);
        if (i + 1 < end)
            text += separator;
    }
    return text;
}
