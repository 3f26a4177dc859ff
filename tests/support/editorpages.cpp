#include "support/editorpages.h"

#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "editor/config.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

namespace EditorPages {

namespace {

template<typename T>
T *child(Config *editor, const char *name)
{
    T *found = editor->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("The editor has no %s", name);
    return found;
}

} // namespace

void installModel(int code, int commMode)
{
    auto *configure = new CConfigure;
    configure->m_modelCode = code;
    configure->m_name = QStringLiteral("GW");
    configure->m_ip = QStringLiteral("10.1.1.1");
    configure->m_advance.m_highPort = QStringLiteral("502");
    installConfigure(configure);
    g_commMode = commMode;
}

Config *openOn(int page)
{
    auto *editor = new Config;
    showPage(editor, page);
    return editor;
}

void showPage(Config *editor, int page)
{
    child<QTabWidget>(editor, "tabWidget")->setCurrentIndex(page);
}

QLineEdit *edit(Config *editor, const char *name)
{
    return child<QLineEdit>(editor, name);
}

QCheckBox *box(Config *editor, const char *name)
{
    return child<QCheckBox>(editor, name);
}

QPushButton *button(Config *editor, const char *name)
{
    return child<QPushButton>(editor, name);
}

QComboBox *combo(Config *editor, const char *name)
{
    return child<QComboBox>(editor, name);
}

QTableWidget *table(Config *editor, const char *name)
{
    return child<QTableWidget>(editor, name);
}

MyIPCtrl *ipCtrl(Config *editor, const char *name)
{
    return child<MyIPCtrl>(editor, name);
}

void typeAddress(MyIPCtrl *ctrl, const QString &octets)
{
    ctrl->clearEdit();
    const QStringList parts = octets.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size() && i < 4; ++i)
        ctrl->findChild<QLineEdit *>(QStringLiteral("lineEdit_%1").arg(i))->setText(parts.at(i));
}

void finishEditing(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    emit edit->editingFinished();
}

QStringList rowTexts(const QTableWidget *table, int row)
{
    QStringList texts;
    for (int column = 0; column < table->columnCount(); ++column) {
        const QTableWidgetItem *item = table->item(row, column);
        texts << (item ? item->text() : QString());
    }
    return texts;
}

} // namespace EditorPages
