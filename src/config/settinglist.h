#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>

struct CConfigure;

// A configuration as named settings, one per value the gateway keeps, named by
// its ".inf" key and written as the file writes it. List entries are named
// after their list and number, e.g. "ID_Mapping2.Virtual_ID_Min". Comparing two
// such lists says setting by setting how two configurations differ.
namespace SettingList {

struct Setting {
    QString key;
    QString value;
};
using List = QVector<Setting>;

// Value words by the index the configuration keeps.
const QStringList &modeWords(); // RTU_Slave, RTU_Master, ASCII_Slave, ASCII_Master
const QStringList &ipModeWords(); // Manually_Assign, DHCP, BOOTP
const QStringList &baudWords(); // 1200 ... 230400
const QStringList &parityWords(); // None, Odd, Even, Mark, Space

// The settings of a configuration of the named model; serial ports as far as the model has them.
List of(const CConfigure &configure, int32_t commMode, const QString &modelName);

struct Difference {
    QString key;
    QString first; // meaningful only where the setting is in that list
    QString second;
    bool inFirst = true;
    bool inSecond = true;
};

// The settings whose values differ, or that only one list has: those of the
// first list in its order, then those only the second has.
QVector<Difference> compare(const List &first, const List &second);

struct Written {
    int code = 0; // BlockWriter::Code; the settings are empty unless the block was built
    bool idMapsCut = false;
    List settings;
};

// What a gateway that stored a write of this configuration reports when it is
// read back: the block and keep-alive settings the write sends, taken as a read
// takes them. Changes `configure` the way every write does.
Written asWritten(CConfigure &configure, int32_t commMode, const QString &firmware, const QString &modelName);

} // namespace SettingList
