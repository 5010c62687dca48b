// Card files as a user may hand them to the simulator: any text. What loads
// must save to a text that loads to the same card, and the card must then
// answer every read of what it holds.
#include <cstdlib>
#include <string>

#include "sim/desfire/card_file.h"
#include "sim/desfire/command_processor.h"

namespace {

using namespace kavex::sim::desfire;
using Bytes = std::vector<uint8_t>;

void Check(bool condition)
{
    if (!condition) std::abort();
}

void Le24(Bytes& frame, uint32_t v)
{
    frame.push_back(static_cast<uint8_t>(v));
    frame.push_back(static_cast<uint8_t>(v >> 8));
    frame.push_back(static_cast<uint8_t>(v >> 16));
}

// Sends a command and fetches every further frame of its answer.
void Run(CommandProcessor& processor, const Bytes& command)
{
    Bytes answer = processor.Process(command);
    for (int frames = 0; !answer.empty() && answer[0] == 0xAF && frames < 400; ++frames)
        answer = processor.Process({0xAF});
    Check(!answer.empty());
}

void ReadEverything(CardState& state)
{
    Session session;
    CommandProcessor processor(state, session, [](uint8_t* out, size_t len) {
        for (size_t i = 0; i < len; ++i) out[i] = static_cast<uint8_t>(i);
    });
    Run(processor, {0x60});
    Run(processor, {0x6E});
    Run(processor, {0x6A});
    Run(processor, {0x6D});
    Run(processor, {0x45});
    std::vector<uint32_t> aids;
    for (const auto& entry : state.applications) aids.push_back(entry.first);
    for (uint32_t aid : aids) {
        Bytes select = {0x5A};
        Le24(select, aid);
        Run(processor, select);
        Run(processor, {0x45});
        Run(processor, {0x64, 0x00});
        Run(processor, {0x6F});
        for (uint8_t no = 0; no < 32; ++no) {
            Run(processor, {0xF5, no});
            Bytes read = {0xBD, no};
            Le24(read, 0);
            Le24(read, 0);
            Run(processor, read);
            Run(processor, {0x6C, no});
            Bytes records = {0xBB, no};
            Le24(records, 0);
            Le24(records, 0);
            Run(processor, records);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CardState state;
    std::string error;
    if (!ParseCardFile(text, &state, &error)) {
        Check(!error.empty());
        return 0;
    }
    const std::string saved = CardFileText(state);
    CardState again;
    Check(ParseCardFile(saved, &again, &error));
    Check(CardFileText(again) == saved);
    ReadEverything(state);
    return 0;
}
