// The engine's answer path: every card answer an SDK call can get (status
// byte, MAC and CRC checks, decipherment, answers in several frames and
// reader pieces) comes from the fuzz input. A link of our own hands the
// input to the port, framed as a reader frames it, so the engine works as it
// does against a reader. Sessions start authenticated with a fixed key in
// either cipher, or not at all.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <memory>

#include "desfire/exchange.h"
#include "desfire/session.h"
#include "kavex.h"
#include "sdk/core/handle_pool.h"
#include "sdk/core/port_registry.h"
#include "sim/frames.h"

namespace {

using Bytes = std::vector<uint8_t>;
using kavex::desfire::CDatenFuerDesfireInPort;

// Answers every request at once with the next scripted reader answer; an
// empty script answers "no card".
class ScriptedLink final : public kavex::Link {
public:
    explicit ScriptedLink(kavex::ByteSink& sink) : sink_(sink) {}
    void Start(FuzzedDataProvider* in) { in_ = in; }

    void Write(const uint8_t* /*data*/, size_t /*len*/) override
    {
        uint8_t status = kavex::sim::status::kNoTransponder;
        Bytes data;
        if (in_ && in_->remaining_bytes() > 0) {
            const uint8_t kind = in_->ConsumeIntegralInRange<uint8_t>(0, 15);
            status = kind < 11   ? kavex::sim::status::kOk
                     : kind < 15 ? kavex::sim::status::kMoreData
                                 : kavex::sim::status::kDataAmountWrong;
            data = in_->ConsumeBytes<uint8_t>(in_->ConsumeIntegralInRange<size_t>(0, 72));
        }
        const Bytes frame = kavex::sim::BuildAnswerFrame(0, 1, status, data);
        sink_.OnBytesReceived(frame.data(), frame.size());
    }
    void Close() override {}

private:
    kavex::ByteSink& sink_;
    FuzzedDataProvider* in_ = nullptr;
};

struct Reader {
    kavex::CKavex_Port* port = nullptr;
    ScriptedLink* link = nullptr;
    int handle = 0;
};

Reader& TheReader()
{
    static Reader reader = [] {
        Reader r;
        auto port = std::make_unique<kavex::CKavex_Port>();
        auto link = std::make_unique<ScriptedLink>(*port);
        r.link = link.get();
        r.handle = kavex::HandlePoolFor(kavex::LinkKind::Serial).Acquire();
        port->AttachLink(std::move(link), kavex::LinkKind::Serial, r.handle);
        port->name = "fuzz";
        r.port = port.get();
        kavex::CKavex_SDKApp::Instance().AddPort(std::move(port));
        return r;
    }();
    return reader;
}

void StartSession(kavex::CKavex_Port& port, FuzzedDataProvider& in)
{
    port.ResetSession();
    CDatenFuerDesfireInPort& s = kavex::desfire::Session(port);
    s.cardMayBeAuthenticated = false;
    s.selectedAid = in.ConsumeBool() ? 0 : 0x010203;
    const uint8_t kind = in.ConsumeIntegralInRange<uint8_t>(0, 2);
    if (kind == 0) return;
    static const uint8_t key[16] = {0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47,
                                    0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F};
    s.crypt.Init(kind == 1 ? kavex::crypto::DF8Crypt::kMethod3DES : kavex::crypto::DF8Crypt::kMethodAES);
    std::memcpy(s.crypt.sessionKey, key, sizeof key);
    s.crypt.DeriveCmacSubkeys();
    s.authState = kind == 1 ? CDatenFuerDesfireInPort::kAuthenticatedISO : CDatenFuerDesfireInPort::kAuthenticatedAES;
    s.authKeyNo = 0;
}

// A buffer of exactly the size the call is told, so that AddressSanitizer
// sees every byte written past it.
Bytes Out(FuzzedDataProvider& in, size_t most)
{
    return Bytes(in.ConsumeIntegralInRange<size_t>(0, most));
}

int Size(const Bytes& b)
{
    return static_cast<int>(b.size());
}

void OneCall(int h, FuzzedDataProvider& in)
{
    const uint8_t mode = in.ConsumeIntegralInRange<uint8_t>(0, 3);
    const uint8_t fileNo = in.ConsumeIntegralInRange<uint8_t>(0, 31);
    static const uint8_t key[24] = {};
    switch (in.ConsumeIntegralInRange<int>(0, 23)) {
    case 0: {
        Bytes out = Out(in, 40);
        Kavex_DFGetVersion(h, out.data(), Size(out));
        break;
    }
    case 1: Kavex_DFGetFreeMemory(h); break;
    case 2: {
        Bytes out = Out(in, 16);
        Kavex_DFGetCardUID(h, out.data(), Size(out));
        break;
    }
    case 3: {
        std::vector<unsigned> aids(in.ConsumeIntegralInRange<size_t>(0, 40));
        Kavex_DFGetApplicationIDs(h, aids.data(), static_cast<int>(aids.size() * sizeof(unsigned)));
        break;
    }
    case 4: {
        Bytes out = Out(in, 4);
        Kavex_DFGetKeySettings(h, out.data(), Size(out));
        break;
    }
    case 5: Kavex_DFGetKeyVersion(h, in.ConsumeIntegralInRange<uint8_t>(0, 14)); break;
    case 6: {
        Bytes out = Out(in, 40);
        Kavex_DFGetFileIDs(h, out.data(), Size(out));
        break;
    }
    case 7: {
        Bytes out = Out(in, 24);
        Kavex_DFGetFileSettings(h, fileNo, out.data(), Size(out));
        break;
    }
    case 8: {
        const unsigned offset = in.ConsumeIntegralInRange<unsigned>(0, 300);
        const unsigned length = in.ConsumeIntegralInRange<unsigned>(0, 300);
        Bytes out = Out(in, 320);
        Kavex_DFReadData(h, fileNo, mode, offset, length, out.data(), Size(out));
        break;
    }
    case 9: {
        int value = 0;
        Kavex_DFGetValue(h, fileNo, mode, &value);
        break;
    }
    case 10: {
        const unsigned offset = in.ConsumeIntegralInRange<unsigned>(0, 20);
        const unsigned count = in.ConsumeIntegralInRange<unsigned>(0, 20);
        const unsigned recordSize = in.ConsumeIntegralInRange<unsigned>(0, 40);
        Bytes out = Out(in, 320);
        Kavex_DFReadRecords(h, fileNo, mode, offset, count, recordSize, out.data(), Size(out));
        break;
    }
    case 11: {
        Bytes data(in.ConsumeIntegralInRange<size_t>(1, 200), 0x5A);
        Kavex_DFWriteData(h, fileNo, mode, in.ConsumeIntegralInRange<unsigned>(0, 100), data.data(), Size(data));
        break;
    }
    case 12: {
        Bytes data(in.ConsumeIntegralInRange<size_t>(1, 100), 0xA5);
        Kavex_DFWriteRecord(h, fileNo, mode, 0, data.data(), Size(data));
        break;
    }
    case 13: Kavex_DFCredit(h, fileNo, mode, in.ConsumeIntegralInRange<int>(0, 1000)); break;
    case 14: Kavex_DFDebit(h, fileNo, mode, in.ConsumeIntegralInRange<int>(0, 1000)); break;
    case 15: Kavex_DFCommitTransaction(h); break;
    case 16: Kavex_DFSelectApplication(h, in.ConsumeBool() ? 0 : 0x010203); break;
    case 17: Kavex_DFAuthenticateAES(h, in.ConsumeIntegralInRange<uint8_t>(0, 14), key, 16); break;
    case 18: Kavex_DFAuthenticateISO(h, in.ConsumeIntegralInRange<uint8_t>(0, 14), key, 16); break;
    case 19: Kavex_DFChangeKey(h, 1, key, 16, 1, key, 16, in.ConsumeIntegralInRange<int>(0, 2)); break;
    case 20: Kavex_DFChangeKeySettings(h, 0, 0x0F); break;
    case 21: Kavex_DFCreateStdDataFile(h, fileNo, 0, 32, mode, 0xEEEE); break;
    case 22: Kavex_DFFormatPICC(h); break;
    default: {
        const unsigned char config[] = {0x00};
        Kavex_DFSetConfiguration(h, 0, config, sizeof config);
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader& reader = TheReader();
    FuzzedDataProvider in(data, size);
    StartSession(*reader.port, in);
    reader.link->Start(&in);
    for (int call = 0; call < 4 && in.remaining_bytes() > 0; ++call) OneCall(reader.handle, in);
    reader.link->Start(nullptr);
    return 0;
}
