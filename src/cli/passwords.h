#pragma once

#include <QHash>
#include <QString>

struct CEquipment;

// The passwords of gateways. They never come from the command line, where
// other users can read them in the process list: from a password file, from
// the environment variable ZUV_PASSWORD, or typed at a prompt without echo.
class Passwords
{
public:
    // Takes the file when one is named (one password, or lines of
    // "IP-or-MAC password"), else ZUV_PASSWORD; false with `error` when the
    // file cannot be used or a password is not one a gateway can have.
    bool load(const QString &file, QString &error);

    // The password given for this gateway, by its IP or MAC address, else the
    // one given for every gateway; empty when none was given.
    QString known(const CEquipment &gateway) const;

    // known(), else asked for at the terminal when standard input is one;
    // empty when there is none, or `error` when the typed one cannot be a password.
    QString obtain(const QString &prompt, const CEquipment &gateway, QString &error);

    // Asks once at the terminal for the password of every gateway without one
    // of its own, when none was given and standard input is a terminal.
    bool askForAll(const QString &prompt, QString &error);

    // Why a text cannot be a gateway's password; empty when it can.
    static QString problem(const QString &password);

private:
    QHash<QString, QString> m_byGateway; // by IP, or by MAC as discovery writes it
    QString m_forAll;
};
