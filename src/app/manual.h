#pragma once

#include <QString>

// The user manual that both Help buttons open.
namespace Manual {

// The file name Help opens.
QString fileName();
// Beside the program first (a build folder or an unpacked copy), then where an
// install puts the documentation relative to the program. When neither holds
// the file, the path beside the program, so the desktop names the missing file.
QString path(const QString &programDir);
// Hands the manual to the desktop's default handler; a missing file is not reported.
void open();

} // namespace Manual
