#pragma once

#include "config/gatewayclient.h"
#include "discovery/equipment.h"

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QVector>

#include <functional>

class Passwords;

// Finding gateways and reaching one, through the core's search and gateway
// client. Failures come back as the text the user reads.
namespace GatewayAccess {

struct Found {
    QVector<CEquipment> gateways; // in the order they answered
    QString error; // the search could not run
};

// Runs a search to its end: broadcast from every local address when `targets`
// is empty, otherwise one unicast request to each target. `answered`, when
// given, has each gateway as soon as it answered, while the search goes on.
Found search(const QList<QHostAddress> &targets, const std::function<void(const CEquipment &)> &answered = {});

// The addresses of the ranges as a user writes them, at most as many as a
// search asks; false with `error` for a malformed range or too many addresses.
bool targets(const QStringList &ranges, QList<QHostAddress> &addresses, QString &error);

// The discovery answer of the gateway at `ipText`, which names its model (and
// so its block layout) and says whether it asks for a password, as the
// window's list does; false with `error` when the address is malformed or
// nothing answered.
bool probe(const QString &ipText, CEquipment &gateway, QString &error);

// The gateway asks for a password (its listed password setting).
bool asksPassword(const CEquipment &gateway);
// The gateway allows remote configuration (its listed status).
bool allowsConfiguration(const CEquipment &gateway);
// Why the gateway's configuration cannot be read or written: a model outside
// the catalogue, or configuration prohibited; empty when it can.
QString configurationRefusal(const CEquipment &gateway);

// A gateway to read or write, with the password it asks for.
struct Target {
    CEquipment gateway;
    QString password; // empty when it asks for none
};

// Finds the password when the gateway asks for one; false with `error` when none is to be had.
bool givePassword(Passwords &passwords, Target &target, QString &error);

// A connection for `purpose`, on which the password was accepted when the gateway asks for one.
Outcome open(GatewayClient &client, const Target &target, GatewayClient::Purpose purpose);

// The gateway's configuration, read on a socket of its own, so that any thread may call it.
Outcome read(const Target &target, GatewayClient::Configuration &out);

// probe, configurationRefusal, givePassword and read, one after the other,
// as every command that reads a gateway by its address does them.
bool fetch(const QString &ipText, Passwords &passwords, Target &target, GatewayClient::Configuration &out, QString &error);

} // namespace GatewayAccess
