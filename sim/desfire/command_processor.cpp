#include "sim/desfire/command_processor.h"

#include <algorithm>

namespace kavex::sim::desfire {

CommandProcessor::CommandProcessor(CardState& state, Session& session, RandomSource random)
    : state_(state), session_(session), random_(std::move(random))
{
    RegisterAuthenticationCommands(table_);
    RegisterCardCommands(table_);
    RegisterKeyCommands(table_);
    RegisterApplicationCommands(table_);
    RegisterFileCommands(table_);
    RegisterDataCommands(table_);
}

void CommandProcessor::Abort()
{
    pending_ = nullptr;
    queuedFrames_.clear();
    state_.AbortTransaction();
}

std::vector<uint8_t> CommandProcessor::Fail(uint8_t status)
{
    pending_ = nullptr;
    queuedFrames_.clear();
    session_.ResetAuthentication();
    return {status};
}

std::vector<uint8_t> CommandProcessor::Process(const std::vector<uint8_t>& frame)
{
    const uint32_t epoch = session_.TransactionEpoch();
    std::vector<uint8_t> answer = Run(frame);
    // A transaction does not outlive its selection and authentication.
    if (session_.TransactionEpoch() != epoch) state_.AbortTransaction();
    return answer;
}

std::vector<uint8_t> CommandProcessor::Run(const std::vector<uint8_t>& frame)
{
    if (frame.empty() || frame.size() > kMaxCommandFrame) return Fail(status::kLengthError);

    Continuation next;
    CommandContext ctx{state_, session_, random_, &next};
    Reply reply;
    if (pending_) {
        // A command in the middle of its frames only goes on with 0xAF;
        // anything else ends it and is itself refused.
        if (frame[0] != status::kAdditionalFrame) return Fail(status::kCommandAborted);
        Continuation current = std::move(pending_);
        pending_ = nullptr;
        reply = current(ctx, frame);
    } else {
        auto it = table_.find(frame[0]);
        if (it == table_.end()) return Fail(status::kIllegalCommand);
        if (it->second.protection == Protection::PlainCommand && session_.Authenticated())
            session_.AbsorbCommand(frame.data(), frame.size());
        reply = it->second.run(ctx, frame);
    }

    if (reply.status != status::kOk && reply.status != status::kAdditionalFrame) return Fail(reply.status);
    if (reply.status == status::kAdditionalFrame) {
        pending_ = std::move(next);
        std::vector<uint8_t> out{reply.status};
        out.insert(out.end(), reply.data.begin(), reply.data.end());
        return out;
    }
    return Finish(std::move(reply));
}

std::vector<uint8_t> CommandProcessor::Finish(Reply reply)
{
    std::vector<uint8_t> data = std::move(reply.data);
    if (reply.macIfAuthenticated && session_.Authenticated()) {
        const std::vector<uint8_t> mac = session_.AnswerMac(data, status::kOk);
        data.insert(data.end(), mac.begin(), mac.end());
    }

    std::deque<std::vector<uint8_t>> frames;
    size_t pos = 0;
    for (size_t split : reply.frameSplits) {
        const size_t n = std::min(split, data.size() - pos);
        frames.emplace_back(data.begin() + pos, data.begin() + pos + n);
        pos += n;
    }
    while (pos < data.size() || frames.empty()) {
        const size_t n = std::min(kMaxFrameData, data.size() - pos);
        frames.emplace_back(data.begin() + pos, data.begin() + pos + n);
        pos += n;
    }

    std::vector<uint8_t> first = std::move(frames.front());
    frames.pop_front();
    if (frames.empty()) {
        first.insert(first.begin(), status::kOk);
        return first;
    }
    queuedFrames_ = std::move(frames);
    pending_ = NextQueuedFrame();
    first.insert(first.begin(), status::kAdditionalFrame);
    return first;
}

Continuation CommandProcessor::NextQueuedFrame()
{
    return [this](CommandContext& ctx, const std::vector<uint8_t>& frame) -> Reply {
        if (frame.size() != 1 || queuedFrames_.empty()) return Reply::Error(status::kLengthError);
        std::vector<uint8_t> part = std::move(queuedFrames_.front());
        queuedFrames_.pop_front();
        if (queuedFrames_.empty()) return Reply::Unprotected(status::kOk, std::move(part));
        ctx.ExpectMore(NextQueuedFrame());
        return Reply::Unprotected(status::kAdditionalFrame, std::move(part));
    };
}

} // namespace kavex::sim::desfire
