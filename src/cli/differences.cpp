#include "cli/differences.h"

#include "cli/output.h"

namespace Differences {

namespace {

QString shown(const QString &key, const QString &value, bool present)
{
    if (!present)
        return QStringLiteral("(none)");
    if (value.isEmpty())
        return QStringLiteral("\"\"");
    // A gateway's password is not put on a screen others may see.
    if (key == QLatin1String("Password"))
        return QStringLiteral("********");
    return value;
}

} // namespace

void print(const QVector<SettingList::Difference> &differences, const QString &pattern)
{
    for (const SettingList::Difference &d : differences)
        Output::out() << pattern.arg(d.key, shown(d.key, d.first, d.inFirst), shown(d.key, d.second, d.inSecond)) << '\n';
    Output::out().flush();
}

} // namespace Differences
