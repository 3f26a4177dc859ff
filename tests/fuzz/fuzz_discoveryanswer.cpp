// Any datagram on a search or refresh socket: only a 68-byte answer with the
// device-information header may become a list entry, and every field of that
// entry has the form the device table shows.
#include "fuzzcheck.h"

#include "config/modelcatalogue.h"
#include "discovery/discoveryanswer.h"
#include "messages/messagetable.h"

#include <QRegularExpression>

namespace {

void checkEntry(const QByteArray &datagram, const CEquipment &e)
{
    static const QRegularExpression mac(QStringLiteral("^[0-9a-f]{2}(-[0-9a-f]{2}){5}$"));
    static const QRegularExpression firmware(QStringLiteral("^[0-9]{1,5}\\.[0-9]{1,5}$"));
    FUZZ_CHECK(e.m_number == QLatin1String("7"));
    FUZZ_CHECK(isDottedQuad(e.m_ip));
    FUZZ_CHECK(mac.match(e.m_mac).hasMatch());
    FUZZ_CHECK(firmware.match(e.m_firmware).hasMatch());
    FUZZ_CHECK(e.m_password == GetStr(8002) || e.m_password == GetStr(8003));
    FUZZ_CHECK(e.m_status == GetStr(8004) || e.m_status == GetStr(8005));
    // An unknown model never shows the bytes of its name field.
    const bool known = Catalogue::codeForName(e.m_model) != 0;
    FUZZ_CHECK(known || (e.m_model == GetStr(8000) && e.m_name == GetStr(8001)));
    if (known)
        FUZZ_CHECK(e.m_name.size() <= Discovery::NameSize && !e.m_name.contains(QChar(0)));
    FUZZ_CHECK(datagram.size() == Discovery::AnswerSize);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray datagram(reinterpret_cast<const char *>(data), int(size));
    CEquipment entry;
    entry.m_name = QStringLiteral("untouched");
    const Discovery::AnswerStatus status = Discovery::parseAnswer(datagram, 7, entry);
    if (status == Discovery::AnswerStatus::Ok)
        checkEntry(datagram, entry);
    else
        FUZZ_CHECK(entry.m_name == QLatin1String("untouched") && entry.m_ip.isEmpty());
    FUZZ_CHECK((status == Discovery::AnswerStatus::WrongLength) == (size != size_t(Discovery::AnswerSize)));

    // The hex text of any byte range inside the datagram: two digits per byte,
    // one separator between bytes.
    if (size >= 2) {
        const int start = data[0] % (int(size) + 1);
        const int end = data[1] % (int(size) + 1);
        const QString text = uncharToQstring(data, end, start, QStringLiteral("-"));
        if (start > end)
            FUZZ_CHECK(text.isNull());
        else
            FUZZ_CHECK(text.size() == (end == start ? 0 : 3 * (end - start) - 1));
    }
    return 0;
}
