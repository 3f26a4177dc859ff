// zuv-cfg modbus: the communication test's requests and judgement.
#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "diagnostics/modbusclient.h"
#include "diagnostics/modbusrequest.h"
#include "discovery/addressrange.h"
#include "messages/messagetable.h"

#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QThread>

#include <algorithm>

namespace {

constexpr quint16 DefaultPort = 502;
constexpr int MaxPollSeconds = 86400;

// A decimal number within low..high; false for anything else.
bool number(const QString &text, int low, int high, int &value)
{
    if (text.isEmpty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }))
        return false;
    value = text.toInt();
    return value >= low && value <= high;
}

struct Request {
    QString host;
    quint16 port = DefaultPort;
    ModbusRequest::Inputs inputs;
    int times = 1;
    int pollMs = 0;
};

// Everything the user gave, checked as the window checks it; false with `where` and `error`.
bool parseRequest(const CommandLine &line, Request &r, QString &where, QString &error)
{
    const QString target = line.positionals().first();
    const int colon = target.lastIndexOf(QLatin1Char(':'));
    r.host = colon < 0 ? target : target.left(colon);
    int port = DefaultPort;
    where = target;
    if (AddressRange::parseAddress(r.host).isNull() || (colon >= 0 && !number(target.mid(colon + 1), 0, 65535, port))) {
        error = QStringLiteral("expected HOST[:PORT] with an IP address, such as 192.168.0.10:502");
        return false;
    }
    r.port = quint16(port);

    const auto option = [&](const char *name, int low, int high, int &value, bool required) {
        where = QStringLiteral("--") + QLatin1String(name);
        if (!line.isSet(QLatin1String(name))) {
            error = required ? QStringLiteral("missing") : QString();
            return !required;
        }
        if (number(line.value(QLatin1String(name)), low, high, value))
            return true;
        error = QStringLiteral("\"%1\" is not a number from %2 to %3").arg(line.value(QLatin1String(name))).arg(low).arg(high);
        return false;
    };
    ModbusRequest::Inputs &in = r.inputs;
    if (!option("unit", 0, 255, in.unitId, true) || !option("function", 1, 16, in.functionCode, true)
        || !option("address", 0, 65535, in.startAddress, true))
        return false;
    QStringList offered;
    for (int index = 0; ModbusRequest::functionCodeForIndex(index) != 0; ++index)
        offered << QString::number(ModbusRequest::functionCodeForIndex(index));
    if (!offered.contains(QString::number(in.functionCode))) {
        where = QStringLiteral("--function");
        error = QStringLiteral("the function codes are %1").arg(offered.join(QStringLiteral(", ")));
        return false;
    }
    // Functions 5 and 6 take no quantity; the others at most what one request may carry.
    const int limit = ModbusRequest::quantityLimit(in.functionCode);
    if (limit > 0 && !option("count", 0, limit, in.quantity, true))
        return false;

    where = QStringLiteral("--data");
    const ModbusRequest::DataText data = ModbusRequest::parseDataText(line.value(QStringLiteral("data")), in.functionCode);
    if (!data.ok()) {
        error = GetStr(data.messageId);
        return false;
    }
    in.data = data.bytes;

    if (line.isSet(QStringLiteral("poll")) != line.isSet(QStringLiteral("times"))) {
        where = QStringLiteral("--poll");
        error = QStringLiteral("--poll SECONDS and --times N go together");
        return false;
    }
    if (line.isSet(QStringLiteral("poll"))) {
        bool ok = false;
        const double seconds = line.value(QStringLiteral("poll")).toDouble(&ok);
        where = QStringLiteral("--poll");
        if (!ok || seconds <= 0 || seconds > MaxPollSeconds) {
            error = QStringLiteral("expected seconds between requests, more than 0 and at most %1").arg(MaxPollSeconds);
            return false;
        }
        r.pollMs = int(seconds * 1000);
        if (!option("times", 1, 1000000, r.times, true))
            return false;
    }
    // Built once here, so that a refused request is refused before anything is sent.
    const ModbusRequest::Built built = ModbusRequest::buildRequest(in);
    where = QStringLiteral("--data");
    error = built.ok() ? QString() : GetStr(built.messageId);
    return built.ok();
}

// Shows one reply, after `tag` when the request is repeated; returns the exit status it stands for.
int show(const QString &where, const QString &tag, const ModbusClient::Reply &reply, const ModbusRequest::Inputs &request)
{
    if (!reply.sent)
        return Output::fail(where, tag + QStringLiteral("the request could not be sent"));
    if (reply.verdict == ModbusRequest::Verdict::NoResponse)
        return Output::fail(where, tag + GetStr(ModbusRequest::verdictMessageId(reply.verdict)));
    QTextStream &out = Output::out();
    out << tag << GetStr(ModbusRequest::verdictMessageId(reply.verdict)) << '\n';
    out << "reply: " << ModbusRequest::replyHexText(reply.bytes).trimmed() << '\n';
    for (const QString &value : ModbusRequest::decodeReply(reply.bytes, request))
        out << value << '\n';
    out.flush();
    return reply.verdict == ModbusRequest::Verdict::RightResponse ? ExitDone : ExitNone;
}

} // namespace

namespace Commands {

int modbus(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("modbus"),
                     QStringLiteral("Sends a Modbus TCP request as the communication test does, and prints its "
                                    "judgement (Right response, Error response, No response) and the reply, as hex "
                                    "and decoded.\nExit status 0 for a right response, 1 for an error response, 2 "
                                    "when no reply came or the request was refused; with --times, the worst of all."));
    line.positional(QStringLiteral("HOST[:PORT]"), QStringLiteral("The server's IP address; port 502 unless given."));
    line.option({QStringLiteral("unit"), QStringLiteral("Unit (slave) ID, 0 to 255."), QStringLiteral("N")});
    line.option({QStringLiteral("function"), QStringLiteral("Function code: 1, 2, 3, 4, 5, 6, 15 or 16."), QStringLiteral("FC")});
    line.option({QStringLiteral("address"), QStringLiteral("Start address, 0 to 65535."), QStringLiteral("A")});
    line.option({QStringLiteral("count"), QStringLiteral("Quantity, for functions 1, 2 and 15 at most 2000, for 3, 4 "
                                                         "and 16 at most 127; functions 5 and 6 take none."),
                 QStringLiteral("Q")});
    line.option({QStringLiteral("data"), QStringLiteral("Data bytes for functions 5, 6, 15 and 16: hex pairs separated "
                                                        "by single blanks, such as \"ff 00\"."),
                 QStringLiteral("HEX")});
    line.option({QStringLiteral("poll"), QStringLiteral("Repeats the request every SECONDS."), QStringLiteral("SECONDS")});
    line.option({QStringLiteral("times"), QStringLiteral("Sends the request N times in all (with --poll)."), QStringLiteral("N")});
    int status = ExitDone;
    if (!line.parse(arguments, 1, 1, status))
        return status;
    Request request;
    QString where;
    QString error;
    if (!parseRequest(line, request, where, error))
        return Output::fail(where, error);

    const QString server = QStringLiteral("%1:%2").arg(request.host).arg(request.port);
    QTcpSocket socket;
    ModbusClient client(socket);
    int worst = ExitDone;
    int transactions = 0;
    for (int i = 0; i < request.times; ++i) {
        const QDeadlineTimer next(request.pollMs);
        const QString tag = request.times > 1 ? QStringLiteral("#%1 ").arg(i + 1) : QString();
        const Outcome connected = client.connectTo(request.host, request.port);
        if (!connected) {
            worst = Output::fail(server, tag + Output::failureText(connected));
        } else {
            request.inputs.transId = ModbusRequest::transIdToSend(transactions);
            const ModbusClient::Reply reply = client.request(ModbusRequest::buildRequest(request.inputs).frame,
                                                             request.inputs.functionCode);
            transactions = request.inputs.transId + (reply.sent ? 1 : 0);
            worst = std::max(worst, show(server, tag, reply, request.inputs));
        }
        if (i + 1 < request.times)
            QThread::msleep(ulong(std::max<qint64>(0, next.remainingTime())));
    }
    client.close();
    return worst;
}

} // namespace Commands
