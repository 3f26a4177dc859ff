#include "config/frames.h"

#include <QtTest>

class TestFrames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fixedFrames_data();
    void fixedFrames();
    void passwordFrame_data();
    void passwordFrame();
    void passwordReply_data();
    void passwordReply();
    void replyBufferIsCheckedLikeBytes();
    void parseHeader_data();
    void parseHeader();
};

void TestFrames::fixedFrames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");
    // "Talvenor" = 54 61 6c 76 65 6e 6f 72
    QTest::newRow("locate is code 9, length 8, signature")
        << Frames::locateFrame() << QByteArray::fromHex("00000009 00000008 54616c76656e6f72");
    QTest::newRow("restart is code 10, length 8, signature")
        << Frames::restartFrame() << QByteArray::fromHex("0000000a 00000008 54616c76656e6f72");
    QTest::newRow("read configuration is a bare header")
        << Frames::readConfigRequest() << QByteArray::fromHex("00000005 00000000");
    QTest::newRow("read keep-alive is a bare header")
        << Frames::readKeepAliveRequest() << QByteArray::fromHex("0000000d 00000000");
    QTest::newRow("discovery request")
        << Frames::discoveryRequest() << QByteArray::fromHex("00000003 00000000");
    QTest::newRow("length is big-endian over all four bytes")
        << Frames::header(6, 0x01020304u) << QByteArray::fromHex("00000006 01020304");
}

void TestFrames::fixedFrames()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame.toHex(' '), expected.toHex(' '));
}

void TestFrames::passwordFrame_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("field"); // the 20 bytes after header and signature

    QTest::newRow("empty password is all zeros") << QString() << QByteArray(20, '\0');
    QTest::newRow("four digits, zero padded")
        << "1234" << QByteArray::fromHex("31323334 00000000000000000000000000000000");
    QTest::newRow("twelve characters, the dialog's longest")
        << "abcdefABC012" << QByteArray::fromHex("616263646566414243303132 0000000000000000");
    QTest::newRow("nineteen bytes keep a terminating zero")
        << QString(19, 'x') << QByteArray(19, 'x') + QByteArray(1, '\0');
    QTest::newRow("twenty bytes fill the field")
        << QString(20, 'y') << QByteArray(20, 'y');
    QTest::newRow("longer text is cut to the field, not beyond")
        << QString(64, 'z') << QByteArray(20, 'z');
    // U+00E9 is C3 A9 in UTF-8: 19 ASCII bytes plus one would end half-way through it.
    QTest::newRow("cut never splits a UTF-8 character")
        << QString(19, 'a') + QChar(0xE9) << QByteArray(19, 'a') + QByteArray(1, '\0');
    QTest::newRow("two-byte characters that fit are sent as UTF-8")
        << QString(QChar(0xE9)) + "1" << QByteArray::fromHex("c3a931") + QByteArray(17, '\0');
}

void TestFrames::passwordFrame()
{
    QFETCH(QString, password);
    QFETCH(QByteArray, field);
    const QByteArray frame = Frames::passwordFrame(password);
    QCOMPARE(frame.size(), 36);
    QCOMPARE(frame.left(16).toHex(' '), QByteArray::fromHex("00000007 0000001c 54616c76656e6f72").toHex(' '));
    QCOMPARE(frame.mid(16).toHex(' '), field.toHex(' '));
}

void TestFrames::passwordReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("accepted") << QByteArray::fromHex("00000007000000080000000000000000") << true;
    QTest::newRow("bytes 8 to 15 are not examined")
        << QByteArray::fromHex("0000000700000008ffffffffffffffff") << true;
    QTest::newRow("eight bytes are enough") << QByteArray::fromHex("0000000700000008") << true;
    QTest::newRow("rejected, 09 in byte 7") << QByteArray::fromHex("00000007000000090000000000000000") << false;
    QTest::newRow("four bytes: the rest counts as zero") << QByteArray::fromHex("00000007") << false;
    QTest::newRow("empty reply") << QByteArray() << false;
    QTest::newRow("wrong command code") << QByteArray::fromHex("00000006000000080000000000000000") << false;
    QTest::newRow("non-zero leading byte") << QByteArray::fromHex("01000007000000080000000000000000") << false;
}

void TestFrames::passwordReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, accepted);
    QCOMPARE(Frames::passwordAccepted(reply), accepted);
}

void TestFrames::replyBufferIsCheckedLikeBytes()
{
    std::array<unsigned char, Frames::ReplySize> buffer{};
    QVERIFY(!Frames::passwordAccepted(buffer));
    const QByteArray accepted = QByteArray::fromHex("0000000700000008");
    std::copy(accepted.begin(), accepted.end(), buffer.begin());
    QVERIFY(Frames::passwordAccepted(buffer));
    buffer[7] = 9;
    QVERIFY(!Frames::passwordAccepted(buffer));
}

void TestFrames::parseHeader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("command");
    QTest::addColumn<quint32>("length");
    QTest::newRow("read answer header") << QByteArray::fromHex("00000005000004b8ff") << true << 5 << quint32(1208);
    QTest::newRow("largest length does not turn negative")
        << QByteArray::fromHex("0000000dffffffff") << true << 13 << quint32(0xffffffffu);
    QTest::newRow("seven bytes are not a header") << QByteArray::fromHex("00000005000004") << false << 0 << quint32(0);
    QTest::newRow("non-zero leading bytes") << QByteArray::fromHex("00010005000004b8") << false << 0 << quint32(0);
}

void TestFrames::parseHeader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QFETCH(int, command);
    QFETCH(quint32, length);
    Frames::Header h;
    QCOMPARE(Frames::parseHeader(bytes, &h), valid);
    if (valid) {
        QCOMPARE(int(h.command), command);
        QCOMPARE(h.length, length);
    }
}

QTEST_APPLESS_MAIN(TestFrames)
#include "tst_frames.moc"
