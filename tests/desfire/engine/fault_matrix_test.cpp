// Every fault the simulated reader can inject, against one call of every
// command family, through the C interface over a pty. Whatever goes wrong
// on the line, a call comes back, fails with the cause, takes no byte into
// the caller's buffer that the card did not send, and the next activation
// finds the card as usable as before.
#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>
#include <tuple>

#include "tests/desfire/engine/sim_fixture.h"

namespace enginetest {
namespace {

using kavex::sim::desfire::Application;
using kavex::sim::desfire::CardState;
using kavex::sim::desfire::DesfireFile;
using kavex::sim::desfire::FileType;
using SimFault = kavex::sim::Fault;
using namespace std::chrono_literals;

constexpr uint32_t kAid = 0x5EA1F0;
// Short enough to keep the matrix quick, long enough for a loaded machine.
constexpr int kTimeoutMs = 150;
// A call that has not returned by then never will.
constexpr auto kWatchdog = 10s;
constexpr uint8_t kCanary = 0xC5;
constexpr size_t kOutSize = 96;

enum class LineFault { NoAnswer, LateAnswer, BadChecksum, Garbage, Truncated, ExtraBytes, CardRemoved, DeviceVanished };

const char* Name(LineFault f)
{
    switch (f) {
    case LineFault::NoAnswer: return "NoAnswer";
    case LineFault::LateAnswer: return "LateAnswer";
    case LineFault::BadChecksum: return "BadChecksum";
    case LineFault::Garbage: return "Garbage";
    case LineFault::Truncated: return "Truncated";
    case LineFault::ExtraBytes: return "ExtraBytes";
    case LineFault::CardRemoved: return "CardRemoved";
    case LineFault::DeviceVanished: return "DeviceVanished";
    }
    return "?";
}

int ExpectedStatus(LineFault f)
{
    switch (f) {
    case LineFault::BadChecksum:
    case LineFault::Garbage:
    case LineFault::ExtraBytes: return KAVEX_ERR_CHECKSUM;
    case LineFault::CardRemoved: return KAVEX_ERR_NO_TRANSPONDER;
    default: return KAVEX_ERR_TIMEOUT;
    }
}

SimFault MakeFault(LineFault f)
{
    switch (f) {
    case LineFault::NoAnswer: return SimFault::NoAnswer();
    case LineFault::LateAnswer: return SimFault::Delay(std::chrono::milliseconds(2 * kTimeoutMs));
    case LineFault::BadChecksum: return SimFault::BadChecksum();
    // Looks like the head of an answer of three bytes, so the host takes the
    // start of the real answer for the rest of it.
    case LineFault::Garbage: return SimFault::Garbage({0x02, 0x01, 0x00, 0x03, 0x55});
    case LineFault::Truncated: return SimFault::Truncated(2);
    case LineFault::ExtraBytes: return SimFault::Extra({0x00});
    case LineFault::CardRemoved: return SimFault::CardRemoved();
    case LineFault::DeviceVanished: return SimFault::HangUp();
    }
    return {};
}

const Bytes kPlain = Pattern(64, 3);
const Bytes kWrite = Pattern(100, 9);

// One call of a command family: what it needs first, and the call itself
// with the caller's buffer.
struct Family {
    const char* name;
    std::function<void(int h)> setup;
    std::function<int(int h, uint8_t* out)> call;
};

void SelectAndAuthenticate(int h)
{
    ASSERT_EQ(Kavex_DFSelectApplication(h, kAid), 0);
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
}

void SelectCardLevel(int h)
{
    ASSERT_EQ(Kavex_DFSelectApplication(h, 0), 0);
}

// The files 1, 2 and 3 are written in their communication modes 0, 1 and 3.
int Write(int h, uint8_t fileNo, uint8_t mode)
{
    return Kavex_DFWriteData(h, fileNo, mode, 0, kWrite.data(), static_cast<int>(kWrite.size()));
}

const std::vector<Family>& Families()
{
    static const std::vector<Family> families = {
        {"Activation",
         [](int h) {
             unsigned short atqa = 0;
             uint8_t uid[10], sak = 0;
             ASSERT_EQ(Kavex_RequestA(h, &atqa), 0);
             ASSERT_GT(Kavex_AnticollSelect(h, uid, sizeof uid, &sak), 0);
         },
         [](int h, uint8_t* out) { return Kavex_RATS(h, out, kOutSize); }},
        {"Authentication", [](int h) { ASSERT_EQ(Kavex_DFSelectApplication(h, kAid), 0); },
         [](int h, uint8_t*) { return Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16); }},
        {"CardLevel", SelectCardLevel, [](int h, uint8_t* out) { return Kavex_DFGetVersion(h, out, kOutSize); }},
        {"Application", SelectCardLevel,
         [](int h, uint8_t* out) {
             return Kavex_DFGetApplicationIDs(h, reinterpret_cast<unsigned int*>(out), kOutSize);
         }},
        {"Key", SelectAndAuthenticate, [](int h, uint8_t* out) { return Kavex_DFGetKeySettings(h, out, kOutSize); }},
        {"FileManagement", SelectAndAuthenticate,
         [](int h, uint8_t* out) { return Kavex_DFGetFileSettings(h, 3, out, kOutSize); }},
        {"DataRead", SelectAndAuthenticate,
         [](int h, uint8_t* out) { return Kavex_DFReadData(h, 3, 3, 0, 64, out, kOutSize); }},
        {"DataWritePlain", SelectAndAuthenticate, [](int h, uint8_t*) { return Write(h, 1, 0); }},
        {"DataWriteMac", SelectAndAuthenticate, [](int h, uint8_t*) { return Write(h, 2, 1); }},
        {"DataWriteEnciphered", SelectAndAuthenticate, [](int h, uint8_t*) { return Write(h, 3, 3); }},
        {"Value", SelectAndAuthenticate, [](int h, uint8_t*) { return Kavex_DFCredit(h, 5, 1, 7); }},
        {"Record", SelectAndAuthenticate,
         [](int h, uint8_t*) { return Kavex_DFWriteRecord(h, 6, 0, 0, kPlain.data(), 16); }},
        {"Commit",
         [](int h) {
             SelectAndAuthenticate(h);
             ASSERT_EQ(Kavex_DFCredit(h, 5, 1, 1), 0);
         },
         [](int h, uint8_t*) { return Kavex_DFCommitTransaction(h); }},
    };
    return families;
}

DesfireFile DataFile(FileType type, uint8_t comm, uint16_t access, uint32_t size)
{
    DesfireFile f;
    f.type = type;
    f.commSettings = comm;
    f.accessRights = access;
    f.size = size;
    f.data = Pattern(size, 3);
    return f;
}

// An application with an AES key and a file of every kind the families use.
void PrepareCard(CardState& state)
{
    Application app;
    app.aid = kAid;
    app.keys = state.NewApplicationKeys(CryptoMethod::Aes, 0x0F, 1);
    std::copy(kAesKey.begin(), kAesKey.end(), app.keys.keys[0].value.begin());
    app.files[1] = DataFile(FileType::StandardData, 0, 0xEEEE, 128);
    app.files[2] = DataFile(FileType::StandardData, 1, 0x0000, 128);
    app.files[3] = DataFile(FileType::StandardData, 3, 0x0000, 128);
    app.files[4] = DataFile(FileType::BackupData, 0, 0xEEEE, 128);
    DesfireFile value;
    value.type = FileType::Value;
    value.commSettings = 1;
    value.accessRights = 0x0000;
    value.upperLimit = 1000;
    value.value = 10;
    app.files[5] = value;
    DesfireFile records;
    records.type = FileType::LinearRecord;
    records.accessRights = 0xEEEE;
    records.recordSize = 16;
    records.maxRecords = 8;
    app.files[6] = records;
    state.applications[kAid] = app;
}

class FaultMatrixBase : public SimTest {
protected:
    void SetUp() override
    {
        Sim().WithCard([&](kavex::sim::Card*) { PrepareCard(desfire->State()); });
        prepared_ = desfire->State();
        Open(nullptr, std::nullopt, 11520000, kTimeoutMs);
    }

    void RestoreCard()
    {
        Sim().WithCard([&](kavex::sim::Card*) { desfire->RestoreState(prepared_); });
    }

    // Field off and on and the whole activation; the simulated card needs
    // no pause in between.
    void FreshActivation()
    {
        unsigned short atqa = 0;
        uint8_t uidBuf[10], sakOut = 0, atsBuf[20];
        ASSERT_EQ(Kavex_SetRF(h, 0), 0) << Status();
        ASSERT_EQ(Kavex_SetRF(h, 1), 0) << Status();
        ASSERT_EQ(Kavex_RequestA(h, &atqa), 0) << Status();
        ASSERT_GT(Kavex_AnticollSelect(h, uidBuf, sizeof uidBuf, &sakOut), 0) << Status();
        ASSERT_GE(Kavex_RATS(h, atsBuf, sizeof atsBuf), 2) << Status();
        ASSERT_EQ(Kavex_PPS(h, 0), 0) << Status();
    }

    // Runs the call on a thread of its own, so that a call that hangs
    // fails the test instead of stalling it.
    int Guarded(const std::function<int(int, uint8_t*)>& call, uint8_t* out)
    {
        auto done = std::async(std::launch::async, [&] { return call(h, out); });
        if (done.wait_for(kWatchdog) != std::future_status::ready) {
            ADD_FAILURE() << "the call did not return";
            std::abort(); // the hung call still holds the port and the buffer
        }
        return done.get();
    }

    CardState prepared_;
};

class FaultMatrix : public FaultMatrixBase, public ::testing::WithParamInterface<std::tuple<LineFault, size_t>> {};

TEST_P(FaultMatrix, CallFailsCleanlyAndTheNextActivationWorks)
{
    const LineFault fault = std::get<0>(GetParam());
    const Family& family = Families()[std::get<1>(GetParam())];

    // The call without a fault: its result, and how many reader exchanges
    // it takes. The fault hits the last of them.
    ASSERT_NO_FATAL_FAILURE(FreshActivation());
    ASSERT_NO_FATAL_FAILURE(family.setup(h));
    Bytes reference(kOutSize, kCanary);
    Sim().ClearLog();
    const int expected = Guarded(family.call, reference.data());
    ASSERT_GE(expected, 0) << std::hex << Status();
    const size_t exchanges = Sim().ReceivedCommands().size();
    ASSERT_GT(exchanges, 0u);

    RestoreCard();
    ASSERT_NO_FATAL_FAILURE(FreshActivation());
    ASSERT_NO_FATAL_FAILURE(family.setup(h));
    for (size_t i = 1; i < exchanges; ++i) Sim().InjectFault({});
    Sim().InjectFault(MakeFault(fault));
    Bytes out(kOutSize, kCanary);
    EXPECT_EQ(Guarded(family.call, out.data()), -1);
    EXPECT_EQ(Status(), ExpectedStatus(fault)) << std::hex << Status();
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_TRUE(out[i] == kCanary || out[i] == reference[i]) << "byte " << i << " was never received";

    // Whatever the line did, a new activation starts afresh.
    Sim().ClearFaults();
    EXPECT_TRUE(reader.pty.WaitUntilWritten(5s));
    if (fault == LineFault::LateAnswer) {
        // Written is not yet arrived: the late answer may still be inside
        // the pty when the next request goes out, and nothing in an answer
        // says which request it belongs to. A request left unanswered
        // takes it up.
        Sim().InjectFault(SimFault::NoAnswer());
        Kavex_SetRF(h, 0);
    }
    if (fault == LineFault::CardRemoved) Sim().InsertCard(tamper);
    if (fault == LineFault::DeviceVanished) {
        reader.pty.Stop();
        reader.pty.Start(reader.link);
        Kavex_ClosePort(h);
        h = Kavex_OpenPort(reader.link.c_str(), 11520000, kTimeoutMs);
        ASSERT_GT(h, 0);
    }
    RestoreCard();
    ASSERT_NO_FATAL_FAILURE(FreshActivation());
    ASSERT_NO_FATAL_FAILURE(family.setup(h));
    Bytes again(kOutSize, kCanary);
    EXPECT_EQ(Guarded(family.call, again.data()), expected) << std::hex << Status();
    EXPECT_EQ(again, reference);
}

INSTANTIATE_TEST_SUITE_P(Lines, FaultMatrix,
                         ::testing::Combine(::testing::Values(LineFault::NoAnswer, LineFault::LateAnswer,
                                                              LineFault::BadChecksum, LineFault::Garbage,
                                                              LineFault::Truncated, LineFault::ExtraBytes,
                                                              LineFault::CardRemoved, LineFault::DeviceVanished),
                                            ::testing::Range<size_t>(0, 13)),
                         [](const ::testing::TestParamInfo<FaultMatrix::ParamType>& info) {
                             return std::string(Name(std::get<0>(info.param))) + "_" +
                                    Families()[std::get<1>(info.param)].name;
                         });

// A card pulled out in the middle of a chained write to a backup file
// keeps what was committed: the frames it took are thrown away with the
// transaction.
TEST_F(FaultMatrixBase, CardRemovedDuringAChainedBackupWriteKeepsTheCommittedData)
{
    ASSERT_NO_FATAL_FAILURE(FreshActivation());
    ASSERT_EQ(Kavex_DFSelectApplication(h, kAid), 0);
    const Bytes fresh = Pattern(128, 77);
    Sim().InjectFault({});
    Sim().InjectFault(SimFault::CardRemoved());
    EXPECT_EQ(Kavex_DFWriteData(h, 4, 0, 0, fresh.data(), 128), -1);
    EXPECT_EQ(Status(), KAVEX_ERR_NO_TRANSPONDER);

    Sim().InsertCard(tamper);
    ASSERT_NO_FATAL_FAILURE(FreshActivation());
    ASSERT_EQ(Kavex_DFSelectApplication(h, kAid), 0);
    // Would make permanent whatever the card still held of the write.
    Kavex_DFCommitTransaction(h);
    Bytes read(128, kCanary);
    ASSERT_EQ(Kavex_DFReadData(h, 4, 0, 0, 128, read.data(), 128), 128);
    EXPECT_EQ(read, Pattern(128, 3));
}

} // namespace
} // namespace enginetest
