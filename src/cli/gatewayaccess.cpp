#include "cli/gatewayaccess.h"

#include "cli/output.h"
#include "cli/passwords.h"
#include "config/modelcatalogue.h"
#include "discovery/addressrange.h"
#include "discovery/devicesearch.h"
#include "messages/messagetable.h"

#include <QEventLoop>
#include <QTcpSocket>

namespace GatewayAccess {

Found search(const QList<QHostAddress> &targets, const std::function<void(const CEquipment &)> &answered)
{
    Found found;
    DeviceSearch search;
    QEventLoop loop;
    QObject::connect(&search, &DeviceSearch::finished, &loop, &QEventLoop::quit);
    if (answered)
        QObject::connect(&search, &DeviceSearch::deviceFound, answered);
    QObject::connect(&search, &DeviceSearch::progressed, [&](int value, int maximum) {
        Output::progress(targets.isEmpty()
                             ? QStringLiteral("searching: %1%, %2 found").arg(100 * value / maximum).arg(search.found().size())
                             : QStringLiteral("asked %1 of %2 addresses, %3 found").arg(value).arg(maximum).arg(search.found().size()));
    });
    if (targets.isEmpty()) {
        const QList<QHostAddress> local = DeviceSearch::localAddresses();
        if (local.isEmpty()) {
            found.error = QStringLiteral("this computer has no IPv4 address to search from");
            return found;
        }
        if (search.open(local) == 0) {
            found.error = QStringLiteral("no local address could be bound for the search");
            return found;
        }
        search.start(int(local.size()));
    } else if (!search.startRange(targets)) {
        found.error = QStringLiteral("no local address could be bound for the search");
        return found;
    }
    loop.exec();
    Output::endProgress();
    found.gateways = search.found();
    return found;
}

bool targets(const QStringList &ranges, QList<QHostAddress> &addresses, QString &error)
{
    AddressRange::Parsed parsed = AddressRange::parse(ranges, DeviceSearch::MaxRangeTargets);
    addresses = parsed.addresses;
    error = parsed.error;
    return parsed.ok();
}

bool probe(const QString &ipText, CEquipment &gateway, QString &error)
{
    const QHostAddress address = AddressRange::parseAddress(ipText);
    if (address.isNull()) {
        error = QStringLiteral("not an IP address (such as 192.168.0.10)");
        return false;
    }
    const Found found = search({address});
    if (!found.error.isEmpty() || found.gateways.isEmpty()) {
        error = found.error.isEmpty() ? QStringLiteral("no gateway answered at this address") : found.error;
        return false;
    }
    gateway = found.gateways.first();
    return true;
}

bool asksPassword(const CEquipment &gateway)
{
    return gateway.m_password == GetStr(4010);
}

bool allowsConfiguration(const CEquipment &gateway)
{
    return gateway.m_status != GetStr(4013);
}

QString configurationRefusal(const CEquipment &gateway)
{
    if (Catalogue::codeForName(gateway.m_model) == 0)
        return GetStr(8001);
    return allowsConfiguration(gateway) ? QString() : GetStr(4017);
}

bool givePassword(Passwords &passwords, Target &target, QString &error)
{
    target.password.clear();
    if (!asksPassword(target.gateway))
        return true;
    target.password = passwords.obtain(QStringLiteral("Password for %1: ").arg(target.gateway.m_ip), target.gateway, error);
    if (target.password.isEmpty() && error.isEmpty())
        error = QStringLiteral("the gateway asks for a password: give --password-file FILE or ZUV_PASSWORD, "
                               "or run at a terminal to type it");
    return error.isEmpty();
}

Outcome open(GatewayClient &client, const Target &target, GatewayClient::Purpose purpose)
{
    Outcome done = client.connectTo(target.gateway.m_ip, purpose);
    if (done && asksPassword(target.gateway))
        done = client.authenticate(target.password, GatewayClient::PasswordSource::Typed);
    return done;
}

Outcome read(const Target &target, GatewayClient::Configuration &out)
{
    QTcpSocket socket;
    GatewayClient client(socket);
    Outcome done = open(client, target, GatewayClient::Purpose::Read);
    if (done)
        done = client.readConfiguration(Catalogue::codeForName(target.gateway.m_model), out);
    client.close();
    return done;
}

bool fetch(const QString &ipText, Passwords &passwords, Target &target, GatewayClient::Configuration &out, QString &error)
{
    if (!probe(ipText, target.gateway, error))
        return false;
    error = configurationRefusal(target.gateway);
    if (!error.isEmpty() || !givePassword(passwords, target, error))
        return false;
    const Outcome done = read(target, out);
    if (!done)
        error = Output::failureText(done);
    return done.ok;
}

} // namespace GatewayAccess
