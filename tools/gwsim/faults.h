#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

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
    int udpRepeatWithinMs = 0;
    bool udpRepeatVaryIp = false;
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
    // Commands whose answers go out in pieces (read_drip, answer_drip).
    QSet<int> dripCommands;
    int dripPiece = 64;
    int dripGapMs = 50;
    // Bytes sent in the same write just before / just after the answer to a command.
    QMap<int, QByteArray> answerPrefix;
    QMap<int, QByteArray> answerSuffix;
    bool dropMidway = false;
    bool readSilent = false;
    bool keepaliveBadHeader = false;
    bool keepaliveSilent = false;
    bool writeAnswerCode5 = false;
    bool writeSilent = false;
    bool writeNotStored = false;
    bool keepaliveWriteBad = false;

    // Fills the switches from the "faults" object; false with a reason on an
    // unknown switch or a value of the wrong kind.
    bool load(const QJsonObject &json, QString *error);

private:
    // "piece" and "gap_ms" of a drip object; otherKeys are allowed beside them.
    bool readPace(const QJsonObject &o, bool isObject, const QStringList &otherKeys);
};
