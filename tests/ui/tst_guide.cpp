#include "app/applook.h"
#include "app/buttonstyle.h"
#include "app/dialog_help.h"
#include "app/myadvertisewidget.h"
#include "app/mydialog.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

template <typename T>
T *child(QWidget *w, const char *name)
{
    T *found = w->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

QPixmap *solid(const QColor &colour)
{
    auto *picture = new QPixmap(40, 20);
    picture->fill(colour);
    return picture;
}

} // namespace

class tst_Guide : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void loadIni_data();
    void loadIni();
    void guideLook();
    void pageFlow_data();
    void pageFlow();
    void closeStores_data();
    void closeStores();
    void pagesShowTheirPictures();

    void aboutBox();

    void bannerCycles_data();
    void bannerCycles();
    void bannerWithoutPicturesStops();
    void bannerPaintsSlide_data();
    void bannerPaintsSlide();
    void bannerTakesSamePicturesAgain();

    void styleSheetText_data();
    void styleSheetText();

private:
    std::unique_ptr<Dialog_help> makeGuide();
    QString stored() const;
    void store(const QString &value) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
};

void tst_Guide::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ini = m_dir->filePath(QStringLiteral("config.ini"));
}

void tst_Guide::cleanup()
{
    m_dir.reset();
}

std::unique_ptr<Dialog_help> tst_Guide::makeGuide()
{
    auto guide = std::make_unique<Dialog_help>();
    guide->setSettingsPath(m_ini);
    return guide;
}

QString tst_Guide::stored() const
{
    QSettings settings(m_ini, QSettings::IniFormat);
    return settings.value(QStringLiteral("Ini")).toString();
}

void tst_Guide::store(const QString &value) const
{
    QSettings settings(m_ini, QSettings::IniFormat);
    settings.setValue(QStringLiteral("Ini"), value);
}

void tst_Guide::loadIni_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("show");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("ticked");

    QTest::newRow("no settings file shows the guide once and stores false") << false << "" << true << "false" << false;
    QTest::newRow("empty value counts as missing") << true << "" << true << "false" << false;
    QTest::newRow("true asks for the guide again") << true << "true" << true << "true" << true;
    QTest::newRow("false keeps it away") << true << "false" << false << "false" << false;
    QTest::newRow("unknown text keeps it away") << true << "yes" << false << "yes" << false;
}

void tst_Guide::loadIni()
{
    QFETCH(bool, fileExists);
    QFETCH(QString, before);
    QFETCH(bool, show);
    QFETCH(QString, after);
    QFETCH(bool, ticked);

    if (fileExists)
        store(before);
    QCOMPARE(QFile::exists(m_ini), fileExists);
    auto guide = makeGuide();
    QCOMPARE(guide->LoadIni(), show);
    QVERIFY(QFile::exists(m_ini));
    QCOMPARE(stored(), after);
    QCOMPARE(child<QCheckBox>(guide.get(), "checkBox")->isChecked(), ticked);
}

void tst_Guide::guideLook()
{
    auto guide = makeGuide();
    QCOMPARE(guide->windowTitle(), QStringLiteral("Online Configuration Process"));
    QCOMPARE(guide->size(), QSize(702, 527));
    QCOMPARE(guide->maximumSize(), QSize(702, 527));
    QCOMPARE(guide->windowModality(), Qt::ApplicationModal);
    QVERIFY(guide->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(guide->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(child<QCheckBox>(guide.get(), "checkBox")->text(),
             QStringLiteral("Whether to pop up the wizard next time?"));
    const QList<QPair<const char *, const char *>> buttons = {
        {"bt_back", "Back"}, {"bt_next", "Next"}, {"bt_exit", "Exit"}};
    for (const auto &b : buttons) {
        QPushButton *button = child<QPushButton>(guide.get(), b.first);
        QCOMPARE(button->text(), QString::fromLatin1(b.second));
        QCOMPARE(button->font().family(), QStringLiteral("Times"));
        QCOMPARE(button->font().pixelSize(), 15);
    }
    // Settings live next to the program unless a test moves them.
    QCOMPARE(Dialog_help::defaultSettingsPath(), QCoreApplication::applicationDirPath() + QStringLiteral("/config.ini"));
}

void tst_Guide::pageFlow_data()
{
    QTest::addColumn<QString>("clicks"); // n = Next, b = Back
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("backOn");
    QTest::addColumn<bool>("nextOn");
    QTest::addColumn<bool>("boxShown");

    QTest::newRow("first page: back off, box hidden") << "" << 1 << false << true << false;
    QTest::newRow("second page: both on") << "n" << 2 << true << true << false;
    QTest::newRow("last page: next off, box shown") << "nnn" << 4 << true << false << true;
    QTest::newRow("back from the last page hides the box") << "nnnb" << 3 << true << true << false;
    QTest::newRow("back to the first page") << "nb" << 1 << false << true << false;
    QTest::newRow("there and back twice") << "nnnbbbnn" << 3 << true << true << false;
}

void tst_Guide::pageFlow()
{
    QFETCH(QString, clicks);
    QFETCH(int, page);
    QFETCH(bool, backOn);
    QFETCH(bool, nextOn);
    QFETCH(bool, boxShown);

    auto guide = makeGuide();
    QPushButton *back = child<QPushButton>(guide.get(), "bt_back");
    QPushButton *next = child<QPushButton>(guide.get(), "bt_next");
    for (const QChar c : clicks)
        QTest::mouseClick(c == QLatin1Char('n') ? next : back, Qt::LeftButton);
    QCOMPARE(guide->page(), page);
    QCOMPARE(back->isEnabled(), backOn);
    QCOMPARE(next->isEnabled(), nextOn);
    QCOMPARE(back->styleSheet(), buttonStyle(backOn, ButtonTone::Ordinary));
    QCOMPARE(next->styleSheet(), buttonStyle(nextOn, ButtonTone::Ordinary));
    QCOMPARE(!child<QCheckBox>(guide.get(), "checkBox")->isHidden(), boxShown);
}

void tst_Guide::closeStores_data()
{
    QTest::addColumn<int>("nexts");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<bool>("viaExit");
    QTest::addColumn<QString>("after");

    QTest::newRow("closing on page 2 stores nothing") << 1 << false << false << "true";
    QTest::newRow("Exit on page 3 stores nothing") << 2 << false << true << "true";
    QTest::newRow("page 4, box cleared, stores false") << 3 << false << false << "false";
    QTest::newRow("page 4, box ticked, Exit stores true") << 3 << true << true << "true";
    QTest::newRow("page 4, box cleared, Exit stores false") << 3 << false << true << "false";
}

void tst_Guide::closeStores()
{
    QFETCH(int, nexts);
    QFETCH(bool, tick);
    QFETCH(bool, viaExit);
    QFETCH(QString, after);

    store(QStringLiteral("true"));
    auto guide = makeGuide();
    QVERIFY(guide->LoadIni());
    guide->show();
    for (int i = 0; i < nexts; ++i)
        QTest::mouseClick(child<QPushButton>(guide.get(), "bt_next"), Qt::LeftButton);
    child<QCheckBox>(guide.get(), "checkBox")->setChecked(tick);
    if (viaExit)
        QTest::mouseClick(child<QPushButton>(guide.get(), "bt_exit"), Qt::LeftButton);
    else
        guide->close();
    QVERIFY(!guide->isVisible());
    QCOMPARE(stored(), after);
}

void tst_Guide::pagesShowTheirPictures()
{
    auto guide = makeGuide();
    QLabel *label = child<QLabel>(guide.get(), "label");
    QList<QImage> pictures;
    for (int page = 1; page <= Dialog_help::PageCount; ++page) {
        const QPixmap shown = label->pixmap(Qt::ReturnByValue);
        QVERIFY2(!shown.isNull(), qPrintable(QString::number(page)));
        QCOMPARE(shown.size(), QSize(702, 527));
        for (const QImage &earlier : qAsConst(pictures))
            QVERIFY(earlier != shown.toImage());
        pictures.append(shown.toImage());
        QTest::mouseClick(child<QPushButton>(guide.get(), "bt_next"), Qt::LeftButton);
    }
}

void tst_Guide::aboutBox()
{
    auto box = std::make_unique<MyDialog>();
    QCOMPARE(box->windowTitle(), QStringLiteral("About Software ZUV-DL-CFG"));
    QCOMPARE(box->minimumSize(), QSize(398, 270));
    QCOMPARE(box->maximumSize(), QSize(398, 270));
    QCOMPARE(box->windowModality(), Qt::ApplicationModal);
    QCOMPARE(child<QLabel>(box.get(), "label")->text(), QStringLiteral("Gateway Configuration Software ZUV-DL-CFG"));
    QCOMPARE(child<QLabel>(box.get(), "label_2")->text(), QStringLiteral("Version 4.2.0"));
    QCOMPARE(child<QLabel>(box.get(), "label_6")->text(), QStringLiteral("More technical information, please visit:"));
    const QPixmap logo = child<QLabel>(box.get(), "label_3")->pixmap(Qt::ReturnByValue);
    QVERIFY(!logo.isNull());
    QVERIFY(logo.width() <= 200 && logo.height() <= 50);
    QLabel *link = child<QLabel>(box.get(), "label_7");
    QVERIFY(link->openExternalLinks());
    QVERIFY(link->text().contains(QLatin1String("href=")));
    QCOMPARE(child<QLabel>(box.get(), "label_5")->font().pixelSize(), 15);

    box->show();
    QPushButton *close = child<QPushButton>(box.get(), "bt_close");
    QCOMPARE(close->text(), QStringLiteral("Close"));
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!box->isVisible());
}

void tst_Guide::bannerCycles_data()
{
    QTest::addColumn<int>("pictures");
    QTest::addColumn<QList<int>>("currents");

    QTest::newRow("three pictures run 1, 2, 0, 1") << 3 << QList<int>{1, 2, 0, 1};
    QTest::newRow("one picture slides over itself") << 1 << QList<int>{0, 0};
    QTest::newRow("two pictures alternate") << 2 << QList<int>{1, 0, 1};
}

void tst_Guide::bannerCycles()
{
    QFETCH(int, pictures);
    QFETCH(QList<int>, currents);

    MyAdvertiseWidget banner;
    banner.resize(300, 100);
    QList<QPixmap *> list;
    for (int i = 0; i < pictures; ++i)
        list.append(solid(QColor(40 * i, 0, 0)));
    banner.setPixmap(list);
    QCOMPARE(banner.currentIndex(), 0);
    QVERIFY(banner.isCycling());
    int previous = 0;
    for (int expected : qAsConst(currents)) {
        banner.onTimeout();
        QCOMPARE(banner.previousIndex(), previous);
        QCOMPARE(banner.currentIndex(), expected);
        previous = expected;
    }
    // The slide runs to the full width.
    QTRY_COMPARE_WITH_TIMEOUT(banner.getOffsetX(), 300, 4000);
}

void tst_Guide::bannerWithoutPicturesStops()
{
    MyAdvertiseWidget banner;
    banner.resize(200, 80);
    banner.setPixmap({});
    QVERIFY(banner.isCycling());
    banner.onTimeout();
    QCOMPARE(banner.currentIndex(), 0);
    banner.grab();
    QVERIFY(!banner.isCycling());

    // New pictures start it again.
    banner.setPixmap({solid(Qt::red)});
    QVERIFY(banner.isCycling());
    QCOMPARE(banner.pictureCount(), 1);
}

void tst_Guide::bannerPaintsSlide_data()
{
    QTest::addColumn<int>("timeouts");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QColor>("left");
    QTest::addColumn<QColor>("right");

    QTest::newRow("at start the first picture fills it") << 0 << 0 << QColor(Qt::red) << QColor(Qt::red);
    QTest::newRow("half way: the old one leaves left, the new one enters right")
        << 1 << 100 << QColor(Qt::red) << QColor(Qt::blue);
    QTest::newRow("slide done: the new one fills it") << 1 << 200 << QColor(Qt::blue) << QColor(Qt::blue);
    QTest::newRow("wrap: from the last back to the first") << 2 << 100 << QColor(Qt::blue) << QColor(Qt::red);
}

void tst_Guide::bannerPaintsSlide()
{
    QFETCH(int, timeouts);
    QFETCH(int, offset);
    QFETCH(QColor, left);
    QFETCH(QColor, right);

    MyAdvertiseWidget banner;
    banner.resize(200, 80);
    banner.setPixmap({solid(Qt::red), solid(Qt::blue)});
    for (int i = 0; i < timeouts; ++i)
        banner.onTimeout();
    QTest::qWait(0);
    banner.setOffsetX(offset);
    // setOffsetX of a running slide would be overwritten on its next step.
    const QImage shot = banner.grab().toImage();
    QCOMPARE(shot.pixelColor(50, 40), left);
    QCOMPARE(shot.pixelColor(150, 40), right);
}

void tst_Guide::bannerTakesSamePicturesAgain()
{
    MyAdvertiseWidget banner;
    banner.resize(120, 60);
    QPixmap *keep = solid(Qt::green);
    banner.setPixmap({keep, solid(Qt::red)});
    banner.onTimeout();
    // The same picture handed in again stays alive and is shown.
    banner.setPixmap({keep});
    QCOMPARE(banner.pictureCount(), 1);
    QCOMPARE(banner.currentIndex(), 0);
    banner.setOffsetX(0);
    QCOMPARE(banner.grab().toImage().pixelColor(60, 30), QColor(Qt::green));
}

void tst_Guide::styleSheetText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("whole text without a zero byte") << QByteArray("QLabel{}") << "QLabel{}";
    QTest::newRow("stops at the first zero byte") << QByteArray::fromHex("41420043") << "AB";
    QTest::newRow("zero byte first gives nothing") << QByteArray::fromHex("004142") << "";
    QTest::newRow("bytes above 127 read as Latin-1") << QByteArray::fromHex("e9") << QString(QChar(0xE9));
}

void tst_Guide::styleSheetText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(::styleSheetText(bytes), text);
}

QTEST_MAIN(tst_Guide)
#include "tst_guide.moc"
