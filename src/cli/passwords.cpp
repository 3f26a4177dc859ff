#include "cli/passwords.h"

#include "config/frames.h"
#include "discovery/addressrange.h"
#include "discovery/equipment.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <cstdio>

#include <termios.h>
#include <unistd.h>

namespace {

// A MAC address as discovery writes it: lowercase hex pairs joined by "-".
QString macKey(const QString &text)
{
    static const QRegularExpression mac(QStringLiteral("^[0-9a-f]{2}([-:][0-9a-f]{2}){5}$"));
    const QString lower = text.toLower();
    return mac.match(lower).hasMatch() ? QString(lower).replace(QLatin1Char(':'), QLatin1Char('-')) : QString();
}

// A line typed at the terminal with its echo off.
QString readHidden(const QString &prompt)
{
    std::fprintf(stderr, "%s", qPrintable(prompt));
    std::fflush(stderr);
    termios saved{};
    const bool terminal = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= tcflag_t(~ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
    if (terminal)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fprintf(stderr, "\n");
    return read ? QString::fromLocal8Bit(line).trimmed() : QString();
}

} // namespace

QString Passwords::problem(const QString &password)
{
    if (password.isEmpty() || password.size() > Frames::MaxPasswordLength)
        return QStringLiteral("Incorrect Password Length!");
    static const QRegularExpression allowed(QStringLiteral("^[a-zA-Z0-9]+$"));
    if (!allowed.match(password).hasMatch())
        return QStringLiteral("a password holds letters and digits only");
    return QString();
}

bool Passwords::load(const QString &file, QString &error)
{
    if (file.isEmpty()) {
        m_forAll = qEnvironmentVariable("ZUV_PASSWORD");
        if (!m_forAll.isEmpty() && !problem(m_forAll).isEmpty()) {
            error = QStringLiteral("ZUV_PASSWORD: ") + problem(m_forAll);
            return false;
        }
        return true;
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("%1: %2").arg(file, f.errorString());
        return false;
    }
    int lineNumber = 0;
    QTextStream in(&f);
    while (!in.atEnd()) {
        ++lineNumber;
        const QStringList words = in.readLine().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (words.isEmpty() || words.first().startsWith(QLatin1Char('#')))
            continue;
        const QString where = QStringLiteral("%1:%2: ").arg(file).arg(lineNumber);
        const QString password = words.last();
        if (words.size() > 2 || !problem(password).isEmpty()) {
            error = where + (words.size() > 2 ? QStringLiteral("expected \"IP-or-MAC password\" or a password alone")
                                              : problem(password));
            return false;
        }
        if (words.size() == 1) {
            if (!m_forAll.isEmpty()) {
                error = where + QStringLiteral("a second password for every gateway");
                return false;
            }
            m_forAll = password;
            continue;
        }
        QString key = macKey(words.first());
        if (key.isEmpty() && !AddressRange::parseAddress(words.first()).isNull())
            key = AddressRange::parseAddress(words.first()).toString();
        if (key.isEmpty()) {
            error = where + QStringLiteral("\"%1\" is neither an IP nor a MAC address").arg(words.first());
            return false;
        }
        m_byGateway.insert(key, password);
    }
    if (m_forAll.isEmpty() && m_byGateway.isEmpty()) {
        error = QStringLiteral("%1: holds no password").arg(file);
        return false;
    }
    return true;
}

QString Passwords::known(const CEquipment &gateway) const
{
    return m_byGateway.value(gateway.m_ip, m_byGateway.value(macKey(gateway.m_mac), m_forAll));
}

QString Passwords::obtain(const QString &prompt, const CEquipment &gateway, QString &error)
{
    const QString given = known(gateway);
    if (!given.isEmpty() || !::isatty(STDIN_FILENO))
        return given;
    const QString typed = readHidden(prompt);
    error = problem(typed);
    return error.isEmpty() ? typed : QString();
}

bool Passwords::askForAll(const QString &prompt, QString &error)
{
    if (!m_forAll.isEmpty() || !::isatty(STDIN_FILENO))
        return true;
    const QString typed = readHidden(prompt);
    if (typed.isEmpty())
        return true; // the gateways that ask for one are listed as needing it
    error = problem(typed);
    if (!error.isEmpty())
        return false;
    m_forAll = typed;
    return true;
}
