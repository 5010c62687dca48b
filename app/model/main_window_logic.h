// Texts and values the main window computes from what the reader and the
// card report.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace velmora {

// "FW V1.05" from the fourth identification byte: '0'-'9' are 0-9, letters
// of either case 10-35, anything else 255.
QString FirmwareText(uint8_t revision);

// A status line with a code: "text <code>", codes 129 to 255 shown as the
// negative byte they are (a reader status byte); code 0 shows the text alone.
QString StatusWithCode(const QString& text, int code);

// The PPS1 byte for the fastest bit rates the card offers in TA(1), the
// second ATS byte (the reader hands the ATS over without its length byte).
// An ATS without TA(1) (too short, or T0 says it is absent) keeps the
// default rate of 106 kbit/s both ways.
uint8_t PpsFromAts(const QByteArray& ats);

// The product version shown in the caption ("1.xx" when it is not usable).
QString ProductVersionText(const QString& version);

} // namespace velmora
