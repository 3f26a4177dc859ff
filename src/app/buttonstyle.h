#pragma once

#include <QString>

class QPushButton;

// The enabled and disabled looks of push buttons, shared by every window that
// switches its buttons on and off.
enum class ButtonTone {
    Ordinary, // #0F7DBE
    Primary, // #13379f, the main window's Search and Configurate
};

QString buttonStyle(bool enabled, ButtonTone tone);

void setButtonEnabled(QPushButton *button, bool enabled, ButtonTone tone = ButtonTone::Ordinary);
