#include "sim/desfire/desfire_card.h"

#include <random>

#include "sim/desfire/card_file.h"
#include "sim/desfire/iso_wrapping.h"

namespace kavex::sim::desfire {

namespace {
constexpr uint8_t kRandomUidPrefix = 0x08;
constexpr uint16_t kAtqaUidSizeBits = 0x00C0;
constexpr uint16_t kAtqaDoubleUid = 0x0040;
} // namespace

RandomSource SystemRandom()
{
    auto device = std::make_shared<std::random_device>();
    return [device](uint8_t* out, size_t len) {
        for (size_t i = 0; i < len; ++i) out[i] = static_cast<uint8_t>((*device)());
    };
}

DesfireCard::DesfireCard() : DesfireCard(DesfireCardOptions{}) {}

DesfireCard::DesfireCard(DesfireCardOptions options)
    : atqa_(options.atqa), sak_(options.sak), random_(options.random ? std::move(options.random) : SystemRandom()),
      state_(std::make_unique<CardState>(options.storageSize)), session_(std::make_unique<Session>())
{
    state_->production.uid = options.uid;
    state_->production.batchNumber = options.batchNumber;
    state_->production.week = options.productionWeek;
    state_->production.year = options.productionYear;
    state_->config.ats = std::move(options.ats);
    processor_ = std::make_unique<CommandProcessor>(*state_, *session_, random_);
    DrawActivationUid();
}

DesfireCard::~DesfireCard() = default;

void DesfireCard::DrawActivationUid()
{
    if (state_->config.randomUid) {
        activeUid_.assign(4, kRandomUidPrefix);
        random_(activeUid_.data() + 1, 3);
    } else {
        activeUid_.assign(state_->production.uid.begin(), state_->production.uid.end());
    }
}

void DesfireCard::OnFieldReset()
{
    processor_->Abort();
    session_->Reset();
    DrawActivationUid();
}

void DesfireCard::OnReactivate()
{
    processor_->Abort();
    session_->Reset();
}

uint16_t DesfireCard::Atqa() const
{
    // The UID size bits follow the UID that anticollision shows.
    const uint16_t sizeBits = activeUid_.size() == 7 ? kAtqaDoubleUid : 0;
    return static_cast<uint16_t>((atqa_ & ~kAtqaUidSizeBits) | sizeBits);
}

std::vector<uint8_t> DesfireCard::Ats() const
{
    const auto& ats = state_->config.ats;
    if (ats.empty()) return {};
    return std::vector<uint8_t>(ats.begin() + 1, ats.end());
}

std::vector<uint8_t> DesfireCard::Transceive(const std::vector<uint8_t>& command)
{
    std::vector<uint8_t> answer = processor_->Process(command);
    if (file_) SaveChanges(answer);
    return answer;
}

std::vector<uint8_t> DesfireCard::TransceiveApdu(const std::vector<uint8_t>& apdu)
{
    uint16_t refusal = 0;
    const std::optional<std::vector<uint8_t>> frame = UnwrapIsoApdu(apdu, &refusal);
    if (!frame) return IsoStatusWord(refusal);
    return WrapIsoAnswer(Transceive(*frame));
}

void DesfireCard::RestoreState(CardState state)
{
    processor_->Abort();
    session_->Reset();
    *state_ = std::move(state);
    DrawActivationUid();
}

void DesfireCard::BindCardFile(std::string path)
{
    CardFile f;
    f.path = std::move(path);
    f.savedText = CardFileText(*state_);
    f.savedState = *state_;
    file_ = std::move(f);
}

void DesfireCard::SaveChanges(std::vector<uint8_t>& answer)
{
    std::string text = CardFileText(*state_);
    if (text == file_->savedText) return;
    std::string error;
    if (WriteFileAtomically(file_->path, text, &error)) {
        file_->savedText = std::move(text);
        file_->savedState = *state_;
        file_->error.clear();
        return;
    }
    // Memory and card file must not part ways: the change is undone and
    // the host learns that it did not happen.
    processor_->Abort();
    session_->ResetAuthentication();
    *state_ = file_->savedState;
    state_->AbortTransaction();
    file_->error = std::move(error);
    answer = {status::kEepromError};
}

const std::string& DesfireCard::CardFilePath() const
{
    static const std::string none;
    return file_ ? file_->path : none;
}

const std::string& DesfireCard::CardFileError() const
{
    static const std::string none;
    return file_ ? file_->error : none;
}

} // namespace kavex::sim::desfire
