// Every exported function called the way a careless program calls it: null
// pointers, sizes of zero, below zero and one byte short, handles that name
// no port or a closed one. Each fails the way kavex.h says and writes
// nothing beyond the size it is given. The guard bytes behind each buffer
// are poisoned for AddressSanitizer as well as filled with a canary.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#endif

#include "kavex.h"
#include "sdk/transports/lan_channel.h"
#include "tests/support/sim_port_test.h"

namespace {

using kavex::sim::desfire::Application;
using kavex::sim::desfire::CryptoMethod;
using kavex::sim::desfire::DesfireFile;
using kavex::sim::desfire::FileType;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kAid = 0x3A5E11;
constexpr uint8_t kCanary = 0xA7;
constexpr size_t kGuard = 32;
const Bytes kKey = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};

// A caller's buffer of `size` bytes (none below zero) with guard bytes
// behind it that nothing may touch.
class Buffer {
public:
    explicit Buffer(int size) : room_(size > 0 ? static_cast<size_t>(size) : 0), bytes_(room_ + kGuard, kCanary)
    {
        ASAN_POISON_MEMORY_REGION(bytes_.data() + room_, kGuard);
    }
    ~Buffer() { ASAN_UNPOISON_MEMORY_REGION(bytes_.data() + room_, kGuard); }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    uint8_t* data() { return bytes_.data(); }
    // Bytes from `from` on that still hold the canary, guard included.
    bool UntouchedFrom(size_t from)
    {
        ASAN_UNPOISON_MEMORY_REGION(bytes_.data() + room_, kGuard);
        bool untouched = true;
        for (size_t i = from; i < bytes_.size(); ++i) untouched = untouched && bytes_[i] == kCanary;
        ASAN_POISON_MEMORY_REGION(bytes_.data() + room_, kGuard);
        return untouched;
    }

private:
    size_t room_;
    std::vector<uint8_t> bytes_;
};

// A function that fills a caller's buffer: the bytes its result takes on
// the prepared card and what it returns then. Most refuse a buffer that is
// too small; file settings and file data are cut to the buffer instead, and
// they return the bytes copied.
struct OutputCall {
    const char* name;
    int exact;
    int success;
    std::function<int(int h, uint8_t* buf, int size)> call;
    bool cuts = false;
};

const std::vector<OutputCall>& OutputCalls()
{
    static const std::vector<OutputCall> calls = {
        {"GetDeviceIdent", 4, 4, Kavex_GetDeviceIdent},
        {"AnticollSelect", 7, 7,
         [](int h, uint8_t* buf, int size) {
             unsigned short atqa = 0;
             Kavex_RequestA(h, &atqa);
             return Kavex_AnticollSelect(h, buf, size, nullptr);
         }},
        {"RATS", 5, 5,
         [](int h, uint8_t* buf, int size) {
             unsigned short atqa = 0;
             uint8_t uid[10];
             Kavex_RequestA(h, &atqa);
             Kavex_AnticollSelect(h, uid, sizeof uid, nullptr);
             return Kavex_RATS(h, buf, size);
         }},
        {"DFGetVersion", 28, 0, Kavex_DFGetVersion},
        {"DFGetCardUID", 7, 7, Kavex_DFGetCardUID},
        {"DFGetApplicationIDs", 4, 1,
         [](int h, uint8_t* buf, int size) {
             Kavex_DFSelectApplication(h, 0);
             return Kavex_DFGetApplicationIDs(h, reinterpret_cast<unsigned int*>(buf), size);
         }},
        {"DFGetKeySettings", 4, 0, Kavex_DFGetKeySettings},
        {"DFGetFileIDs", 3, 3, Kavex_DFGetFileIDs},
        {"DFGetFileSettings", 7, 7,
         [](int h, uint8_t* buf, int size) { return Kavex_DFGetFileSettings(h, 1, buf, size); }, true},
        {"DFReadData", 32, 32,
         [](int h, uint8_t* buf, int size) { return Kavex_DFReadData(h, 1, 3, 0, 32, buf, size); }, true},
        {"DFReadRecords", 32, 32,
         [](int h, uint8_t* buf, int size) { return Kavex_DFReadRecords(h, 3, 0, 0, 2, 16, buf, size); }, true},
    };
    return calls;
}

// A card with an application (one AES key), an enciphered data file (1),
// a value file (2) and a record file holding two records (3).
void PrepareCard(kavex::sim::desfire::CardState& state)
{
    Application app;
    app.aid = kAid;
    app.keys = state.NewApplicationKeys(CryptoMethod::Aes, 0x0F, 1);
    std::copy(kKey.begin(), kKey.end(), app.keys.keys[0].value.begin());
    DesfireFile data;
    data.commSettings = 3;
    data.accessRights = 0x0000;
    data.size = 32;
    data.data.assign(32, 0x42);
    app.files[1] = data;
    DesfireFile value;
    value.type = FileType::Value;
    value.accessRights = 0x0000;
    value.upperLimit = 100;
    app.files[2] = value;
    DesfireFile records;
    records.type = FileType::LinearRecord;
    records.accessRights = 0xEEEE;
    records.recordSize = 16;
    records.maxRecords = 4;
    records.records = {Bytes(16, 1), Bytes(16, 2)};
    app.files[3] = records;
    state.applications[kAid] = app;
}

class ApiMisuse : public kavex::test::SimPortTest {
protected:
    void SetUp() override
    {
        // The LAN functions look at no adapter of this machine.
        kavex::lan::SetLanAdapterOverride(std::vector<kavex::lan::LanAdapter>{});
        Sim().WithCard([&](kavex::sim::Card*) { PrepareCard(desfire->State()); });
        Open(nullptr, std::nullopt, 11520000, 300);
    }
    void TearDown() override
    {
        SimPortTest::TearDown();
        kavex::lan::SetLanAdapterOverride(std::nullopt);
    }

    // Activated, in the application, authenticated.
    void Ready()
    {
        unsigned short atqa = 0;
        uint8_t uidBuf[10], atsBuf[20];
        ASSERT_EQ(Kavex_SetRF(h, 0), 0);
        ASSERT_EQ(Kavex_SetRF(h, 1), 0);
        ASSERT_EQ(Kavex_RequestA(h, &atqa), 0);
        ASSERT_GT(Kavex_AnticollSelect(h, uidBuf, sizeof uidBuf, nullptr), 0);
        ASSERT_GT(Kavex_RATS(h, atsBuf, sizeof atsBuf), 0);
        ASSERT_EQ(Kavex_PPS(h, 0), 0);
        ASSERT_EQ(Kavex_DFSelectApplication(h, kAid), 0);
        ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kKey.data(), 16), 0);
    }
};

TEST_F(ApiMisuse, BuffersTooSmallOrMissingNeverTakeMoreThanTheirSize)
{
    for (const OutputCall& c : OutputCalls()) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Ready());
        {
            Buffer exact(c.exact);
            ASSERT_EQ(c.call(h, exact.data(), c.exact), c.success) << std::hex << Status();
            EXPECT_TRUE(exact.UntouchedFrom(static_cast<size_t>(c.exact)));
        }
        for (int size : {c.exact - 1, 0, -1, -100000}) {
            SCOPED_TRACE(size);
            ASSERT_NO_FATAL_FAILURE(Ready());
            Buffer buf(size);
            const int room = std::max(size, 0);
            EXPECT_EQ(c.call(h, buf.data(), size), c.cuts ? room : -1);
            EXPECT_EQ(Status(), c.cuts ? KAVEX_OK : KAVEX_ERR_BUFFER_TOO_SMALL);
            EXPECT_TRUE(buf.UntouchedFrom(c.cuts ? static_cast<size_t>(room) : 0));
        }
        ASSERT_NO_FATAL_FAILURE(Ready());
        EXPECT_EQ(c.call(h, nullptr, c.exact), c.cuts ? 0 : -1);
        EXPECT_EQ(Status(), c.cuts ? KAVEX_OK : KAVEX_ERR_BUFFER_TOO_SMALL);
    }
}

// Texts cut to the buffer: they write at most size bytes (the names a
// terminator among them) and take a null buffer or a size below one.
TEST_F(ApiMisuse, TextsStayInsideTheirBuffer)
{
    const std::vector<std::function<int(char*, int)>> texts = {
        [&](char* b, int n) { return Kavex_GetErrorText(h, KAVEX_LANG_GERMAN, b, n); },
        [&](char* b, int n) { return Kavex_GetDeviceName(h, b, n); },
        [&](char* b, int n) { return Kavex_GetFirmwareVersion(h, b, n); },
        [](char* b, int n) { return Kavex_ListComPorts(b, n); },
        [](char* b, int n) { return Kavex_ListUsbPorts(b, n); },
        [](char* b, int n) { return Kavex_ListBluetoothPorts(b, n); },
        [](char* b, int n) { return Kavex_SearchLanDevices(b, n); },
        [](char* b, int n) { return Kavex_SearchAllLanDevices(b, n); },
    };
    Kavex_SetReaderMode(h, 9); // a status with a long text
    for (size_t i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(i);
        for (int size : {5, 1, 0, -1}) {
            Buffer buf(size);
            texts[i](reinterpret_cast<char*>(buf.data()), size);
            EXPECT_TRUE(buf.UntouchedFrom(size > 0 ? static_cast<size_t>(size) : 0)) << size;
        }
        texts[i](nullptr, 64);
    }
}

TEST_F(ApiMisuse, MissingInputsAndBadLengthsAreRefusedBeforeAnythingIsSent)
{
    ASSERT_NO_FATAL_FAILURE(Ready());
    const Bytes shortKey(kKey.begin(), kKey.end() - 1);
    const std::vector<std::pair<const char*, std::function<int()>>> calls = {
        {"AuthenticateAES short", [&] { return Kavex_DFAuthenticateAES(h, 0, shortKey.data(), 15); }},
        {"AuthenticateAES negative", [&] { return Kavex_DFAuthenticateAES(h, 0, kKey.data(), -16); }},
        {"AuthenticateISO zero", [&] { return Kavex_DFAuthenticateISO(h, 0, kKey.data(), 0); }},
        {"SetConfiguration null", [&] { return Kavex_DFSetConfiguration(h, 0, nullptr, 1); }},
        {"SetConfiguration negative", [&] { return Kavex_DFSetConfiguration(h, 0, kKey.data(), -1); }},
        {"ChangeKey null", [&] { return Kavex_DFChangeKey(h, 0, nullptr, 16, 0, kKey.data(), 16, 2); }},
        {"ChangeKey short", [&] { return Kavex_DFChangeKey(h, 0, shortKey.data(), 15, 0, kKey.data(), 16, 2); }},
        {"ChangeKey negative", [&] { return Kavex_DFChangeKey(h, 0, kKey.data(), -16, 0, kKey.data(), 16, 2); }},
        {"ChangeFileSettings null", [&] { return Kavex_DFChangeFileSettings(h, 1, 0, nullptr, 3); }},
        {"ChangeFileSettings negative", [&] { return Kavex_DFChangeFileSettings(h, 1, 0, kKey.data(), -3); }},
        {"ChangeFileSettings zero", [&] { return Kavex_DFChangeFileSettings(h, 1, 0, kKey.data(), 0); }},
        {"WriteData null", [&] { return Kavex_DFWriteData(h, 1, 3, 0, nullptr, 8); }},
        {"WriteData negative", [&] { return Kavex_DFWriteData(h, 1, 3, 0, kKey.data(), -8); }},
        {"WriteRecord null", [&] { return Kavex_DFWriteRecord(h, 3, 0, 0, nullptr, 8); }},
        {"WriteRecord negative", [&] { return Kavex_DFWriteRecord(h, 3, 0, 0, kKey.data(), -8); }},
        {"GetValue null", [&] { return Kavex_DFGetValue(h, 2, 0, nullptr); }},
        {"CreateStdDataFile negative", [&] { return Kavex_DFCreateStdDataFile(h, 9, 0, -32, 0, 0xEEEE); }},
        {"CreateLinearRecordFile negative", [&] { return Kavex_DFCreateLinearRecordFile(h, 9, 0, 0, 0xEEEE, -16, 4); }},
    };
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        Sim().ClearLog();
        EXPECT_EQ(call(), -1);
        EXPECT_NE(Status(), KAVEX_OK);
        EXPECT_EQ(Exchanges(), 0u);
    }
    EXPECT_EQ(Kavex_OpenPort(nullptr, 19200, 100), KAVEX_OPEN_LINK_FAILED);
    EXPECT_EQ(Kavex_OpenPort(reader.link.c_str(), 19200, -1), KAVEX_OPEN_BAD_TIMEOUT);
    EXPECT_EQ(Kavex_TestLanConnection(nullptr), 0);
    EXPECT_LT(Kavex_GetLanConfig(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_LT(Kavex_SetLanConfig(nullptr, nullptr, nullptr, nullptr), 0);
    Kavex_SetIdleHook(nullptr, nullptr);
    Kavex_SetProgressHook(nullptr, nullptr);
}

// Every function that takes a handle, with a handle that names no port:
// first one never opened, then the fixture's own after it was closed.
TEST_F(ApiMisuse, UnknownAndClosedHandlesFailWithStatus3)
{
    uint8_t out[64];
    unsigned short atqa = 0;
    int value = 0;
    const std::vector<std::function<int(int)>> calls = {
        [&](int x) { return Kavex_ClosePort(x); },
        [&](int x) { return Kavex_GetDeviceIdent(x, out, sizeof out); },
        [&](int x) { return Kavex_GetFirmwareVersion(x, reinterpret_cast<char*>(out), sizeof out); },
        [&](int x) { return Kavex_IsProgrammer(x); },
        [&](int x) { return Kavex_IsUSB(x); },
        [&](int x) { return Kavex_SetReaderMode(x, 0); },
        [&](int x) { return Kavex_SetUsbMode(x, 1); },
        [&](int x) { return Kavex_ResetDevice(x, 0, 0); },
        [&](int x) { return Kavex_SetRF(x, 1); },
        [&](int x) { return Kavex_RequestA(x, &atqa); },
        [&](int x) { return Kavex_AnticollSelect(x, out, sizeof out, out + 20); },
        [&](int x) { return Kavex_RATS(x, out, sizeof out); },
        [&](int x) { return Kavex_PPS(x, 0); },
        [&](int x) { return Kavex_DFAuthenticateISO(x, 0, kKey.data(), 16); },
        [&](int x) { return Kavex_DFAuthenticateAES(x, 0, kKey.data(), 16); },
        [&](int x) { return Kavex_DFGetVersion(x, out, sizeof out); },
        [&](int x) { return Kavex_DFGetFreeMemory(x); },
        [&](int x) { return Kavex_DFFormatPICC(x); },
        [&](int x) { return Kavex_DFSetConfiguration(x, 0, kKey.data(), 1); },
        [&](int x) { return Kavex_DFGetCardUID(x, out, sizeof out); },
        [&](int x) { return Kavex_DFSelectApplication(x, 0); },
        [&](int x) { return Kavex_DFGetApplicationIDs(x, reinterpret_cast<unsigned int*>(out), sizeof out); },
        [&](int x) { return Kavex_DFCreateApplication(x, 0x10, 2, 1, 0, 0, 0xF, nullptr, 0); },
        [&](int x) { return Kavex_DFDeleteApplication(x, 0x10); },
        [&](int x) { return Kavex_DFGetKeySettings(x, out, sizeof out); },
        [&](int x) { return Kavex_DFChangeKeySettings(x, 0, 0xF); },
        [&](int x) { return Kavex_DFGetKeyVersion(x, 0); },
        [&](int x) { return Kavex_DFChangeKey(x, 0, kKey.data(), 16, 0, kKey.data(), 16, 2); },
        [&](int x) { return Kavex_DFGetFileIDs(x, out, sizeof out); },
        [&](int x) { return Kavex_DFGetFileSettings(x, 1, out, sizeof out); },
        [&](int x) { return Kavex_DFChangeFileSettings(x, 1, 0, kKey.data(), 3); },
        [&](int x) { return Kavex_DFCreateStdDataFile(x, 9, 0, 32, 0, 0xEEEE); },
        [&](int x) { return Kavex_DFCreateBackupDataFile(x, 9, 0, 32, 0, 0xEEEE); },
        [&](int x) { return Kavex_DFCreateValueFile(x, 9, 0, 0xEEEE, 0, 10, 0, 0); },
        [&](int x) { return Kavex_DFCreateLinearRecordFile(x, 9, 0, 0, 0xEEEE, 16, 4); },
        [&](int x) { return Kavex_DFCreateCyclicRecordFile(x, 9, 0, 0, 0xEEEE, 16, 4); },
        [&](int x) { return Kavex_DFDeleteFile(x, 9); },
        [&](int x) { return Kavex_DFReadData(x, 1, 0, 0, 8, out, sizeof out); },
        [&](int x) { return Kavex_DFWriteData(x, 1, 0, 0, kKey.data(), 8); },
        [&](int x) { return Kavex_DFGetValue(x, 2, 0, &value); },
        [&](int x) { return Kavex_DFCredit(x, 2, 0, 1); },
        [&](int x) { return Kavex_DFDebit(x, 2, 0, 1); },
        [&](int x) { return Kavex_DFLimitedCredit(x, 2, 0, 1); },
        [&](int x) { return Kavex_DFWriteRecord(x, 3, 0, 0, kKey.data(), 8); },
        [&](int x) { return Kavex_DFReadRecords(x, 3, 0, 0, 1, 16, out, sizeof out); },
        [&](int x) { return Kavex_DFClearRecordFile(x, 3); },
        [&](int x) { return Kavex_DFCommitTransaction(x); },
    };
    const int closed = h;
    ASSERT_EQ(Kavex_ClosePort(closed), 0);
    h = -1;
    for (int handle : {4711, 0, -1, closed}) {
        SCOPED_TRACE(handle);
        for (size_t i = 0; i < calls.size(); ++i) {
            std::fill(std::begin(out), std::end(out), kCanary);
            EXPECT_EQ(calls[i](handle), -1) << "call " << i;
            EXPECT_EQ(Kavex_GetLastError(handle), KAVEX_ERR_UNKNOWN_HANDLE);
            EXPECT_EQ(out[0], kCanary) << "call " << i;
        }
    }
}

} // namespace
