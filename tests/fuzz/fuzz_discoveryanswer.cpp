// Any datagram on a search or refresh socket: only a 68-byte answer with the
// device-information header may become a list entry, in the form the device table shows.
#include "fuzzcheck.h"

#include "config/modelcatalogue.h"
#include "discovery/discoveryanswer.h"
#include "messages/messagetable.h"

#include <QRegularExpression>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray datagram(reinterpret_cast<const char *>(data), int(size));
    CEquipment e;
    e.m_name = QStringLiteral("untouched");
    const Discovery::AnswerStatus status = Discovery::parseAnswer(datagram, 7, e);
    FUZZ_CHECK((status == Discovery::AnswerStatus::WrongLength) == (size != size_t(Discovery::AnswerSize)));
    if (status != Discovery::AnswerStatus::Ok) {
        FUZZ_CHECK(e.m_name == QLatin1String("untouched") && e.m_ip.isEmpty());
        return 0;
    }
    static const QRegularExpression mac(QStringLiteral("^[0-9a-f]{2}(-[0-9a-f]{2}){5}$"));
    FUZZ_CHECK(isDottedQuad(e.m_ip) && mac.match(e.m_mac).hasMatch());
    // An unknown model shows a fixed text, never the bytes of its name field.
    if (Catalogue::codeForName(e.m_model) != 0)
        FUZZ_CHECK(e.m_name.size() <= Discovery::NameSize && !e.m_name.contains(QChar(0)));
    else
        FUZZ_CHECK(e.m_name == GetStr(8001));
    return 0;
}
