#pragma once

#include <QFont>

class QWidget;

// Look and placement shared by the editor and its small dialogs.
namespace DialogLook {

// "Times" at 15 pixels, the font of every button, label and field.
QFont timesFont();

// Registers the editor's pictures (connection picture, notice icon); they
// live in a static library. Calling again does nothing.
void initEditorResources();

// Moves `window` to the middle of the primary screen.
void centreOnDesktop(QWidget *window);

// Registers the editor's pictures (connection picture, notice icon); they
// live in a static library. Calling again does nothing.
void initEditorResources();

// Moves `window` to the middle of `owner`; on the desktop without an owner.
void centreOver(QWidget *window, const QWidget *owner);

} // namespace DialogLook
