#include "app/dialog_help.h"
#include "app/manual.h"
#include "app/mainwindow.h"
#include "app/myadvertisewidget.h"
#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/dialog_password.h"
#include "config/globals.h"
#include "config/selectdevice.h"
#include "diagnostics/communication_test.h"
#include "discovery/dialog_setip.h"
#include "editor/config.h"
#include "messages/messagetable.h"

#include <QtTest>
#include <QtWidgets>

class tst_MainWindow : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    // Stands in for the desktop's URL handler, so no browser starts.
    void openUrl(const QUrl &url) { m_opened.append(url); }

private Q_SLOTS:
    // A row click selects a listed gateway for the device buttons. Devices: model
    // ("other": Other equipment), address, "pw" when a password is set.
    void rowClick()
    {
        struct Case { QStringList devices; QList<int> clicks; bool buttonsOn; int row; QString ip; bool isTrue; int item; };
        const QStringList two = {"HW-P04 192.168.1.10 pw", "KX500-DL-2RS 192.168.1.11"};
        const QList<Case> cases = {
            {two, {}, false, -1, "untouched", false, -1},
            {two, {0}, true, 0, "192.168.1.10", true, 0},
            {two, {1}, true, 1, "192.168.1.11", false, 1},
            {{"other 10.0.0.5 pw"}, {0}, false, 0, "untouched", false, -1},
            {two, {2}, false, -1, "untouched", false, -1}, // the row past the list
            {two, {0, 5}, false, 0, "192.168.1.10", true, 0}, // an empty row keeps the selection
            {{"HW-P08 192.168.1.20 pw", "other 192.168.1.21"}, {0, 1}, false, 1, "192.168.1.20", true, 0},
        };
        for (const Case &c : cases) {
            g_appointIpAddr = "untouched", IsTrue = false, m_clickList1Item1 = m_clickList1Item2 = -1;
            MainWindow w;
            w.netTimer()->stop(); // no reachability look-up in tests
            for (const QString &row : c.devices) {
                const QStringList f = row.split(' ');
                w.equipmentList().append(new CEquipment{{}, {}, f[0] == "other" ? GetStr(8000) : f[0], f[1], {}, {},
                                                        GetStr(f.size() > 2 ? 8002 : 8003), {}});
            }
            w.fillTable();
            for (const int row : c.clicks)
                w.on_tableWidget_cellClicked(row, 1);
            for (const char *name : {"bt_Save", "bt_Locate", "bt_Configure", "bt_Remotely_reset"})
                QCOMPARE(w.findChild<QPushButton *>(name)->isEnabled(), c.buttonsOn);
            QCOMPARE((QList<QVariant>{w.selectedRow(), g_appointIpAddr, IsTrue, m_clickList1Item1, m_clickList1Item2}),
                     (QList<QVariant>{c.row, c.ip, c.isTrue, c.item, c.item}));
        }
    }

    // Once the look-up found the network, the banner (whose events pass on to
    // the window) shows a hand and opens the shown picture's link; else nothing.
    void bannerFollowsReachability()
    {
        QDesktopServices::setUrlHandler("https", this, "openUrl");
        for (const QHostInfo::HostInfoError error : {QHostInfo::NoError, QHostInfo::HostNotFound}) {
            MainWindow w;
            w.netTimer()->stop(); // the look-up is answered here, not sent
            auto *banner = w.findChild<MyAdvertiseWidget *>("label");
            QTRY_COMPARE(banner->pictureCount(), 3);
            banner->onTimeout();
            QHostInfo answer;
            answer.setError(error);
            w.onLookupHost(answer);
            w.netTimer()->stop();
            const QPoint at = banner->rect().center();
            for (const Qt::MouseButton button : {Qt::NoButton, Qt::LeftButton}) {
                QMouseEvent event(button ? QEvent::MouseButtonPress : QEvent::MouseMove, at, at,
                                  banner->mapToGlobal(at), button, button, Qt::NoModifier);
                QCoreApplication::sendEvent(banner, &event);
            }
            QCOMPARE(w.cursor().shape(), error ? Qt::ArrowCursor : Qt::PointingHandCursor);
            QCOMPARE(m_opened, QList<QUrl>{MainWindow::bannerUrl(1)}); // from the first window only
        }
    }

    // The stored "Ini" value (before: null for no file) decides whether the guide
    // shows: only a ticked box ("true") keeps it away; closing it (n Next, t tick the box, then e Exit or c close) stores the
    // box's state, but only from the last page, and the next start follows it.
    // Where the program's folder takes no file (an install under /usr; /proc takes
    // none even from root), the choice lives in the user's folder instead.
    void guideStoredChoice()
    {
        struct Case { bool readOnly; QString before; bool show; QString loaded, closing, after; };
        const QList<Case> cases = {
            {false, QString(), true, "false", "te", "false"}, {false, "", true, "false", "", "false"},
            {false, "false", true, "false", "", "false"}, {false, "yes", true, "yes", "", "yes"},
            {false, "true", false, "true", "ne", "true"}, {false, "true", false, "true", "nnnc", "false"},
            {false, "false", true, "false", "nnnte", "true"}, {true, QString(), true, "false", "nnnte", "true"},
            {true, QString(), true, "false", "nnne", "false"}, {true, "true", false, "true", "", "true"}};
        for (const Case &c : cases) {
            QTemporaryDir program, user;
            const QString programDir = c.readOnly ? "/proc" : program.path();
            const QString userDir = user.filePath("config/ZUV-DL-CFG"); // made on first use
            const QString ini = (c.readOnly ? userDir : programDir) + "/config.ini";
            if (!c.before.isNull())
                QSettings(ini, QSettings::IniFormat).setValue("Ini", c.before);
            const auto stored = [&] { return QSettings(ini, QSettings::IniFormat).value("Ini").toString(); };
            {
                Dialog_help guide;
                guide.setSettingsFolders(programDir, userDir);
                QCOMPARE(guide.LoadIni(), c.show);
                QCOMPARE(stored(), c.loaded);
                auto *box = guide.findChild<QCheckBox *>("checkBox");
                QCOMPARE(box->isChecked(), c.loaded == "true");
                if (!c.closing.isEmpty()) {
                    guide.show();
                    for (int i = 0; i < c.closing.count('n'); ++i)
                        guide.findChild<QPushButton *>("bt_next")->click();
                    box->setChecked(c.closing.contains('t'));
                    c.closing.endsWith('e') ? guide.findChild<QPushButton *>("bt_exit")->click() : void(guide.close());
                    QVERIFY(!guide.isVisible());
                }
            }
            QCOMPARE(stored(), c.after);
            QVERIFY(!QFile::exists((c.readOnly ? program.path() : userDir) + "/config.ini"));
            Dialog_help nextStart;
            nextStart.setSettingsFolders(programDir, userDir);
            QCOMPARE(nextStart.LoadIni(), c.after != "true");
        }
    }

    // Help looks beside the program, then in the installed documentation folder
    // (<prefix>/bin/../share/doc/zuv-dl-cfg); both Help buttons hand that file
    // to the desktop. Rows: the manuals present, the one expected.
    void helpOpensManual()
    {
        struct Case { QStringList present; QString expected; };
        const QString beside = "bin/ZUV-DL-CFG.pdf", installed = "share/doc/zuv-dl-cfg/ZUV-DL-CFG.pdf";
        const QList<Case> cases = {{{beside}, beside}, {{installed}, installed}, {{beside, installed}, beside},
                                   {{}, beside}, {{"share/doc/ZUV-DL-CFG/ZUV-DL-CFG.pdf"}, beside}};
        for (const Case &c : cases) {
            QTemporaryDir prefix;
            QDir(prefix.path()).mkpath("bin");
            for (const QString &file : c.present) {
                QDir(prefix.path()).mkpath(QFileInfo(file).path());
                QFile(prefix.filePath(file)).open(QIODevice::WriteOnly);
            }
            QCOMPARE(Manual::path(prefix.filePath("bin")), prefix.filePath(c.expected));
        }

        // The buttons find a manual laid out as an install lays it out beside this test.
        const QString docDir = QCoreApplication::applicationDirPath() + "/../share/doc/zuv-dl-cfg";
        QVERIFY(QDir().mkpath(docDir));
        const auto removeDoc = qScopeGuard([&] { QFile::remove(docDir + "/ZUV-DL-CFG.pdf"); QDir().rmpath(docDir); });
        QVERIFY(QFile(docDir + "/ZUV-DL-CFG.pdf").open(QIODevice::WriteOnly));
        QDesktopServices::setUrlHandler("file", this, "openUrl");
        m_opened.clear();
        MainWindow w;
        w.netTimer()->stop();
        w.findChild<QPushButton *>("bt_Help")->click();
        installConfigure(new CConfigure);
        {
            Config editor;
            editor.findChild<QPushButton *>("bt_help")->click();
        }
        installConfigure(nullptr);
        QDesktopServices::unsetUrlHandler("file");
        const QUrl manual = QUrl::fromLocalFile(QFileInfo(docDir + "/ZUV-DL-CFG.pdf").absoluteFilePath());
        QCOMPARE(m_opened, (QList<QUrl>{manual, manual}));
    }

    // A screen reader announces every entry field of the windows by its label's text, an IP address control's
    // four fields as "<label>, part 1 of 4" to "part 4 of 4", never as a bare "edit".
    void everyInputIsNamed()
    {
        installConfigure(new CConfigure);
        MainWindow main;
        main.netTimer()->stop();
        Config editor;
        Communication_Test test;
        Dialog_SetIP search;
        Dialog_Password password;
        SelectDevice chooser;
        QStringList unnamed, named;
        for (QWidget *window : std::initializer_list<QWidget *>{&main, &editor, &test, &search, &password, &chooser}) {
            for (QWidget *w : window->findChildren<QWidget *>()) {
                const bool input = qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w) || qobject_cast<QTextEdit *>(w)
                    || (qobject_cast<QAbstractItemView *>(w) && !qobject_cast<QHeaderView *>(w));
                bool insideList = false; // a combo box's own list view
                for (QWidget *up = w->parentWidget(); up && up != window; up = up->parentWidget())
                    insideList = insideList || qobject_cast<QComboBox *>(up);
                if (!input || insideList)
                    continue;
                // What the accessibility bridge hands a screen reader: a combo box's name is its current item,
                // its label comes through the labelled-by relation (a group title alone does not count).
                QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
                const auto labels = face->relations(QAccessible::Label);
                const bool byLabel = !labels.isEmpty() && qobject_cast<QLabel *>(labels.first().first->object());
                const QString name = !qobject_cast<QComboBox *>(w) ? face->text(QAccessible::Name)
                    : byLabel ? labels.first().first->text(QAccessible::Name) : QString();
                (name.isEmpty() ? unnamed : named) << window->metaObject()->className() + QStringLiteral("::") + w->objectName() + ' ' + name;
                if (auto *address = qobject_cast<MyIPCtrl *>(w->parentWidget()))
                    QCOMPARE(name, QStringLiteral("%1, part %2 of 4").arg(address->accessibleName()).arg(w->objectName().right(1).toInt() + 1));
            }
        }
        installConfigure(nullptr);
        QCOMPARE(unnamed, QStringList());
        for (const char *expected : {"Config::lineEdit_Name Name", "Config::lineEdit_1 IP Address, part 2 of 4",
                                        "Config::m_parityCheck1 Parity Check", "Communication_Test::lineEdit_Port Port"})
            QVERIFY2(named.contains(QLatin1String(expected)), expected);
        QCOMPARE(named.filter(", part 4 of 4").size(), 5 + 1 + 1 + 12 + 1 + 1); // Ethernet, target, master, ranges, test, search
    }

private:
    QList<QUrl> m_opened;
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
