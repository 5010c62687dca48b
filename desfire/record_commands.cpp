// Writing, reading and clearing the records of linear and cyclic record
// files. Like value changes, they take effect with CommitTransaction.
#include "sdk/core/port.h"
#include "desfire/transfer.h"
#include "desfire/exchange.h"
#include "kavex.h"

using namespace kavex;
using namespace kavex::desfire;

namespace {

constexpr uint8_t kCmdWriteRecord = 0x3B;
constexpr uint8_t kCmdReadRecords = 0xBB;
constexpr uint8_t kCmdClearRecordFile = 0xEB;

constexpr size_t kRecordHeaderLength = 8;

int WriteRecord(CKavex_Port& port, uint8_t fileNo, unsigned mode, uint32_t offset, const uint8_t* data, int len)
{
    const int comm = CommMode(mode);
    if (!CheckModeAllowed(port, comm)) return -1;
    if (len < 0 || (len > 0 && !data) || offset > kMaxLe24 || static_cast<uint32_t>(len) > kMaxLe24) {
        port.lastStatus = kStatusWrongParameter;
        return -1;
    }
    std::vector<uint8_t> message = {kCmdWriteRecord, fileNo};
    AppendLe24(message, offset);
    AppendLe24(message, static_cast<uint32_t>(len));
    if (len > 0) message.insert(message.end(), data, data + len);
    TransferProgress progress(static_cast<uint64_t>(len));
    progress.BeginChunk(0, static_cast<uint64_t>(len));
    if (WriteMessage(port, std::move(message), kRecordHeaderLength, comm) < 0) return -1;
    progress.Finish(static_cast<uint64_t>(len));
    return 0;
}

int ReadRecords(CKavex_Port& port, uint8_t fileNo, unsigned mode, uint32_t recordOffset, uint32_t recordCount,
                uint32_t recordSize, uint8_t* out, int size)
{
    const int comm = CommMode(mode);
    if (!CheckModeAllowed(port, comm)) return -1;
    if (recordOffset > kMaxLe24 || recordCount > kMaxLe24) {
        port.lastStatus = kStatusWrongParameter;
        return -1;
    }
    std::vector<uint8_t> cmd = {kCmdReadRecords, fileNo};
    AppendLe24(cmd, recordOffset);
    AppendLe24(cmd, recordCount);
    const long expected = recordCount ? static_cast<long>(uint64_t{recordCount} * recordSize) : -1;
    std::vector<uint8_t> payload;
    TransferProgress progress(expected > 0 ? static_cast<uint64_t>(expected) : 0);
    progress.BeginChunk(0, expected > 0 ? static_cast<uint64_t>(expected) : 0);
    if (ReadMessage(port, cmd, comm, expected, payload) < 0) return -1;
    progress.Finish(payload.size());
    return CopyCut(payload.data(), payload.size(), out, size);
}

} // namespace

extern "C" {

KAVEX_API int Kavex_DFWriteRecord(int handle, unsigned char fileNo, unsigned char mode, unsigned int offset,
                                  const unsigned char* data, int len)
{
    return WithPort(handle, [&](CKavex_Port& port) { return WriteRecord(port, fileNo, mode, offset, data, len); });
}

KAVEX_API int Kavex_DFReadRecords(int handle, unsigned char fileNo, unsigned char mode, unsigned int recordOffset,
                                  unsigned int recordCount, unsigned int recordSize, unsigned char* out, int size)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        return ReadRecords(port, fileNo, mode, recordOffset, recordCount, recordSize, out, size);
    });
}

KAVEX_API int Kavex_DFClearRecordFile(int handle, unsigned char fileNo)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        std::vector<uint8_t> answer;
        return RunCommand(port, {kCmdClearRecordFile, fileNo}, answer, 20) < 0 ? -1 : 0;
    });
}

} // extern "C"
