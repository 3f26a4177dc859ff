// Writes the seed corpora of the fuzz targets into <dir>/<target>/: blocks as
// the simulated gateways send them, files as the tool itself saves them, and
// a few short or odd answers real gateways and servers give.
#include "blockbuilder.h"
#include "wire.h"

#include "config/blockreader.h"
#include "config/configure.h"
#include "config/inffile.h"
#include "config/modelcatalogue.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

QString g_root;

void put(const QString &target, const QString &name, const QByteArray &bytes)
{
    const QString dir = g_root + QLatin1Char('/') + target;
    QDir().mkpath(dir);
    QFile file(dir + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
}

QByteArray discoveryAnswer(quint32 model, const QByteArray &name, quint32 passwordFlag, quint32 remoteFlag)
{
    QByteArray a(68, '\0');
    Wire::putBytes(a, 0, 8, Wire::header(3, 60));
    a[9] = char((model >> 16) & 0xFF);
    a[10] = char((model >> 8) & 0xFF);
    a[11] = char(model & 0xFF);
    Wire::put16(a, 24, 1);
    Wire::put16(a, 26, 10);
    Wire::putBytes(a, 28, 6, QByteArray::fromHex("001a2b3c4d5e"));
    Wire::putBytes(a, 36, 4, Wire::ipv4Bytes(QStringLiteral("192.168.0.10")));
    Wire::put32(a, 40, passwordFlag);
    Wire::putBytes(a, 44, 20, name);
    Wire::put32(a, 64, remoteFlag);
    return a;
}

void discovery()
{
    put("discoveryanswer", "hw-p04.bin", discoveryAnswer(130400, "GW-1", 0, 1));
    put("discoveryanswer", "ntc-password.bin", discoveryAnswer(30103, "NTC", 1, 1));
    put("discoveryanswer", "full-name-prohibited.bin", discoveryAnswer(131600, "ABCDEFGHIJKLMNOPQRST", 2, 0));
    put("discoveryanswer", "unknown-model.bin", discoveryAnswer(999999, "other", 0, 1));
    put("discoveryanswer", "stray-request.bin", Wire::header(3, 0));
}

QString modelName(int code)
{
    const QString name = Catalogue::discoveryName(code);
    return name.isEmpty() ? QStringLiteral("Unknown") : name;
}

void blocksAndFiles()
{
    const int codes[] = {30103, 30203, 130100, 130200, 130400, 130800, 131600};
    for (int code : codes) {
        const QByteArray block = BlockBuilder::generate(quint32(code), QStringLiteral("192.168.0.10"), "GW-1", "secret");
        const bool fixed = BlockBuilder::isFixedLayout(quint32(code));
        const QString name = QString::number(code) + QStringLiteral(".bin");
        put(fixed ? "fixedblock" : "packedblock", name, block);

        CConfigure c;
        c.m_modelCode = code;
        const BlockReader::Result read = BlockReader::read(block, c);
        if (read.length < 0) {
            std::fprintf(stderr, "block of model %d does not read\n", code);
            std::exit(1);
        }
        put("inffile", QString::number(code) + QStringLiteral(".inf"),
            InfFile::write(c, read.commMode, modelName(code)).toLocal8Bit());
    }
    // Cut off mid-list, as a connection that breaks during the read leaves it.
    put("fixedblock", "cut-600.bin", BlockBuilder::generate(30203, QStringLiteral("10.0.0.1"), "cut", "").left(600));
    put("packedblock", "cut-200.bin", BlockBuilder::generate(130800, QStringLiteral("10.0.0.1"), "cut", "").left(200));
    put("inffile", "model-only.inf", "Device_Mode\tHW-P04\n");
}

void replies()
{
    put("keepalive", "on-30s.bin", QByteArray::fromHex("0000000d000000080000000100000bb8"));
    put("keepalive", "off-unset.bin", QByteArray::fromHex("0000000d0000000800000000ffffffff"));
    put("keepalive", "short.bin", QByteArray::fromHex("0000000d"));

    put("passwordreply", "accepted.bin", QByteArray::fromHex("00000007000000080000000100000000"));
    put("passwordreply", "rejected.bin", QByteArray::fromHex("00000007000000090000000000000000"));
    put("passwordreply", "short.bin", QByteArray::fromHex("00000007"));

    put("modbusreply", "read-holding.bin", QByteArray::fromHex("000000000007010304000a0014"));
    put("modbusreply", "read-coils.bin", QByteArray::fromHex("000100000004010101ff"));
    put("modbusreply", "write-coil-echo.bin", QByteArray::fromHex("00020000000601050000ff00"));
    put("modbusreply", "write-registers-echo.bin", QByteArray::fromHex("000300000006011000000002"));
    put("modbusreply", "exception.bin", QByteArray::fromHex("000400000003018302"));
    put("modbusreply", "header-only.bin", QByteArray::fromHex("000500000000"));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-DIR\n", argv[0]);
        return 2;
    }
    g_root = QString::fromLocal8Bit(argv[1]);
    discovery();
    blocksAndFiles();
    replies();
    return 0;
}
