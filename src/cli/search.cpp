// zuv-cfg search: the window's device list, by broadcast or by address ranges.
#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/gatewayaccess.h"
#include "cli/output.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

// The field names of --json and --csv, in the window's column order.
const char *const kKeys[CEquipment::ColumnCount] = {"number", "name", "model", "ip", "mac", "firmware", "password", "status"};

QString csvField(const QString &text)
{
    static const QString special = QStringLiteral(",\"\r\n");
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return special.contains(c); }))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

void printJson(const QVector<CEquipment> &gateways)
{
    QJsonArray list;
    for (const CEquipment &g : gateways) {
        QJsonObject entry;
        for (int c = 0; c < CEquipment::ColumnCount; ++c)
            entry.insert(QLatin1String(kKeys[c]), g.field(c));
        entry.insert(QStringLiteral("number"), g.m_number.toInt());
        list.append(entry);
    }
    Output::out() << QJsonDocument(list).toJson(QJsonDocument::Indented) << Qt::flush;
}

void printCsv(const QVector<CEquipment> &gateways)
{
    QStringList header;
    for (const char *key : kKeys)
        header << QLatin1String(key);
    Output::out() << header.join(QLatin1Char(',')) << '\n';
    for (const CEquipment &g : gateways) {
        QStringList cells;
        for (int c = 0; c < CEquipment::ColumnCount; ++c)
            cells << csvField(g.field(c));
        Output::out() << cells.join(QLatin1Char(',')) << '\n';
    }
    Output::out().flush();
}

void printTable(const QVector<CEquipment> &gateways)
{
    QList<QStringList> rows;
    for (const CEquipment &g : gateways) {
        QStringList cells;
        for (int c = 0; c < CEquipment::ColumnCount; ++c)
            cells << g.field(c);
        rows << cells;
    }
    // The window's column headings.
    Output::table({"NO.", "Name", "Model", "IP Address", "MAC Address", "Firmware Version", "Password Setting", "Status"},
                  rows);
}

} // namespace

namespace Commands {

int search(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("search"),
                     QStringLiteral("Lists the gateways that answer, with the window's columns. Without --range, "
                                    "by broadcast from every local IPv4 address, as \"Search Equipment\" does.\n"
                                    "Exit status 0 when a gateway answered, 1 when none did, 2 on an error."));
    line.rangeOption();
    line.option({QStringLiteral("json"), QStringLiteral("Prints a JSON array of objects instead of a table.")});
    line.option({QStringLiteral("csv"), QStringLiteral("Prints a header line and one line per gateway.")});
    int status = ExitDone;
    if (!line.parse(arguments, 0, 0, status))
        return status;
    const bool json = line.isSet(QStringLiteral("json"));
    const bool csv = line.isSet(QStringLiteral("csv"));
    if (json && csv)
        return Output::fail(QStringLiteral("zuv-cfg search"), QStringLiteral("--json and --csv exclude each other"));

    QList<QHostAddress> targets;
    QString error;
    if (!GatewayAccess::targets(line.values(QStringLiteral("range")), targets, error))
        return Output::fail(QStringLiteral("zuv-cfg search"), error);
    const GatewayAccess::Found found = GatewayAccess::search(targets);
    if (!found.error.isEmpty())
        return Output::fail(QStringLiteral("zuv-cfg search"), found.error);
    if (json)
        printJson(found.gateways);
    else if (csv)
        printCsv(found.gateways);
    else if (!found.gateways.isEmpty())
        printTable(found.gateways);
    else
        Output::message(QString(), QStringLiteral("no gateway answered"));
    return found.gateways.isEmpty() ? ExitNone : ExitDone;
}

} // namespace Commands
