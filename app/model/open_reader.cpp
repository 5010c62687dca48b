#include "app/model/open_reader.h"

#include "app/model/main_window_logic.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include "kavex.h"

#include <QByteArray>

#include <algorithm>

namespace velmora {

namespace {

OpenReaderResult Failed(OpenReaderResult::Failure failure, int port, const QString& message)
{
    OpenReaderResult result;
    result.failure = failure;
    result.port = port;
    result.message = message;
    return result;
}

} // namespace

OpenReaderResult OpenReader(const QString& portName, int baudRate, int timeout)
{
    const int port = Kavex_OpenPort(portName.toUtf8().constData(), baudRate, timeout);
    // The SDK identifies the reader while opening: a port where nothing
    // answers is the silent-reader case, not an unknown port.
    if (port == KAVEX_OPEN_NO_ANSWER) return Failed(OpenReaderResult::Failure::NoAnswer, port, LoadStr(kIdsNoReader));
    if (port < 0) {
        // Name the interface (without the device address) and why it failed:
        // at start this box comes before any window.
        QString device = portName;
        const int colon = device.lastIndexOf(QLatin1Char(':'));
        if (colon > 0 && colon + 1 < device.size() &&
            std::all_of(device.begin() + colon + 1, device.end(), [](QChar c) { return c.isDigit(); }))
            device.truncate(colon);
        return Failed(OpenReaderResult::Failure::Open, port, LoadStr(kIdsOpenFailed).arg(device, SdkStatusText(port)));
    }

    unsigned char ident[4] = {};
    if (Kavex_GetDeviceIdent(port, ident, sizeof ident) == -1) {
        Kavex_ClosePort(port);
        return Failed(OpenReaderResult::Failure::NoAnswer, 0, LoadStr(kIdsNoReader));
    }
    OpenReaderResult result;
    result.firmware = FirmwareText(ident[3]);
    if (Kavex_IsProgrammer(port) == 0) {
        Kavex_ClosePort(port);
        return Failed(OpenReaderResult::Failure::NotProgrammer, 0, LoadStr(kIdsReaderOnly));
    }
    Kavex_SetReaderMode(port, 0);

    // Sized to the name: model names are longer than a fixed buffer would
    // hold, and a cut name is another model's or none.
    QByteArray name(std::max(Kavex_GetDeviceName(port, nullptr, 0), 0) + 1, '\0');
    Kavex_GetDeviceName(port, name.data(), static_cast<int>(name.size()));
    result.device = name[0] ? QString::fromUtf8(name.constData()) : QStringLiteral("---");
    result.device += QLatin1Char(' ');
    if (Kavex_IsUSB(port) > 0) result.device += QStringLiteral("USB:");
    result.device += portName;
    result.port = port;
    return result;
}

} // namespace velmora
