#include "config/frames.h"

#include <QtTest>

class TestFrames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fixedFrames_data();
    void fixedFrames();
    void passwordReply_data();
    void passwordReply();
    void parseHeader_data();
    void parseHeader();
};

void TestFrames::fixedFrames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");
    // "Talvenor" = 54 61 6c 76 65 6e 6f 72
    QTest::newRow("locate") << Frames::locateFrame() << QByteArray::fromHex("00000009 00000008 54616c76656e6f72");
    QTest::newRow("restart") << Frames::restartFrame() << QByteArray::fromHex("0000000a 00000008 54616c76656e6f72");
    QTest::newRow("read configuration") << Frames::readConfigRequest() << QByteArray::fromHex("00000005 00000000");
    QTest::newRow("read keep-alive") << Frames::readKeepAliveRequest() << QByteArray::fromHex("0000000d 00000000");
    QTest::newRow("discovery") << Frames::discoveryRequest() << QByteArray::fromHex("00000003 00000000");
    QTest::newRow("big-endian length") << Frames::header(6, 0x01020304u) << QByteArray::fromHex("00000006 01020304");
    const QByteArray pw = QByteArray::fromHex("00000007 0000001c 54616c76656e6f72");
    QTest::newRow("empty password") << Frames::passwordFrame(QString()) << pw + QByteArray(20, '\0');
    QTest::newRow("twelve characters")
        << Frames::passwordFrame("abcdefABC012") << pw + QByteArray::fromHex("616263646566414243303132 0000000000000000");
    QTest::newRow("19 keep a zero") << Frames::passwordFrame(QString(19, 'x')) << pw + QByteArray(19, 'x') + QByteArray(1, '\0');
    QTest::newRow("longer is cut to 20") << Frames::passwordFrame(QString(64, 'z')) << pw + QByteArray(20, 'z');
    // U+00E9 is C3 A9 in UTF-8: 19 ASCII bytes plus one would end half-way through it.
    QTest::newRow("cut never splits UTF-8")
        << Frames::passwordFrame(QString(19, 'a') + QChar(0xE9)) << pw + QByteArray(19, 'a') + QByteArray(1, '\0');
    QTest::newRow("UTF-8 that fits")
        << Frames::passwordFrame(QString(QChar(0xE9)) + "1") << pw + QByteArray::fromHex("c3a931") + QByteArray(17, '\0');
}

void TestFrames::fixedFrames()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame.toHex(' '), expected.toHex(' '));
}

void TestFrames::passwordReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("accepted") << QByteArray::fromHex("00000007000000080000000000000000") << true;
    QTest::newRow("bytes 8-15 ignored") << QByteArray::fromHex("0000000700000008ffffffffffffffff") << true;
    QTest::newRow("eight bytes") << QByteArray::fromHex("0000000700000008") << true;
    QTest::newRow("rejected") << QByteArray::fromHex("00000007000000090000000000000000") << false;
    QTest::newRow("four bytes, rest zero") << QByteArray::fromHex("00000007") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("wrong command") << QByteArray::fromHex("00000006000000080000000000000000") << false;
    QTest::newRow("non-zero lead") << QByteArray::fromHex("01000007000000080000000000000000") << false;
}

void TestFrames::passwordReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, accepted);
    QCOMPARE(Frames::passwordAccepted(reply), accepted);
    std::array<unsigned char, Frames::ReplySize> buffer{};
    std::copy(reply.begin(), reply.end(), buffer.begin());
    QCOMPARE(Frames::passwordAccepted(buffer), accepted);
}

void TestFrames::parseHeader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("length"); // -1: not a header
    QTest::newRow("read answer") << QByteArray::fromHex("00000005000004b8ff") << qint64(1208);
    QTest::newRow("largest length") << QByteArray::fromHex("0000000dffffffff") << qint64(0xffffffffu);
    QTest::newRow("seven bytes") << QByteArray::fromHex("00000005000004") << qint64(-1);
    QTest::newRow("non-zero lead") << QByteArray::fromHex("00010005000004b8") << qint64(-1);
}

void TestFrames::parseHeader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, length);
    Frames::Header h;
    const bool valid = Frames::parseHeader(bytes, &h);
    QCOMPARE(valid ? qint64(h.length) : -1, length);
    if (valid)
        QCOMPARE(int(h.command), int(bytes.at(3)));
}

QTEST_APPLESS_MAIN(TestFrames)
#include "tst_frames.moc"
