#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// The fault switches of one gateway, as documented in README.md.
struct Faults
{
    // discovery
    bool udpSilent = false;
    int udpWrongLength = -1;
    bool udpBadHeader = false;
    int udpDelayMs = 0;
    QString answerIp;
    qint64 passwordFlag = -1;
    bool hasNameHex = false;
    QByteArray nameHex;
    int udpRepeat = 1;
    int udpRepeatGapMs = 0;
    QByteArray udpPrefix;

    // TCP
    bool tcpRefuse = false;
    bool tcpSilent = false;
    QByteArray unsolicited;
    bool requireAuth = false;
    bool pwReject = false;
    bool pwShort = false;
    int pwDelayMs = 0;
    bool pwSilent = false;
    int readBadHeader = -1;
    qint64 readLength = -1;
    int readTruncate = -1;
    bool readDrip = false;
    int dripPiece = 64;
    int dripGapMs = 50;
    bool dropMidway = false;
    bool readSilent = false;
    bool keepaliveBadHeader = false;
    bool keepaliveSilent = false;
    bool writeAnswerCode5 = false;
    bool writeSilent = false;
    bool keepaliveWriteBad = false;

    // Fills the switches from the "faults" object; false with a reason on an
    // unknown switch or a value of the wrong kind.
    bool load(const QJsonObject &json, QString *error);
};
