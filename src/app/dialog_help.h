#pragma once

#include <QDialog>
#include <QString>

class Ui_Dialog_help;

// The start-up guide: four pictures of the online configuration steps. Whether
// it appears at start is kept under "Ini" in config.ini next to the program or,
// where the program's folder takes no file (an install under /usr), in the
// user's configuration folder.
class Dialog_help : public QDialog
{
    Q_OBJECT

public:
    static constexpr int PageCount = 4;

    explicit Dialog_help(QWidget *parent = nullptr);
    ~Dialog_help() override;

    // True when the guide is to be shown; a missing value is stored as "false"
    // and shows it this once.
    bool LoadIni();
    void setIni(const QString &value);

    // The file the choice is read from and stored in, chosen on first use.
    QString settingsPath();
    // Tests keep their settings out of the program's and the user's folders.
    void setSettingsFolders(const QString &programDir, const QString &userDir);

    int page() const { return m_page; }
    Ui_Dialog_help *widgets() const { return ui; }

public Q_SLOTS:
    void on_bt_back_clicked();
    void on_bt_next_clicked();
    void on_bt_exit_clicked();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showPage();
    QString storedValue();
    void store(const QString &value);

    int m_page = 1;
    QString m_programDir;
    QString m_userDir;
    QString m_settingsPath;
    Ui_Dialog_help *ui = nullptr;
};
