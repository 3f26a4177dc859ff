#include "app/mainwindow.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/selectdevice.h"
#include "diagnostics/communication_test.h"
#include "discovery/dialog_setip.h"
#include "editor/config.h"

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <memory>

template <typename T>
static QList<T *> visibleWindows()
{
    QList<T *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
            found << t;
    }
    return found;
}

// The main window's buttons that open the New chooser, the communication test and the search by IP.
class TestMainButtons : public QObject
{
    Q_OBJECT

    QPushButton *button(const char *name) const { return m_window->findChild<QPushButton *>(QLatin1String(name)); }
    static void deleteClosed() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    std::unique_ptr<MainWindow> m_window;

private Q_SLOTS:
    void init()
    {
        m_window = std::make_unique<MainWindow>();
        m_window->netTimer()->stop();
        m_window->show();
    }

    void cleanup()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            w->close();
        deleteClosed();
        m_window.reset();
        installConfigure(nullptr);
    }

    void constructionWarnsOfNoSlot()
    {
        static QStringList warnings;
        warnings.clear();
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
                if (type == QtWarningMsg)
                    warnings << text;
            });
        { MainWindow another; }
        qInstallMessageHandler(previous);
        QCOMPARE(warnings.filter(QStringLiteral("connectSlotsByName")), QStringList());
        QCOMPARE(warnings.filter(QStringLiteral("No matching signal")), QStringList());
    }

    void communicationTestIsNewEachTime()
    {
        button("bt_Communicate")->click();
        button("bt_Communicate")->click();
        const QList<Communication_Test *> shown = visibleWindows<Communication_Test>();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0]->parentWidget(), nullptr);
        QPointer<Communication_Test> first = shown[0];
        first->close();
        deleteClosed();
        QVERIFY(first.isNull());
    }

    void newChooser_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK opens the editor on a new configuration") << true;
        QTest::newRow("Cancel opens nothing and keeps the configuration") << false;
    }

    void newChooser()
    {
        QFETCH(bool, ok);
        auto *kept = new CConfigure;
        installConfigure(kept);
        savefilename = QStringLiteral("/tmp/earlier.inf");
        button("bt_New")->click();
        QCOMPARE(savefilename, QString());
        QCOMPARE(visibleWindows<SelectDevice>().size(), 1);
        QPointer<SelectDevice> chooser = visibleWindows<SelectDevice>().first();
        QCOMPARE(chooser->parentWidget(), nullptr);
        chooser->findChild<QComboBox *>(QStringLiteral("comboBox"))->setCurrentIndex(1);
        chooser->findChild<QPushButton *>(ok ? "bt_ok" : "bt_cancel")->click();
        deleteClosed();
        QVERIFY(chooser.isNull());
        QCOMPARE(pConfigure == kept, !ok);
        QCOMPARE(pConfigure->m_modelCode, ok ? 130200 : 0);
        QCOMPARE(button("bt_Save")->isEnabled(), ok);
        QCOMPARE(visibleWindows<Config>().size(), ok ? 1 : 0);
    }

    void ipSearchDialogCreatedOnceAndReused()
    {
        g_appointIpAddr = QStringLiteral("127.0.0.5");
        button("bt_CappointIP")->click();
        QCOMPARE(g_appointIpAddr, QString());
        QCOMPARE(visibleWindows<Dialog_SetIP>().size(), 1);
        QPointer<Dialog_SetIP> first = visibleWindows<Dialog_SetIP>().first();
        QCOMPARE(first->parentWidget(), nullptr);
        // Closing only hides it; the next press shows the same dialog.
        first->close();
        deleteClosed();
        QVERIFY(!first.isNull() && !first->isVisible());
        button("bt_CappointIP")->click();
        QCOMPARE(visibleWindows<Dialog_SetIP>(), QList<Dialog_SetIP *>{first.data()});
        m_window.reset();
        QVERIFY(first.isNull());
    }
};

QTEST_MAIN(TestMainButtons)
#include "tst_mainbuttons.moc"
