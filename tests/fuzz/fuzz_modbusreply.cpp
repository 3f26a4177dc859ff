// Any reply of a Modbus TCP server to the communication test, judged for each
// function code the window can send, shown as hex text and decoded as zuv-cfg
// shows it.
#include "fuzzcheck.h"

#include "diagnostics/modbusrequest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The window reads at most 300 bytes of a reply.
    const QByteArray reply(reinterpret_cast<const char *>(data), int(qMin<size_t>(size, 300)));
    using ModbusRequest::Verdict;
    for (int index = 0; index < 8; ++index) {
        const int code = ModbusRequest::functionCodeForIndex(index);
        const Verdict verdict = ModbusRequest::judgeReply(reply, code);
        FUZZ_CHECK((verdict == Verdict::NoResponse) == reply.isEmpty());
        FUZZ_CHECK((verdict == Verdict::RightResponse) == (reply.size() > 7 && uchar(reply.at(7)) == code));
        // zuv-cfg's reading of it, for the function's largest request: at most one line per value asked
        // for and held.
        const ModbusRequest::Inputs request{0, 1, code, 65535, ModbusRequest::quantityLimit(code), {}};
        const int values = code <= 2 ? request.quantity : code <= 4 ? qMax(1, (reply.size() - 9) / 2) : 1;
        FUZZ_CHECK(ModbusRequest::decodeReply(reply, request).size() <= values);
    }
    FUZZ_CHECK(ModbusRequest::replyHexText(reply).size() == (reply.size() > 6 ? 3 * (reply.size() - 6) : 0));
    const int declared = ModbusRequest::declaredReplyLength(reply);
    FUZZ_CHECK(reply.size() < 6 ? declared == -1 : (declared >= 6 && declared <= 6 + 0xFFFF));
    return 0;
}
