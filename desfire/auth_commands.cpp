// AuthenticateISO (two-key triple DES) and AuthenticateAES: the three-pass
// mutual authentication that establishes the session key.
#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "sdk/core/port.h"
#include "desfire/auth_commands.h"
#include "desfire/exchange.h"
#include "kavex.h"

namespace kavex::desfire {

namespace {

constexpr uint8_t kCmdAuthenticateISO = 0x1A;
constexpr uint8_t kCmdAuthenticateAES = 0xAA;
constexpr size_t kAuthAnswerLimit = 100;

bool ReadUrandom(uint8_t* out, size_t len)
{
    const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < len) {
        const ssize_t n = ::read(fd, out + done, len - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    return done == len;
}

// Key and challenges of one authentication, wiped whatever way it ends.
struct Secrets {
    uint8_t key[DF8Crypt::kKeyLength] = {0};
    uint8_t rndA[16] = {0};
    uint8_t rndB[16] = {0};
    uint8_t token[32] = {0};
    uint8_t rndA2[16] = {0};

    Secrets() = default;
    Secrets(const Secrets&) = delete;
    Secrets& operator=(const Secrets&) = delete;
    ~Secrets()
    {
        volatile uint8_t* v = reinterpret_cast<volatile uint8_t*>(this);
        for (size_t i = 0; i < sizeof *this; ++i) v[i] = 0;
    }
};

} // namespace

bool RandomChallenge(uint8_t* out, size_t len)
{
    size_t done = 0;
    while (done < len) {
        const ssize_t n = ::getrandom(out + done, len - done, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            // Kernels without getrandom() still have the device.
            return ReadUrandom(out + done, len - done);
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

int Authenticate(CKavex_Port& port, bool aes, uint8_t keyNo, const uint8_t* keyArg, int keyLen)
{
    if (keyArg && keyLen != static_cast<int>(DF8Crypt::kKeyLength)) {
        port.lastStatus = kStatusKeyLength;
        return -1;
    }
    Secrets sec;
    uint8_t* key = sec.key;
    uint8_t* rndA = sec.rndA;
    uint8_t* rndB = sec.rndB;
    uint8_t* token = sec.token;
    uint8_t* rndA2 = sec.rndA2;
    if (keyArg) std::memcpy(key, keyArg, DF8Crypt::kKeyLength);

    CDatenFuerDesfireInPort& session = Session(port);
    session.ResetAuthentication();
    session.crypt.Init(aes ? DF8Crypt::kMethodAES : DF8Crypt::kMethod3DES);
    DF8Crypt& crypt = session.crypt;
    const size_t n = aes ? 16 : 8;

    // Once the second pass has gone out the card may be authenticated
    // whatever the host makes of its answer; only an error ends that.
    bool cardMayHold = false;
    auto fail = [&]() {
        session.ResetAuthentication();
        if (cardMayHold) session.cardMayBeAuthenticated = true;
        return -1;
    };
    auto answerOk = [&](const std::vector<uint8_t>& answer, uint8_t expected) {
        if (answer.empty()) {
            port.lastStatus = kStatusNoData;
            return false;
        }
        if (answer.size() < 1 + n || answer[0] != expected) {
            SetCardStatus(port, answer[0]);
            return false;
        }
        return true;
    };

    // Pass 1: the card's enciphered RndB. One IV chains through all four
    // cipher operations of the exchange, starting at zero.
    std::vector<uint8_t> answer;
    const uint8_t first[2] = {aes ? kCmdAuthenticateAES : kCmdAuthenticateISO, keyNo};
    if (DesfireExchange(port, first, sizeof first, answer, kAuthAnswerLimit) < 0) return fail();
    if (!answerOk(answer, kCardAdditionalFrame)) return fail();
    crypt.DecryptCBC(key, answer.data() + 1, rndB, n);

    // Pass 2: RndA || RndB rotated left by one byte.
    if (!RandomChallenge(rndA, n)) {
        port.lastStatus = kStatusCommandError;
        return fail();
    }
    std::memcpy(token, rndA, n);
    std::memcpy(token + n, rndB + 1, n - 1);
    token[2 * n - 1] = rndB[0];
    uint8_t second[1 + 32];
    second[0] = kCardAdditionalFrame;
    crypt.EncryptCBC(key, token, second + 1, 2 * n);
    cardMayHold = true;
    if (DesfireExchange(port, second, 1 + 2 * n, answer, kAuthAnswerLimit) < 0) return fail();
    if (!answer.empty() && !CardKeepsAuthentication(answer[0])) cardMayHold = false;
    if (!answerOk(answer, kCardOk)) return fail();

    // Pass 3: the card proves it knows the key by returning RndA rotated
    // left by one byte. A card that cannot is refused like the card refuses
    // a wrong key, so the failure never shows as success.
    crypt.DecryptCBC(key, answer.data() + 1, rndA2, n);
    std::rotate(rndA2, rndA2 + n - 1, rndA2 + n);
    if (std::memcmp(rndA2, rndA, n) != 0) {
        SetCardStatus(port, kCardAuthenticationError);
        return fail();
    }

    uint8_t* sk = crypt.sessionKey;
    if (aes) {
        std::memcpy(sk, rndA, 4);
        std::memcpy(sk + 4, rndB, 4);
        std::memcpy(sk + 8, rndA + 12, 4);
        std::memcpy(sk + 12, rndB + 12, 4);
    } else if (std::memcmp(key, key + 8, 8) == 0) {
        // A DES key (equal halves, parity bits included): single-DES session
        // key written twice.
        std::memcpy(sk, rndA, 4);
        std::memcpy(sk + 4, rndB, 4);
        std::memcpy(sk + 8, sk, 8);
    } else {
        std::memcpy(sk, rndA, 4);
        std::memcpy(sk + 4, rndB, 4);
        std::memcpy(sk + 8, rndA + 4, 4);
        std::memcpy(sk + 12, rndB + 4, 4);
    }
    crypt.ResetIV();
    crypt.DeriveCmacSubkeys();
    session.authKeyNo = keyNo;
    session.authState = aes ? CDatenFuerDesfireInPort::kAuthenticatedAES : CDatenFuerDesfireInPort::kAuthenticatedISO;
    port.lastStatus = kStatusOk;
    return 0;
}

} // namespace kavex::desfire

using namespace kavex;
using namespace kavex::desfire;

extern "C" {

KAVEX_API int Kavex_DFAuthenticateISO(int handle, unsigned char keyNo, const unsigned char* key, int keyLen)
{
    return WithPort(handle, [&](CKavex_Port& port) { return Authenticate(port, false, keyNo, key, keyLen); });
}

KAVEX_API int Kavex_DFAuthenticateAES(int handle, unsigned char keyNo, const unsigned char* key, int keyLen)
{
    return WithPort(handle, [&](CKavex_Port& port) { return Authenticate(port, true, keyNo, key, keyLen); });
}

} // extern "C"
