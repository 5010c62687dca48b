// Exchanges on an open port: every status the frame protocol leaves,
// provoked through the simulator's faults, plus the block form, the waiting
// hook and a device that goes away.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sdk/core/port_registry.h"
#include "kavex.h"
#include "tests/support/sim_reader.h"

using namespace kavex;

using kavex::sim::Bytes;
using kavex::sim::Fault;
using kavex::test::SimReader;
using kavex::test::Variant;
using namespace std::chrono_literals;

namespace {

class OpenReader {
public:
    explicit OpenReader(int variant, int timeoutMs = 150) : reader(Variant(variant))
    {
        handle = Kavex_OpenPort(reader.link.c_str(), 19200, timeoutMs);
        EXPECT_GT(handle, 0);
        reader.Sim().ClearLog();
    }
    ~OpenReader() { Kavex_ClosePort(handle); }
    kavex::sim::ReaderSimulator& Sim() { return reader.Sim(); }

    // A reset command: an exchange that every variant carries.
    int Reset() { return Kavex_ResetDevice(handle, 0, 0); }
    int Status() { return Kavex_GetLastError(handle); }

    SimReader reader;
    int handle = -1;
};

} // namespace

TEST(ExchangeStatus, ReaderStatusBytesPerVariant)
{
    struct Case {
        int variant;
        uint8_t readerStatus;
        int expected;
    };
    const Case cases[] = {
        {0, 3, 23},    {0, 25, 23},   {0, 7, 44},    {0, 0x15, 21}, {0, 0x0E, 14}, {1, 0x20, 32}, {1, 0x42, 0x42},
        {2, 0xA0, 24}, {2, 0xA4, 20}, {2, 0x88, 17}, {2, 0xCC, 23}, {3, 0xC4, 21}, {3, 0xC5, 21}, {3, 0x55, 16},
    };
    for (const Case& c : cases) {
        OpenReader r(c.variant);
        r.Sim().InjectFault(Fault::Status(c.readerStatus));
        EXPECT_EQ(r.Reset(), -1) << c.variant << "/" << int(c.readerStatus);
        EXPECT_EQ(r.Status(), c.expected) << c.variant << "/" << int(c.readerStatus);
        // The next exchange starts from a clean slate.
        EXPECT_EQ(r.Reset(), 0);
        EXPECT_EQ(r.Status(), 0);
    }
}

TEST(ExchangeStatus, MoreDataIsSuccess)
{
    OpenReader r(0);
    r.Sim().InjectFault(Fault::Status(0x20));
    EXPECT_EQ(r.Reset(), 0);
    // A successful call leaves 0, not the reader's 32 (whose text is an error).
    EXPECT_EQ(r.Status(), KAVEX_OK);
}

TEST(ExchangeStatus, TimeoutChecksumAndEmptySend)
{
    OpenReader r(0, 80);
    r.Sim().InjectFault(Fault::NoAnswer());
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(r.Reset(), -1);
    EXPECT_EQ(r.Status(), 4);
    // After the timeout plus at most one round, not much later.
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1s);

    r.Sim().InjectFault(Fault::BadChecksum());
    EXPECT_EQ(r.Reset(), -1);
    EXPECT_EQ(r.Status(), 10);

    r.Sim().InjectFault(Fault::Extra({0x33}));
    EXPECT_EQ(r.Reset(), -1);
    EXPECT_EQ(r.Status(), 10);

    CKavex_Port* port = CKavex_SDKApp::Instance().FindPort(r.handle);
    ASSERT_NE(port, nullptr);
    port->sendBuffer.clear();
    EXPECT_FALSE(port->Transceive());
    EXPECT_EQ(port->lastStatus, 8);
}

TEST(ExchangeStatus, GarbageBeforeAnswer)
{
    OpenReader v0(0);
    v0.Sim().InjectFault(Fault::Garbage({0x55, 0xAA, 0x00}));
    EXPECT_EQ(v0.Reset(), 0);

    OpenReader v2(2);
    v2.Sim().InjectFault(Fault::Garbage({0x55, 0xAA, 0x00, 0x07}));
    EXPECT_EQ(v2.Reset(), 0);

    // Variant 1 has no start byte: a leading byte shifts every field.
    OpenReader v1(1, 80);
    v1.Sim().InjectFault(Fault::Garbage({0x55}));
    EXPECT_EQ(v1.Reset(), -1);
    EXPECT_TRUE(v1.Status() == 10 || v1.Status() == 4) << v1.Status();
}

TEST(ExchangeStatus, AnswerInSmallPiecesIsReassembled)
{
    for (int v = 0; v <= 3; ++v) {
        OpenReader r(v);
        r.Sim().InjectFault(Fault::Split(1, 3ms));
        unsigned char ident[8];
        EXPECT_EQ(Kavex_GetDeviceIdent(r.handle, ident, sizeof ident), v == 3 ? 4 : 4) << v;
    }
}

TEST(ExchangeBlockForm, AnswerKeepsItsBlocksInEveryVariant)
{
    for (int v = 0; v <= 3; ++v) {
        OpenReader r(v);
        r.Sim().UpdateConfig([](kavex::sim::ReaderConfig& c) {
            c.ident = Bytes{'1', '2', '5', '5'};
            c.block_size = 3;
        });
        Fault f;
        f.block_form = true;
        r.Sim().InjectFault(f);
        std::vector<uint8_t> answer;
        ASSERT_TRUE(CKavex_SDKApp::Instance().ExecuteCommand(r.handle, 0xF0, {}, answer)) << v;
        EXPECT_EQ(answer, (std::vector<uint8_t>{3, '1', '2', '5', 1, '5'})) << v;
    }
}

TEST(ReaderMode, RangeAndVariants)
{
    OpenReader r(0);
    EXPECT_EQ(Kavex_SetReaderMode(r.handle, 0x83), 0);
    EXPECT_EQ(r.Sim().ReaderMode(), 0x83);
    r.Sim().ClearLog();
    EXPECT_EQ(Kavex_SetReaderMode(r.handle, 0x84), -1);
    EXPECT_EQ(r.Status(), 13);
    EXPECT_TRUE(r.Sim().ReceivedCommands().empty());

    OpenReader v3(3);
    EXPECT_EQ(Kavex_SetReaderMode(v3.handle, 2), 0);
    EXPECT_TRUE(v3.Sim().ReceivedCommands().empty());

    EXPECT_EQ(Kavex_SetUsbMode(r.handle, 2), 0);
    EXPECT_EQ(r.Sim().UsbMode(), 2);
}

TEST(DeviceGone, ExchangesTimeOutAndTheHandleStays)
{
    OpenReader r(0, 60);
    EXPECT_EQ(r.Reset(), 0);
    r.reader.pty.Vanish();
    EXPECT_EQ(r.Reset(), -1);
    EXPECT_EQ(r.Status(), 4);
    EXPECT_EQ(r.Reset(), -1);
    EXPECT_EQ(r.Status(), 4);
    EXPECT_EQ(Kavex_IsProgrammer(r.handle), 1);
}

namespace {

struct HookLog {
    std::thread::id thread;
    std::vector<std::chrono::steady_clock::time_point> calls;
    bool otherThread = false;
};

void RecordHook(void* context)
{
    auto* log = static_cast<HookLog*>(context);
    if (std::this_thread::get_id() != log->thread) log->otherThread = true;
    log->calls.push_back(std::chrono::steady_clock::now());
}

} // namespace

TEST(IdleHook, CalledOnTheWaitingThreadWhileWaiting)
{
    OpenReader r(0, 500);
    HookLog log;
    log.thread = std::this_thread::get_id();
    Kavex_SetIdleHook(RecordHook, &log);
    r.Sim().InjectFault(Fault::Delay(120ms));
    EXPECT_EQ(r.Reset(), 0);
    Kavex_SetIdleHook(nullptr, nullptr);
    EXPECT_FALSE(log.otherThread);
    // About one call per 10 ms of waiting; generous for a loaded machine.
    EXPECT_GE(log.calls.size(), 6u);
    const size_t before = log.calls.size();
    EXPECT_EQ(r.Reset(), 0);
    EXPECT_EQ(log.calls.size(), before); // removed hooks stay silent
}

namespace {

// Calls made from the idle hook while the port waits for an answer.
struct NestedCalls {
    int handle = 0;
    std::string otherLink;
    bool done = false;
    int ident = 0, identStatus = 0, freeMemory = 0, close = 0, open = 0;
};

void CallFromHook(void* context)
{
    auto* n = static_cast<NestedCalls*>(context);
    if (n->done) return;
    n->done = true;
    unsigned char ident[8];
    n->ident = Kavex_GetDeviceIdent(n->handle, ident, sizeof ident);
    n->identStatus = Kavex_GetLastError(n->handle);
    n->freeMemory = Kavex_DFGetFreeMemory(n->handle);
    n->close = Kavex_ClosePort(n->handle);
}

void OpenFromHook(void* context)
{
    auto* n = static_cast<NestedCalls*>(context);
    if (n->done) return;
    n->done = true;
    n->open = Kavex_OpenPort(n->otherLink.c_str(), 19200, 100);
}

} // namespace

TEST(IdleHook, CallsOnAWaitingPortAreRefused)
{
    OpenReader r(0, 500);
    NestedCalls n;
    n.handle = r.handle;
    Kavex_SetIdleHook(CallFromHook, &n);
    r.Sim().InjectFault(Fault::Delay(60ms));
    EXPECT_EQ(r.Reset(), 0); // the waiting exchange still gets its answer
    Kavex_SetIdleHook(nullptr, nullptr);
    ASSERT_TRUE(n.done);
    EXPECT_EQ(n.ident, -1);
    EXPECT_EQ(n.identStatus, KAVEX_ERR_PORT_BUSY);
    EXPECT_EQ(n.freeMemory, -1);
    EXPECT_EQ(n.close, -1);
    EXPECT_EQ(r.Status(), KAVEX_OK);
    EXPECT_EQ(r.Sim().ReceivedCommands().size(), 1u);
}

TEST(IdleHook, OpenDuringAnOpenFailsInsteadOfWaitingForever)
{
    SimReader first(Variant(0)), second(Variant(0));
    NestedCalls n;
    n.otherLink = second.link;
    first.Sim().InjectFault(Fault::Delay(60ms));
    Kavex_SetIdleHook(OpenFromHook, &n);
    const int h = Kavex_OpenPort(first.link.c_str(), 19200, 500);
    Kavex_SetIdleHook(nullptr, nullptr);
    EXPECT_GT(h, 0);
    ASSERT_TRUE(n.done);
    EXPECT_EQ(n.open, KAVEX_OPEN_LINK_FAILED);
    Kavex_ClosePort(h);
}
