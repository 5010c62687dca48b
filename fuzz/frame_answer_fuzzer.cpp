// Reader answers as a link delivers them: any bytes, in any chunks, through
// the answer wait and the decoder of each protocol variant. A well-formed
// answer the simulated reader builds must also come back as it was sent.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdlib>

#include "sdk/core/frame.h"
#include "sim/frames.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Check(bool condition)
{
    if (!condition) std::abort();
}

void WaitAndDecode(const Bytes& stream, uint8_t variant, uint8_t lastCommand, FuzzedDataProvider& in)
{
    kavex::frame::AnswerWait wait(variant);
    Bytes buf;
    size_t pos = 0;
    bool complete = false;
    while (pos < stream.size() && !complete) {
        const size_t n = std::min(stream.size() - pos, in.ConsumeIntegralInRange<size_t>(1, 64));
        buf.insert(buf.end(), stream.begin() + static_cast<long>(pos), stream.begin() + static_cast<long>(pos + n));
        pos += n;
        bool began = false;
        complete = wait.Advance(buf, began);
    }
    Bytes answer = buf;
    int status = -1;
    if (kavex::frame::DecodeAnswer(answer, variant, lastCommand, status)) Check(answer.size() <= buf.size());
    Check(status >= 0);
}

// The reader's own framing of data, decoded by the host.
void RoundTrip(uint8_t variant, uint8_t lastCommand, const Bytes& data)
{
    // In variants 2 and 3 these status bytes are errors, whatever was sent.
    static const Bytes errors = {0xA0, 0xA4, 0x88, 0xCC, 0xC4, 0xC5};
    if (variant >= 2 && std::find(errors.begin(), errors.end(), lastCommand) != errors.end()) return;
    const uint8_t status = variant >= 2 ? lastCommand : kavex::sim::status::kOk;
    Bytes frame = kavex::sim::BuildAnswerFrame(variant, 1, status, data);
    Check(kavex::frame::AnswerComplete(frame, variant));
    int code = -1;
    Check(kavex::frame::DecodeAnswer(frame, variant, lastCommand, code));
    Check(code == kavex::kStatusOk);
    Check(frame == data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const uint8_t variant = in.ConsumeIntegralInRange<uint8_t>(0, 3);
    const uint8_t lastCommand = in.ConsumeIntegral<uint8_t>();
    const bool roundTrip = in.ConsumeBool();
    const Bytes stream = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 1200));
    if (roundTrip && stream.size() <= kavex::sim::kMaxBlock) RoundTrip(variant, lastCommand, stream);
    WaitAndDecode(stream, variant, lastCommand, in);
    // An answer cut short anywhere must be refused without reading past it.
    Bytes cut(stream.begin(), stream.begin() + static_cast<long>(std::min<size_t>(stream.size(), 8)));
    int status = -1;
    kavex::frame::DecodeAnswer(cut, variant, lastCommand, status);
    return 0;
}
