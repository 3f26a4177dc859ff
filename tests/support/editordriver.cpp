#include "support/editordriver.h"

#include "config/configure.h"
#include "config/globals.h"
#include "editor/config.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

namespace EditorDriver {

void installModel(int code, int commMode)
{
    auto *configure = new CConfigure;
    configure->m_modelCode = code;
    configure->m_name = QStringLiteral("GW");
    configure->m_ip = QStringLiteral("192.168.0.10");
    configure->m_mask = QStringLiteral("255.255.255.0");
    configure->m_gateway = QStringLiteral("192.168.0.1");
    configure->m_dns1 = QStringLiteral("0.0.0.0");
    configure->m_dns2 = QStringLiteral("0.0.0.0");
    for (CSerialPort &serial : configure->m_serial) {
        serial.m_baudRate = 3;
        serial.m_charInterval = 10;
        serial.m_respTimeout = 300;
    }
    configure->m_advance.m_highPort = QStringLiteral("502");
    installConfigure(configure);
    g_commMode = commMode;
}

QTabWidget *tabs(Config *editor)
{
    return editor->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
}

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

} // namespace EditorDriver
