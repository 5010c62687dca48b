// Bluetooth readers through a module on a serial port: the simulated module
// on a pty, the reader and its DESFire card behind it, reached through the
// public functions. The module's input is checked on its own as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <termios.h>
#include <thread>

#include "kavex.h"
#include "sdk/support/debug_log.h"
#include "sdk/transports/bluetooth_link.h"
#include "sdk/transports/bt_module_protocol.h"
#include "sim/bt_module.h"
#include "tests/support/sim_reader.h"

using kavex::sim::BtDevice;
using kavex::sim::BtModuleConfig;
using kavex::sim::BtModulePty;
using kavex::sim::Bytes;

namespace {

constexpr std::array<uint8_t, 6> kReader = {0x00, 0x1A, 0x4B, 0x12, 0x55, 0x01};
constexpr std::array<uint8_t, 6> kPhone = {0x70, 0x70, 0x70, 0x01, 0x02, 0x03};

std::string Ident(int handle)
{
    unsigned char buf[16];
    const int n = Kavex_GetDeviceIdent(handle, buf, sizeof buf);
    return n < 0 ? std::string("<fail>") : std::string(reinterpret_cast<char*>(buf), static_cast<size_t>(n));
}

class BluetoothTest : public ::testing::Test {
protected:
    void Start(BtModuleConfig config = {})
    {
        module = std::make_unique<BtModulePty>(
            config, kavex::sim::ReaderConfig{},
            std::make_shared<kavex::sim::desfire::DesfireCard>(kavex::test::CountingRandom()));
        module->Start(kavex::test::UniqueLinkPath());
        h = Kavex_OpenPort((module->LinkPath() + " BT").c_str(), 19200, 1000);
        ASSERT_GT(h, 0);
    }

    // The first exchange finds the reader, connects and is answered.
    void Connect() { ASSERT_EQ(Ident(h), "1255"); }

    void TearDown() override
    {
        if (h > 0) Kavex_ClosePort(h);
        if (module) module->Stop();
    }

    size_t CountRequests(uint8_t code)
    {
        size_t n = 0;
        for (const auto& r : module->Requests()) n += r.code == code;
        return n;
    }

    std::unique_ptr<BtModulePty> module;
    int h = -1;
};

TEST_F(BluetoothTest, OpensIdentifiesAuthenticatesAndDisconnects)
{
    Start();
    EXPECT_GT(h, 30000);
    char name[32];
    EXPECT_GT(Kavex_GetDeviceName(h, name, sizeof name), 0);
    Connect();

    // The reader frame 02 01 F0 00 F1 travels in one data request.
    const Bytes dataMessage = {0x02, 0x52, 0x0F, 0x08, 0x00, 0x69, 0x02, 0x05,
                               0x00, 0x02, 0x01, 0xF0, 0x00, 0xF1, 0x03};
    bool sent = false;
    for (const auto& r : module->Requests()) sent |= r.raw == dataMessage;
    EXPECT_TRUE(sent);

    ASSERT_EQ(Kavex_SetRF(h, 1), 0);
    unsigned short atqa = 0;
    ASSERT_EQ(Kavex_RequestA(h, &atqa), 0);
    uint8_t uid[10], sak = 0;
    ASSERT_EQ(Kavex_AnticollSelect(h, uid, sizeof uid, &sak), 7);
    uint8_t ats[20];
    ASSERT_GE(Kavex_RATS(h, ats, sizeof ats), 2);
    EXPECT_EQ(Kavex_DFAuthenticateISO(h, 0, nullptr, 0), 0) << Kavex_GetLastError(h);

    ASSERT_EQ(Kavex_ClosePort(h), 0);
    h = -1;
    EXPECT_EQ(CountRequests(0x0D), 1u);
    EXPECT_FALSE(module->Connected());
}

TEST_F(BluetoothTest, InquiryKeepsOnlyTheReadersClassAndEndsWithIt)
{
    BtModuleConfig config;
    config.devices = {BtDevice{kPhone, 0x5A020C, "Phone"}, BtDevice{kReader, 0x000500, "KV-1255 BT"}};
    Start(config);
    Connect();
    ASSERT_EQ(module->ConnectRequests().size(), 1u);
    EXPECT_EQ(module->ConnectRequests()[0], kReader);
    // The reader's result stopped the inquiry.
    EXPECT_EQ(CountRequests(0x26), 1u);
}

TEST_F(BluetoothTest, NoReaderOfItsClassMeansNoConnection)
{
    BtModuleConfig config;
    config.devices = {BtDevice{kPhone, 0x5A020C, "Phone"}};
    Start(config);
    EXPECT_EQ(Ident(h), "<fail>");
    EXPECT_EQ(Kavex_GetLastError(h), KAVEX_ERR_TIMEOUT);
    EXPECT_TRUE(module->ConnectRequests().empty());
}

TEST_F(BluetoothTest, EmptyNamesAreAskedAgainAndASlowConnectionIsAwaited)
{
    BtModuleConfig config;
    config.emptyNames = 2;
    config.connectDelay = std::chrono::milliseconds(300);
    Start(config);
    Connect();
    EXPECT_EQ(CountRequests(0x02), 3u);
}

TEST_F(BluetoothTest, ReconnectsAfterTheModuleLostTheReaderWithoutASecondInquiry)
{
    Start();
    Connect();
    module->Disconnect();
    // The indication arrives while the port waits; the request after it
    // connects again.
    for (int i = 0; i < 3 && Ident(h) != "1255"; ++i) {}
    EXPECT_EQ(Ident(h), "1255");
    EXPECT_EQ(module->ConnectRequests().size(), 2u);
    EXPECT_EQ(CountRequests(0x00), 1u);
}

TEST_F(BluetoothTest, DataMessageClaimingMoreThanItCarriesIsDropped)
{
    Start();
    Connect();
    // Claims 900 bytes, carries 3.
    module->SendRaw(kavex::sim::BuildModuleMessage(0x69, 0x10, {0x02, 0x84, 0x03, 0x02, 0x01, 0x00}));
    EXPECT_EQ(Ident(h), "1255");
}

TEST(BluetoothModuleName, SerialFormsLeadToTheirDevice)
{
    EXPECT_EQ(kavex::ModuleSerialPath("COM7"), "/dev/ttyS6");
    EXPECT_EQ(kavex::ModuleSerialPath("\\\\.\\com7"), "/dev/ttyS6");
    EXPECT_EQ(kavex::ModuleSerialPath("/dev/ttyUSB1"), "/dev/ttyUSB1");
    EXPECT_EQ(kavex::ModuleSerialPath("ABC123"), "");
}

// The adapters' library is loaded on first use; until it loads, there are
// no adapters, and a name that is no serial port does not open.
TEST(BluetoothAdapter, WithoutTheLibraryNothingIsListed)
{
    setenv("KAVEX_USBXPRESS_LIBRARY", "/nonexistent/libSiUSBXp.so", 1);
    std::string log;
    kavex::SetDebugLogSinkForTesting([&](const std::string& t) { log += t + "\n"; });
    char list[64] = "x";
    EXPECT_EQ(Kavex_ListBluetoothPorts(list, sizeof list), 1);
    EXPECT_EQ(list[0], '\0');
    EXPECT_EQ(Kavex_OpenPort("KVBT-ADAPT-0042 BT", 9600, 500), KAVEX_OPEN_LINK_FAILED);
    kavex::SetDebugLogSinkForTesting(nullptr);
    EXPECT_NE(log.find("Fehler: Kann /nonexistent/libSiUSBXp.so nicht laden"), std::string::npos);
}

TEST(BluetoothAdapter, ListsOurAdaptersAndOpensOneByItsSerialNumber)
{
    BtModulePty module({}, kavex::sim::ReaderConfig{});
    module.Start(kavex::test::UniqueLinkPath());
    setenv("KAVEX_USBXPRESS_LIBRARY", KAVEX_FAKE_USBXPRESS_LIBRARY, 1);
    setenv("KAVEX_FAKE_USBXPRESS", ("OTHER-ADAPTER-1=/dev/null;KVBT-ADAPT-0042=" + module.SlavePath()).c_str(), 1);

    char list[64];
    const std::string expected("KVBT-ADAPT-0042 BT\0", 20);
    ASSERT_EQ(Kavex_ListBluetoothPorts(list, sizeof list), 20);
    EXPECT_EQ(std::string(list, 20), expected);

    // Letter case does not matter, and a second open finds the same adapter.
    for (const char* name : {"kvbt-adapt-0042 BT", "KVBT-ADAPT-0042 BT"}) {
        const int h = Kavex_OpenPort(name, 9600, 1000);
        ASSERT_GT(h, 30000) << name;
        EXPECT_EQ(Ident(h), "1255");
        EXPECT_EQ(Kavex_ClosePort(h), 0);
    }
    size_t ready = 0;
    for (const auto& r : module.Requests()) ready += r.code == 0x26;
    // Each open asks whether the module is ready; each link's inquiry
    // stops once it found the reader.
    EXPECT_EQ(ready, 4u);
    unsetenv("KAVEX_FAKE_USBXPRESS");
}

TEST(BluetoothModuleLine, SerialModuleRunsAt9600EightNOne)
{
    BtModulePty module;
    module.Start(kavex::test::UniqueLinkPath());
    const int h = Kavex_OpenPort((module.LinkPath() + " BT").c_str(), 115200, 500);
    ASSERT_GT(h, 0);
    termios t{};
    ASSERT_EQ(tcgetattr(module.SlaveFd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B9600);
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
    Kavex_ClosePort(h);
}

// The module input takes whole, sound messages only, and never more than
// its buffer holds.
class ModuleInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kavex::SetDebugLogSinkForTesting([this](const std::string& t) { log += t + "\n"; });
    }
    void TearDown() override { kavex::SetDebugLogSinkForTesting(nullptr); }

    void Feed(const Bytes& b) { input.Append(b.data(), b.size()); }

    kavex::bt::ModuleInput input;
    std::string log;
};

TEST_F(ModuleInputTest, DropsMessagesWithAWrongChecksumOrEndByte)
{
    Bytes badSum = kavex::sim::BuildModuleMessage(0x69, 0x0B, {0x00});
    badSum[5] ^= 1;
    Bytes badEnd = kavex::sim::BuildModuleMessage(0x69, 0x0B, {0x00});
    badEnd.back() = 0x04;
    Feed(badSum);
    Feed(badEnd);
    Feed(kavex::sim::BuildModuleMessage(0x69, 0x0E, {}));
    const auto m = input.Next();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->id, 0x0E69);
    EXPECT_FALSE(input.Next());
    EXPECT_EQ(input.Dropped(), 2u);
    EXPECT_NE(log.find("dropped"), std::string::npos);
}

TEST_F(ModuleInputTest, NeverHoldsMoreThanItsBufferWhateverALengthClaims)
{
    // A sound header that claims 2000 bytes of data.
    Feed(kavex::sim::BuildModuleMessage(0x69, 0x10, Bytes(2000, 0x00)));
    EXPECT_EQ(input.Space(), 0u);
    EXPECT_FALSE(input.Next());
    EXPECT_EQ(input.Dropped(), 1u);
    EXPECT_GT(input.Space(), 0u);
}

} // namespace

namespace {

// A module that hands out one prepared chunk per read and is gone after the last.
class ScriptedModule final : public kavex::ModuleChannel {
public:
    explicit ScriptedModule(std::vector<Bytes> chunks) : chunks_(std::move(chunks)) {}
    bool Send(const uint8_t*, size_t) override { return !gone_; }
    size_t Receive(uint8_t* buffer, size_t max, int) override
    {
        if (next_ == chunks_.size()) gone_ = true;
        if (gone_) return 0;
        const Bytes& c = chunks_[next_++];
        const size_t n = std::min(c.size(), max);
        std::copy_n(c.begin(), n, buffer);
        return n;
    }

private:
    std::vector<Bytes> chunks_;
    size_t next_ = 0;
};

Bytes InquiryResult(const std::array<uint8_t, 6>& device)
{
    Bytes d(device.begin(), device.end());
    d.insert(d.end(), {0x00, 0x05, 0x00});
    return kavex::bt::BuildMessage(kavex::bt::kIndication, 0x01, d);
}

Bytes Joined(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace

// Runs under AddressSanitizer in CI: the device being named must not move
// when a late inquiry result arrives during the name request.
TEST(BluetoothModuleMessages, InquiryResultDuringTheNameRequestLeavesTheSearchIntact)
{
    // A second device of the reader's class answers the inquiry late, and
    // the module's "inquiry ended" makes the link ask for the name again.
    const Bytes inquiryEnded = kavex::bt::BuildMessage(kavex::bt::kIndication, 0x25, {});
    std::vector<Bytes> chunks = {Joined({InquiryResult(kReader), inquiryEnded}),
                                 Joined({InquiryResult(kPhone), inquiryEnded})};
    kavex::CBluetoothLink link;
    link.OpenOnChannel(std::make_unique<ScriptedModule>(std::move(chunks)), "scripted BT");
    const uint8_t frame[] = {0x02, 0x01, 0xF0, 0x00, 0xF1};
    link.Write(frame, sizeof frame);
    EXPECT_FALSE(link.IsConnected());
}
