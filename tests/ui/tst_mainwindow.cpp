#include "app/buttonstyle.h"
#include "app/mainwindow.h"
#include "app/mydialog.h"
#include "app/myadvertisewidget.h"
#include "config/globals.h"
#include "messages/messagetable.h"

#include <QtTest>
#include <QtWidgets>

namespace {

CEquipment *device(const QString &model, const QString &ip, const QString &password = GetStr(8003))
{
    auto *entry = new CEquipment;
    entry->m_model = model;
    entry->m_ip = ip;
    entry->m_password = password;
    entry->m_status = GetStr(8004);
    return entry;
}

template <typename T>
T *child(QWidget *w, const char *name)
{
    T *found = w->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

void send(QWidget *target, QEvent::Type type, const QPoint &local, const QPointF &global, Qt::MouseButton button,
          Qt::MouseButtons buttons)
{
    QMouseEvent event(type, local, local, global, button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    // Stands in for the desktop's URL handler, so no browser or viewer starts.
    void openUrl(const QUrl &url) { m_opened.append(url); }

private Q_SLOTS:
    void initTestCase();
    void init();
    void rowClick_data();
    void rowClick();
    void fillTableCentresListedRows();
    void ipv4ToInteger();
    void titleMouse();
    void bannerFollowsReachability_data();
    void bannerFollowsReachability();
    void windowStateSizesColumns();
    void helpOpensManualUrl();
    void aboutBoxFromToolButtonAndMenu();
    void exitClosesWindow();

private:
    MainWindow *makeWindow(bool shown = false)
    {
        m_window = std::make_unique<MainWindow>();
        m_window->netTimer()->stop(); // the reachability look-up must not run in tests
        if (shown) {
            m_window->show();
            if (!QTest::qWaitForWindowExposed(m_window.get()))
                qWarning("main window not exposed");
        }
        return m_window.get();
    }

    std::unique_ptr<MainWindow> m_window;
    QList<QUrl> m_opened;
};

void tst_MainWindow::initTestCase()
{
    for (const char *scheme : {"https", "http", "file"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "openUrl");
}

void tst_MainWindow::init()
{
    m_opened.clear();
    g_appointIpAddr = QStringLiteral("untouched");
    IsTrue = false;
    m_clickList1Item1 = m_clickList1Item2 = -1;
}

void tst_MainWindow::rowClick_data()
{
    QTest::addColumn<QStringList>("devices"); // model|ip, "other" for Other equipment; "+pw" when a password is set
    QTest::addColumn<int>("firstClick");
    QTest::addColumn<int>("click");
    QTest::addColumn<bool>("buttonsOn");
    QTest::addColumn<int>("selectedRow");
    QTest::addColumn<QString>("appointIp");
    QTest::addColumn<bool>("isTrue");
    QTest::addColumn<int>("clickItem");
    const QStringList two = {"HW-P04|192.168.1.10+pw", "KX500-DL-2RS|192.168.1.11"};
    QTest::newRow("nothing clicked yet") << two << -1 << -1 << false << -1 << "untouched" << false << -1;
    QTest::newRow("row with password selects it") << two << -1 << 0 << true << 0 << "192.168.1.10" << true << 0;
    QTest::newRow("row without password selects it") << two << -1 << 1 << true << 1 << "192.168.1.11" << false << 1;
    QTest::newRow("Other equipment selects the row only")
        << QStringList{"other|10.0.0.5+pw"} << -1 << 0 << false << 0 << "untouched" << false << -1;
    QTest::newRow("row at the list size changes nothing") << two << -1 << 2 << false << -1 << "untouched" << false << -1;
    QTest::newRow("empty row after a device keeps its selection") << two << 0 << 5 << false << 0 << "192.168.1.10" << true << 0;
    QTest::newRow("Other equipment after a device keeps its address")
        << QStringList{"HW-P08|192.168.1.20+pw", "other|192.168.1.21"} << 0 << 1 << false << 1 << "192.168.1.20" << true << 0;
}

void tst_MainWindow::rowClick()
{
    QFETCH(QStringList, devices);
    QFETCH(int, firstClick);
    QFETCH(int, click);
    QFETCH(bool, buttonsOn);
    QFETCH(int, selectedRow);
    QFETCH(QString, appointIp);
    QFETCH(bool, isTrue);
    QFETCH(int, clickItem);
    MainWindow *w = makeWindow();
    for (QString row : devices) {
        const bool password = row.endsWith("+pw");
        const QStringList f = row.remove("+pw").split('|');
        w->equipmentList().append(device(f[0] == "other" ? GetStr(8000) : f[0], f[1], GetStr(password ? 8002 : 8003)));
    }
    w->fillTable();
    if (firstClick >= 0)
        w->on_tableWidget_cellClicked(firstClick, 3);
    if (click >= 0)
        w->on_tableWidget_cellClicked(click, 1);
    for (const char *name : {"bt_Save", "bt_Locate", "bt_Configure", "bt_Remotely_reset"}) { // need a selection
        QPushButton *b = child<QPushButton>(w, name);
        QCOMPARE(b->isEnabled(), buttonsOn);
        const ButtonTone tone = b->objectName() == "bt_Configure" ? ButtonTone::Primary : ButtonTone::Ordinary;
        QCOMPARE(b->styleSheet(), buttonStyle(buttonsOn, tone));
    }
    QCOMPARE(w->selectedRow(), selectedRow);
    QCOMPARE(g_appointIpAddr, appointIp);
    QCOMPARE(IsTrue, isTrue);
    QCOMPARE(m_clickList1Item1, clickItem);
    QCOMPARE(m_clickList1Item2, clickItem);
}

void tst_MainWindow::fillTableCentresListedRows()
{
    MainWindow *w = makeWindow();
    QTableWidget *table = child<QTableWidget>(w, "tableWidget");
    for (const char *ip : {"10.0.0.1", "10.0.0.2", "10.0.0.3"})
        w->equipmentList().append(device(QStringLiteral("HW-P16"), QString::fromLatin1(ip)));
    w->fillTable();
    QCOMPARE(table->rowCount(), 13);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < CEquipment::ColumnCount; ++column) {
            const QTableWidgetItem *item = table->item(row, column);
            QVERIFY(item);
            QCOMPARE(item->text(), w->equipmentList()[row]->field(column));
            QCOMPARE(item->textAlignment(), int(Qt::AlignCenter));
        }
    }
    // A shorter list leaves no rows of the longer one behind.
    delete w->equipmentList().takeLast();
    delete w->equipmentList().takeLast();
    w->fillTable();
    QCOMPARE(table->rowCount(), 11);
    for (int column = 0; column < CEquipment::ColumnCount; ++column)
        QVERIFY(!table->item(1, column));
}

void tst_MainWindow::ipv4ToInteger()
{
    const QList<QPair<QString, QByteArray>> rows = { // expected value high byte first
        {"192.168.1.10", QByteArray::fromHex("c0a8010a")}, {"255.255.255.255", QByteArray::fromHex("ffffffff")},
        {"192.168.1", QByteArray(4, '\0')}, // not four parts: 0
        {"a.1.2.3", QByteArray::fromHex("00010203")}, // a part that is no number counts 0
        {"1.2.3.256", QByteArray::fromHex("01020300")}}; // a part above 255 spills into the next byte
    for (const auto &row : rows)
        QCOMPARE(MainWindow::IPV4StringToInteger(row.first), qFromBigEndian<qint32>(row.second.constData()));
}

// A press on the title: the left button drags the window, positions relative to
// where it stood at the press; the right one shows the menu and drags nothing.
void tst_MainWindow::titleMouse()
{
    for (const bool left : {true, false}) {
        MainWindow *w = makeWindow(true);
        const QPoint start = w->pos();
        const QPoint title = child<QLabel>(w, "label_2")->geometry().center();
        const QPointF global = w->mapToGlobal(title);
        const Qt::MouseButton button = left ? Qt::LeftButton : Qt::RightButton;
        send(w, QEvent::MouseButtonPress, title, global, button, button);
        QCOMPARE(w->dragOff(), !left);
        QCOMPARE(w->contextMenu()->isVisible(), !left);
        send(w, QEvent::MouseMove, title, global + QPointF(30, 20), Qt::NoButton, button);
        QCOMPARE(w->pos(), left ? start + QPoint(30, 20) : start);
        if (left) {
            send(w, QEvent::MouseButtonRelease, title, global + QPointF(35, 20), button, Qt::NoButton);
            QCOMPARE(w->pos(), start + QPoint(35, 20));
            QVERIFY(w->dragOff());
        } else {
            QCOMPARE(w->contextMenu()->actions().first()->text(), QStringLiteral("About"));
            w->contextMenu()->hide();
        }
    }
}

void tst_MainWindow::bannerFollowsReachability_data()
{
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<int>("picture");
    QTest::addColumn<bool>("onBanner");
    QTest::newRow("reachable, first picture links") << true << 0 << true;
    QTest::newRow("reachable, third picture links") << true << 2 << true;
    QTest::newRow("unreachable banner opens nothing") << false << 0 << true;
    QTest::newRow("press beside the banner opens nothing") << true << 0 << false;
}

void tst_MainWindow::bannerFollowsReachability()
{
    QFETCH(bool, reachable);
    QFETCH(int, picture);
    QFETCH(bool, onBanner);
    MainWindow *w = makeWindow(true);
    MyAdvertiseWidget *banner = child<MyAdvertiseWidget>(w, "label");
    for (int i = 0; i < picture; ++i)
        banner->onTimeout();
    QHostInfo answer;
    if (!reachable)
        answer.setError(QHostInfo::HostNotFound);
    QCOMPARE(banner->pictureCount(), 3); // the resources are reachable
    QVERIFY(!w->netOk()); // inert until the look-up answers
    w->onLookupHost(answer);
    QCOMPARE(w->netOk(), reachable);
    // A failed look-up is tried again ten seconds later.
    if (!reachable)
        QVERIFY(w->netTimer()->isActive() && w->netTimer()->interval() == 10000);
    w->netTimer()->stop();
    const QPoint at = onBanner ? banner->mapTo(w, banner->rect().center()) : child<QLabel>(w, "label_2")->geometry().center();
    // Sent to the banner: the events reach the window as the banner passes them on.
    QWidget *target = onBanner ? static_cast<QWidget *>(banner) : w;
    const QPoint local = target->mapFrom(w, at);
    const QPointF global = w->mapToGlobal(at);
    send(target, QEvent::MouseMove, local, global, Qt::NoButton, Qt::NoButton);
    const bool live = reachable && onBanner;
    QCOMPARE(w->cursor().shape(), live ? Qt::PointingHandCursor : Qt::ArrowCursor);
    send(target, QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(m_opened, live ? QList<QUrl>{MainWindow::bannerUrl(picture)} : QList<QUrl>{});
    QVERIFY(MainWindow::bannerUrl(0) != MainWindow::bannerUrl(1) && MainWindow::bannerUrl(1) != MainWindow::bannerUrl(2));
    QCOMPARE(MainWindow::bannerUrl(7), MainWindow::bannerUrl(2)); // beyond the last: the last
}

// A window state change fits the columns: stretched while the list is empty,
// to their texts once devices are listed.
void tst_MainWindow::windowStateSizesColumns()
{
    MainWindow *w = makeWindow();
    QHeaderView *header = child<QTableWidget>(w, "tableWidget")->horizontalHeader();
    for (const QHeaderView::ResizeMode mode : {QHeaderView::Stretch, QHeaderView::ResizeToContents}) {
        if (mode == QHeaderView::ResizeToContents)
            w->equipmentList().append(device(QStringLiteral("HW-P04"), QStringLiteral("10.1.1.1")));
        w->fillTable();
        header->setSectionResizeMode(QHeaderView::Interactive);
        QWindowStateChangeEvent change(Qt::WindowNoState);
        QCoreApplication::sendEvent(w, &change);
        for (int c = 0; c < CEquipment::ColumnCount; ++c)
            QCOMPARE(header->sectionResizeMode(c), mode);
    }
}

void tst_MainWindow::helpOpensManualUrl()
{
    MainWindow *w = makeWindow();
    const QUrl url = MainWindow::helpUrl();
    QCOMPARE(url.toLocalFile(), QCoreApplication::applicationDirPath() + QStringLiteral("/ZUV-DL-CFG.pdf"));
    QVERIFY(!url.toString().startsWith(QLatin1String("file:////")));
    QTest::mouseClick(child<QPushButton>(w, "bt_Help"), Qt::LeftButton);
    QCOMPARE(m_opened, QList<QUrl>{url});
}

void tst_MainWindow::aboutBoxFromToolButtonAndMenu()
{
    for (const bool fromMenu : {false, true}) { // the tool button ?, the context menu's About
        MainWindow *w = makeWindow();
        if (fromMenu)
            w->contextMenu()->actions().first()->trigger();
        else
            QTest::mouseClick(child<QToolButton>(w, "toolButton_2"), Qt::LeftButton);
        QList<QPointer<MyDialog>> boxes;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<MyDialog *>(top))
                boxes.append(box);
        QCOMPARE(boxes.size(), 1);
        const QPointer<MyDialog> box = boxes.first();
        QVERIFY(box->isVisible() && !box->parent());
        QTest::mouseClick(child<QPushButton>(box, "bt_close"), Qt::LeftButton);
        QTRY_VERIFY(box.isNull()); // deleted on close
    }
}

void tst_MainWindow::exitClosesWindow()
{
    for (const char *name : {"bt_Exit", "toolButton"}) {
        MainWindow *w = makeWindow();
        w->show();
        QTest::mouseClick(w->findChild<QAbstractButton *>(QString::fromLatin1(name)), Qt::LeftButton);
        QVERIFY2(!w->isVisible(), name);
    }
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
