#include "support/editordriver.h"

#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "editor/config.h"

#include <QtTest>
#include <QtWidgets>

namespace EditorDriver {

void installModel(int code, int commMode)
{
    auto *c = new CConfigure;
    c->m_modelCode = code;
    c->m_name = QStringLiteral("GW");
    c->m_ip = QStringLiteral("192.168.0.10");
    c->m_mask = QStringLiteral("255.255.255.0");
    c->m_gateway = QStringLiteral("192.168.0.1");
    c->m_dns1 = c->m_dns2 = QStringLiteral("0.0.0.0");
    for (CSerialPort &serial : c->m_serial)
        serial = {3, 0, 0, 0, 10, 300, 0};
    c->m_advance.m_highPort = QStringLiteral("502");
    installConfigure(c);
    g_commMode = commMode;
}

QTabWidget *tabs(Config *editor) { return editor->findChild<QTabWidget *>(QStringLiteral("tabWidget")); }

void choose(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void type(QLineEdit *field, const QString &text)
{
    field->setText(text);
    QTest::keyClick(field, Qt::Key_Return);
}

void finish(QLineEdit *field, const QString &text)
{
    field->setText(text);
    emit field->editingFinished();
}

void typeAddress(MyIPCtrl *ctrl, const QString &octets)
{
    ctrl->clearEdit();
    const QStringList parts = octets.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size() && i < 4; ++i)
        ctrl->findChild<QLineEdit *>(QStringLiteral("lineEdit_%1").arg(i))->setText(parts.at(i));
}

QStringList rowTexts(const QTableWidget *table, int row)
{
    QStringList texts;
    for (int column = 0; column < table->columnCount(); ++column)
        texts << (table->item(row, column) ? table->item(row, column)->text() : QString());
    return texts;
}

} // namespace EditorDriver
