#include "app/buttonstyle.h"

#include <QPushButton>

QString buttonStyle(bool enabled, ButtonTone tone)
{
    if (!enabled)
        return QStringLiteral("background-color : rgb(127,127,127)");
    const QString base = tone == ButtonTone::Primary ? QStringLiteral("#13379f") : QStringLiteral("#0F7DBE");
    return QStringLiteral("QPushButton{background-color : %1;}"
                          "QPushButton:hover{background: qlineargradient(spread:pad, x1:0, y1:0, x2:0, y2:1, "
                          "stop:0 #50A3F0, stop:1 #489CEA);}"
                          "QPushButton:pressed{background: qlineargradient(spread:pad, x1:0, y1:0, x2:0, y2:1, "
                          "stop:0 %1, stop:1 #1582C3);}")
        .arg(base);
}

void setButtonEnabled(QPushButton *button, bool enabled, ButtonTone tone)
{
    if (!button)
        return;
    button->setEnabled(enabled);
    button->setStyleSheet(buttonStyle(enabled, tone));
}
