// Reading and writing data files, and committing the transaction that
// backup, value and record files wait for.
#include <algorithm>

#include "sdk/core/port.h"
#include "desfire/transfer.h"
#include "desfire/exchange.h"
#include "kavex.h"

using namespace kavex;
using namespace kavex::desfire;

namespace {

constexpr uint8_t kCmdReadData = 0xBD;
constexpr uint8_t kCmdWriteData = 0x3D;
constexpr uint8_t kCmdCommitTransaction = 0xC7;

constexpr size_t kDataHeaderLength = 8;

// Every chunk's offset has to fit the three bytes it travels in; cut down
// it would address other data than the caller asked for.
bool CheckRange(CKavex_Port& port, uint32_t offset, uint64_t length)
{
    if (offset <= kMaxLe24 && offset + length <= uint64_t{kMaxLe24} + 1) return true;
    port.lastStatus = kStatusWrongParameter;
    return false;
}

std::vector<uint8_t> DataHeader(uint8_t cmd, uint8_t fileNo, uint32_t offset, uint32_t length)
{
    std::vector<uint8_t> frame = {cmd, fileNo};
    AppendLe24(frame, offset);
    AppendLe24(frame, length);
    return frame;
}

int ReadData(CKavex_Port& port, uint8_t fileNo, unsigned mode, uint32_t offset, uint32_t length, uint8_t* out, int size)
{
    const int comm = CommMode(mode);
    if (!CheckModeAllowed(port, comm) || !CheckRange(port, offset, length)) return -1;
    const size_t room = out && size > 0 ? static_cast<size_t>(size) : 0;
    size_t delivered = 0;
    uint32_t done = 0;
    std::vector<uint8_t> payload;
    TransferProgress progress(length);
    // Length 0 is one command for the rest of the file. Otherwise every
    // chunk either brings exactly the bytes it asked for or fails, so the
    // read always moves on and always ends.
    do {
        const uint32_t chunk = length ? std::min<uint32_t>(length - done, kMaxCommandData) : 0;
        const long expected = length ? static_cast<long>(chunk) : -1;
        progress.BeginChunk(done, chunk);
        if (ReadMessage(port, DataHeader(kCmdReadData, fileNo, offset + done, chunk), comm, expected, payload) < 0)
            return -1;
        const size_t n = std::min(payload.size(), room - delivered);
        if (n) std::copy(payload.begin(), payload.begin() + static_cast<long>(n), out + delivered);
        delivered += n;
        done += chunk;
    } while (done < length);
    progress.Finish(length ? length : payload.size());
    return static_cast<int>(delivered);
}

int WriteData(CKavex_Port& port, uint8_t fileNo, unsigned mode, uint32_t offset, const uint8_t* data, int len)
{
    const int comm = CommMode(mode);
    if (!CheckModeAllowed(port, comm)) return -1;
    if (len < 0 || (len > 0 && !data)) {
        port.lastStatus = kStatusWrongParameter;
        return -1;
    }
    if (!CheckRange(port, offset, static_cast<uint32_t>(len))) return -1;
    const size_t total = static_cast<size_t>(len);
    TransferProgress progress(total);
    // Each chunk is a write of its own, with its own MAC or CRC, so the
    // card never has to hold more than one command's data.
    for (size_t done = 0; done < total;) {
        const size_t chunk = std::min(total - done, kMaxCommandData);
        std::vector<uint8_t> message =
            DataHeader(kCmdWriteData, fileNo, static_cast<uint32_t>(offset + done), static_cast<uint32_t>(chunk));
        message.insert(message.end(), data + done, data + done + chunk);
        progress.BeginChunk(done, chunk);
        if (WriteMessage(port, std::move(message), kDataHeaderLength, comm) < 0) return -1;
        done += chunk;
    }
    progress.Finish(total);
    port.lastStatus = kStatusOk;
    return 0;
}

} // namespace

extern "C" {

KAVEX_API int Kavex_DFReadData(int handle, unsigned char fileNo, unsigned char mode, unsigned int offset,
                               unsigned int length, unsigned char* out, int size)
{
    return WithPort(handle, [&](CKavex_Port& port) { return ReadData(port, fileNo, mode, offset, length, out, size); });
}

KAVEX_API int Kavex_DFWriteData(int handle, unsigned char fileNo, unsigned char mode, unsigned int offset,
                                const unsigned char* data, int len)
{
    return WithPort(handle, [&](CKavex_Port& port) { return WriteData(port, fileNo, mode, offset, data, len); });
}

KAVEX_API int Kavex_DFCommitTransaction(int handle)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        std::vector<uint8_t> answer;
        return RunCommand(port, {kCmdCommitTransaction}, answer, 20) < 0 ? -1 : 0;
    });
}

} // extern "C"
