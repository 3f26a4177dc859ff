#pragma once

#include <QString>
#include <QStringList>

// What the tool knows of each gateway model. Every piece that depends on the
// model asks this table.

enum class BlockLayout { Fixed, Packed };

struct ModelInfo {
    int code;
    QStringList names; // first name is the one discovery reports
    int serialPorts;
    BlockLayout layout;
    int maxIdMaps;
    int maxMasters;
    int maxRequests;
    int defaultAliveTime; // seconds
};

namespace Catalogue {

// The models of the catalogue, in code order.
const QList<ModelInfo> &models();

// The entry for `code`; code 0 or an unknown code gets the entry of a model
// outside the catalogue (packed layout, 16 ports, code 0).
const ModelInfo &byCode(int code);

// Model code for a model name as listed by discovery or stored in a file; 0 when unknown.
int codeForName(const QString &name);

// Model name that discovery lists for a code, or an empty text for a code outside the table.
QString discoveryName(int code);

int serialPorts(int code);
BlockLayout layout(int code);

// Choices the editor offers only on some models: "BOOTP" address assignment,
// and Mark and Space parity besides None, Odd and Even.
bool offersBootp(int code);
int parityChoices(int code);

// Most ID mappings a gateway of this model and firmware accepts: HW-P04 below
// firmware 2.0 takes only 4.
int idMapLimitForFirmware(int code, const QString &firmware);

} // namespace Catalogue
