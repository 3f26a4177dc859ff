// The editor's small dialogs: the save-or-download chooser, the close prompt
// and the self-closing notice.
#include "config/configure.h"
#include "config/globals.h"
#include "editor/config.h"
#include "editor/dialog_load.h"
#include "editor/dialog_save.h"
#include "editor/mydialog2.h"
#include "messages/messagetable.h"
#include "support/messagespy.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

const QString kDhcpNotice = QStringLiteral(
    "It has been configured to DHCP. When DHCP cannot obtain an IP address, the gateway IP address will be fixed to "
    "192.168.0.10.");

// Time from showing a notice until it has closed itself and is gone.
qint64 lifetimeOf(MyDialog2 *notice)
{
    QPointer<MyDialog2> watched(notice);
    QElapsedTimer clock;
    clock.start();
    notice->show();
    if (!QTest::qWaitFor([&] { return watched.isNull(); }, 6000))
        return -1;
    return clock.elapsed();
}

} // namespace

class TestEditorDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void chooserOpensWithSave();
    void chooserChoices_data();
    void chooserChoices();
    void chooserCancelDoesNothing();
    void promptButtons_data();
    void promptButtons();
    void promptShortcuts_data();
    void promptShortcuts();
    void noticeClosesItself();
    void noticesEachStayTheirFullTime();
    void noticeGoneEarlyDoesNotShortenTheNext();
    void noticeCentredOverEditor();
};

void TestEditorDialogs::init()
{
    auto *configure = new CConfigure;
    configure->m_modelCode = 130400;
    installConfigure(configure);
    g_commMode = 0;
    m_clickList1Item2 = -1;
    IsSave = false;
}

void TestEditorDialogs::cleanup()
{
    installConfigure(nullptr);
    m_clickList1Item2 = -1;
}

void TestEditorDialogs::chooserOpensWithSave()
{
    Dialog_Load dialog;
    QVERIFY(dialog.findChild<QRadioButton *>("rd1")->isChecked());
    QVERIFY(!dialog.findChild<QRadioButton *>("rd2")->isChecked());
    QVERIFY(!dialog.findChild<QRadioButton *>("rd3")->isChecked());
    QCOMPARE(dialog.size(), QSize(250, 190));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("ZUV-DL-CFG"));
    QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);
    QCOMPARE(dialog.findChild<QPushButton *>("bt_cancel")->text(), QStringLiteral("CANCEL"));

    // One exclusive group: picking another choice drops "Save".
    dialog.findChild<QRadioButton *>("rd3")->click();
    QVERIFY(!dialog.findChild<QRadioButton *>("rd1")->isChecked());
}

void TestEditorDialogs::chooserChoices_data()
{
    QTest::addColumn<QString>("choice");
    QTest::addColumn<int>("ipMode");
    QTest::addColumn<int>("dhcpAnswer");
    QTest::addColumn<int>("selectedRow");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<bool>("staysOpen");

    const QString dhcp = GetStr(9009);
    const QString noDevice = GetStr(4311);
    const int yes = QMessageBox::Yes;
    const int no = QMessageBox::No;
    QTest::newRow("save writes nothing to the gateway, even with DHCP")
        << "rd1" << 1 << no << 0 << QStringList{} << QStringList{"save"} << false;
    QTest::newRow("download to the selected device")
        << "rd2" << 0 << no << 0 << QStringList{} << QStringList{"download"} << false;
    QTest::newRow("download without a selected device shows 4311")
        << "rd2" << 0 << no << -1 << QStringList{noDevice} << QStringList{} << true;
    QTest::newRow("DHCP question answered No stops")
        << "rd2" << 1 << no << 0 << QStringList{dhcp} << QStringList{} << true;
    QTest::newRow("DHCP question dismissed stops")
        << "rd2" << 1 << int(QMessageBox::NoButton) << 0 << QStringList{dhcp} << QStringList{} << true;
    QTest::newRow("DHCP Yes shows the fixed-address notice before the write")
        << "rd2" << 1 << yes << 0 << QStringList{dhcp, kDhcpNotice} << QStringList{"download"} << false;
    QTest::newRow("BOOTP asks nothing")
        << "rd2" << 2 << no << 0 << QStringList{} << QStringList{"download"} << false;
    QTest::newRow("save and download: No stops before anything is saved")
        << "rd3" << 1 << no << 0 << QStringList{dhcp} << QStringList{} << true;
    QTest::newRow("save and download saves first, then writes")
        << "rd3" << 0 << no << 0 << QStringList{} << QStringList{"save", "download"} << false;
    QTest::newRow("save and download without a device has saved already")
        << "rd3" << 0 << no << -1 << QStringList{noDevice} << QStringList{"save"} << true;
    QTest::newRow("save and download with DHCP Yes")
        << "rd3" << 1 << yes << 0 << QStringList{dhcp, kDhcpNotice} << QStringList{"save", "download"} << false;
}

void TestEditorDialogs::chooserChoices()
{
    QFETCH(QString, choice);
    QFETCH(int, ipMode);
    QFETCH(int, dhcpAnswer);
    QFETCH(int, selectedRow);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, emitted);
    QFETCH(bool, staysOpen);

    pConfigure->m_ipMode = ipMode;
    m_clickList1Item2 = selectedRow;
    MessageSpy spy;
    spy.answerNext(QMessageBox::StandardButton(dhcpAnswer));

    Dialog_Load dialog;
    QStringList order;
    connect(&dialog, &Dialog_Load::signal_save, this, [&order] { order << "save"; });
    connect(&dialog, &Dialog_Load::signal_download, this, [&order] { order << "download"; });
    dialog.show();
    dialog.findChild<QRadioButton *>(choice)->click();
    dialog.findChild<QPushButton *>("bt_ok")->click();

    QCOMPARE(spy.texts(), messages);
    for (const Msg::Shown &box : spy.shown())
        QCOMPARE(box.title, QStringLiteral("ZUV-DL-CFG"));
    if (!messages.isEmpty() && messages.first() == GetStr(9009))
        QCOMPARE(spy.shown().first().kind, Msg::Kind::Question);
    QCOMPARE(order, emitted);
    QCOMPARE(dialog.isVisible(), staysOpen);
}

void TestEditorDialogs::chooserCancelDoesNothing()
{
    m_clickList1Item2 = 0;
    MessageSpy spy;
    Dialog_Load dialog;
    QSignalSpy save(&dialog, &Dialog_Load::signal_save);
    QSignalSpy download(&dialog, &Dialog_Load::signal_download);
    dialog.show();
    dialog.findChild<QRadioButton *>("rd3")->click();
    dialog.findChild<QPushButton *>("bt_cancel")->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(save.count() + download.count(), 0);
    QVERIFY(spy.shown().isEmpty());
}

void TestEditorDialogs::promptButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("saves");
    QTest::newRow("Yes asks to save") << "bt_yes" << 1;
    QTest::newRow("No just closes") << "bt_no" << 0;
}

void TestEditorDialogs::promptButtons()
{
    QFETCH(QString, button);
    QFETCH(int, saves);
    Dialog_Save prompt;
    QCOMPARE(prompt.size(), QSize(344, 147));
    QCOMPARE(prompt.findChild<QLabel *>("label")->text(), QStringLiteral("Do you want to save the configuration?"));
    QSignalSpy save(&prompt, &Dialog_Save::signal_download);
    bool hiddenWhenAsked = false;
    connect(&prompt, &Dialog_Save::signal_download, this, [&] { hiddenWhenAsked = !prompt.isVisible(); });

    QTimer::singleShot(0, &prompt, [&prompt, button] { prompt.findChild<QPushButton *>(button)->click(); });
    QTimer::singleShot(3000, &prompt, [&prompt] { prompt.reject(); }); // never leave the test blocked
    prompt.exec();
    QCOMPARE(save.count(), saves);
    QVERIFY(!prompt.isVisible());
    if (saves)
        QVERIFY(hiddenWhenAsked);
}

void TestEditorDialogs::promptShortcuts_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("saves");
    QTest::newRow("Y is Yes") << int(Qt::Key_Y) << 1;
    QTest::newRow("N is No") << int(Qt::Key_N) << 0;
}

void TestEditorDialogs::promptShortcuts()
{
    QFETCH(int, key);
    QFETCH(int, saves);
    Dialog_Save prompt;
    QSignalSpy save(&prompt, &Dialog_Save::signal_download);
    QTimer::singleShot(0, &prompt, [&prompt, key] {
        QApplication::setActiveWindow(&prompt);
        QTest::keyClick(&prompt, Qt::Key(key));
    });
    QTimer::singleShot(3000, &prompt, [&prompt] { prompt.reject(); });
    QElapsedTimer clock;
    clock.start();
    prompt.exec();
    QVERIFY2(clock.elapsed() < 2500, "the shortcut did not close the prompt");
    QCOMPARE(save.count(), saves);
}

void TestEditorDialogs::noticeClosesItself()
{
    auto *notice = new MyDialog2(GetStr(4309), nullptr);
    QCOMPARE(notice->text(), GetStr(4309));
    QVERIFY(notice->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(notice->windowFlags() & Qt::WindowStaysOnTopHint);
    bool hasIcon = false;
    for (const QLabel *label : notice->findChildren<QLabel *>())
        hasIcon = hasIcon || !label->pixmap(Qt::ReturnByValue).isNull();
    QVERIFY(hasIcon);
    const qint64 lived = lifetimeOf(notice);
    QVERIFY2(lived >= 3000 && lived < 5000, qPrintable(QString::number(lived)));
}

void TestEditorDialogs::noticesEachStayTheirFullTime()
{
    // Two notices at once: neither cuts the other short.
    QPointer<MyDialog2> first = new MyDialog2(QStringLiteral("one"), nullptr);
    QPointer<MyDialog2> second = new MyDialog2(QStringLiteral("two"), nullptr);
    first->show();
    second->show();
    QTest::qWait(2700);
    QVERIFY(first && second);
    QVERIFY(QTest::qWaitFor([&] { return first.isNull() && second.isNull(); }, 3000));

    // A notice shown later again stays its full time.
    const qint64 lived = lifetimeOf(new MyDialog2(QStringLiteral("later"), nullptr));
    QVERIFY2(lived >= 3000 && lived < 5000, qPrintable(QString::number(lived)));
}

void TestEditorDialogs::noticeGoneEarlyDoesNotShortenTheNext()
{
    auto *owner = new QWidget;
    auto *early = new MyDialog2(QStringLiteral("closed with its owner"), nullptr, owner);
    early->show();
    QTest::qWait(1500);
    delete owner;

    const qint64 lived = lifetimeOf(new MyDialog2(QStringLiteral("next"), nullptr));
    QVERIFY2(lived >= 3000 && lived < 5000, qPrintable(QString::number(lived)));
}

void TestEditorDialogs::noticeCentredOverEditor()
{
    auto *editor = new Config;
    editor->move(40, 30);
    auto *notice = new MyDialog2(QStringLiteral("hint"), editor, editor);
    const QPoint editorCentre = editor->frameGeometry().center();
    const QPoint noticeCentre = notice->frameGeometry().center();
    QVERIFY2((editorCentre - noticeCentre).manhattanLength() <= 2,
             qPrintable(QStringLiteral("%1,%2 vs %3,%4").arg(editorCentre.x()).arg(editorCentre.y())
                            .arg(noticeCentre.x()).arg(noticeCentre.y())));
    delete editor;
}

QTEST_MAIN(TestEditorDialogs)
#include "tst_editordialogs.moc"
