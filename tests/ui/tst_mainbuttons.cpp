#include "app/mainwindow.h"
#include "app/mydialog.h"
#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "config/selectdevice.h"
#include "diagnostics/communication_test.h"
#include "discovery/dialog_setip.h"
#include "editor/config.h"

#include <QApplication>
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

QStringList g_warnings;
QtMessageHandler g_previous = nullptr;

void keepWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg)
        g_warnings << text;
    if (g_previous)
        g_previous(type, context, text);
}

template <typename T>
QList<T *> visibleWindows()
{
    QList<T *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
            found << t;
    }
    return found;
}

// Closes every top-level window but the main window, and lets deferred deletes run.
void closeOthers(QWidget *keep)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w != keep && w->isVisible())
            w->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

// The main window's buttons that open the New chooser, the communication test
// and the search by IP address.
class TestMainButtons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void constructionWarnsOfNoSlot();
    void aboutActionOpensAboutBox();
    void communicationTestIsNewEachTime();
    void newOpensChooserAndEditor();
    void newCancelledOpensNoEditor();
    void ipSearchDialogCreatedOnceAndReused();
    void ipSearchDialogLook();

private:
    QPushButton *button(const char *name) const { return m_window->findChild<QPushButton *>(QLatin1String(name)); }

    std::unique_ptr<MainWindow> m_window;
};

void TestMainButtons::init()
{
    m_window = std::make_unique<MainWindow>();
    m_window->netTimer()->stop();
    m_window->show();
}

void TestMainButtons::cleanup()
{
    closeOthers(m_window.get());
    m_window.reset();
    installConfigure(nullptr);
}

void TestMainButtons::constructionWarnsOfNoSlot()
{
    g_warnings.clear();
    g_previous = qInstallMessageHandler(keepWarnings);
    { MainWindow another; }
    qInstallMessageHandler(g_previous);
    g_previous = nullptr;
    QCOMPARE(g_warnings.filter(QStringLiteral("connectSlotsByName")), QStringList());
    QCOMPARE(g_warnings.filter(QStringLiteral("No matching signal")), QStringList());
}

void TestMainButtons::aboutActionOpensAboutBox()
{
    const QList<QAction *> actions = m_window->contextMenu()->actions();
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions.first()->text(), QStringLiteral("About"));
    QCOMPARE(visibleWindows<MyDialog>().size(), 0);
    actions.first()->trigger();
    QCOMPARE(visibleWindows<MyDialog>().size(), 1);
}

void TestMainButtons::communicationTestIsNewEachTime()
{
    QPushButton *open = button("bt_Communicate");
    QVERIFY(open);
    open->click();
    open->click();
    const QList<Communication_Test *> shown = visibleWindows<Communication_Test>();
    QCOMPARE(shown.size(), 2);
    QVERIFY(shown[0] != shown[1]);
    for (Communication_Test *t : shown) {
        QVERIFY(t->isWindow());
        QCOMPARE(t->parentWidget(), nullptr);
    }
    // A closed window does not linger.
    QPointer<Communication_Test> first = shown[0];
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());
}

void TestMainButtons::newOpensChooserAndEditor()
{
    savefilename = QStringLiteral("/tmp/earlier.inf");
    QPushButton *save = button("bt_Save");
    QVERIFY(save && !save->isEnabled());

    for (int index : {1, 0}) {
        button("bt_New")->click();
        QCOMPARE(savefilename, QString());
        const QList<SelectDevice *> choosers = visibleWindows<SelectDevice>();
        QCOMPARE(choosers.size(), 1);
        QPointer<SelectDevice> chooser = choosers.first();
        QCOMPARE(chooser->parentWidget(), nullptr);
        const int editorsBefore = visibleWindows<Config>().size();
        chooser->findChild<QComboBox *>(QStringLiteral("comboBox"))->setCurrentIndex(index);
        chooser->findChild<QPushButton *>(QStringLiteral("bt_ok"))->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(chooser.isNull());

        QVERIFY(pConfigure);
        QCOMPARE(pConfigure->m_modelCode, index == 0 ? 130100 : 130200);
        QVERIFY(save->isEnabled());
        QCOMPARE(visibleWindows<Config>().size(), editorsBefore + 1);
        for (Config *editor : visibleWindows<Config>())
            editor->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void TestMainButtons::newCancelledOpensNoEditor()
{
    auto *kept = new CConfigure;
    kept->m_modelCode = 130400;
    installConfigure(kept);
    button("bt_New")->click();
    const QList<SelectDevice *> choosers = visibleWindows<SelectDevice>();
    QCOMPARE(choosers.size(), 1);
    choosers.first()->findChild<QPushButton *>(QStringLiteral("bt_cancel"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(visibleWindows<SelectDevice>().size(), 0);
    QCOMPARE(visibleWindows<Config>().size(), 0);
    QCOMPARE(pConfigure, kept);
    QVERIFY(!button("bt_Save")->isEnabled());
}

void TestMainButtons::ipSearchDialogCreatedOnceAndReused()
{
    QPushButton *open = button("bt_CappointIP");
    QVERIFY(open);
    g_appointIpAddr = QStringLiteral("127.0.0.5");
    open->click();
    QCOMPARE(g_appointIpAddr, QString());
    QList<Dialog_SetIP *> shown = visibleWindows<Dialog_SetIP>();
    QCOMPARE(shown.size(), 1);
    QPointer<Dialog_SetIP> first = shown.first();
    QCOMPARE(first->parentWidget(), nullptr);

    // Closing only hides it; the next press shows the same dialog.
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first.isNull());
    QVERIFY(!first->isVisible());
    g_appointIpAddr = QStringLiteral("127.0.0.6");
    open->click();
    QCOMPARE(g_appointIpAddr, QString());
    shown = visibleWindows<Dialog_SetIP>();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first(), first.data());

    // It goes with the main window.
    m_window.reset();
    QVERIFY(first.isNull());
}

void TestMainButtons::ipSearchDialogLook()
{
    Dialog_SetIP d;
    QCOMPARE(d.windowTitle(), QStringLiteral("Search Equipment By IP"));
    QCOMPARE(d.minimumSize(), QSize(300, 120));
    QCOMPARE(d.maximumSize(), QSize(300, 120));
    QCOMPARE(d.windowModality(), Qt::ApplicationModal);
    QVERIFY(d.windowFlags() & Qt::CustomizeWindowHint);
    QVERIFY(d.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    auto *control = d.findChild<MyIPCtrl *>(QStringLiteral("frame_3"));
    QVERIFY(control);
    QVERIFY(control->minimumWidth() >= 168);
    QCOMPARE(control->styleSheet(), QStringLiteral("border:0px;"));
    auto *frame = d.findChild<QFrame *>(QStringLiteral("frame"));
    QVERIFY(frame && frame->minimumWidth() >= 170 && frame->maximumHeight() <= 37);
    QCOMPARE(frame->styleSheet(), QStringLiteral("border-radius: 5px;border:1px solid #50A3F0;"));
    for (const char *name : {"bt_ok", "bt_cancel"}) {
        auto *b = d.findChild<QPushButton *>(QLatin1String(name));
        QVERIFY2(b && b->minimumWidth() >= 65 && b->minimumHeight() >= 30, name);
        QCOMPARE(b->font().family(), QStringLiteral("Times"));
        QCOMPARE(b->font().pixelSize(), 15);
    }
    QCOMPARE(d.socket(), nullptr);
}

QTEST_MAIN(TestMainButtons)
#include "tst_mainbuttons.moc"
