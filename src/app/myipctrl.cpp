#include "app/myipctrl.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace {

const char kEnabledStyle[] = "background: rgb(255,255,255);border-radius: 3px;";
const char kDisabledStyle[] = "background: rgb(200,200,200);border-radius: 3px;";

} // namespace

MyIPCtrl::MyIPCtrl(QWidget *parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // A decimal 0..255 without leading zeros; "." and "," are refused so they can move on.
    auto *validator = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^(0|[1-9]|[1-9][0-9]|1[0-9][0-9]|2([0-4][0-9]|5[0-5]))$")), this);

    for (int i = 0; i < 4; ++i) {
        QLineEdit *field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("lineEdit_%1").arg(i));
        field->setFrame(false);
        field->setStyleSheet(QStringLiteral("border-radius: 0px;"));
        field->setFixedHeight(35);
        field->setAlignment(Qt::AlignLeft);
        QFont font = field->font();
        font.setStyleHint(QFont::Monospace);
        font.setFixedPitch(true);
        font.setPixelSize(18);
        field->setFont(font);
        field->setValidator(validator);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textChanged, this, &MyIPCtrl::lineEditChanged);
        m_lineEdit[i] = field;
        layout->addWidget(field, 1);

        if (i < 3) {
            QLabel *dot = new QLabel(QStringLiteral("."), this);
            dot->setFixedHeight(35);
            m_dot[i] = dot;
            layout->addWidget(dot, 0);
        }
    }
    setMaximumSize(160, 35);

    connect(this, &MyIPCtrl::signalTextChanged, this, &MyIPCtrl::slotTextChanged, Qt::QueuedConnection);
}

QString MyIPCtrl::getIP() const
{
    QStringList parts;
    for (const QLineEdit *field : m_lineEdit) {
        if (field->text().isEmpty())
            return QString();
        parts << field->text();
    }
    return parts.join(QLatin1Char('.'));
}

bool MyIPCtrl::getIP(QHostAddress *out) const
{
    const QString text = getIP();
    if (text.isNull() || !out)
        return false;
    // setIP takes parts unchecked, so "10.0.0.300" can stand in the fields.
    QHostAddress address;
    if (!address.setAddress(text) || address.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    *out = address;
    return true;
}

void MyIPCtrl::setIP(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return;
    for (int i = 0; i < 4; ++i)
        m_lineEdit[i]->setText(parts.at(i));
}

void MyIPCtrl::clearEdit()
{
    for (QLineEdit *field : m_lineEdit)
        field->clear();
    m_lineEdit[0]->setFocus();
}

bool MyIPCtrl::IsBlank() const
{
    for (const QLineEdit *field : m_lineEdit) {
        if (field->text().isEmpty())
            return false;
    }
    return true;
}

void MyIPCtrl::setIPCtrlEnabled(bool enabled)
{
    const QString style = QString::fromLatin1(enabled ? kEnabledStyle : kDisabledStyle);
    for (QLineEdit *field : m_lineEdit) {
        field->setEnabled(enabled);
        field->setStyleSheet(style);
    }
    for (QLabel *dot : m_dot)
        dot->setStyleSheet(style);
    if (enabled)
        m_lineEdit[0]->setFocus();
}

void MyIPCtrl::bindIP(MyIPCtrl *partner, bool mustNotBeLower)
{
    if (!partner || m_bound)
        return;
    m_partner = partner;
    m_mustNotBeLower = mustNotBeLower;
    m_bound = true;
}

void MyIPCtrl::nameFields(const QString &label)
{
    for (int i = 0; i < 4; ++i)
        m_lineEdit[i]->setAccessibleName(QStringLiteral("%1, part %2 of 4").arg(label).arg(i + 1));
}

void MyIPCtrl::MoveNextLineEdit(int i)
{
    if (i < 0 || i >= 3)
        return;
    QLineEdit *next = m_lineEdit[i + 1];
    next->setFocus();
    next->setCursorPosition(0);
    next->selectAll();
}

void MyIPCtrl::MovePrevLineEdit(int i)
{
    if (i <= 0 || i > 3)
        return;
    QLineEdit *prev = m_lineEdit[i - 1];
    prev->setFocus();
    prev->setCursorPosition(prev->text().length());
}

void MyIPCtrl::slotTextChanged(QLineEdit *)
{
}

void MyIPCtrl::lineEditChanged()
{
}

int MyIPCtrl::compare(bool mustNotBeLower)
{
    if (!m_partner)
        return 0;
    const QString partnerText = m_partner->getIP();
    const QStringList theirs = partnerText.split(QLatin1Char('.'));
    // An incomplete address of our own is no ordering error either.
    const QStringList ours = getIP().split(QLatin1Char('.'));
    if (partnerText.isEmpty() || theirs.size() != 4 || ours.size() != 4)
        return 0;

    int order = 0;
    for (int i = 0; i < 4 && order == 0; ++i) {
        const int mine = ours.at(i).toInt();
        const int other = theirs.at(i).toInt();
        if (mine != other)
            order = mine < other ? -1 : 1;
    }
    if (mustNotBeLower)
        return order < 0 ? -1 : 2;
    return order > 0 ? -1 : 2;
}

bool MyIPCtrl::eventFilter(QObject *watched, QEvent *event)
{
    const int i = fieldIndex(watched);
    if (i < 0)
        return QFrame::eventFilter(watched, event);

    if (event->type() == QEvent::KeyPress)
        handleKey(i, static_cast<QKeyEvent *>(event)->key());
    else if (event->type() == QEvent::FocusOut)
        checkOrder();
    // The field still gets every key, so its validator decides what is typed.
    return false;
}

int MyIPCtrl::fieldIndex(const QObject *watched) const
{
    for (int i = 0; i < 4; ++i) {
        if (m_lineEdit[i] == watched)
            return i;
    }
    return -1;
}

void MyIPCtrl::handleKey(int i, int key)
{
    QLineEdit *field = m_lineEdit[i];
    switch (key) {
    case Qt::Key_Period:
    case Qt::Key_Comma:
        MoveNextLineEdit(i);
        break;
    case Qt::Key_0:
        if (field->text().isEmpty() || field->text() == QLatin1String("0"))
            field->setText(QStringLiteral("0"));
        Q_EMIT signalTextChanged(field);
        break;
    case Qt::Key_Backspace:
        if (field->text().isEmpty() || field->cursorPosition() == 0)
            MovePrevLineEdit(i);
        break;
    case Qt::Key_Left:
        if (field->cursorPosition() == 0)
            MovePrevLineEdit(i);
        break;
    case Qt::Key_Right:
        if (field->text().isEmpty() || field->cursorPosition() == field->text().length())
            MoveNextLineEdit(i);
        break;
    default:
        Q_EMIT signalTextChanged(field);
        break;
    }
}

void MyIPCtrl::checkOrder()
{
    if (!m_bound || !IsBlank())
        return;
    if (compare(m_mustNotBeLower) != -1)
        return;
    for (QLineEdit *field : m_lineEdit)
        field->clear();
    Q_EMIT showErrorMessage();
}
