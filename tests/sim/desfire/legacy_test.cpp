// The original DESFire authentication (0x0A) and the messaging that
// follows it, against a host written here from the protocol on OpenSSL's
// DES, talking to the card through ISO/IEC 7816-4 APDUs as PC/SC and
// libnfc hosts do.
#include <algorithm>

#include "tests/sim/desfire/card_fixture.h"

namespace desfire_test {
namespace {

const Bytes kDesZeroKey(16, 0x00);

// The first bytes the card draws (its RndB), then zeros.
DesfireCardOptions FixedRandom(Bytes bytes)
{
    DesfireCardOptions o;
    auto pos = std::make_shared<size_t>(0);
    o.random = [bytes, pos](uint8_t* out, size_t len) {
        for (size_t i = 0; i < len; ++i, ++*pos) out[i] = *pos < bytes.size() ? bytes[*pos] : 0;
    };
    return o;
}

class LegacyHost {
public:
    explicit LegacyHost(DesfireCard& card) : card_(card) {}

    // One native frame through the ISO wrapping; the answer status first.
    Bytes Tx(const Bytes& frame)
    {
        Bytes apdu{0x90, frame[0], 0x00, 0x00};
        if (frame.size() > 1) {
            apdu.push_back(static_cast<uint8_t>(frame.size() - 1));
            apdu.insert(apdu.end(), frame.begin() + 1, frame.end());
        }
        apdu.push_back(0x00);
        const Bytes response = card_.TransceiveApdu(apdu);
        if (response.size() < 2 || response[response.size() - 2] != 0x91) {
            ADD_FAILURE() << "not a native status: " << ::testing::PrintToString(response);
            return {0xFF};
        }
        Bytes native{response.back()};
        native.insert(native.end(), response.begin(), response.end() - 2);
        return native;
    }

    // A command of any length in frames of at most 60 bytes; the last answer.
    Bytes Send(const Bytes& msg)
    {
        size_t pos = std::min<size_t>(60, msg.size());
        Bytes answer = Tx(Bytes(msg.begin(), msg.begin() + static_cast<long>(pos)));
        while (answer == Bytes{0xAF} && pos < msg.size()) {
            const size_t n = std::min<size_t>(59, msg.size() - pos);
            answer = Tx(reference::Cat(
                {0xAF}, Bytes(msg.begin() + static_cast<long>(pos), msg.begin() + static_cast<long>(pos + n))));
            pos += n;
        }
        return answer;
    }

    // A command whose answer may come in several frames: the final status,
    // then the data of all frames.
    Bytes Collect(const Bytes& cmd)
    {
        Bytes answer = Tx(cmd);
        Bytes data(answer.begin() + 1, answer.end());
        while (answer[0] == 0xAF) {
            answer = Tx({0xAF});
            data.insert(data.end(), answer.begin() + 1, answer.end());
        }
        return reference::Cat({answer[0]}, data);
    }

    // The three passes of 0x0A; true when both sides proved the key.
    bool Authenticate(uint8_t keyNo, const Bytes& key, const Bytes& rndA)
    {
        const Bytes first = Tx({0x0A, keyNo});
        if (first.size() != 9 || first[0] != 0xAF) return false;
        Bytes iv(8, 0);
        const Bytes rndB = reference::CbcDecrypt(Algo::Tdes, key, iv, Bytes(first.begin() + 1, first.end()));
        const Bytes second =
            Tx(reference::Cat({0xAF}, SendMode(key, reference::Cat(rndA, reference::RotateLeft(rndB)))));
        if (second.size() != 9 || second[0] != 0x00) return false;
        iv.assign(8, 0);
        if (reference::CbcDecrypt(Algo::Tdes, key, iv, Bytes(second.begin() + 1, second.end())) !=
            reference::RotateLeft(rndA))
            return false;
        auto half = [](const Bytes& v, size_t from) { return Bytes(v.begin() + from, v.begin() + from + 4); };
        const bool des = std::equal(key.begin(), key.begin() + 8, key.begin() + 8);
        sessionKey_ = reference::Cat(reference::Cat(half(rndA, 0), half(rndB, 0)),
                                     reference::Cat(half(rndA, des ? 0 : 4), half(rndB, des ? 0 : 4)));
        return true;
    }

    // What the host sends enciphered: data || CRC16 || zeros in send mode.
    Bytes Protect(const Bytes& data) const { return Encipher(reference::Cat(data, Crc16(data))); }
    // Zero padding and send mode alone.
    Bytes Encipher(Bytes plain) const
    {
        while (plain.size() % 8) plain.push_back(0);
        return SendMode(sessionKey_, plain);
    }
    // An enciphered answer back to its `len` data bytes; empty when CRC or
    // padding are wrong.
    Bytes Unprotect(const Bytes& ct, size_t len) const
    {
        Bytes iv(8, 0);
        const Bytes plain = reference::CbcDecrypt(Algo::Tdes, sessionKey_, iv, ct);
        const Bytes data(plain.begin(), plain.begin() + static_cast<long>(len));
        const bool ok =
            Bytes(plain.begin() + static_cast<long>(len), plain.begin() + static_cast<long>(len + 2)) == Crc16(data) &&
            std::all_of(plain.begin() + static_cast<long>(len + 2), plain.end(), [](uint8_t b) { return b == 0; });
        return ok ? data : Bytes{};
    }
    // CBC-MAC of the data alone: the first half of the last block.
    Bytes Mac(Bytes data) const
    {
        while (data.size() % 8) data.push_back(0);
        Bytes iv(8, 0);
        const Bytes ct = reference::CbcEncrypt(Algo::Tdes, sessionKey_, iv, data);
        return Bytes(ct.end() - 8, ct.end() - 4);
    }

    // CRC_A of ISO/IEC 14443-3, bit by bit.
    static Bytes Crc16(const Bytes& data)
    {
        uint16_t crc = 0x6363;
        for (uint8_t b : data) {
            crc ^= b;
            for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0x8408 : crc >> 1;
        }
        return {uint8_t(crc), uint8_t(crc >> 8)};
    }
    // y_i = D(x_i ^ y_i-1), y_0 = 0.
    static Bytes SendMode(const Bytes& key, const Bytes& plain)
    {
        Bytes out;
        Bytes prev(8, 0);
        for (size_t off = 0; off < plain.size(); off += 8) {
            Bytes x(plain.begin() + static_cast<long>(off), plain.begin() + static_cast<long>(off + 8));
            for (size_t i = 0; i < 8; ++i) x[i] ^= prev[i];
            prev = reference::EcbDecrypt(Algo::Tdes, key, x);
            out.insert(out.end(), prev.begin(), prev.end());
        }
        return out;
    }

    const Bytes& SessionKey() const { return sessionKey_; }

private:
    DesfireCard& card_;
    Bytes sessionKey_;
};

TEST(LegacyAuthentication, PublishedChallengeAndSessionKeys)
{
    // A published exchange with the factory DES key: RndB 4F D1 B7 59 42 A8
    // B8 E1 goes out as E(RndB) = 5D 99 4C E0 85 F2 40 89.
    DesfireCard traced(FixedRandom({0x4F, 0xD1, 0xB7, 0x59, 0x42, 0xA8, 0xB8, 0xE1}));
    EXPECT_EQ(traced.Transceive({0x0A, 0x00}), (Bytes{0xAF, 0x5D, 0x99, 0x4C, 0xE0, 0x85, 0xF2, 0x40, 0x89}));

    // The documented derivation: RndA 01..08, RndB 10..80 give the DES
    // session key 01 02 03 04 10 20 30 40 and the 2K3DES one that goes on
    // with 05 06 07 08 50 60 70 80.
    const Bytes rndA{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    const Bytes rndB{0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80};
    const Bytes desSession{0x01, 0x02, 0x03, 0x04, 0x10, 0x20, 0x30, 0x40};
    const Bytes tdesSession{0x01, 0x02, 0x03, 0x04, 0x10, 0x20, 0x30, 0x40,
                            0x05, 0x06, 0x07, 0x08, 0x50, 0x60, 0x70, 0x80};
    for (const Bytes& key : {kDesZeroKey, k2K3DesKey}) {
        DesfireCard card(FixedRandom(rndB));
        card.State().masterKeys.keys[0].value = {};
        std::copy(key.begin(), key.end(), card.State().masterKeys.keys[0].value.begin());
        LegacyHost host(card);
        ASSERT_TRUE(host.Authenticate(0x00, key, rndA));
        const Bytes expected = key == kDesZeroKey ? reference::Cat(desSession, desSession) : tdesSession;
        EXPECT_EQ(host.SessionKey(), expected);
        EXPECT_EQ(card.CurrentSession().SessionKey(), expected);
    }
}

using LegacyTest = CardTest;

TEST_F(LegacyTest, OnlyDesAndTwoKeyTripleDesKeysAuthenticate)
{
    LegacyHost host(card);
    EXPECT_FALSE(host.Authenticate(0x00, k2K3DesKey, RndA(8)));
    EXPECT_FALSE(CardAuthenticated());
    ASSERT_EQ(CreateApp(0x0000A1, 0x0F, 0x81), Bytes{0x00}); // AES
    ASSERT_EQ(CreateApp(0x0000A2, 0x0F, 0x41), Bytes{0x00}); // three-key triple DES
    for (uint32_t aid : {0x0000A1u, 0x0000A2u}) {
        ASSERT_EQ(Select(aid), Bytes{0x00});
        EXPECT_EQ(Tx({0x0A, 0x00}), Bytes{0xAE});
    }
}

TEST_F(LegacyTest, EncipheredAndMacedFilesWrittenAndReadBack)
{
    LegacyHost host(card);
    ASSERT_TRUE(host.Authenticate(0x00, kDesZeroKey, RndA(8)));
    // Plain commands and their answers carry no MAC.
    EXPECT_EQ(host.Tx({0xCA, 0x33, 0x22, 0x11, 0x0F, 0x02}), Bytes{0x00});
    EXPECT_EQ(host.Tx({0x45}), (Bytes{0x00, 0x0F, 0x01}));
    ASSERT_EQ(host.Tx({0x5A, 0x33, 0x22, 0x11}), Bytes{0x00});
    ASSERT_TRUE(host.Authenticate(0x00, kDesZeroKey, RndA(8, 0x10)));

    // Key 1 becomes a 2K3DES key: (new ^ old) || CRC16 of that || CRC16(new).
    Bytes cryptogram = k2K3DesKey; // the old key is zero
    cryptogram =
        reference::Cat(reference::Cat(cryptogram, LegacyHost::Crc16(cryptogram)), LegacyHost::Crc16(k2K3DesKey));
    EXPECT_EQ(host.Tx(reference::Cat({0xC4, 0x01}, host.Encipher(cryptogram))), Bytes{0x00});
    EXPECT_EQ(host.Tx(CreateDataFileCmd(0xCD, 1, 0x03, 0x1110, 70)), Bytes{0x00});
    EXPECT_EQ(host.Tx(CreateDataFileCmd(0xCD, 2, 0x01, 0x1111, 40)), Bytes{0x00});

    ASSERT_TRUE(host.Authenticate(0x01, k2K3DesKey, RndA(8, 0x20)));
    Bytes secret(70);
    for (size_t i = 0; i < secret.size(); ++i) secret[i] = static_cast<uint8_t>(0x30 + i);
    // 8 header bytes and 72 enciphered ones: two frames.
    EXPECT_EQ(host.Send(reference::Cat(TransferCmd(0x3D, 1, 0, 70), host.Protect(secret))), Bytes{0x00});
    EXPECT_EQ(card.State().applications.at(0x112233).files.at(1).data, secret);
    const Bytes read = host.Collect(TransferCmd(0xBD, 1, 0, 70));
    ASSERT_EQ(read.size(), 1u + 72u);
    EXPECT_EQ(read[0], 0x00);
    EXPECT_EQ(host.Unprotect(Bytes(read.begin() + 1, read.end()), 70), secret);

    const Bytes tail(secret.begin(), secret.begin() + 40);
    EXPECT_EQ(host.Send(reference::Cat(TransferCmd(0x3D, 2, 0, 40, tail), host.Mac(tail))), Bytes{0x00});
    EXPECT_EQ(host.Collect(TransferCmd(0xBD, 2, 0, 40)), reference::Cat(reference::Cat({0x00}, tail), host.Mac(tail)));

    // A MAC over other data is refused, and the authentication goes.
    Bytes forged = host.Mac(tail);
    forged[3] ^= 0x01;
    EXPECT_EQ(host.Send(reference::Cat(TransferCmd(0x3D, 2, 0, 40, tail), forged)), Bytes{0x1E});
    EXPECT_FALSE(CardAuthenticated());

    // The file's settings come enciphered: settings || CRC16 || zeros.
    ASSERT_TRUE(host.Authenticate(0x01, k2K3DesKey, RndA(8, 0x30)));
    EXPECT_EQ(host.Tx(reference::Cat({0x5F, 0x02}, host.Protect({0x03, 0x11, 0x11}))), Bytes{0x00});
    EXPECT_EQ(card.State().applications.at(0x112233).files.at(2).commSettings, 0x03);
}

TEST_F(LegacyTest, CardLevelConfigurationAndTheMasterKey)
{
    LegacyHost host(card);
    ASSERT_TRUE(host.Authenticate(0x00, kDesZeroKey, RndA(8)));
    // Random UID on: option 0, its byte enciphered.
    EXPECT_EQ(host.Tx(reference::Cat({0x5C, 0x00}, host.Protect({0x02}))), Bytes{0x00});
    EXPECT_TRUE(card.State().config.randomUid);

    // GetCardUID: E(UID || CRC16(UID) || zeros).
    const Bytes uid = host.Tx({0x51});
    ASSERT_EQ(uid.size(), 17u);
    EXPECT_EQ(host.Unprotect(Bytes(uid.begin() + 1, uid.end()), 7), (Bytes{0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}));

    // The authenticated key itself: new key || CRC16 || zeros; the session
    // ends with it.
    EXPECT_EQ(host.Tx(reference::Cat({0xC4, 0x00}, host.Protect(k2K3DesKey))), Bytes{0x00});
    EXPECT_FALSE(CardAuthenticated());
    EXPECT_TRUE(host.Authenticate(0x00, k2K3DesKey, RndA(8)));
    EXPECT_EQ(host.Tx({0xFC}), Bytes{0x00});
}

} // namespace
} // namespace desfire_test
