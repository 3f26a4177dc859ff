// Outside the editor's pages: address typing, the save-or-download chooser, New.
#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/selectdevice.h"
#include "editor/dialog_load.h"
#include "messages/messagetable.h"
#include "support/configfields.h"
#include "support/messagespy.h"

#include <QtTest>
#include <QtWidgets>

namespace {
struct TypingCase { QString before; int start; QString keys, after; int focus, cursor; }; // cursor -1: all selected
struct ChoiceCase { QString choice; int ipMode, answer, selected; QStringList messages, emitted; bool staysOpen; };
} // namespace

class TestEditorWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { installConfigure(nullptr); }

    // Keys: '<' Backspace, '{' Left, '}' Right, any other typed as it is.
    void addressTyping()
    {
        QWidget window;
        auto *ctrl = new MyIPCtrl(&window);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const auto field = [ctrl](int i) { return ctrl->findChild<QLineEdit *>(QStringLiteral("lineEdit_%1").arg(i)); };
        for (const TypingCase &c : std::initializer_list<TypingCase>{
                 {".2.3.4", 0, "192.", "192.2.3.4", 1, -1}, // dot moves on, selecting the next field
                 {"", 0, "192,168.1.20", "192.168.1.20", 3, 2}, // comma moves on like a dot
                 {"", 3, "7.", "...7", 3, 1}, // dot in the last field refused
                 {"", 0, "256", "25...", 0, 2}, // 256 stops at 25
                 {"", 1, "01", ".0..", 1, 1}, // leading zero refused
                 {"", 0, "a1b", "1...", 0, 1}, // letters refused
                 {"1.23..", 2, "<", "1.23..", 1, 2}, // backspace in an empty field goes to the end of the previous
                 {"", 0, "12.34{{{", "12.34..", 0, 2}, // left at the start goes to the end of the previous
                 {"1.22.3.4", 0, "}", "1.22.3.4", 1, -1}, // right at the end goes to the next, selected
             }) {
            ctrl->clearEdit();
            if (!c.before.isEmpty())
                ctrl->setIP(c.before);
            field(c.start)->setFocus();
            QTRY_VERIFY(field(c.start)->hasFocus());
            for (QChar k : c.keys) {
                const int key = k == '<' ? Qt::Key_Backspace : k == '{' ? Qt::Key_Left : k == '}' ? Qt::Key_Right : 0;
                key ? QTest::keyClick(QApplication::focusWidget(), Qt::Key(key)) : QTest::keyClick(QApplication::focusWidget(), k.toLatin1());
            }
            QStringList texts;
            for (int i = 0; i < 4; ++i)
                texts << field(i)->text();
            QCOMPARE(texts.join('.'), c.after);
            QLineEdit *now = field(c.focus);
            QVERIFY2(now->hasFocus(), qPrintable(c.keys));
            QCOMPARE(now->selectedText(), c.cursor < 0 ? now->text() : QString());
            QVERIFY(c.cursor < 0 || now->cursorPosition() == c.cursor);
        }
    }

    void saveOrDownloadChoice()
    {
        const QStringList ask{GetStr(9009)}, none, save{"save"}, download{"download"};
        const QString dhcpNotice = "It has been configured to DHCP. When DHCP cannot obtain an IP address, "
                                   "the gateway IP address will be fixed to 192.168.0.10.";
        for (const ChoiceCase &c : std::initializer_list<ChoiceCase>{
                 {"", 1, QMessageBox::No, 0, none, save, false}, // opens with save: no write even with DHCP
                 {"rd2", 0, QMessageBox::No, -1, {GetStr(4311)}, none, true}, // download without a device
                 {"rd2", 1, QMessageBox::No, 0, ask, none, true}, // DHCP question: No stops
                 {"rd2", 1, QMessageBox::Yes, 0, ask + QStringList{dhcpNotice}, download, false}, // DHCP Yes: notice, write
                 {"rd3", 0, QMessageBox::No, 0, none, save + download, false}, // both: save, then write
                 {"rd3", 0, QMessageBox::No, -1, {GetStr(4311)}, save, true}, // both, no device: saved already
             }) {
            installConfigure(new CConfigure);
            pConfigure->m_ipMode = c.ipMode;
            m_clickList1Item2 = c.selected;
            MessageSpy spy;
            spy.answerNext(QMessageBox::StandardButton(c.answer));
            Dialog_Load dialog;
            QStringList order;
            connect(&dialog, &Dialog_Load::signal_save, this, [&order] { order << "save"; });
            connect(&dialog, &Dialog_Load::signal_download, this, [&order] { order << "download"; });
            dialog.show();
            if (!c.choice.isEmpty())
                dialog.findChild<QRadioButton *>(c.choice)->click();
            dialog.findChild<QPushButton *>("bt_ok")->click();
            QCOMPARE(spy.texts(), c.messages);
            QCOMPARE(order, c.emitted);
            QCOMPARE(dialog.isVisible(), c.staysOpen);
        }
    }

    void newConfigurationOfEachModel()
    {
        const QStringList models{"KX500-DL-RS", "KX500-DL-2RS"}, codes{"130100", "130200"};
        for (int i = 0; i < 2; ++i) {
            auto *old = new CConfigure;
            old->m_idMaps << new CIDMap;
            old->m_advance = CAdvance{"secret", "1502", 5, false, 77, {}, {}, {}};
            installConfigure(old);
            g_commMode = 3;
            IsTrue = true;
            SelectDevice chooser;
            QSignalSpy called(&chooser, &SelectDevice::Call_Config);
            chooser.show();
            chooser.findChild<QComboBox *>("comboBox")->setCurrentIndex(i);
            chooser.findChild<QPushButton *>("bt_ok")->click();
            QVERIFY(called.count() == 1 && !chooser.isVisible());
            const QString expected = QStringLiteral("mode=0, model=%1, name=%2, ipMode=1, ip=192.168.0.10, mask=255.255.255.0, "
                "gateway=192.168.0.1, dns1=0.0.0.0, dns2=0.0.0.0, password=, highPort=502, serialDelay=0, keepAlive=1, alive=8, maps=0, "
                "masters=0, requests=0, s1.baud=3, s16.baud=3, s16.parity=0, s16.stop=0, s16.data=0, s16.char=10, s16.resp=300, s16.delay=0")
                                         .arg(codes[i], models[i]);
            QCOMPARE(ConfigFields::pick(*pConfigure, g_commMode, expected), ConfigFields::split(expected));
            QVERIFY(Mode == models[i] && IDS == GetStr(4189) && IsTrue); // the chosen gateway's session stays
        }
    }
};

QTEST_MAIN(TestEditorWidgets)
#include "tst_editorwidgets.moc"
