// Listing, inspecting, creating, reconfiguring and deleting the files of
// the selected application.
#include "sdk/core/port.h"
#include "desfire/transfer.h"
#include "desfire/exchange.h"
#include "kavex.h"

using namespace kavex;
using namespace kavex::desfire;

namespace {

constexpr uint8_t kCmdGetFileIDs = 0x6F;
constexpr uint8_t kCmdGetFileSettings = 0xF5;
constexpr uint8_t kCmdChangeFileSettings = 0x5F;
constexpr uint8_t kCmdCreateStdDataFile = 0xCD;
constexpr uint8_t kCmdCreateBackupDataFile = 0xCB;
constexpr uint8_t kCmdCreateValueFile = 0xCC;
constexpr uint8_t kCmdCreateLinearRecordFile = 0xC1;
constexpr uint8_t kCmdCreateCyclicRecordFile = 0xC0;
constexpr uint8_t kCmdDeleteFile = 0xDF;

// Type, communication settings, access rights and a 3-byte size: the
// shortest settings any file has.
constexpr size_t kMinFileSettings = 7;
constexpr size_t kChangeSettingsLength = 3;

int RunSimple(CKavex_Port& port, const std::vector<uint8_t>& frame)
{
    std::vector<uint8_t> answer;
    return RunCommand(port, frame, answer, 10) < 0 ? -1 : 0;
}

// Sizes and counts travel in three bytes; a larger or negative value would
// reach the card cut down and create a different file than asked for.
bool CheckLe24(CKavex_Port& port, int value)
{
    if (value >= 0 && static_cast<uint32_t>(value) <= kMaxLe24) return true;
    port.lastStatus = kStatusWrongParameter;
    return false;
}

int GetFileIDs(CKavex_Port& port, uint8_t* out, int size)
{
    std::vector<uint8_t> answer;
    if (RunCommand(port, {kCmdGetFileIDs}, answer, 100) < 0) return -1;
    const size_t macLen = Session(port).AnswerMacLength();
    const size_t count = answer.size() > 1 + macLen ? answer.size() - 1 - macLen : 0;
    const size_t room = out && size > 0 ? static_cast<size_t>(size) : 0;
    if (count > room) {
        port.lastStatus = kStatusBufferTooSmall;
        return -1;
    }
    return CopyCut(answer.data() + 1, count, out, size);
}

int GetFileSettings(CKavex_Port& port, uint8_t fileNo, uint8_t* out, int size)
{
    std::vector<uint8_t> answer;
    if (RunCommand(port, {kCmdGetFileSettings, fileNo}, answer, 30, 1 + kMinFileSettings) < 0) return -1;
    if (!AnswerHasData(port, answer, kMinFileSettings)) return -1;
    std::vector<uint8_t> settings(answer.begin() + 1,
                                  answer.end() - static_cast<long>(Session(port).AnswerMacLength()));
    settings[1] = static_cast<uint8_t>(CommMode(settings[1]));
    return CopyCut(settings.data(), settings.size(), out, size);
}

int ChangeFileSettings(CKavex_Port& port, uint8_t fileNo, bool sendPlain, const uint8_t* settings, int len)
{
    if (!settings || len < static_cast<int>(kChangeSettingsLength)) {
        // Without a status of its own the failure would show whatever the
        // previous call left, possibly success.
        port.lastStatus = kStatusParamLength;
        return -1;
    }
    CDatenFuerDesfireInPort& session = Session(port);
    // Communication settings and access rights; further bytes are not sent.
    std::vector<uint8_t> frame = {kCmdChangeFileSettings, fileNo, settings[0], settings[1], settings[2]};
    if (sendPlain) {
        session.MacCommand(frame.data(), frame.size());
    } else {
        if (!session.IsAuthenticated()) {
            port.lastStatus = kStatusNeedsAuthentication;
            return -1;
        }
        session.AppendCrcAndEncipher(frame, 2);
    }
    std::vector<uint8_t> answer;
    return RunCommand(port, frame, answer, 10, 1, false) < 0 ? -1 : 0;
}

// Start of the data and record file frames; the ISO file ID is only sent
// when there is one.
std::vector<uint8_t> FileHeader(uint8_t cmd, uint8_t fileNo, uint16_t isoFileId, uint8_t comm, uint16_t access)
{
    std::vector<uint8_t> frame = {cmd, fileNo};
    if (isoFileId > 0) {
        frame.push_back(static_cast<uint8_t>(isoFileId));
        frame.push_back(static_cast<uint8_t>(isoFileId >> 8));
    }
    frame.push_back(comm);
    frame.push_back(static_cast<uint8_t>(access));
    frame.push_back(static_cast<uint8_t>(access >> 8));
    return frame;
}

int CreateDataFile(CKavex_Port& port, uint8_t cmd, uint8_t fileNo, uint16_t isoFileId, int fileSize, uint8_t comm,
                   uint16_t access)
{
    if (!CheckLe24(port, fileSize)) return -1;
    std::vector<uint8_t> frame = FileHeader(cmd, fileNo, isoFileId, comm, access);
    AppendLe24(frame, static_cast<uint32_t>(fileSize));
    return RunSimple(port, frame);
}

int CreateRecordFile(CKavex_Port& port, uint8_t cmd, uint8_t fileNo, uint16_t isoFileId, uint8_t comm, uint16_t access,
                     int recordSize, int maxRecords)
{
    if (!CheckLe24(port, recordSize) || !CheckLe24(port, maxRecords)) return -1;
    std::vector<uint8_t> frame = FileHeader(cmd, fileNo, isoFileId, comm, access);
    AppendLe24(frame, static_cast<uint32_t>(recordSize));
    AppendLe24(frame, static_cast<uint32_t>(maxRecords));
    return RunSimple(port, frame);
}

int CreateValueFile(CKavex_Port& port, uint8_t fileNo, uint8_t comm, uint16_t access, int lower, int upper, int value,
                    uint8_t limitedCredit)
{
    std::vector<uint8_t> frame = {kCmdCreateValueFile, fileNo, comm, static_cast<uint8_t>(access),
                                  static_cast<uint8_t>(access >> 8)};
    AppendLe32(frame, static_cast<uint32_t>(lower));
    AppendLe32(frame, static_cast<uint32_t>(upper));
    AppendLe32(frame, static_cast<uint32_t>(value));
    frame.push_back(limitedCredit);
    return RunSimple(port, frame);
}

} // namespace

extern "C" {

KAVEX_API int Kavex_DFGetFileIDs(int handle, unsigned char* out, int size)
{
    return WithPort(handle, [&](CKavex_Port& port) { return GetFileIDs(port, out, size); });
}

KAVEX_API int Kavex_DFGetFileSettings(int handle, unsigned char fileNo, unsigned char* out, int size)
{
    return WithPort(handle, [&](CKavex_Port& port) { return GetFileSettings(port, fileNo, out, size); });
}

KAVEX_API int Kavex_DFChangeFileSettings(int handle, unsigned char fileNo, int sendPlain, const unsigned char* settings,
                                         int len)
{
    return WithPort(handle,
                    [&](CKavex_Port& port) { return ChangeFileSettings(port, fileNo, sendPlain != 0, settings, len); });
}

KAVEX_API int Kavex_DFCreateStdDataFile(int handle, unsigned char fileNo, unsigned short isoFileId, int fileSize,
                                        unsigned char commSettings, unsigned short accessRights)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        return CreateDataFile(port, kCmdCreateStdDataFile, fileNo, isoFileId, fileSize, commSettings, accessRights);
    });
}

KAVEX_API int Kavex_DFCreateBackupDataFile(int handle, unsigned char fileNo, unsigned short isoFileId, int fileSize,
                                           unsigned char commSettings, unsigned short accessRights)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        return CreateDataFile(port, kCmdCreateBackupDataFile, fileNo, isoFileId, fileSize, commSettings, accessRights);
    });
}

KAVEX_API int Kavex_DFCreateValueFile(int handle, unsigned char fileNo, unsigned char commSettings,
                                      unsigned short accessRights, int lowerLimit, int upperLimit, int value,
                                      unsigned char limitedCredit)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        return CreateValueFile(port, fileNo, commSettings, accessRights, lowerLimit, upperLimit, value, limitedCredit);
    });
}

KAVEX_API int Kavex_DFCreateLinearRecordFile(int handle, unsigned char fileNo, unsigned short isoFileId,
                                             unsigned char commSettings, unsigned short accessRights, int recordSize,
                                             int maxRecords)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        return CreateRecordFile(port, kCmdCreateLinearRecordFile, fileNo, isoFileId, commSettings, accessRights,
                                recordSize, maxRecords);
    });
}

KAVEX_API int Kavex_DFCreateCyclicRecordFile(int handle, unsigned char fileNo, unsigned short isoFileId,
                                             unsigned char commSettings, unsigned short accessRights, int recordSize,
                                             int maxRecords)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        return CreateRecordFile(port, kCmdCreateCyclicRecordFile, fileNo, isoFileId, commSettings, accessRights,
                                recordSize, maxRecords);
    });
}

KAVEX_API int Kavex_DFDeleteFile(int handle, unsigned char fileNo)
{
    return WithPort(handle, [&](CKavex_Port& port) { return RunSimple(port, {kCmdDeleteFile, fileNo}); });
}

} // extern "C"
