#pragma once

#include <QString>

class Config;
class MyIPCtrl;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

// Drives the editor's pages the way a user does: a configuration of the
// chosen model is made current, the editor is opened on a page, and fields,
// boxes and buttons are reached by their object names.
namespace EditorPages {

// Makes a bare configuration of `code` current, in transmission mode `commMode`.
void installModel(int code, int commMode);

// A new editor showing page `page`; delete it when done.
Config *openOn(int page);
// Turns the editor to `page`, storing the page left and filling the one entered.
void showPage(Config *editor, int page);

QLineEdit *edit(Config *editor, const char *name);
QCheckBox *box(Config *editor, const char *name);
QPushButton *button(Config *editor, const char *name);
QComboBox *combo(Config *editor, const char *name);
QTableWidget *table(Config *editor, const char *name);
MyIPCtrl *ipCtrl(Config *editor, const char *name);

// Types `octets` into the first fields of `ctrl`, leaving the rest empty;
// a text with four parts fills the control completely.
void typeAddress(MyIPCtrl *ctrl, const QString &octets);

// What a user's leaving a line edit reports.
void finishEditing(QLineEdit *edit, const QString &text);

// The texts of `row`, column by column; an empty text for a cell without item.
QStringList rowTexts(const QTableWidget *table, int row);

} // namespace EditorPages
