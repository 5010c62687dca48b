// Activating the card in the field: the field switched off and on, then
// request, anticollision and select, RATS and PPS, which leave a DESFire
// card ready for its commands. The main window shows the result.
#pragma once

#include <QByteArray>
#include <QString>

namespace velmora {

class CCardStatus;

struct ActivateCardResult {
    // The step that ended the activation.
    enum class Failure { None, NoPort, RequestA, AnticollSelect, NotIso14443_4, Rats, Pps };

    Failure failure = Failure::None;
    // The UID in hex as the card gave it; "--" when no card answered or it
    // is no DESFire card; empty without a port.
    QString uid;
    QByteArray ats;     // without its length byte, as the reader hands it over
    QString statusLine; // empty without a port

    bool Ok() const { return failure == Failure::None; }
};

// Resets status for a new card first (even without a port: port <= 0 means
// none), then activates; the ATS also goes into status.
ActivateCardResult ActivateCard(int port, CCardStatus& status);

} // namespace velmora
