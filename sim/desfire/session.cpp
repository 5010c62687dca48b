#include "sim/desfire/session.h"

#include <cstring>

#include "desfire/crypto/crc16.h"
#include "desfire/crypto/crc32.h"

namespace kavex::sim::desfire {

void Session::ResetAuthentication()
{
    if (mode_ != AuthMode::None) ++epoch_;
    mode_ = AuthMode::None;
    keyNo_ = 0xFF;
    sessionKey_.clear();
    cipher_.reset();
    cmac_.reset();
    std::memset(iv_, 0, sizeof iv_);
}

void Session::Establish(AuthMode mode, uint8_t keyNo, CipherKind kind, const std::vector<uint8_t>& sessionKey)
{
    ++epoch_;
    mode_ = mode;
    keyNo_ = keyNo;
    sessionKey_ = sessionKey;
    cipher_.emplace(kind, sessionKey_.data());
    cmac_.emplace(*cipher_);
    std::memset(iv_, 0, sizeof iv_);
}

size_t Session::BlockSize() const
{
    return cipher_ ? cipher_->BlockSize() : 8;
}

std::vector<uint8_t> Session::Iv() const
{
    return std::vector<uint8_t>(iv_, iv_ + BlockSize());
}

void Session::AbsorbCommand(const uint8_t* cmd, size_t len)
{
    if (cmac_ && !Legacy()) cmac_->Compute(iv_, cmd, len);
}

std::vector<uint8_t> Session::AnswerMac(const std::vector<uint8_t>& data, uint8_t status)
{
    if (!cmac_ || Legacy()) return {};
    std::vector<uint8_t> input(data);
    input.push_back(status);
    return cmac_->Compute(iv_, input.data(), input.size());
}

std::vector<uint8_t> Session::LegacyMac(const uint8_t* data, size_t len) const
{
    if (!cipher_) return {};
    std::vector<uint8_t> buf(RoundUpToBlock(len, cipher_->BlockSize()), 0);
    if (len) std::memcpy(buf.data(), data, len);
    uint8_t iv[16] = {};
    CbcEncrypt(*cipher_, iv, buf.data(), buf.data(), buf.size());
    return std::vector<uint8_t>(iv, iv + 4);
}

bool Session::VerifyCommandMac(const uint8_t* msg, size_t headerLen, size_t len, const uint8_t* mac)
{
    if (!cmac_) return false;
    if (Legacy()) {
        const std::vector<uint8_t> expected = LegacyMac(msg + headerLen, len - headerLen);
        return std::memcmp(expected.data(), mac, expected.size()) == 0;
    }
    const std::vector<uint8_t> expected = cmac_->Compute(iv_, msg, len);
    return std::memcmp(expected.data(), mac, 8) == 0;
}

bool Session::DecipherCommandData(const uint8_t* in, size_t len, std::vector<uint8_t>& plain)
{
    if (!cipher_ || len == 0 || len % cipher_->BlockSize() != 0) return false;
    plain.resize(len);
    if (Legacy()) {
        uint8_t iv[16] = {};
        UndoSendMode(*cipher_, iv, in, plain.data(), len);
        return true;
    }
    CbcDecrypt(*cipher_, iv_, in, plain.data(), len);
    return true;
}

std::vector<uint8_t> Session::ParameterCrc(const uint8_t* header, size_t headerLen, const uint8_t* data,
                                           size_t len) const
{
    if (Legacy()) {
        std::vector<uint8_t> crc(2);
        kavex::crypto::Crc16Put(kavex::crypto::Crc16Iso14443a(data, len), crc.data());
        return crc;
    }
    std::vector<uint8_t> crc(4);
    const uint32_t value = kavex::crypto::Crc32DesfireUpdate(kavex::crypto::Crc32Desfire(header, headerLen), data, len);
    kavex::crypto::Crc32DesfirePut(value, crc.data());
    return crc;
}

std::vector<uint8_t> Session::EncipherAnswer(const std::vector<uint8_t>& payload, uint8_t status, bool marked)
{
    if (!cipher_) return payload;
    std::vector<uint8_t> buf(payload);
    if (Legacy()) {
        const std::vector<uint8_t> crc = ParameterCrc(nullptr, 0, payload.data(), payload.size());
        buf.insert(buf.end(), crc.begin(), crc.end());
        buf.resize(RoundUpToBlock(buf.size(), cipher_->BlockSize()), 0);
        uint8_t iv[16] = {};
        CbcEncrypt(*cipher_, iv, buf.data(), buf.data(), buf.size());
        return buf;
    }
    uint32_t crc = kavex::crypto::Crc32Desfire(payload.data(), payload.size());
    crc = kavex::crypto::Crc32DesfireUpdate(crc, &status, 1);
    uint8_t crcBytes[4];
    kavex::crypto::Crc32DesfirePut(crc, crcBytes);
    buf.insert(buf.end(), crcBytes, crcBytes + 4);
    if (marked) buf.push_back(0x80);
    const size_t bs = cipher_->BlockSize();
    buf.resize((buf.size() + bs - 1) / bs * bs, 0);
    CbcEncrypt(*cipher_, iv_, buf.data(), buf.data(), buf.size());
    return buf;
}

} // namespace kavex::sim::desfire
