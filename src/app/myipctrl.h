#pragma once

#include <QFrame>
#include <QLineEdit>
#include <QPointer>

class QHostAddress;
class QLabel;

// Four-field IPv4 entry: one numeric field per octet, keyboard moves between
// fields, and an optional ordering check against a partner control (range start
// and range end).
class MyIPCtrl : public QFrame
{
    Q_OBJECT

public:
    explicit MyIPCtrl(QWidget *parent = nullptr);

    // Dotted text; null while any field is empty.
    QString getIP() const;
    // False, and out untouched, while any field is empty or the text is no IPv4 address.
    bool getIP(QHostAddress *out) const;
    // Takes text of exactly four dot-separated parts as it stands; anything else is ignored.
    void setIP(const QString &text);
    void clearEdit();
    // True when all four fields hold text (despite the name).
    bool IsBlank() const;
    void setIPCtrlEnabled(bool enabled);
    // Sets the ordering partner once; later calls are ignored.
    void bindIP(MyIPCtrl *partner, bool mustNotBeLower);
    // Accessible names of the four fields: "<label>, part 1 of 4" and so on.
    void nameFields(const QString &label);

    void MoveNextLineEdit(int i);
    void MovePrevLineEdit(int i);

Q_SIGNALS:
    void signalTextChanged(QLineEdit *field);
    void showErrorMessage();

public Q_SLOTS:
    void slotTextChanged(QLineEdit *field);
    void lineEditChanged();
    // -1 when this address is on the wrong side of the partner's, 2 when it is not,
    // 0 when either address is incomplete or there is no partner.
    int compare(bool mustNotBeLower = true);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int fieldIndex(const QObject *watched) const;
    void handleKey(int i, int key);
    void checkOrder();

    bool m_bound = false;
    bool m_mustNotBeLower = true;
    QPointer<MyIPCtrl> m_partner;
    QLineEdit *m_lineEdit[4] = {};
    QLabel *m_dot[3] = {};
};
