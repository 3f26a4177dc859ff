#pragma once

#include <QString>

class QComboBox;
class QLineEdit;
class QTabWidget;
class Config;

// Drives the editor's pages the way a user does, for the page tests.
namespace EditorDriver {

// Makes a configuration of `code` current, with manually assigned addresses
// and every serial port as a new configuration has it; sets `g_commMode`.
void installModel(int code, int commMode = 0);

QTabWidget *tabs(Config *editor);

// Picks item `index` as a click in the open list does: the list shows it and
// reports it as chosen (also when it was shown already).
void choose(QComboBox *box, int index);

// Replaces the field's text and presses Return.
void type(QLineEdit *field, const QString &text);

} // namespace EditorDriver
