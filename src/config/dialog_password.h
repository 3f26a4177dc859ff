#pragma once

#include <QDialog>

class Ui_Dialog_Password;

// Asks for the gateway's password and sends it on the shared command socket;
// the socket stays connected for the read or write that follows.
class Dialog_Password : public QDialog
{
    Q_OBJECT

public:
    explicit Dialog_Password(QWidget *parent = nullptr);
    ~Dialog_Password() override;

    // True once the password went out and an answer was read into g_recvbuf.
    bool passwordSent() const { return m_result; }

private Q_SLOTS:
    void on_bt_ok_clicked();
    void on_bt_cancel_clicked();

private:
    Ui_Dialog_Password *ui = nullptr;
    bool m_result = false;
};

enum class PasswordResult { Cancelled, Rejected, Accepted };

// The read gives up the connection after a rejection; the write keeps it.
enum class OnRejection { KeepServer, CloseServer };

// Judges a finished dialog: zeroes g_recvbuf in every case and shows
// "Password error !" when the gateway did not accept the password.
PasswordResult evaluatePassword(const Dialog_Password &dialog, QWidget *messageParent,
                                OnRejection onRejection = OnRejection::KeepServer);

// Runs the dialog modally and evaluates it.
PasswordResult askPassword(QWidget *parent, OnRejection onRejection = OnRejection::KeepServer);
