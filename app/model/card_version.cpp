#include "app/model/card_version.h"

#include "app/model/card_status.h"
#include "app/model/hex_text.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include "kavex.h"

#include <algorithm>

namespace velmora {

namespace {

constexpr uint8_t kVendorNxp = 0x04;

QString Pair(uint8_t a, uint8_t b)
{
    return QString::asprintf("%d.%d", a, b);
}

QString BcdDigits(uint8_t b)
{
    return QString::asprintf("%d%d", b >> 4, b & 0x0F);
}

} // namespace

QString StorageSizeText(uint8_t code)
{
    const int exponent = code >> 1;
    if (exponent >= 64) return QString::asprintf("0x%02X", code);
    return QString::number(static_cast<uint64_t>(1) << exponent);
}

CardVersionResult ReadCardVersion(int port, CCardStatus& status)
{
    CardVersionResult result;
    unsigned char v[28] = {};
    result.ok = Kavex_DFGetVersion(port, v, sizeof v) >= 0;
    if (!result.ok) {
        status.ResetAuth();
        result.statusLine = GetStatusText(port, true, &status);
        return result;
    }
    result.storageSize = StorageSizeText(v[12]);
    const uint8_t* uid = v + 14;
    result.uid = std::all_of(uid, uid + 7, [](uint8_t b) { return b == 0; }) ? LoadStr(kIdsRandomUid)
                                                                             : BytesToHex(uid, 7, false, true);
    result.vendor = QString::asprintf("0x%.2X", v[0]);
    if (v[0] == kVendorNxp) result.vendor += QStringLiteral(" (NXP)");
    result.hardwareType = Pair(v[1], v[2]);
    result.hardwareVersion = Pair(v[3], v[4]);
    result.softwareType = Pair(v[8], v[9]);
    result.softwareVersion = Pair(v[10], v[11]);
    result.productionDate = BcdDigits(v[26]) + QStringLiteral("/20") + BcdDigits(v[27]);
    result.statusLine = GetStatusText(port, true, &status);
    return result;
}

} // namespace velmora
