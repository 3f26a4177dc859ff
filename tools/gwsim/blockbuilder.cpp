#include "blockbuilder.h"

#include "wire.h"

namespace BlockBuilder {

namespace {

constexpr int kFixedSize = 1216;
constexpr int kFixedSlots = 36;

struct Lists
{
    int idMaps;
    int masters;
    int requests;
};

void putIdMap(QByteArray &b, int off, int k, int ports)
{
    Wire::putBytes(b, off, 4, Wire::ipv4Bytes(QString("192.168.1.%1").arg(100 + k)));
    Wire::put32(b, off + 4, quint32(502 + k));
    Wire::put32(b, off + 8, quint32(k % ports));
    b[off + 12] = char(1 + 10 * k);
    b[off + 13] = char(5 + 10 * k);
    b[off + 14] = char(k == 1 ? 1 : 0);
    b[off + 15] = char(k == 1 ? 1 : 0);
}

void putMaster(QByteArray &b, int off, int k)
{
    Wire::putBytes(b, off, 4, Wire::ipv4Bytes(QString("192.168.1.%1").arg(20 + k)));
    Wire::put32(b, off + 4, quint32(k % 2));
}

void putRequest(QByteArray &b, int off, int k)
{
    static const char functions[] = {3, 16, 1, 6};
    b[off] = 1;
    b[off + 1] = char(1 + k);
    b[off + 2] = char(k % 2 == 0 ? 1 : 0);
    b[off + 3] = functions[k % 4];
}

void putRanges(QByteArray &b, int off)
{
    // ranges 1 and 3 active, the others zero
    Wire::put32(b, off, 1);
    Wire::putBytes(b, off + 4, 4, Wire::ipv4Bytes("192.168.1.1"));
    Wire::putBytes(b, off + 8, 4, Wire::ipv4Bytes("192.168.1.254"));
    Wire::put32(b, off + 24, 1);
    Wire::putBytes(b, off + 28, 4, Wire::ipv4Bytes("10.0.0.1"));
    Wire::putBytes(b, off + 32, 4, Wire::ipv4Bytes("10.0.0.50"));
}

} // namespace

bool isFixedLayout(quint32 model)
{
    return model == 30103 || model == 30203;
}

int serialPorts(quint32 model)
{
    switch (model) {
    case 30103:
    case 130100:
        return 1;
    case 30203:
    case 130200:
        return 2;
    case 130400:
        return 4;
    case 130800:
        return 8;
    default:
        return 16;
    }
}

quint32 defaultAliveTime(quint32 model)
{
    return isFixedLayout(model) ? 30 : 8;
}

QByteArray generate(quint32 model, const QString &ip, const QByteArray &name, const QByteArray &password)
{
    const bool fixed = isFixedLayout(model);
    const int ports = fixed ? 2 : serialPorts(model);
    const Lists lists = fixed ? Lists{3, 2, 2} : Lists{2, 1, 1};
    const int slotsI = fixed ? kFixedSlots : lists.idMaps;
    const int slotsM = fixed ? kFixedSlots : lists.masters;
    const int slotsR = fixed ? kFixedSlots : lists.requests;
    const int size = 168 + 20 * ports + 16 * slotsI + 8 * slotsM + 4 * slotsR;
    Q_ASSERT(!fixed || size == kFixedSize);

    QByteArray b(size, '\0');
    Wire::putBytes(b, 0, 8, Wire::header(5, quint32(size - 8)));
    b[11] = 0;
    Wire::putBytes(b, 12, 20, name);
    Wire::put32(b, 32, 0);
    const QByteArray addr = Wire::ipv4Bytes(ip);
    Wire::putBytes(b, 36, 4, addr);
    Wire::putBytes(b, 40, 4, Wire::ipv4Bytes("255.255.255.0"));
    QByteArray gw = addr;
    gw[3] = 1;
    Wire::putBytes(b, 44, 4, gw);
    Wire::putBytes(b, 48, 4, Wire::ipv4Bytes("8.8.8.8"));

    static const quint32 rates[] = {9600, 19200, 38400, 115200};
    int off = 56;
    for (int p = 0; p < ports; ++p, off += 8) {
        Wire::put32(b, off, rates[p % 4]);
        b[off + 4] = 8;
        b[off + 5] = 0;
        b[off + 6] = 1;
    }
    Wire::put32(b, off, quint32(lists.idMaps));
    off += 4;
    for (int k = 0; k < lists.idMaps; ++k)
        putIdMap(b, off + 16 * k, k, ports);
    off += 16 * slotsI;
    for (int p = 0; p < ports; ++p, off += 12) {
        Wire::put32(b, off, 10);
        Wire::put32(b, off + 4, 500);
        Wire::put32(b, off + 8, 0);
    }
    Wire::put32(b, off, quint32(lists.masters));
    off += 4;
    for (int k = 0; k < lists.masters; ++k)
        putMaster(b, off + 8 * k, k);
    off += 8 * slotsM;
    Wire::put32(b, off, quint32(lists.requests));
    off += 4;
    for (int k = 0; k < lists.requests; ++k)
        putRequest(b, off + 4 * k, k);
    off += 4 * slotsR;
    Wire::putBytes(b, off, 20, password);
    Wire::put32(b, off + 20, 502);
    Wire::put32(b, off + 24, 0);
    putRanges(b, off + 28);
    Q_ASSERT(off + 100 == size);
    return b;
}

} // namespace BlockBuilder
