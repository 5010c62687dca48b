// The card's GetVersion answer as the version dialog shows it.
#pragma once

#include <QString>

#include <cstdint>

namespace velmora {

class CCardStatus;

struct CardVersionResult {
    bool ok = false;
    // Empty when the card did not answer.
    QString storageSize, uid, vendor, hardwareType, hardwareVersion, softwareType, softwareVersion, productionDate;
    QString statusLine;
};

CardVersionResult ReadCardVersion(int port, CCardStatus& status);

// Bytes of the storage size code (2 to the power of half the code); the raw
// code for codes whose size no 64-bit number holds.
QString StorageSizeText(uint8_t code);

} // namespace velmora
