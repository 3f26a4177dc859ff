#pragma once

#include <QByteArray>
#include <QString>

class QApplication;

// The look every window of the tool shares: the application style sheet
// ":/image/<name>.css", the palette colour #F0F0F0 and the window icon.
void applyApplicationLook(QApplication &app, const QString &sheetName = QStringLiteral("navy"));

// The style sheet text of the bytes of a sheet resource: up to the first zero
// byte, as Latin-1.
QString styleSheetText(const QByteArray &bytes);
