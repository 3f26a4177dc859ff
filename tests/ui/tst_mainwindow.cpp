#include "app/buttonstyle.h"
#include "app/mainwindow.h"
#include "app/mydialog.h"
#include "app/myadvertisewidget.h"
#include "config/globals.h"
#include "messages/messagetable.h"
#include "support/messagespy.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QStatusBar>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>
#include <QtEndian>
#include <QtTest>

#include <memory>

namespace {

CEquipment *device(const QString &model, const QString &ip, const QString &password)
{
    auto *entry = new CEquipment;
    entry->m_number = QStringLiteral("1");
    entry->m_name = QStringLiteral("gw-") + ip;
    entry->m_model = model;
    entry->m_ip = ip;
    entry->m_mac = QStringLiteral("00-1a-2b-3c-4d-5e");
    entry->m_firmware = QStringLiteral("1.10");
    entry->m_password = password;
    entry->m_status = GetStr(8004);
    return entry;
}

// A row of the device list in the compact form "model|ip|password".
CEquipment *deviceFromSpec(const QString &spec)
{
    const QStringList f = spec.split(QLatin1Char('|'));
    const QString model = f.value(0) == QLatin1String("other") ? GetStr(8000) : f.value(0);
    const QString password = f.value(2) == QLatin1String("pw") ? GetStr(8002) : GetStr(8003);
    return device(model, f.value(1), password);
}

template <typename T>
T *child(QWidget *w, const char *name)
{
    T *found = w->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
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
    void cleanupTestCase();
    void init();
    void cleanup();

    void widgetTree_data();
    void widgetTree();
    void windowLook();
    void tableSetUp();
    void startButtonStates();
    void buttonStyles_data();
    void buttonStyles();
    void rowClick_data();
    void rowClick();
    void fillTableCentresListedRows();
    void ipv4ToInteger_data();
    void ipv4ToInteger();
    void rightPressShowsMenuWithoutDrag();
    void leftDragMovesWindow();
    void bannerFollowsReachability_data();
    void bannerFollowsReachability();
    void failedLookupRetriesLater();
    void windowStateSizesColumns_data();
    void windowStateSizesColumns();
    void helpOpensManualUrl();
    void aboutBoxFromToolButtonAndMenu_data();
    void aboutBoxFromToolButtonAndMenu();
    void exitClosesWindow();

private:
    MainWindow *makeWindow();
    void press(QWidget *target, QEvent::Type type, const QPoint &windowPos, Qt::MouseButton button,
               Qt::MouseButtons buttons);

    std::unique_ptr<MainWindow> m_window;
    QList<QUrl> m_opened;
};

void tst_MainWindow::initTestCase()
{
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
}

void tst_MainWindow::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

void tst_MainWindow::init()
{
    m_opened.clear();
    g_appointIpAddr = QStringLiteral("untouched");
    IsTrue = false;
    m_clickList1Item1 = m_clickList1Item2 = -1;
}

void tst_MainWindow::cleanup()
{
    m_window.reset();
}

MainWindow *tst_MainWindow::makeWindow()
{
    m_window = std::make_unique<MainWindow>();
    // The reachability look-up must not run in tests.
    m_window->netTimer()->stop();
    return m_window.get();
}

void tst_MainWindow::press(QWidget *target, QEvent::Type type, const QPoint &windowPos, Qt::MouseButton button,
                           Qt::MouseButtons buttons)
{
    const QPointF global = m_window->mapToGlobal(windowPos);
    QMouseEvent event(type, windowPos, windowPos, global, button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

void tst_MainWindow::widgetTree_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("minHeight");

    QTest::newRow("search") << "bt_Search" << "Search Equipment" << 40;
    QTest::newRow("ip search") << "bt_CappointIP" << "IP Search" << 40;
    QTest::newRow("configure") << "bt_Configure" << "Configurate" << 40;
    QTest::newRow("locate") << "bt_Locate" << "Locate" << 40;
    QTest::newRow("reset") << "bt_Remotely_reset" << "Remote Reset" << 40;
    QTest::newRow("communication") << "bt_Communicate" << "Communication Test" << 40;
    QTest::newRow("new") << "bt_New" << "New Config. file" << 37;
    QTest::newRow("open") << "bt_Open" << "Load Config. file" << 37;
    QTest::newRow("save") << "bt_Save" << "Save Config. file to PC" << 37;
    QTest::newRow("help") << "bt_Help" << "Help" << 37;
    QTest::newRow("exit") << "bt_Exit" << "Exit" << 37;
}

void tst_MainWindow::widgetTree()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, minHeight);
    MainWindow *w = makeWindow();
    auto *button = w->findChild<QPushButton *>(name);
    QVERIFY2(button, qPrintable(name));
    QCOMPARE(button->text(), text);
    QCOMPARE(button->minimumHeight(), minHeight);
    QCOMPARE(button->font().family(), QStringLiteral("Times"));
    QCOMPARE(button->font().pixelSize(), 15);
}

void tst_MainWindow::windowLook()
{
    MainWindow *w = makeWindow();
    QCOMPARE(w->minimumSize(), QSize(1174, 665));
    QCOMPARE(w->maximumSize(), QSize(1174, 665));
    QCOMPARE(w->windowTitle(), QStringLiteral("ZUV-DL-CFG"));
    QVERIFY(w->windowFlags() & Qt::CustomizeWindowHint);
    QVERIFY(!(w->windowFlags() & (Qt::WindowTitleHint | Qt::WindowSystemMenuHint)));
    QVERIFY(w->hasMouseTracking());

    QCOMPARE(child<QLabel>(w, "label_2")->text(), QStringLiteral("ZUV-DL-CFG"));
    const QPixmap icon = child<QLabel>(w, "label_3")->pixmap(Qt::ReturnByValue);
    QVERIFY(!icon.isNull());
    QVERIFY(icon.width() <= 24 && icon.height() <= 24);
    const QList<QPair<QToolButton *, QString>> tools = {
        {child<QToolButton>(w, "toolButton_3"), "-"}, {child<QToolButton>(w, "toolButton_2"), "?"}, {child<QToolButton>(w, "toolButton"), "x"}};
    for (const auto &tool : tools) {
        QCOMPARE(tool.first->text(), tool.second);
        QVERIFY(tool.first->minimumWidth() >= 30);
        QCOMPARE(tool.first->font().pointSize(), 14);
    }
    QVERIFY(child<QFrame>(w, "frame")->minimumWidth() >= 180);

    // The banner has its three pictures, so the resources are reachable.
    QCOMPARE(child<MyAdvertiseWidget>(w, "label")->pictureCount(), 3);
    QVERIFY(child<MyAdvertiseWidget>(w, "label")->minimumHeight() >= 200);
    QVERIFY(child<MyAdvertiseWidget>(w, "label")->hasMouseTracking());
    QVERIFY(child<MyAdvertiseWidget>(w, "label")->isCycling());
    QVERIFY(!child<QStatusBar>(w, "statusBar")->isSizeGripEnabled());
}

void tst_MainWindow::tableSetUp()
{
    MainWindow *w = makeWindow();
    QTableWidget *table = child<QTableWidget>(w, "tableWidget");
    const QStringList heads = {"NO.", "Name", "Model", "IP Address", "MAC Address", "Firmware Version",
                               "Password Setting", "Status"};
    QCOMPARE(table->columnCount(), heads.size());
    for (int c = 0; c < heads.size(); ++c)
        QCOMPARE(table->horizontalHeaderItem(c)->text(), heads[c]);
    QCOMPARE(table->rowCount(), 11);
    QVERIFY(table->verticalHeader()->isHidden());
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(table->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(table->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(table->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(table->horizontalHeader()->defaultSectionSize(), 120);
    QCOMPARE(table->horizontalHeader()->minimumSectionSize(), 60);
    QVERIFY(!table->horizontalHeader()->stretchLastSection());
    QCOMPARE(table->horizontalHeader()->sectionResizeMode(0), QHeaderView::Stretch);
    QCOMPARE(table->horizontalHeader()->styleSheet(), QStringLiteral("font:15px 'Times';"));
    QCOMPARE(table->font().pixelSize(), 15);
}

void tst_MainWindow::startButtonStates()
{
    MainWindow *w = makeWindow();
    for (QPushButton *b : {child<QPushButton>(w, "bt_Save"), child<QPushButton>(w, "bt_Locate"), child<QPushButton>(w, "bt_Configure"), child<QPushButton>(w, "bt_Remotely_reset")}) {
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        QCOMPARE(b->styleSheet(), buttonStyle(false, ButtonTone::Ordinary));
    }
    for (QPushButton *b : {child<QPushButton>(w, "bt_Search"), child<QPushButton>(w, "bt_CappointIP"), child<QPushButton>(w, "bt_Communicate"), child<QPushButton>(w, "bt_New"), child<QPushButton>(w, "bt_Open"),
                           child<QPushButton>(w, "bt_Help"), child<QPushButton>(w, "bt_Exit")})
        QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
    QCOMPARE(child<QPushButton>(w, "bt_Search")->styleSheet(), buttonStyle(true, ButtonTone::Primary));
    QCOMPARE(w->selectedRow(), -1);
    QVERIFY(!w->netOk());
}

void tst_MainWindow::buttonStyles_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("style");

    const QString ordinary = QStringLiteral(
        "QPushButton{background-color : #0F7DBE;}QPushButton:hover{background: qlineargradient(spread:pad, x1:0, "
        "y1:0, x2:0, y2:1, stop:0 #50A3F0, stop:1 #489CEA);}QPushButton:pressed{background: "
        "qlineargradient(spread:pad, x1:0, y1:0, x2:0, y2:1, stop:0 #0F7DBE, stop:1 #1582C3);}");
    QString primary = ordinary;
    primary.replace(QStringLiteral("#0F7DBE"), QStringLiteral("#13379f"));
    const QString off = QStringLiteral("background-color : rgb(127,127,127)");

    QTest::newRow("Configurate enabled is navy") << "bt_Configure" << true << primary;
    QTest::newRow("Search enabled is navy") << "bt_Search" << true << primary;
    QTest::newRow("Locate enabled is blue") << "bt_Locate" << true << ordinary;
    QTest::newRow("IP Search enabled is blue") << "bt_CappointIP" << true << ordinary;
    QTest::newRow("Save enabled is blue") << "bt_Save" << true << ordinary;
    QTest::newRow("Configurate disabled is grey") << "bt_Configure" << false << off;
    QTest::newRow("Help disabled is grey") << "bt_Help" << false << off;
}

void tst_MainWindow::buttonStyles()
{
    QFETCH(QString, button);
    QFETCH(bool, enabled);
    QFETCH(QString, style);
    MainWindow *w = makeWindow();
    auto *b = w->findChild<QPushButton *>(button);
    QVERIFY(b);
    w->setBtStatus(b, !enabled);
    w->setBtStatus(b, enabled);
    QCOMPARE(b->isEnabled(), enabled);
    QCOMPARE(b->styleSheet(), style);
}

void tst_MainWindow::rowClick_data()
{
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<int>("firstClick");
    QTest::addColumn<int>("click");
    QTest::addColumn<bool>("buttonsOn");
    QTest::addColumn<int>("selectedRow");
    QTest::addColumn<QString>("appointIp");
    QTest::addColumn<bool>("isTrue");
    QTest::addColumn<int>("clickItem");

    const QStringList two = {"HW-P04|192.168.1.10|pw", "KX500-DL-2RS|192.168.1.11|none"};
    QTest::newRow("supported row with password selects it")
        << two << -1 << 0 << true << 0 << "192.168.1.10" << true << 0;
    QTest::newRow("supported row without password selects it")
        << two << -1 << 1 << true << 1 << "192.168.1.11" << false << 1;
    QTest::newRow("Other equipment row selects the row only")
        << QStringList{"other|10.0.0.5|pw"} << -1 << 0 << false << 0 << "untouched" << false << -1;
    QTest::newRow("row at the list size changes nothing")
        << two << -1 << 2 << false << -1 << "untouched" << false << -1;
    QTest::newRow("row beyond the list changes nothing")
        << two << -1 << 9 << false << -1 << "untouched" << false << -1;
    QTest::newRow("empty row after a device keeps its selection")
        << two << 0 << 5 << false << 0 << "192.168.1.10" << true << 0;
    QTest::newRow("Other equipment after a device keeps its address")
        << QStringList{"HW-P08|192.168.1.20|pw", "other|192.168.1.21|none"} << 0 << 1 << false << 1
        << "192.168.1.20" << true << 0;
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
    for (const QString &spec : devices)
        w->equipmentList().append(deviceFromSpec(spec));
    w->fillTable();
    if (firstClick >= 0)
        w->on_tableWidget_cellClicked(firstClick, 3);
    w->on_tableWidget_cellClicked(click, 1);

    for (QPushButton *b : {child<QPushButton>(w, "bt_Save"), child<QPushButton>(w, "bt_Locate"), child<QPushButton>(w, "bt_Configure"), child<QPushButton>(w, "bt_Remotely_reset")}) {
        QCOMPARE(b->isEnabled(), buttonsOn);
        const ButtonTone tone = b == child<QPushButton>(w, "bt_Configure") ? ButtonTone::Primary : ButtonTone::Ordinary;
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
        w->equipmentList().append(device(QStringLiteral("HW-P16"), QString::fromLatin1(ip), GetStr(8003)));
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
    QVERIFY(!table->item(3, 0));

    // A shorter list leaves no rows of the longer one behind.
    delete w->equipmentList().takeLast();
    delete w->equipmentList().takeLast();
    w->fillTable();
    QCOMPARE(table->rowCount(), 11);
    QCOMPARE(table->item(0, CEquipment::IpAddress)->text(), QStringLiteral("10.0.0.1"));
    for (int column = 0; column < CEquipment::ColumnCount; ++column)
        QVERIFY(!table->item(1, column));
}

void tst_MainWindow::ipv4ToInteger_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes"); // expected value, high byte first

    QTest::newRow("first number in the highest byte") << "192.168.1.10" << QByteArray::fromHex("c0a8010a");
    QTest::newRow("all ones") << "255.255.255.255" << QByteArray::fromHex("ffffffff");
    QTest::newRow("small address") << "10.0.0.1" << QByteArray::fromHex("0a000001");
    QTest::newRow("three parts give 0") << "192.168.1" << QByteArray::fromHex("00000000");
    QTest::newRow("five parts give 0") << "1.2.3.4.5" << QByteArray::fromHex("00000000");
    QTest::newRow("empty text gives 0") << "" << QByteArray::fromHex("00000000");
    QTest::newRow("non-number part counts 0") << "a.1.2.3" << QByteArray::fromHex("00010203");
    QTest::newRow("empty part counts 0") << "1..2.3" << QByteArray::fromHex("01000203");
    QTest::newRow("part above 255 spills into the next byte") << "1.2.3.256" << QByteArray::fromHex("01020300");
}

void tst_MainWindow::ipv4ToInteger()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const qint32 expected = qFromBigEndian<qint32>(bytes.constData());
    QCOMPARE(MainWindow::IPV4StringToInteger(text), expected);
}

void tst_MainWindow::rightPressShowsMenuWithoutDrag()
{
    MainWindow *w = makeWindow();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QPoint start = w->pos();
    const QPoint title = child<QLabel>(w, "label_2")->geometry().center();

    press(w, QEvent::MouseButtonPress, title, Qt::RightButton, Qt::RightButton);
    QVERIFY(w->contextMenu()->isVisible());
    QCOMPARE(w->contextMenu()->actions().size(), 1);
    QCOMPARE(w->contextMenu()->actions().first()->text(), QStringLiteral("About"));
    QVERIFY(w->dragOff());
    press(w, QEvent::MouseMove, title + QPoint(40, 25), Qt::NoButton, Qt::RightButton);
    QCOMPARE(w->pos(), start);
    w->contextMenu()->hide();
}

void tst_MainWindow::leftDragMovesWindow()
{
    MainWindow *w = makeWindow();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QPoint start = w->pos();
    const QPoint title = child<QLabel>(w, "label_2")->geometry().center();

    press(w, QEvent::MouseButtonPress, title, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!w->dragOff());
    QVERIFY(!w->contextMenu()->isVisible());
    // Positions are given relative to the window where it stood at the press.
    const QPointF global0 = w->mapToGlobal(title);
    QMouseEvent move(QEvent::MouseMove, title, title, global0 + QPointF(30, 20), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
    QCOMPARE(w->pos(), start + QPoint(30, 20));
    QMouseEvent release(QEvent::MouseButtonRelease, title, title, global0 + QPointF(35, 20), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
    QCOMPARE(w->pos(), start + QPoint(35, 20));
    QVERIFY(w->dragOff());
}

void tst_MainWindow::bannerFollowsReachability_data()
{
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<int>("picture");
    QTest::addColumn<bool>("onBanner");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("reachable, first picture links") << true << 0 << true << "IOT";
    QTest::newRow("reachable, second picture links") << true << 1 << true << "HRAT";
    QTest::newRow("reachable, third picture links") << true << 2 << true << "EtherNet/IP";
    QTest::newRow("unreachable banner opens nothing") << false << 0 << true << "";
    QTest::newRow("press beside the banner opens nothing") << true << 0 << false << "";
}

void tst_MainWindow::bannerFollowsReachability()
{
    QFETCH(bool, reachable);
    QFETCH(int, picture);
    QFETCH(bool, onBanner);
    QFETCH(QString, toolTip);

    MainWindow *w = makeWindow();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    MyAdvertiseWidget *banner = child<MyAdvertiseWidget>(w, "label");
    for (int i = 0; i < picture; ++i)
        banner->onTimeout();
    QCOMPARE(banner->currentIndex(), picture);

    QHostInfo answer;
    if (!reachable)
        answer.setError(QHostInfo::HostNotFound);
    w->onLookupHost(answer);
    w->netTimer()->stop();
    QCOMPARE(w->netOk(), reachable);

    const QPoint at = onBanner ? banner->mapTo(w, banner->rect().center()) : child<QLabel>(w, "label_2")->geometry().center();
    // Sent to the banner: the events reach the window as the banner passes them on.
    QWidget *target = onBanner ? static_cast<QWidget *>(banner) : w;
    const QPoint local = onBanner ? banner->mapFrom(w, at) : at;
    const QPointF global = w->mapToGlobal(at);
    QMouseEvent hover(QEvent::MouseMove, local, local, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &hover);
    const bool live = reachable && onBanner;
    QCOMPARE(w->cursor().shape(), live ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (live)
        QCOMPARE(banner->toolTip(), toolTip);

    QMouseEvent click(QEvent::MouseButtonPress, local, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &click);
    if (live) {
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.first(), MainWindow::bannerUrl(picture));
    } else {
        QVERIFY(m_opened.isEmpty());
    }
    QMouseEvent release(QEvent::MouseButtonRelease, local, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

void tst_MainWindow::failedLookupRetriesLater()
{
    MainWindow *w = makeWindow();
    w->onLookupHost(QHostInfo());
    QVERIFY(w->netOk());
    QHostInfo failed;
    failed.setError(QHostInfo::HostNotFound);
    w->onLookupHost(failed);
    QVERIFY(!w->netOk());
    QVERIFY(w->netTimer()->isActive());
    QCOMPARE(w->netTimer()->interval(), 10000);
    w->netTimer()->stop();
    QVERIFY(MainWindow::bannerUrl(0) != MainWindow::bannerUrl(1));
    QVERIFY(MainWindow::bannerUrl(1) != MainWindow::bannerUrl(2));
    QCOMPARE(MainWindow::bannerUrl(7), MainWindow::bannerUrl(2));
}

void tst_MainWindow::windowStateSizesColumns_data()
{
    QTest::addColumn<int>("devices");
    QTest::addColumn<int>("mode");

    QTest::newRow("empty list stretches the columns") << 0 << int(QHeaderView::Stretch);
    QTest::newRow("listed devices fit the columns to their texts") << 2 << int(QHeaderView::ResizeToContents);
}

void tst_MainWindow::windowStateSizesColumns()
{
    QFETCH(int, devices);
    QFETCH(int, mode);
    MainWindow *w = makeWindow();
    for (int i = 0; i < devices; ++i)
        w->equipmentList().append(device(QStringLiteral("HW-P04"), QStringLiteral("10.1.1.%1").arg(i), GetStr(8003)));
    w->fillTable();
    QHeaderView *header = child<QTableWidget>(w, "tableWidget")->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    QWindowStateChangeEvent change(Qt::WindowNoState);
    QCoreApplication::sendEvent(w, &change);
    for (int c = 0; c < CEquipment::ColumnCount; ++c)
        QCOMPARE(int(header->sectionResizeMode(c)), mode);
}

void tst_MainWindow::helpOpensManualUrl()
{
    MainWindow *w = makeWindow();
    const QUrl url = MainWindow::helpUrl();
    QVERIFY(url.isLocalFile());
    QCOMPARE(url.toLocalFile(), QCoreApplication::applicationDirPath() + QStringLiteral("/ZUV-DL-CFG.pdf"));
    QVERIFY(url.toString().startsWith(QLatin1String("file:///")));
    QVERIFY(!url.toString().startsWith(QLatin1String("file:////")));
    QTest::mouseClick(child<QPushButton>(w, "bt_Help"), Qt::LeftButton);
    QCOMPARE(m_opened, QList<QUrl>{url});
}

void tst_MainWindow::aboutBoxFromToolButtonAndMenu_data()
{
    QTest::addColumn<bool>("fromMenu");
    QTest::newRow("tool button ?") << false;
    QTest::newRow("context menu About") << true;
}

void tst_MainWindow::aboutBoxFromToolButtonAndMenu()
{
    QFETCH(bool, fromMenu);
    MainWindow *w = makeWindow();
    if (fromMenu)
        w->contextMenu()->actions().first()->trigger();
    else
        QTest::mouseClick(child<QToolButton>(w, "toolButton_2"), Qt::LeftButton);
    QList<MyDialog *> boxes;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<MyDialog *>(top))
            boxes.append(box);
    }
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes.first()->isVisible());
    QVERIFY(!boxes.first()->parent());
    QPointer<MyDialog> box = boxes.first();
    box->close();
    QTRY_VERIFY(box.isNull());
}

void tst_MainWindow::exitClosesWindow()
{
    for (const char *name : {"bt_Exit", "toolButton"}) {
        MainWindow *w = makeWindow();
        w->show();
        QVERIFY(w->isVisible());
        QAbstractButton *button = w->findChild<QAbstractButton *>(QString::fromLatin1(name));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY2(!w->isVisible(), name);
    }
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
