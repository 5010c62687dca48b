#include "sdk/core/port.h"

#include <chrono>

#include "sdk/core/frame.h"
#include "sdk/core/handle_pool.h"
#include "sdk/core/idle_hook.h"

namespace {

using Clock = std::chrono::steady_clock;

// The hook runs at least this often while a caller waits.
constexpr std::chrono::milliseconds kIdleHookPeriod(10);

long long ElapsedMs(Clock::time_point since)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

} // namespace

namespace kavex {

CKavex_Port::CKavex_Port() = default;

CKavex_Port::~CKavex_Port()
{
    CloseLink();
}

void CKavex_Port::ResetSession()
{
    if (session_) session_->Reset();
}

void CKavex_Port::AbortSession()
{
    if (session_) session_->OnCallAborted();
}

void CKavex_Port::AttachLink(std::unique_ptr<kavex::Link> link, LinkKind kind, int handle)
{
    link_ = std::move(link);
    kind_ = kind;
    handle_ = handle;
}

void CKavex_Port::CloseLink()
{
    if (link_) {
        link_->Close();
        link_.reset();
    }
    if (handle_ != 0) kavex::HandlePoolFor(kind_).Release(handle_);
    handle_ = 0;
    kind_ = LinkKind::None;
}

int CKavex_Port::GetHandle() const
{
    return link_ && link_->Alive() ? handle_ : 0;
}

bool CKavex_Port::IsUsb() const
{
    return link_ && link_->IsUsb();
}

void CKavex_Port::OnBytesReceived(const uint8_t* data, size_t len)
{
    {
        std::lock_guard<std::mutex> lock(rxLock_);
        rx_.insert(rx_.end(), data, data + len);
    }
    rxArrived_.notify_all();
}

std::vector<uint8_t> CKavex_Port::PendingInput()
{
    std::lock_guard<std::mutex> lock(rxLock_);
    return rx_;
}

bool CKavex_Port::Transceive()
{
    std::vector<uint8_t> frame = sendBuffer;
    lastStatus = kavex::kStatusOk;
    if (frame.empty()) {
        lastStatus = kavex::kStatusNothingToSend;
        return false;
    }
    if (!kavex::frame::BuildRequest(frame, variant, static_cast<uint8_t>(address & 0xFF), lastCommand)) {
        lastStatus = kavex::kStatusWrongParameter;
        sendBuffer.clear();
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(rxLock_);
        rx_.clear();
    }
    if (link_) {
        link_->DiscardPendingInput();
        link_->Write(frame.data(), frame.size());
    }
    sendBuffer.clear();
    if (!WaitForAnswer()) {
        lastStatus = kavex::kStatusTimeout;
        return false;
    }
    // A call refused from the idle hook meanwhile left its status here.
    lastStatus = kavex::kStatusOk;
    return true;
}

// Each stage of the wait may take up to the port timeout; it ends only when
// the elapsed time is strictly greater.
bool CKavex_Port::WaitForAnswer()
{
    kavex::frame::AnswerWait wait(variant);
    const long long timeout = static_cast<unsigned>(timeoutMs);
    Clock::time_point reference = Clock::now();
    std::unique_lock<std::mutex> lock(rxLock_);
    for (;;) {
        bool stageBegan = false;
        if (wait.Advance(rx_, stageBegan)) return true;
        if (stageBegan) reference = Clock::now();

        const long long elapsed = ElapsedMs(reference);
        if (elapsed > timeout) return false;
        auto remaining = std::chrono::milliseconds(timeout - elapsed + 1);
        const bool hook = kavex::HasIdleHook();
        const bool polled = link_ && kind_ != LinkKind::Serial && kind_ != LinkKind::Lan && kind_ != LinkKind::Hid;
        if (hook || polled) remaining = std::min<std::chrono::milliseconds>(remaining, kIdleHookPeriod);
        if (link_ && link_->InputOnWaitingThread()) {
            // The link reads on this thread: no other thread to wake us.
            lock.unlock();
            link_->AwaitInput(*this, static_cast<int>(remaining.count()));
            if (hook) kavex::RunIdleHook();
            lock.lock();
            continue;
        }
        rxArrived_.wait_for(lock, remaining);
        if (hook || polled) {
            lock.unlock();
            kavex::RunIdleHook();
            if (polled) link_->PollInput(*this);
            lock.lock();
        }
    }
}

bool CKavex_Port::ReadAnswer(std::vector<uint8_t>& answer)
{
    {
        std::lock_guard<std::mutex> lock(rxLock_);
        answer.swap(rx_);
        rx_.clear();
    }
    int status = 0;
    const bool ok = kavex::frame::DecodeAnswer(answer, variant, lastCommand, status);
    lastStatus = status;
    return ok;
}

bool CKavex_Port::Execute(uint8_t command, const std::vector<uint8_t>& data, std::vector<uint8_t>& answer)
{
    sendBuffer.clear();
    sendBuffer.push_back(command);
    sendBuffer.insert(sendBuffer.end(), data.begin(), data.end());
    return Transceive() && ReadAnswer(answer);
}

} // namespace kavex
