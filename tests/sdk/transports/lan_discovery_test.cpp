// The network modules' UDP protocol between the SDK and the simulated
// module, each in a network namespace of the test's own joined by veth
// pairs: nothing here reaches a real network. Creating the namespaces
// needs root; without it the tests skip.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "kavex.h"
#include "sim/lan_module.h"
#include "sim/tcp_reader.h"
#include "sim/test_card.h"
#include "sim/netns_lab.h"

namespace {

using kavex::sim::InNetns;
using kavex::sim::LanModule;
using kavex::sim::LanModuleConfig;
using kavex::sim::NetnsLab;

constexpr char kIdentity[] = "KVSIM-0000000001";

uint32_t Address(const char* text)
{
    uint32_t a = 0;
    kavex::sim::ParseAddress(text, a);
    return a;
}

std::vector<std::string> Names(const std::vector<char>& buffer, int bytes)
{
    std::vector<std::string> names;
    for (int i = 0; i < bytes && buffer[static_cast<size_t>(i)] != 0;) {
        names.emplace_back(&buffer[static_cast<size_t>(i)]);
        i += static_cast<int>(names.back().size()) + 1;
    }
    return names;
}

class LanNetwork : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string why = NetnsLab::Unavailable();
        if (!why.empty()) GTEST_SKIP() << why;
        lab = std::make_unique<NetnsLab>();
        ASSERT_TRUE(lab->ok) << "cannot create network namespaces";
    }
    void TearDown() override
    {
        // Everything of the namespaces goes before the namespaces do.
        reader.reset();
        module.reset();
        lab.reset();
    }

    // One host adapter and one module adapter on the same network.
    void Wire(const std::string& host = "10.77.0.1/24", const std::string& mod = "10.77.0.2/24")
    {
        ASSERT_TRUE(lab->Connect("h0", host, "m0", mod));
    }

    void StartModule(LanModuleConfig config, const std::string& stateFile = {})
    {
        InNetns in(lab->moduleNs);
        ASSERT_TRUE(in.ok);
        module = std::make_unique<LanModule>(config, stateFile);
        module->Start();
    }

    // The reader's TCP side in the module's namespace, on every address.
    void StartReader(uint16_t port)
    {
        InNetns in(lab->moduleNs);
        ASSERT_TRUE(in.ok);
        reader = std::make_unique<kavex::sim::TcpReader>(kavex::sim::ReaderConfig{},
                                                         std::make_shared<kavex::sim::TestCard>());
        reader->Start("0.0.0.0", port);
    }

    std::vector<std::string> Search(bool all)
    {
        InNetns in(lab->hostNs);
        EXPECT_TRUE(in.ok);
        std::vector<char> buffer(2500);
        const int n = all ? Kavex_SearchAllLanDevices(buffer.data(), static_cast<int>(buffer.size()))
                          : Kavex_SearchLanDevices(buffer.data(), static_cast<int>(buffer.size()));
        return Names(buffer, n);
    }

    bool Reachable(const std::string& name)
    {
        InNetns in(lab->hostNs);
        return Kavex_TestLanConnection(name.c_str()) == 1;
    }

    static LanModuleConfig Module(const char* address, const char* type = "KV-405 LAN")
    {
        LanModuleConfig c;
        c.identity = kIdentity;
        c.typeName = type;
        c.address = Address(address);
        c.gateway = Address("10.77.0.254");
        return c;
    }

    std::unique_ptr<NetnsLab> lab;
    std::unique_ptr<LanModule> module;
    std::unique_ptr<kavex::sim::TcpReader> reader;
};

} // namespace

TEST_F(LanNetwork, SearchListsAModuleWithAnAddressByItsAddress)
{
    Wire();
    StartModule(Module("10.77.0.2"));
    EXPECT_EQ(Search(true), std::vector<std::string>{"10.77.0.2-10001"});
    EXPECT_EQ(Search(false), std::vector<std::string>{"10.77.0.2-10001"});
}

TEST_F(LanNetwork, SearchNamesAModuleWithoutAddressByItsIdentity)
{
    Wire("169.254.7.1/16", "169.254.7.2/16");
    StartModule(Module("0.0.0.0"));
    EXPECT_EQ(Search(true), std::vector<std::string>{"[KVSIM-0000000001]169.254.7.2-10001"});
    EXPECT_EQ(Search(false), std::vector<std::string>{"[KVSIM-0000000001]"});
}

TEST_F(LanNetwork, ReadersOnlySearchDropsOtherModules)
{
    Wire();
    StartModule(Module("10.77.0.2", "XPORT-03"));
    EXPECT_EQ(Search(true), std::vector<std::string>{"10.77.0.2-10001"});
    EXPECT_TRUE(Search(false).empty());
}

TEST_F(LanNetwork, AModuleSeenThroughTwoAdaptersIsListedOnce)
{
    ASSERT_TRUE(lab->IpInModule("link add br0 type bridge"));
    ASSERT_TRUE(lab->IpInHost("link add h0 type veth peer name m0 netns " + lab->moduleNs));
    ASSERT_TRUE(lab->IpInHost("link add h1 type veth peer name m1 netns " + lab->moduleNs));
    for (const char* cmd : {"link set m0 master br0", "link set m1 master br0", "addr add 10.77.0.2/24 dev br0",
                            "link set m0 up", "link set m1 up", "link set br0 up"})
        ASSERT_TRUE(lab->IpInModule(cmd)) << cmd;
    for (const char* cmd :
         {"addr add 10.77.0.1/24 dev h0", "addr add 10.77.0.3/24 dev h1", "link set h0 up", "link set h1 up"})
        ASSERT_TRUE(lab->IpInHost(cmd)) << cmd;
    StartModule(Module("10.77.0.2"));
    EXPECT_EQ(Search(true), std::vector<std::string>{"10.77.0.2-10001"});
}

TEST_F(LanNetwork, AnIdentityNameOpensTheReaderItResolvesTo)
{
    Wire();
    LanModuleConfig c = Module("10.77.0.2");
    c.tcpPort = 4001;
    StartModule(c);
    StartReader(4001);
    InNetns in(lab->hostNs);
    const int h = Kavex_OpenPort("[KVSIM-0000000001]", 19200, 500);
    EXPECT_GT(h, 20000);
    unsigned char ident[8];
    EXPECT_EQ(Kavex_GetDeviceIdent(h, ident, sizeof ident), 4);
    Kavex_ClosePort(h);
    EXPECT_EQ(Kavex_OpenPort("[KVSIM-0000000009]", 19200, 500), KAVEX_OPEN_LINK_FAILED);
}

TEST_F(LanNetwork, GetLanConfigGivesTheModuleSettingsWithin25Bytes)
{
    Wire();
    LanModuleConfig c = Module("10.77.0.2");
    c.tcpPort = 65535; // the longest identity text: 24 characters
    StartModule(c);
    InNetns in(lab->hostNs);
    std::vector<char> id(40, 'x'), address(40, 'x'), mask(40, 'x'), gateway(40, 'x');
    ASSERT_EQ(Kavex_GetLanConfig("10.77.0.2", id.data(), address.data(), mask.data(), gateway.data()), 0);
    EXPECT_STREQ(id.data(), "[KVSIM-0000000001]-65535");
    EXPECT_STREQ(address.data(), "10.77.0.2-65535");
    EXPECT_STREQ(mask.data(), "255.255.255.0");
    EXPECT_STREQ(gateway.data(), "10.77.0.254");
    for (auto* b : {&id, &address, &mask, &gateway})
        for (size_t i = KAVEX_LAN_TEXT_SIZE; i < b->size(); ++i) ASSERT_EQ((*b)[i], 'x');
    EXPECT_EQ(Kavex_GetLanConfig("10.77.0.3", id.data(), nullptr, nullptr, nullptr), -1);
}

TEST_F(LanNetwork, SetLanConfigWithTheExtendedCommandRestartsTheModuleOnItsNewAddress)
{
    Wire();
    char dir[] = "/tmp/kavex-lan-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string state = std::string(dir) + "/lan_module.conf";
    StartModule(Module("10.77.0.2"), state);
    NetnsLab& l = *lab;
    module->OnRestart([&l](const LanModuleConfig& now) {
        l.IpInModule("addr flush dev m0");
        l.IpInModule("addr add " + kavex::sim::DottedAddress(now.address) + "/24 dev m0");
    });
    EXPECT_TRUE(Reachable("10.77.0.2"));
    {
        InNetns in(lab->hostNs);
        EXPECT_EQ(Kavex_SetLanConfig("10.77.0.2-10001", "10.77.0.9-4001", "255.255.0.0", "10.77.0.1"), 0);
    }
    EXPECT_TRUE(Reachable("10.77.0.9-4001"));
    EXPECT_FALSE(Reachable("10.77.0.2"));
    const LanModuleConfig now = module->Active();
    EXPECT_EQ(now.address, Address("10.77.0.9"));
    EXPECT_EQ(now.tcpPort, 4001);
    EXPECT_EQ(now.hostBits, 16);
    EXPECT_EQ(now.gateway, Address("10.77.0.1"));
    EXPECT_EQ(now.identity, kIdentity);
    // A module started again from its state file keeps what it was given.
    const LanModuleConfig kept = LanModule(Module("10.77.0.2"), state).Active();
    EXPECT_EQ(kept.address, Address("10.77.0.9"));
    EXPECT_EQ(kept.tcpPort, 4001);
    EXPECT_EQ(kept.hostBits, 16);
    std::remove(state.c_str());
    rmdir(dir);
}

TEST_F(LanNetwork, SetLanConfigWithTheShortCommandWritesTheRestAfterTheRestart)
{
    Wire();
    LanModuleConfig c = Module("10.77.0.2");
    c.maker = "ZZZ"; // not ours: only the short set-address command
    StartModule(c);
    NetnsLab& l = *lab;
    module->OnRestart([&l](const LanModuleConfig& now) {
        l.IpInModule("addr flush dev m0");
        l.IpInModule("addr add " + kavex::sim::DottedAddress(now.address) + "/24 dev m0");
    });
    {
        InNetns in(lab->hostNs);
        EXPECT_EQ(Kavex_SetLanConfig("10.77.0.2", "10.77.0.7-4002", nullptr, "10.77.0.1"), 0);
        // A mask with holes would be stored as another mask.
        EXPECT_EQ(Kavex_SetLanConfig("10.77.0.7", "10.77.0.7-4002", "255.0.255.0", "10.77.0.1"), -1);
    }
    EXPECT_TRUE(Reachable("10.77.0.7"));
    const LanModuleConfig now = module->Active();
    EXPECT_EQ(now.address, Address("10.77.0.7"));
    EXPECT_EQ(now.tcpPort, 4002);
    EXPECT_EQ(now.hostBits, 8);
    EXPECT_EQ(now.gateway, Address("10.77.0.1"));
    EXPECT_EQ(module->Restarts(), 2u); // the set-address command, then the record write
}

namespace {

// A module that answers every request with whatever the test gives it.
class RogueModule {
public:
    explicit RogueModule(std::vector<std::vector<uint8_t>> answers) : answers_(std::move(answers))
    {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(30718);
        ok = bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        wake_ = eventfd(0, EFD_CLOEXEC);
        thread_ = std::thread([this] { Run(); });
    }
    ~RogueModule()
    {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(wake_, &one, sizeof one);
        thread_.join();
        close(fd_);
        close(wake_);
    }
    bool ok = false;

private:
    void Run()
    {
        for (int requests = 0; requests < 64; ++requests) {
            pollfd p[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
            if (poll(p, 2, 10000) <= 0 || (p[1].revents & POLLIN)) return;
            uint8_t buf[64];
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n = recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n < 4) continue;
            for (const auto& a : answers_)
                if (a.size() < 4 || a[3] == 0xF9 || (buf[3] == 0xE2 && a[3] == 0xD2) || a[3] == 0x00)
                    sendto(fd_, a.data(), a.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
        }
    }
    std::vector<std::vector<uint8_t>> answers_;
    int fd_ = -1;
    int wake_ = -1;
    std::thread thread_;
};

std::vector<uint8_t> Answer(uint8_t code, size_t payload, uint32_t address)
{
    std::vector<uint8_t> d(4 + payload, 0);
    d[3] = code;
    if (payload >= 4)
        for (int i = 0; i < 4; ++i) d[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(address >> (24 - 8 * i));
    if (payload >= 22) {
        d[4 + 20] = 0x11;
        d[4 + 21] = 0x27; // 10001
    }
    return d;
}

} // namespace

TEST_F(LanNetwork, MalformedAnswersAreIgnored)
{
    Wire();
    const uint32_t self = Address("10.77.0.2");
    std::vector<std::vector<uint8_t>> answers;
    answers.push_back({0x00, 0x00});                         // shorter than any header
    answers.push_back(Answer(0xF9, 119, self));              // a record one byte short
    answers.push_back(Answer(0x00, 126, self));              // a wrong answer code
    answers.push_back(Answer(0xF9, 3000, self));             // larger than any module sends
    auto control = Answer(0xF9, 126, 0);                     // no address: named by identity...
    std::memcpy(control.data() + 4 + 112, "BAD\x07NAME", 8); // ...holding a control character
    std::memcpy(control.data() + 4 + 84, "]]]]]]]]", 8);
    answers.push_back(control);
    answers.push_back(Answer(0xF9, 126, 0)); // no address and an identity of NULs: no name at all
    auto type = Answer(0xD2, 126, 0);        // a type name without terminator up to the end
    std::memset(type.data() + 4 + 93, 'K', 126 - 93);
    answers.push_back(type);
    answers.push_back(Answer(0xF9, 126, self)); // the one good answer
    {
        InNetns in(lab->moduleNs);
        ASSERT_TRUE(in.ok);
        RogueModule rogue(answers);
        ASSERT_TRUE(rogue.ok);
        EXPECT_EQ(Search(true), std::vector<std::string>{"10.77.0.2-10001"});
        // The type name "KKK...": not one of our readers.
        EXPECT_TRUE(Search(false).empty());
    }
}
