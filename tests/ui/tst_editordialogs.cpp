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
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

class TestEditorDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void chooserChoices_data();
    void chooserChoices();
    void promptAnswers_data();
    void promptAnswers();
    void noticesEachStayTheirFullTime();
    void noticeCentredOverEditor();
};

void TestEditorDialogs::init()
{
    installConfigure(new CConfigure); // replaces the previous test's one
}

void TestEditorDialogs::chooserChoices_data()
{
    QTest::addColumn<QString>("choice"); // empty: the choice it opens with
    QTest::addColumn<int>("ipMode");
    QTest::addColumn<int>("dhcpAnswer");
    QTest::addColumn<int>("selectedRow");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<bool>("staysOpen");
    const QStringList ask{GetStr(9009)};
    const QStringList askAndNotice{GetStr(9009), QStringLiteral("It has been configured to DHCP. When DHCP cannot "
                                   "obtain an IP address, the gateway IP address will be fixed to 192.168.0.10.")};
    const QStringList noDevice{GetStr(4311)}, none, save{"save"}, download{"download"};
    const int yes = QMessageBox::Yes, no = QMessageBox::No;
    QTest::newRow("opens with save: no write even with DHCP") << "" << 1 << no << 0 << none << save << false;
    QTest::newRow("download without a device") << "rd2" << 0 << no << -1 << noDevice << none << true;
    QTest::newRow("DHCP question: No stops") << "rd2" << 1 << no << 0 << ask << none << true;
    QTest::newRow("DHCP question dismissed stops") << "rd2" << 1 << 0 << 0 << ask << none << true;
    QTest::newRow("DHCP Yes: notice, write") << "rd2" << 1 << yes << 0 << askAndNotice << download << false;
    QTest::newRow("BOOTP asks nothing") << "rd2" << 2 << no << 0 << none << download << false;
    QTest::newRow("both: No stops before saving") << "rd3" << 1 << no << 0 << ask << none << true;
    QTest::newRow("both: save, then write") << "rd3" << 0 << no << 0 << none << save + download << false;
    QTest::newRow("both, no device: saved already") << "rd3" << 0 << no << -1 << noDevice << save << true;
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
    if (!choice.isEmpty())
        dialog.findChild<QRadioButton *>(choice)->click();
    dialog.findChild<QPushButton *>("bt_ok")->click();

    QCOMPARE(spy.texts(), messages);
    if (ipMode == 1 && !choice.isEmpty())
        QCOMPARE(spy.shown().first().kind, Msg::Kind::Question);
    QCOMPARE(order, emitted);
    QCOMPARE(dialog.isVisible(), staysOpen);
}

void TestEditorDialogs::promptAnswers_data()
{
    QTest::addColumn<QString>("answer"); // a button, or a single key pressed
    QTest::addColumn<bool>("saves");
    QTest::newRow("Yes asks to save") << "bt_yes" << true;
    QTest::newRow("No just closes") << "bt_no" << false;
    QTest::newRow("Y is Yes") << "Y" << true;
    QTest::newRow("N is No") << "N" << false;
}

void TestEditorDialogs::promptAnswers()
{
    QFETCH(QString, answer);
    QFETCH(bool, saves);
    Dialog_Save prompt;
    QList<bool> hiddenWhenAsked;
    connect(&prompt, &Dialog_Save::signal_download, this, [&] { hiddenWhenAsked << !prompt.isVisible(); });
    QTimer::singleShot(0, &prompt, [&prompt, answer] {
        QApplication::setActiveWindow(&prompt);
        if (answer.size() == 1)
            QTest::keyClick(&prompt, Qt::Key(answer.at(0).unicode()));
        else
            prompt.findChild<QPushButton *>(answer)->click();
    });
    QTimer::singleShot(3000, &prompt, [&prompt] { prompt.reject(); }); // never leave the test blocked
    QElapsedTimer clock;
    clock.start();
    prompt.exec();
    QVERIFY2(clock.elapsed() < 2500, "the answer did not close the prompt");
    QCOMPARE(hiddenWhenAsked, saves ? QList<bool>{true} : QList<bool>{});
}

void TestEditorDialogs::noticesEachStayTheirFullTime()
{
    // Notice 0 shows with one that goes early with its owner, notice 1 once that
    // one is gone: none shortens another's time.
    QElapsedTimer clock;
    clock.start();
    qint64 lived[2] = {-1, -1};
    QObject scope; // the stopwatches stop with this test
    const auto showTimed = [&](int which) {
        const qint64 shown = clock.elapsed();
        auto *notice = new MyDialog2(QStringLiteral("notice %1").arg(which), nullptr);
        connect(notice, &QObject::destroyed, &scope, [&, which, shown] { lived[which] = clock.elapsed() - shown; });
        notice->show();
    };
    auto *owner = new QWidget;
    showTimed(0);
    (new MyDialog2(QStringLiteral("closed with its owner"), nullptr, owner))->show();
    QTest::qWait(1500);
    delete owner;
    showTimed(1);
    QVERIFY(QTest::qWaitFor([&] { return lived[0] >= 0 && lived[1] >= 0; }, 6000));
    for (qint64 time : lived)
        QVERIFY2(time >= 3000 && time < 5000, qPrintable(QString::number(time)));
}

void TestEditorDialogs::noticeCentredOverEditor()
{
    Config editor;
    editor.move(40, 30);
    auto *notice = new MyDialog2(QStringLiteral("hint"), &editor, &editor);
    const QPoint offset = editor.frameGeometry().center() - notice->frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 2, qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
}

QTEST_MAIN(TestEditorDialogs)
#include "tst_editordialogs.moc"
