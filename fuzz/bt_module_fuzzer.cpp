// What a Bluetooth module may send the host, in any chunks: the link finds,
// names and connects a reader from it and passes the reader's data on. The
// module goes away when the input ends.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "sdk/transports/bluetooth_link.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

class ScriptedModule final : public kavex::ModuleChannel {
public:
    explicit ScriptedModule(FuzzedDataProvider& in) : in_(in) {}
    bool Send(const uint8_t* /*data*/, size_t /*len*/) override { return !gone_; }
    size_t Receive(uint8_t* buffer, size_t max, int /*waitMs*/) override
    {
        if (in_.remaining_bytes() == 0) gone_ = true;
        if (gone_) return 0;
        const std::vector<uint8_t> chunk = in_.ConsumeBytes<uint8_t>(in_.ConsumeIntegralInRange<size_t>(1, 96));
        const size_t n = std::min(chunk.size(), max);
        if (n > 0) std::memcpy(buffer, chunk.data(), n);
        return n;
    }

private:
    FuzzedDataProvider& in_;
};

class Collector final : public kavex::ByteSink {
public:
    void OnBytesReceived(const uint8_t* /*data*/, size_t len) override
    {
        Check(len > 0 && len <= kavex::bt::kBufferSize);
        received += len;
    }
    size_t received = 0;
};

// The message parser alone: every message it gives out is whole and fits
// its buffer, and bytes it has no room for are never taken in.
void Messages(FuzzedDataProvider& in)
{
    kavex::bt::ModuleInput input;
    while (in.remaining_bytes() > 0) {
        const std::vector<uint8_t> chunk = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(1, 1200));
        if (chunk.empty()) break;
        const size_t space = input.Space();
        Check(input.Append(chunk.data(), chunk.size()) == std::min(space, chunk.size()));
        while (auto m = input.Next()) Check(m->data.size() + kavex::bt::kFrameOverhead <= kavex::bt::kBufferSize);
        // Whatever stays behind is the start of a message that fits: the
        // buffer can never fill up for good.
        Check(input.Space() > 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool()) {
        Messages(in);
        return 0;
    }
    Collector sink;
    kavex::CBluetoothLink link;
    link.OpenOnChannel(std::make_unique<ScriptedModule>(in), "fuzz BT");
    const uint8_t frame[] = {0x02, 0x01, 0x00, 0xF0, 0xF1};
    link.Write(frame, sizeof frame);
    for (int i = 0; i < 4 && in.remaining_bytes() > 0; ++i) link.PollInput(sink);
    link.Close();
    return 0;
}
