#include "app/dialog_help.h"

#include "app/buttonstyle.h"
#include "editor/dialoglook.h"
#include "resources/resources.h"
#include "ui_dialog_help.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace {

const char *const kKey = "Ini";
const char *const kTicked = "true";
const char *const kUnticked = "false";
const char *const kFileName = "/config.ini";

// Asked of the file system itself: permission bits say nothing for root or on a
// read-only mount. Appending changes nothing; a file made for the question goes again.
bool canWrite(const QString &path)
{
    QFile file(path);
    const bool existed = file.exists();
    if (!file.open(QIODevice::Append))
        return false;
    file.close();
    if (!existed)
        file.remove();
    return true;
}

} // namespace

Dialog_help::Dialog_help(QWidget *parent)
    : QDialog(parent)
    , m_programDir(QCoreApplication::applicationDirPath())
    , m_userDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/ZUV-DL-CFG"))
    , ui(new Ui_Dialog_help)
{
    initResources();
    ui->setupUi(this);
    resize(702, 527);
    setMaximumSize(702, 527);
    setWindowTitle(QStringLiteral("Online Configuration Process"));
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::ApplicationModal);
    const QFont times = DialogLook::timesFont();
    ui->bt_back->setFont(times);
    ui->bt_next->setFont(times);
    ui->bt_exit->setFont(times);
    ui->checkBox->setFont(times);

    m_page = 1;
    setButtonEnabled(ui->bt_back, false);
    setButtonEnabled(ui->bt_next, true);
    setButtonEnabled(ui->bt_exit, true);
    ui->checkBox->hide();
    showPage();
}

Dialog_help::~Dialog_help()
{
    delete ui;
}

void Dialog_help::setSettingsFolders(const QString &programDir, const QString &userDir)
{
    m_programDir = programDir;
    m_userDir = userDir;
    m_settingsPath.clear();
}

QString Dialog_help::settingsPath()
{
    if (m_settingsPath.isEmpty()) {
        const QString beside = m_programDir + QLatin1String(kFileName);
        m_settingsPath = canWrite(beside) ? beside : m_userDir + QLatin1String(kFileName);
    }
    return m_settingsPath;
}

QString Dialog_help::storedValue()
{
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.setIniCodec("utf-8");
    return settings.value(QLatin1String(kKey)).toString();
}

void Dialog_help::store(const QString &value)
{
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.setIniCodec("utf-8");
    settings.setValue(QLatin1String(kKey), value);
}

bool Dialog_help::LoadIni()
{
    const QString value = storedValue();
    if (value.isEmpty()) {
        store(QLatin1String(kUnticked));
        return true;
    }
    // A ticked box keeps the guide away for good; any other stored word brings
    // it back at the next start.
    const bool ticked = value == QLatin1String(kTicked);
    ui->checkBox->setChecked(ticked);
    return !ticked;
}

void Dialog_help::setIni(const QString &value)
{
    if (storedValue().isEmpty())
        store(QLatin1String(kUnticked));
    store(value);
}

void Dialog_help::showPage()
{
    const QPixmap picture(QStringLiteral(":/image/step%1.png").arg(m_page));
    ui->label->setPixmap(picture.scaled(702, 527, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void Dialog_help::on_bt_next_clicked()
{
    if (m_page >= PageCount)
        return;
    ++m_page;
    if (m_page == PageCount) {
        setButtonEnabled(ui->bt_next, false);
        ui->checkBox->show();
    } else {
        setButtonEnabled(ui->bt_back, true);
    }
    showPage();
}

void Dialog_help::on_bt_back_clicked()
{
    if (m_page <= 1)
        return;
    --m_page;
    if (m_page == 1) {
        setButtonEnabled(ui->bt_back, false);
    } else {
        setButtonEnabled(ui->bt_next, true);
        ui->checkBox->hide();
    }
    showPage();
}

void Dialog_help::on_bt_exit_clicked()
{
    close();
}

void Dialog_help::closeEvent(QCloseEvent *event)
{
    if (m_page == PageCount)
        setIni(ui->checkBox->isChecked() ? QLatin1String(kTicked) : QLatin1String(kUnticked));
    QDialog::closeEvent(event);
}
