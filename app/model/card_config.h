// The card-level SetConfiguration: the default key of new applications,
// the historical byte of the ATS, and the two switches that cannot be undone
// (no more formatting, random UID). Each authenticates with the card master
// key first.
#pragma once

#include "app/model/card_step.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace velmora {

class CCardStatus;
class CtlText;

// The first historical byte of an ATS stored without its length byte, as
// the field shows it; empty when the ATS has none.
QString HistoricalByteText(const QByteArray& ats);

CardStepResult SetDefaultKey(int port, CCardStatus& status, CtlText* statusWnd, const QString& keyText,
                             const QString& versionText);
// Rebuilds the stored ATS with the typed byte in place of the first
// historical byte.
CardStepResult SetHistoricalByte(int port, CCardStatus& status, CtlText* statusWnd, const QString& byteText);

// The card settings byte of SetConfiguration: one switch per call.
enum class CardSwitch : uint8_t { NoFormat = 0x01, RandomUid = 0x02 };
// Confirmed by the caller: neither can be undone.
CardStepResult SetCardSwitch(int port, CCardStatus& status, CtlText* statusWnd, CardSwitch what);

} // namespace velmora
