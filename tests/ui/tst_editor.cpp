// The configuration editor window: lists per model, fields' accepted input,
// page flow with its hints and leave hooks, OK and closing.
#include "app/myipctrl.h"
#include "config/configure.h"
#include "config/globals.h"
#include "editor/config.h"
#include "editor/dialog_load.h"
#include "editor/dialog_save.h"
#include "editor/mydialog2.h"
#include "messages/messagetable.h"
#include "support/editordriver.h"
#include "support/messagespy.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using namespace EditorDriver;

namespace {

QStringList itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QList<Dialog_Load *> openChoiceDialogs()
{
    QList<Dialog_Load *> found;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *load = qobject_cast<Dialog_Load *>(widget); load && load->isVisible())
            found << load;
    }
    return found;
}

// Answers the close prompt when it runs modally by pressing `button`, counting
// the prompts seen; after a bounded number of looks it rejects whatever modal
// dialog is open, so a test never stays blocked.
class PromptAnswerer
{
public:
    explicit PromptAnswerer(const QString &button)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, button] {
            if (auto *prompt = qobject_cast<Dialog_Save *>(QApplication::activeModalWidget())) {
                ++m_seen;
                prompt->findChild<QPushButton *>(button)->click();
            } else if (++m_tries > 150) {
                if (auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                    modal->reject();
                m_timer.stop();
            }
        });
        m_timer.start(20);
    }

    int seen() const { return m_seen; }

private:
    QTimer m_timer;
    int m_seen = 0;
    int m_tries = 0;
};

} // namespace

class TestEditor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void listsFollowTheModel_data();
    void listsFollowTheModel();
    void fieldsAcceptOnlyTheirRange_data();
    void fieldsAcceptOnlyTheirRange();
    void hintShownOnFirstEntryOfEachEditor_data();
    void hintShownOnFirstEntryOfEachEditor();
    void leavingEthernetStoresItBeforeSerialIsFilled();
    void allTwelveRangeControlsReportOrderErrors();
    void idMappingRowsShowStoredEntries_data();
    void idMappingRowsShowStoredEntries();
    void okAndTheChoiceAfterIt_data();
    void okAndTheChoiceAfterIt();
    void closePromptSavesTheEditsAsTheyStand_data();
    void closePromptSavesTheEditsAsTheyStand();
};

void TestEditor::init()
{
    IsSave = false;
    IsTrue = false;
    m_clickList1Item2 = -1;
    IDS = QStringLiteral("Gateway 192.168.0.10");
    installModel(130200);
}

void TestEditor::cleanup()
{
    for (Dialog_Load *load : openChoiceDialogs())
        load->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    installConfigure(nullptr);
    IsSave = false;
}

void TestEditor::listsFollowTheModel_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("ports");
    QTest::addColumn<QStringList>("parity");
    QTest::addColumn<QStringList>("assign");
    const QStringList three{"None", "Odd", "Even"};
    const QStringList noBootp{"Manually Assign", "DHCP"};
    QTest::newRow("130100: one port") << 130100 << 1 << three << noBootp;
    QTest::newRow("30203: five parities and BOOTP") << 30203 << 2 << QStringList{"None", "Odd", "Even", "Mark", "Space"}
                                                    << QStringList{"Manually Assign", "DHCP", "BOOTP"};
    QTest::newRow("130800: eight ports") << 130800 << 8 << three << noBootp;
    QTest::newRow("code 0: sixteen ports") << 0 << 16 << three << noBootp;
}

void TestEditor::listsFollowTheModel()
{
    QFETCH(int, code);
    QFETCH(int, ports);
    QFETCH(QStringList, parity);
    QFETCH(QStringList, assign);
    installModel(code);
    QStringList expected;
    for (int i = 1; i <= ports; ++i)
        expected << QStringLiteral("Port%1").arg(i);
    auto *editor = new Config;
    for (const char *name : {"comboBox_Select1", "m_serial2", "combox_SelectPort"}) {
        auto *box = editor->findChild<QComboBox *>(QString::fromLatin1(name));
        QCOMPARE(itemsOf(box), expected);
        QCOMPARE(box->currentIndex(), 0);
    }
    QCOMPARE(itemsOf(editor->findChild<QComboBox *>("m_parityCheck1")), parity);
    QCOMPARE(itemsOf(editor->findChild<QComboBox *>("comboBox_EtherNet")), assign);
    delete editor;
}

void TestEditor::fieldsAcceptOnlyTheirRange_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("acceptable");
    QTest::newRow("port 65535") << "lineEdit_Port4" << "65535" << true;
    QTest::newRow("port 65536 refused") << "lineEdit_Port4" << "65536" << false;
    QTest::newRow("port leading zero refused") << "lineEdit_Port7" << "0502" << false;
    QTest::newRow("char interval 0 refused") << "lineEdit_chartimeout" << "0" << false;
    QTest::newRow("char interval 30001 refused") << "lineEdit_chartimeout" << "30001" << false;
    QTest::newRow("response timeout 100 accepted by the field") << "lineEdit_resptimeout" << "100" << true;
    QTest::newRow("response timeout 60001 refused") << "lineEdit_resptimeout" << "60001" << false;
    QTest::newRow("delay 60000") << "lineEdit_delaypolls" << "60000" << true;
    QTest::newRow("delay 60001 refused") << "lineEdit_delaypolls" << "60001" << false;
    QTest::newRow("slave id 247") << "lineEdit_min" << "247" << true;
    QTest::newRow("slave id 248 refused") << "lineEdit_max" << "248" << false;
    QTest::newRow("offset -247") << "lineEdit_offset" << "-247" << true;
    QTest::newRow("offset -0 refused") << "lineEdit_offset" << "-0" << false;
    QTest::newRow("offset 248 refused") << "lineEdit_offset" << "248" << false;
    QTest::newRow("alive time 0 refused") << "lineEdit_TcpAlive" << "0" << false;
    QTest::newRow("password letters and digits") << "lineEdit_PassWord" << "Ab12" << true;
    QTest::newRow("password with a symbol refused") << "lineEdit_PassWord" << "ab!" << false;
}

void TestEditor::fieldsAcceptOnlyTheirRange()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, acceptable);
    Config editor;
    auto *edit = editor.findChild<QLineEdit *>(field);
    QVERIFY(edit && edit->validator());
    int pos = 0;
    QCOMPARE(edit->validator()->validate(text, pos) == QValidator::Acceptable, acceptable);
}

void TestEditor::hintShownOnFirstEntryOfEachEditor_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<unsigned int>("hintId");
    QTest::newRow("ID mapping hint") << 3 << 4310u;
    QTest::newRow("timing hint") << 4 << 4309u;
    QTest::newRow("priority hint") << 5 << 4309u;
    QTest::newRow("advanced hint") << 6 << 4309u;
}

void TestEditor::hintShownOnFirstEntryOfEachEditor()
{
    QFETCH(int, page);
    QFETCH(unsigned int, hintId);
    QVERIFY(!GetStr(hintId).isEmpty());
    MessageSpy spy;
    for (int editorNo = 0; editorNo < 2; ++editorNo) {
        auto *editor = new Config;
        QCOMPARE(editor->windowTitle(), IDS);
        QCOMPARE(editor->currentPage(), 0);
        QVERIFY(editor->findChildren<MyDialog2 *>().isEmpty());
        tabs(editor)->setCurrentIndex(page);
        const QList<MyDialog2 *> notices = editor->findChildren<MyDialog2 *>();
        QCOMPARE(notices.size(), 1);
        QCOMPARE(notices.first()->text(), GetStr(hintId));
        // Entering the page again in the same editor shows no second hint.
        tabs(editor)->setCurrentIndex(2);
        tabs(editor)->setCurrentIndex(page);
        QCOMPARE(editor->findChildren<MyDialog2 *>().size(), 1);
        delete editor;
    }
    QVERIFY(spy.shown().isEmpty());
}

void TestEditor::leavingEthernetStoresItBeforeSerialIsFilled()
{
    pConfigure->m_serial[0].m_baudRate = 4;
    auto *editor = new Config;
    tabs(editor)->setCurrentIndex(1);
    auto *ip = editor->findChild<MyIPCtrl *>("ipCtrl_IP");
    QCOMPARE(ip->getIP(), QStringLiteral("192.168.0.10"));
    ip->setIP(QStringLiteral("10.1.2.3"));
    QVERIFY(!IsSave);

    tabs(editor)->setCurrentIndex(2);
    QCOMPARE(pConfigure->m_ip, QStringLiteral("10.1.2.3"));
    QVERIFY(IsSave);
    QCOMPARE(editor->findChild<QComboBox *>("m_baudRate1")->currentText(), QStringLiteral("19200"));
    delete editor;
}

void TestEditor::allTwelveRangeControlsReportOrderErrors()
{
    MessageSpy spy;
    auto *editor = new Config;
    QVERIFY(!GetStr(5023).isEmpty());
    QStringList expected;
    for (int i = 0; i < Config::RangeCount; ++i) {
        emit editor->rangeStartCtrl(i)->showErrorMessage();
        emit editor->rangeEndCtrl(i)->showErrorMessage();
        expected << GetStr(5023) << GetStr(5023);
    }
    QCOMPARE(spy.texts(), expected);
    delete editor;
}

void TestEditor::idMappingRowsShowStoredEntries_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<int>("serialIndex");
    QTest::addColumn<int>("idMin");
    QTest::addColumn<int>("idMax");
    QTest::addColumn<bool>("negative");
    QTest::addColumn<QStringList>("row");
    QTest::newRow("serial entry with a negative offset")
        << "0.0.0.0" << 2 << 10 << 20 << true << QStringList{"1", "Modbus", "Port3", "10-20<->5-15"};
    QTest::newRow("target server entry")
        << "10.0.0.5" << 0 << 6 << 7 << false << QStringList{"1", "Modbus TCP", "10.0.0.5:503", "6-7<->11-12"};
    QTest::newRow("actual range below 1 shows all ones")
        << "0.0.0.0" << 0 << 1 << 10 << true << QStringList{"1", "Modbus", "Port1", "1-1<->1-1"};
    QTest::newRow("actual range above 247 shows all ones")
        << "0.0.0.0" << 1 << 240 << 247 << false << QStringList{"1", "Modbus", "Port2", "1-1<->1-1"};
}

void TestEditor::idMappingRowsShowStoredEntries()
{
    QFETCH(QString, ip);
    QFETCH(int, serialIndex);
    QFETCH(int, idMin);
    QFETCH(int, idMax);
    QFETCH(bool, negative);
    QFETCH(QStringList, row);
    auto *map = new CIDMap;
    map->m_ip = ip;
    map->m_port = QStringLiteral("503");
    map->m_serialIndex = serialIndex;
    map->m_idMin = idMin;
    map->m_idMax = idMax;
    map->m_negative = negative;
    map->m_offset = 5;
    pConfigure->m_idMaps.append(map);

    auto *editor = new Config;
    tabs(editor)->setCurrentIndex(3);
    auto *table = editor->findChild<QTableWidget *>("page4_tab");
    QCOMPARE(table->rowCount(), 40);
    QStringList shown;
    for (int column = 0; column < 4; ++column)
        shown << (table->item(0, column) ? table->item(0, column)->text() : QString());
    QCOMPARE(shown, row);
    QVERIFY(!table->item(1, 0));
    delete editor;
}

void TestEditor::okAndTheChoiceAfterIt_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("mappings");
    QTest::addColumn<QString>("choice"); // empty: OK is refused
    QTest::addColumn<int>("saves");
    QTest::addColumn<int>("prompts"); // when Cancel closes the editor afterwards
    QTest::newRow("RTU master without mapping stops") << 1 << 0 << "" << 0 << 1;
    QTest::newRow("ASCII master without mapping stops") << 3 << 0 << "" << 0 << 1;
    QTest::newRow("cancelled choice keeps the close prompt") << 1 << 1 << "bt_cancel" << 0 << 1;
    QTest::newRow("saved choice clears the changes") << 0 << 0 << "bt_ok" << 1 << 0;
}

void TestEditor::okAndTheChoiceAfterIt()
{
    QFETCH(int, mode);
    QFETCH(int, mappings);
    QFETCH(QString, choice);
    QFETCH(int, saves);
    QFETCH(int, prompts);
    g_commMode = mode;
    for (int i = 0; i < mappings; ++i)
        pConfigure->m_idMaps.append(new CIDMap);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
    g_Server().connectToHost(QHostAddress(QStringLiteral("127.0.0.1")), server.serverPort());
    QVERIFY(g_Server().waitForConnected(2000));
    IsTrue = true;
    IsSave = true;
    MessageSpy spy;
    QPointer<Config> editor = new Config;
    QSignalSpy save(editor.data(), &Config::signal_save);
    editor->show();
    tabs(editor)->setCurrentIndex(4);
    editor->findChild<QLineEdit *>("lineEdit_resptimeout")->setText(QStringLiteral("1200"));
    editor->findChild<QPushButton *>("bt_ok")->click();

    const QList<Dialog_Load *> open = openChoiceDialogs();
    QCOMPARE(open.size(), choice.isEmpty() ? 0 : 1);
    QCOMPARE(spy.texts(), choice.isEmpty() ? QStringList{GetStr(4312)} : QStringList{});
    QVERIFY(editor && editor->isVisible());
    QVERIFY(IsSave);
    if (!choice.isEmpty()) {
        // The shown page is stored first, and OK ends the password session.
        QCOMPARE(pConfigure->m_serial[0].m_respTimeout, 1200);
        QCOMPARE(g_Server().state(), QAbstractSocket::UnconnectedState);
        QVERIFY(open.first()->testAttribute(Qt::WA_DeleteOnClose));
        open.first()->findChild<QPushButton *>(choice)->click();
        QVERIFY(openChoiceDialogs().isEmpty());
    }
    QCOMPARE(save.count(), saves);
    QCOMPARE(IsSave, saves == 0);

    PromptAnswerer answer(QStringLiteral("bt_no"));
    editor->findChild<QPushButton *>("bt_cancel")->click();
    QTest::qWait(100);
    QCOMPARE(answer.seen(), prompts);
    QVERIFY(!IsSave);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(editor.isNull());
    g_Server().abort();
}

void TestEditor::closePromptSavesTheEditsAsTheyStand_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("Yes asks to save") << "bt_yes";
    QTest::newRow("No just closes") << "bt_no";
}

void TestEditor::closePromptSavesTheEditsAsTheyStand()
{
    QFETCH(QString, button);
    IsSave = true;
    QPointer<Config> editor = new Config;
    QStringList namesWhenAsked;
    connect(editor->saveDialog(), &Dialog_Save::signal_download, this,
            [&namesWhenAsked] { namesWhenAsked << pConfigure->m_name; });
    editor->show();
    tabs(editor)->setCurrentIndex(1);
    editor->findChild<QLineEdit *>("lineEdit_Name")->setText(QStringLiteral("Edited"));
    PromptAnswerer answer(button);
    editor->close();
    QCOMPARE(answer.seen(), 1);
    QVERIFY(!IsSave);
    QVERIFY(!editor || !editor->isVisible());
    // The page being left was stored before the prompt asked to save it.
    QCOMPARE(namesWhenAsked, button == "bt_yes" ? QStringList{"Edited"} : QStringList{});
    QCOMPARE(pConfigure->m_name, QStringLiteral("Edited"));
}

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
