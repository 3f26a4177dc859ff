// zuv-cfg new: a configuration made offline for a model, as the window's New makes it.
#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "config/configure.h"
#include "config/inffile.h"
#include "config/newconfigure.h"

namespace Commands {

int makeNew(const QStringList &arguments)
{
    const QStringList models = NewConfigure::offeredModels();
    CommandLine line(QStringLiteral("new"),
                     QStringLiteral("Prints a new configuration of MODEL, with the values the window's New gives it, "
                                    "as .inf text, or writes it to FILE."));
    line.positional(QStringLiteral("MODEL"), QStringLiteral("One of: %1.").arg(models.join(QStringLiteral(", "))));
    line.option({{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("Writes the text to FILE."), QStringLiteral("FILE")});
    int status = ExitDone;
    if (!line.parse(arguments, 1, 1, status))
        return status;
    const QString model = line.positionals().first();
    const int code = NewConfigure::modelCodeFor(model);
    if (code == 0)
        return Output::fail(QStringLiteral("zuv-cfg new"),
                            QStringLiteral("no new configuration for \"%1\"; the models are %2").arg(model, models.join(QStringLiteral(", "))));
    CConfigure configure;
    NewConfigure::fill(configure, code, model);
    // A new configuration is in RTU slave mode.
    const QString text = InfFile::write(configure, 0, model);
    return Output::fileText(line.value(QStringLiteral("output")), text);
}

} // namespace Commands
