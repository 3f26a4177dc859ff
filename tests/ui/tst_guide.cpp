#include "app/applook.h"
#include "app/buttonstyle.h"
#include "app/dialog_help.h"
#include "app/myadvertisewidget.h"

#include <QtTest>
#include <QtWidgets>

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

void click(QWidget *w, const char *button, int times = 1)
{
    for (int i = 0; i < times; ++i)
        QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);
}

} // namespace

class tst_Guide : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_ini = m_dir->filePath(QStringLiteral("config.ini"));
        m_guide = std::make_unique<Dialog_help>();
        m_guide->setSettingsPath(m_ini);
    }
    void storedChoice_data();
    void storedChoice();
    void pageWalk();
    void bannerSlide_data();
    void bannerSlide();
    void bannerPictures();
    void styleSheetText();

private:
    QString stored() const { return QSettings(m_ini, QSettings::IniFormat).value(QStringLiteral("Ini")).toString(); }
    void store(const QString &value) const { QSettings(m_ini, QSettings::IniFormat).setValue(QStringLiteral("Ini"), value); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
    std::unique_ptr<Dialog_help> m_guide;
};

// The stored "Ini" value decides whether the guide shows; closing it stores the
// box's state, but only from the last page.
void tst_Guide::storedChoice_data()
{
    QTest::addColumn<QString>("before"); // null: no settings file
    QTest::addColumn<bool>("show");
    QTest::addColumn<QString>("loaded"); // stored once loaded
    QTest::addColumn<QString>("closing"); // empty: not shown; n Next, t tick the box, then e Exit or c close
    QTest::addColumn<QString>("after");
    QTest::newRow("no file: shown once, false stored") << QString() << true << "false" << "te" << "false";
    QTest::newRow("empty value counts as missing") << "" << true << "false" << "" << "false";
    QTest::newRow("false keeps it away") << "false" << false << "false" << "" << "false";
    QTest::newRow("unknown text keeps it away") << "yes" << false << "yes" << "" << "yes";
    QTest::newRow("before the last page nothing stored") << "true" << true << "true" << "ne" << "true";
    QTest::newRow("last page, box cleared, closed") << "true" << true << "true" << "nnnc" << "false";
    QTest::newRow("last page, box ticked, Exit") << "true" << true << "true" << "nnnte" << "true";
    QTest::newRow("last page, box cleared, Exit") << "true" << true << "true" << "nnne" << "false";
}

void tst_Guide::storedChoice()
{
    QFETCH(QString, before);
    QFETCH(bool, show);
    QFETCH(QString, loaded);
    QFETCH(QString, closing);
    QFETCH(QString, after);
    if (!before.isNull())
        store(before);
    QCOMPARE(m_guide->LoadIni(), show);
    QCOMPARE(stored(), loaded);
    QCheckBox *box = child<QCheckBox>(m_guide.get(), "checkBox");
    QCOMPARE(box->isChecked(), loaded == "true");
    if (!closing.isEmpty()) {
        m_guide->show();
        click(m_guide.get(), "bt_next", closing.count('n'));
        box->setChecked(closing.contains('t'));
        if (closing.endsWith('e'))
            click(m_guide.get(), "bt_exit");
        else
            m_guide->close();
        QVERIFY(!m_guide->isVisible());
    }
    QCOMPARE(stored(), after);
    QCOMPARE(Dialog_help::defaultSettingsPath(), QCoreApplication::applicationDirPath() + "/config.ini"); // outside tests
}

// Forward to the last page and back again: Back is off on the first page, Next
// on the last, the box shows only there, and each page has its own picture.
void tst_Guide::pageWalk()
{
    QPushButton *back = child<QPushButton>(m_guide.get(), "bt_back");
    QPushButton *next = child<QPushButton>(m_guide.get(), "bt_next");
    const QString walk = QStringLiteral("nnnbbb");
    QList<QImage> pictures;
    int page = 1;
    for (int step = 0; step <= walk.size(); ++step) {
        QCOMPARE(m_guide->page(), page);
        QCOMPARE(back->isEnabled(), page > 1);
        QCOMPARE(next->isEnabled(), page < Dialog_help::PageCount);
        QCOMPARE(back->styleSheet(), buttonStyle(page > 1, ButtonTone::Ordinary));
        QCOMPARE(!child<QCheckBox>(m_guide.get(), "checkBox")->isHidden(), page == Dialog_help::PageCount);
        const QImage shown = child<QLabel>(m_guide.get(), "label")->pixmap(Qt::ReturnByValue).toImage();
        if (step < Dialog_help::PageCount)
            QVERIFY2(!pictures.contains(shown), qPrintable(QString::number(page)));
        pictures.append(shown);
        QCOMPARE(shown, pictures.value(page - 1));
        if (step < walk.size()) {
            click(m_guide.get(), walk[step] == 'n' ? "bt_next" : "bt_back");
            page += walk[step] == 'n' ? 1 : -1;
        }
    }
}

// Each timeout slides the next picture in from the right; an offset of the
// width ends the slide.
void tst_Guide::bannerSlide_data()
{
    QTest::addColumn<QList<QColor>>("pictures");
    QTest::addColumn<int>("timeouts");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QList<QColor>>("shown"); // left half, right half
    const QList<QColor> two{Qt::red, Qt::blue};
    QTest::newRow("half way: old leaves left, new enters right") << two << 1 << 100 << QList<QColor>{Qt::red, Qt::blue};
    QTest::newRow("slide done: the new one fills it") << two << 1 << 200 << QList<QColor>{Qt::blue, Qt::blue};
    QTest::newRow("wrap: from the last back to the first") << two << 2 << 100 << QList<QColor>{Qt::blue, Qt::red};
    QTest::newRow("three run 1, 2, 0") << QList<QColor>{Qt::red, Qt::green, Qt::blue} << 3 << 100 << QList<QColor>{Qt::blue, Qt::red};
    QTest::newRow("one picture slides over itself") << QList<QColor>{Qt::green} << 2 << 100 << QList<QColor>{Qt::green, Qt::green};
}

void tst_Guide::bannerSlide()
{
    QFETCH(QList<QColor>, pictures);
    QFETCH(int, timeouts);
    QFETCH(int, offset);
    QFETCH(QList<QColor>, shown);
    MyAdvertiseWidget banner;
    banner.resize(200, 80);
    QList<QPixmap *> list;
    for (const QColor &colour : pictures)
        list.append(solid(colour));
    banner.setPixmap(list);
    for (int i = 0; i < timeouts; ++i)
        banner.onTimeout();
    QCOMPARE(banner.currentIndex(), timeouts % pictures.size());
    QTest::qWait(0);
    banner.setOffsetX(offset); // grabbed at once, before the running slide's next step overwrites it
    const QImage shot = banner.grab().toImage();
    QCOMPARE((QList<QColor>{shot.pixelColor(50, 40), shot.pixelColor(150, 40)}), shown);
}

void tst_Guide::bannerPictures()
{
    MyAdvertiseWidget banner;
    banner.resize(120, 60);
    QPixmap *keep = solid(Qt::green);
    banner.setPixmap({keep, solid(Qt::red)});
    banner.onTimeout();
    QTRY_COMPARE_WITH_TIMEOUT(banner.getOffsetX(), 120, 4000); // the slide runs to the full width
    // The same picture handed in again stays alive and is shown.
    banner.setPixmap({keep});
    QCOMPARE(banner.pictureCount(), 1);
    QCOMPARE(banner.currentIndex(), 0);
    banner.setOffsetX(0);
    QCOMPARE(banner.grab().toImage().pixelColor(60, 30), QColor(Qt::green));
    // Without pictures it stops at the next paint; new ones start it again.
    banner.setPixmap({});
    banner.onTimeout();
    QCOMPARE(banner.currentIndex(), 0);
    banner.grab();
    QVERIFY(!banner.isCycling());
    banner.setPixmap({solid(Qt::red)});
    QVERIFY(banner.isCycling());
}

void tst_Guide::styleSheetText()
{
    const QList<QPair<QByteArray, QString>> rows = {{QByteArray::fromHex("41420043"), "AB"}, // ends at the first zero
                                                    {QByteArray::fromHex("004142"), ""},
                                                    {QByteArray("a\xe9"), QString("a") + QChar(0xE9)}}; // Latin-1
    for (const auto &row : rows)
        QCOMPARE(::styleSheetText(row.first), row.second);
}

QTEST_MAIN(tst_Guide)
#include "tst_guide.moc"
