// Saving the current configuration to an ".inf" file and opening one.
#include "app/mainwindow.h"

#include "config/configure.h"
#include "config/globals.h"
#include "config/inffile.h"
#include "messages/messagebox.h"
#include "messages/messagetable.h"
#include "ui_mainwindow.h"

#include <QFileDialog>

namespace {

const QString kFilter = QStringLiteral("Config File (*.inf)");

// Models whose editor is opened with the later firmware version.
QString editorVersion(const QString &model)
{
    if (model == QLatin1String("NTC-P02DL") || model == QLatin1String("KX500-EN-2RS485(Modbus TCP)"))
        return QStringLiteral("2.1");
    return QStringLiteral("1.1");
}

} // namespace

void MainWindow::on_bt_Save_clicked()
{
    if (const CEquipment *entry = selectedEquipment()) {
        const QString model = entry->m_model;
        if (!MyRecvBuf())
            return;
        // The gateway's configuration is the current one now, and so is its
        // model: a later save from the editor names it too.
        Mode = model;
    }
    saveConfiguration(Mode);
}

void MainWindow::saveConfiguration(const QString &modelName)
{
    if (!pConfigure)
        return;
    QString path = savefilename;
    if (path.isEmpty()) {
        path = QFileDialog::getSaveFileName(this, QStringLiteral("Save"), QString(), kFilter);
        if (path.isEmpty())
            return;
    }
    if (path.split(QLatin1Char('.')).size() < 2)
        path += QStringLiteral(".inf");

    const InfFile::WriteStatus written = InfFile::writeFile(path, InfFile::write(*pConfigure, g_commMode, modelName));
    if (written == InfFile::WriteStatus::CannotOpen)
        return;
    savefilename = path;
    // A file that could not be written whole must not be reported as saved.
    if (written == InfFile::WriteStatus::Failed) {
        Msg::warn(this, GetStr(5047));
        return;
    }
    Msg::warn(this, QStringLiteral("Save successfully!"));
}

void MainWindow::on_bt_Open_clicked()
{
    const CEquipment *entry = selectedEquipment();
    if (entry && entry->m_status == GetStr(4114)) {
        Msg::warn(this, GetStr(4115));
        return;
    }
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open"), QString(), kFilter);
    if (path.isEmpty())
        return;
    QString text;
    const InfFile::Status loaded = InfFile::readFile(path, text);
    if (loaded == InfFile::Status::CannotOpen)
        return;
    if (loaded != InfFile::Status::Ok) {
        Msg::warn(this, GetStr(InfFile::messageId(loaded)));
        return;
    }

    // Read aside: a file that turns out unusable leaves the configuration
    // the user was working on, and the file it belongs to, in place.
    InfFile::Loaded file = InfFile::load(text);
    if (file.scan.status != InfFile::Status::Ok) {
        Msg::warn(this, GetStr(InfFile::messageId(file.scan.status)));
        return;
    }
    // The file dialog ran an event loop, in which the list may have changed.
    entry = selectedEquipment();
    if (entry && entry->m_model != file.scan.modelName) {
        Msg::warn(this, InfFile::modelMismatchText());
        return;
    }
    if (file.read.status != InfFile::Status::Ok) {
        Msg::warn(this, GetStr(InfFile::messageId(file.read.status)));
        return;
    }

    installConfigure(file.configure.release());
    savefilename = path;
    IDS = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    Mode = file.scan.modelName;
    g_commMode = file.read.commMode;
    setBtStatus(ui->bt_Save, true);
    OnProperties(Mode, editorVersion(Mode));
}
