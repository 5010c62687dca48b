// The simulated card for other software: the PN532 on a pty and the card of
// the vpcd reader, each driven by the test as the host's driver drives them.
#include "sim/desfire/desfire_card.h"
#include "sim/pn532_pty.h"
#include "sim/vpcd_card.h"
#include "tests/sim/host_port.h"

#include <gtest/gtest.h>

#include <numeric>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

using namespace kavex::sim;
using namespace kavex::sim::testing;
namespace desfire = kavex::sim::desfire;
using namespace std::chrono_literals;

namespace {

Bytes H(const std::string& hex)
{
    return ParseHex(hex).value();
}

// Reads the ACK and the answer frame that follow one command; the answer's
// body (D5, command + 1, data) after checking its checksums.
Bytes ReadAnswer(HostPort& host)
{
    Bytes in = host.Read(11, 1000ms);
    if (in.size() < 11) return in;
    EXPECT_EQ(Bytes(in.begin(), in.begin() + 6), Pn532Ack());
    const size_t len = in[9];
    EXPECT_EQ(static_cast<uint8_t>(in[9] + in[10]), 0) << "LCS";
    if (in.size() < 11 + len + 2) {
        const Bytes more = host.Read(11 + len + 2 - in.size(), 1000ms);
        in.insert(in.end(), more.begin(), more.end());
    }
    if (in.size() != 11 + len + 2) return {};
    EXPECT_EQ(static_cast<uint8_t>(std::accumulate(in.begin() + 11, in.end() - 1, 0u)), 0) << "DCS";
    return Bytes(in.begin() + 11, in.begin() + 11 + static_cast<std::ptrdiff_t>(len));
}

Bytes Ask(HostPort& host, const Bytes& body)
{
    host.Write(Pn532Frame(body));
    return ReadAnswer(host);
}

Bytes UidOf(const Bytes& listed) // D5 4B NbTg Tg ATQA(2) SAK len UID...
{
    if (listed.size() < 8 || listed[2] != 1) return {};
    return Bytes(listed.begin() + 8, listed.begin() + 8 + listed[7]);
}

} // namespace

TEST(Pn532, FramesFieldAndCard)
{
    auto card = std::make_shared<desfire::DesfireCard>();
    card->State().config.randomUid = true;
    Pn532Pty pn532(card);
    const std::string link = UniqueLinkPath();
    pn532.Start(link);
    HostPort host(link);
    ASSERT_TRUE(host.ok());

    host.Write(H("55 55 00 00 00 00 00 00 00 00")); // wake-up in front of the first command
    EXPECT_EQ(Ask(host, H("D4 14 01 17 00")), H("D5 15"));
    Bytes spoilt = Pn532Frame(H("D4 02"));
    spoilt[spoilt.size() - 2] ^= 0x01;
    host.Write(spoilt); // dropped: the next answer is the next command's
    EXPECT_EQ(Ask(host, H("D4 02")), H("D5 03 32 01 06 07"));
    EXPECT_EQ(Ask(host, H("D4 00 00 6C 69 62")), H("D5 01 00 6C 69 62"));

    // A random UID stays while the field is on and changes with a new field.
    const Bytes first = Ask(host, H("D4 4A 01 00"));
    EXPECT_EQ(Bytes(first.begin(), first.begin() + 8), H("D5 4B 01 01 03 04 20 04"));
    EXPECT_EQ(Bytes(first.end() - 6, first.end()), H("06 75 77 81 02 80"));
    const Bytes uid = UidOf(first);
    ASSERT_EQ(uid.size(), 4u);
    EXPECT_EQ(Ask(host, H("D4 44 01")), H("D5 45 00"));
    Bytes again = H("D4 4A 01 00");
    again.insert(again.end(), uid.begin(), uid.end());
    EXPECT_EQ(UidOf(Ask(host, again)), uid);
    EXPECT_EQ(Ask(host, H("D4 32 01 00")), H("D5 33"));
    EXPECT_NE(UidOf(Ask(host, H("D4 4A 01 00"))), uid);

    // APDUs and native frames reach the card; injected faults reach the host.
    EXPECT_EQ(Ask(host, H("D4 40 01 90 60 00 00 00")), H("D5 41 00 04 01 01 01 00 1A 05 91 AF"));
    EXPECT_EQ(Ask(host, H("D4 40 01 AF")), H("D5 41 00 AF 04 01 01 01 04 1A 05"));
    pn532.Slot().InjectFault(Fault::NoAnswer());
    EXPECT_EQ(Ask(host, H("D4 40 01 90 60 00 00 00")), H("D5 41 01"));
    pn532.Slot().InjectFault(Fault::Status(0xCA));
    EXPECT_EQ(Ask(host, H("D4 40 01 90 6A 00 00 00")), H("D5 41 00 91 CA"));
    const Bytes last = Pn532Frame(H("D5 41 00 91 CA"));
    host.Write(H("00 00 FF FF 00 00")); // NACK: the last answer again
    EXPECT_EQ(host.Read(last.size(), 1000ms), last);

    host.Write(Pn532Frame(H("D4 8C 00"))); // no such command: the error frame
    EXPECT_EQ(host.Read(14, 1000ms), H("00 00 FF 00 FF 00 00 00 FF 01 FF 7F 81 00"));
}

namespace {

// The driver's side of the vpcd protocol: a listening socket on loopback.
class VpcdDriver {
public:
    VpcdDriver()
    {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(listen_, 1) == 0 &&
            ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port = ntohs(a.sin_port);
    }
    ~VpcdDriver()
    {
        Drop();
        ::close(listen_);
    }
    bool Accept(std::chrono::milliseconds timeout = 5000ms)
    {
        pollfd p{listen_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return false;
        card_ = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        return card_ >= 0;
    }
    void Drop()
    {
        if (card_ >= 0) ::close(card_);
        card_ = -1;
    }
    void Send(const Bytes& payload)
    {
        Bytes m{static_cast<uint8_t>(payload.size() >> 8), static_cast<uint8_t>(payload.size())};
        m.insert(m.end(), payload.begin(), payload.end());
        ASSERT_EQ(::send(card_, m.data(), m.size(), MSG_NOSIGNAL), static_cast<ssize_t>(m.size()));
    }
    // The next message's payload; nullopt when the card closed the connection.
    std::optional<Bytes> Receive()
    {
        Bytes in;
        while (in.size() < 2 || in.size() < 2u + (in[0] << 8 | in[1])) {
            pollfd p{card_, POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0) return Bytes{};
            uint8_t buf[512];
            const ssize_t n = ::recv(card_, buf, sizeof buf, 0);
            if (n <= 0) return std::nullopt;
            in.insert(in.end(), buf, buf + n);
        }
        return Bytes(in.begin() + 2, in.end());
    }
    std::optional<Bytes> Ask(const Bytes& payload)
    {
        Send(payload);
        return Receive();
    }

    uint16_t port = 0;

private:
    int listen_ = -1;
    int card_ = -1;
};

} // namespace

TEST(Vpcd, ControlsApdusFaultsAndComingBack)
{
    VpcdDriver driver;
    ASSERT_NE(driver.port, 0);
    VpcdCard vpcd(std::make_shared<desfire::DesfireCard>());
    vpcd.Start("127.0.0.1", driver.port);
    ASSERT_TRUE(driver.Accept());
    driver.Send({0x01}); // power on: no answer
    EXPECT_EQ(driver.Ask({0x04}), H("3B 81 80 01 80 80"));
    EXPECT_EQ(driver.Ask(H("90 60 00 00 00")), H("04 01 01 01 00 1A 05 91 AF"));
    driver.Send({0x02}); // reset: the card starts afresh, no command is pending
    EXPECT_EQ(driver.Ask(H("90 AF 00 00 00")), H("91 1C"));
    vpcd.Slot().InjectFault(Fault::Status(0xAE));
    EXPECT_EQ(driver.Ask(H("90 6A 00 00 00")), H("91 AE"));

    // A driver that goes away finds the card again when it is back.
    driver.Drop();
    ASSERT_TRUE(driver.Accept());
    EXPECT_EQ(driver.Ask({0x04}), H("3B 81 80 01 80 80"));
    // A mute card leaves the reader and comes back.
    vpcd.Slot().InjectFault(Fault::NoAnswer());
    EXPECT_EQ(driver.Ask(H("90 60 00 00 00")), std::nullopt);
    driver.Drop();
    ASSERT_TRUE(driver.Accept());
    EXPECT_EQ(driver.Ask(H("90 6A 00 00 00")), H("91 00"));
    vpcd.Stop();
}
