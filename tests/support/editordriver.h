#pragma once

#include <QString>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QTableWidget;
class QTabWidget;
class Config;
class MyIPCtrl;

// Drives the editor's pages the way a user does.
namespace EditorDriver {

// Makes a configuration of `code` current, as a new one has its serial ports; sets `g_commMode`.
void installModel(int code, int commMode = 0);
QTabWidget *tabs(Config *editor);
// A click in the open list: shown and reported as chosen, also when shown already.
void choose(QComboBox *box, int index);
// Replaces the field's text and presses Return.
void type(QLineEdit *field, const QString &text);
// Replaces the field's text and leaves it.
void finish(QLineEdit *field, const QString &text);
// Fills the first fields of `ctrl` with the parts of `octets`, the rest empty.
void typeAddress(MyIPCtrl *ctrl, const QString &octets);
// The row's texts, "" for a cell without item.
QStringList rowTexts(const QTableWidget *table, int row);

} // namespace EditorDriver
