// Frames a host could send the simulated card: any command, any length, in
// any order, against a card with applications and files of every kind, with
// or without an authenticated session. Every frame gets an answer that fits
// one card frame.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "sim/desfire/command_processor.h"

namespace {

using namespace kavex::sim::desfire;
using Bytes = std::vector<uint8_t>;

void Check(bool condition)
{
    if (!condition) std::abort();
}

DesfireFile DataFile(FileType type, uint8_t comm, uint16_t access, uint32_t size)
{
    DesfireFile f;
    f.type = type;
    f.commSettings = comm;
    f.accessRights = access;
    f.size = size;
    f.data.assign(size, 0x11);
    return f;
}

DesfireFile ValueFile(uint8_t comm, uint16_t access)
{
    DesfireFile f;
    f.type = FileType::Value;
    f.commSettings = comm;
    f.accessRights = access;
    f.lowerLimit = -100;
    f.upperLimit = 1000;
    f.value = 50;
    f.limitedCreditEnabled = true;
    return f;
}

DesfireFile RecordFile(FileType type, uint8_t comm, uint16_t access, uint32_t recordSize, uint32_t maxRecords)
{
    DesfireFile f;
    f.type = type;
    f.commSettings = comm;
    f.accessRights = access;
    f.recordSize = recordSize;
    f.maxRecords = maxRecords;
    f.records.assign(2, Bytes(recordSize, 0x22));
    return f;
}

// One application per cipher (AID 01 02 03 + method), each with a file of
// every kind; files 0-5 are free for all, 6-7 need key 1 in modes 1 and 3.
CardState StartingCard()
{
    CardState card;
    const CryptoMethod methods[] = {CryptoMethod::Tdes, CryptoMethod::Tdes3K, CryptoMethod::Aes};
    for (uint32_t i = 0; i < 3; ++i) {
        Application app;
        app.aid = 0x010203 + i;
        app.keys = card.NewApplicationKeys(methods[i], 0x0F, 3);
        app.isoFileIds = i == 0;
        app.files[0] = DataFile(FileType::StandardData, 0, 0xEEEE, 48);
        app.files[1] = DataFile(FileType::BackupData, 0, 0xEEEE, 96);
        app.files[2] = ValueFile(0, 0xEEEE);
        app.files[3] = RecordFile(FileType::LinearRecord, 0, 0xEEEE, 12, 5);
        app.files[4] = RecordFile(FileType::CyclicRecord, 0, 0xEEEE, 8, 4);
        app.files[5] = DataFile(FileType::StandardData, 3, 0xEEEE, 200);
        app.files[6] = DataFile(FileType::BackupData, 1, 0x1111, 64);
        app.files[7] = ValueFile(3, 0x1111);
        card.applications.emplace(app.aid, std::move(app));
    }
    return card;
}

void Counting(uint8_t* out, size_t len)
{
    for (size_t i = 0; i < len; ++i) out[i] = static_cast<uint8_t>(i + 1);
}

struct Card {
    CardState start = StartingCard();
    CardState state;
    Session session;
    CommandProcessor processor{state, session, Counting};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Card card;
    card.processor.Abort();
    card.state = card.start;
    card.session = Session();
    FuzzedDataProvider in(data, size);

    // The session starts at the card level or in one of the applications,
    // and may hold an authentication with a fixed session key.
    const uint8_t level = in.ConsumeIntegralInRange<uint8_t>(0, 3);
    if (level > 0) card.session.Select(0x010203 + level - 1);
    const uint8_t auth = in.ConsumeIntegralInRange<uint8_t>(0, 3);
    if (auth > 0) {
        const CipherKind kinds[] = {CipherKind::Tdes2K, CipherKind::Tdes3K, CipherKind::Aes128};
        const CipherKind kind = kinds[auth - 1];
        const Bytes key(KeyLength(kind), 0x5C);
        card.session.Establish(kind == CipherKind::Aes128 ? AuthMode::Aes : AuthMode::Iso,
                               in.ConsumeIntegralInRange<uint8_t>(0, 2), kind, key);
    }

    while (in.remaining_bytes() > 0) {
        const Bytes frame = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 64));
        const Bytes answer = card.processor.Process(frame);
        Check(!answer.empty() && answer.size() <= 1 + CommandProcessor::kMaxFrameData);
    }
    return 0;
}
