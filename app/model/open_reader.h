// Opening the chosen interface and checking what answers there: a reader
// that identifies itself and can program cards. The main window shows the
// result; it makes no SDK call of its own for this.
#pragma once

#include <QString>

namespace velmora {

struct OpenReaderResult {
    enum class Failure {
        None,          // open, identified, a programmer, reader mode set
        Open,          // Kavex_OpenPort gave a negative result
        NoAnswer,      // nothing identified itself (kIdsNoReader)
        NotProgrammer, // a reader without programming capability (kIdsReaderOnly)
    };

    Failure failure = Failure::None;
    // Positive: the open port. 0 after a failed check (the port is closed
    // again); a failed open keeps Kavex_OpenPort's negative result.
    int port = 0;
    QString message;  // the message box text of a failure
    QString device;   // "name USB:port" ("---" for a nameless device)
    QString firmware; // "FW V1.05"

    bool Ok() const { return failure == Failure::None; }
};

// portName as Kavex_OpenPort takes it ("COM1:1", "/dev/ttyUSB0:1").
OpenReaderResult OpenReader(const QString& portName, int baudRate, int timeout);

} // namespace velmora
