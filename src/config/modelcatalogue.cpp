#include "config/modelcatalogue.h"

namespace Catalogue {

const QList<ModelInfo> &models()
{
    static const QList<ModelInfo> table = {
        {30103, {"NTC-P01DL"}, 1, BlockLayout::Fixed, 36, 36, 36, 30},
        {30203, {"KX500-EN-2RS485(Modbus TCP)", "NTC-P02DL"}, 2, BlockLayout::Fixed, 36, 36, 36, 30},
        {130100, {"KX500-DL-RS", "HW-P01"}, 1, BlockLayout::Packed, 4, 4, 4, 8},
        {130200, {"KX500-DL-2RS", "HW-P02"}, 2, BlockLayout::Packed, 4, 4, 4, 8},
        {130400, {"HW-P04", "KX500-DL-4RS"}, 4, BlockLayout::Packed, 36, 4, 4, 8},
        {130800, {"HW-P08"}, 8, BlockLayout::Packed, 4, 4, 4, 8},
        {131600, {"HW-P16"}, 16, BlockLayout::Packed, 4, 4, 4, 8},
    };
    return table;
}

const ModelInfo &byCode(int code)
{
    static const ModelInfo outside{0, {}, 16, BlockLayout::Packed, 4, 4, 4, 8};
    for (const ModelInfo &m : models()) {
        if (m.code == code)
            return m;
    }
    return outside;
}

int codeForName(const QString &name)
{
    for (const ModelInfo &m : models()) {
        if (m.names.contains(name))
            return m.code;
    }
    return 0;
}

QString discoveryName(int code)
{
    const ModelInfo &m = byCode(code);
    return m.code == 0 ? QString() : m.names.first();
}

int serialPorts(int code)
{
    return byCode(code).serialPorts;
}

BlockLayout layout(int code)
{
    return byCode(code).layout;
}

// The models of the fixed block layout are the ones that offer them.
bool offersBootp(int code)
{
    return layout(code) == BlockLayout::Fixed;
}

int parityChoices(int code)
{
    return offersBootp(code) ? 5 : 3;
}

int idMapLimitForFirmware(int code, const QString &firmware)
{
    if (code == 130400 && firmware.toDouble() < 2.0)
        return 4;
    return byCode(code).maxIdMaps;
}

} // namespace Catalogue
