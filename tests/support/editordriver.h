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

// Makes a configuration of `code` current, serial ports as a new one has them; sets `g_commMode`.
void installModel(int code, int commMode = 0);
QTabWidget *tabs(Config *editor);
void choose(QComboBox *box, int index); // as a click in the open list, also on the item shown
void type(QLineEdit *field, const QString &text); // then Return
void finish(QLineEdit *field, const QString &text); // then leaves the field
void typeAddress(MyIPCtrl *ctrl, const QString &octets); // the fields beyond the parts stay empty
QStringList rowTexts(const QTableWidget *table, int row); // "" for a cell without item

} // namespace EditorDriver
