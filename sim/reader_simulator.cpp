#include "sim/reader_simulator.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace kavex::sim {

namespace {

std::string Hex2(unsigned v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFFu);
    return buf;
}

const char* CommandName(int command)
{
    switch (command) {
    case cmd::kIdentify: return "identification";
    case cmd::kReaderMode: return "reader mode";
    case cmd::kRfField: return "RF field";
    case cmd::kReset:
    case cmd::kReset2: return "reset";
    case cmd::kUsbMode: return "USB mode";
    case cmd::kRequest: return "request";
    case cmd::kAnticollSelect: return "anticollision/select";
    case cmd::kRats: return "RATS";
    case cmd::kPps: return "PPS";
    case cmd::kDesfire: return "DESFire exchange";
    case cmd::kContinue: return "continuation";
    default: return nullptr;
    }
}

void Append(Bytes& to, const Bytes& from)
{
    to.insert(to.end(), from.begin(), from.end());
}

} // namespace

std::optional<std::map<uint8_t, std::chrono::microseconds>> ParseCardTimes(const std::string& text)
{
    std::map<uint8_t, std::chrono::microseconds> times;
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t end = std::min(text.find(',', pos), text.size());
        const std::string item = text.substr(pos, end - pos);
        const size_t eq = item.find('=');
        if (eq == std::string::npos || eq == 0 || eq > 2 || eq + 1 == item.size()) return std::nullopt;
        const std::string command = item.substr(0, eq), micros = item.substr(eq + 1);
        if (command.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos ||
            micros.find_first_not_of("0123456789") != std::string::npos || micros.size() > 9)
            return std::nullopt;
        times[static_cast<uint8_t>(std::stoul(command, nullptr, 16))] = std::chrono::microseconds(std::stoul(micros));
        pos = end + 1;
    }
    return times;
}

Bytes DefaultIdent(int variant)
{
    switch (variant) {
    case 2: return {0x31, 0x37, 0x31, 0x35};
    case 3: return {0x01, 0x02, 0x03, 0x04, 0x41, 0x42, 0x43, 0x36, 0x00};
    default: return {'1', '2', '5', '5'};
    }
}

// ---------------------------------------------------------------- Fault

Fault Fault::NoAnswer()
{
    Fault f;
    f.no_answer = true;
    return f;
}
Fault Fault::Delay(std::chrono::milliseconds d)
{
    Fault f;
    f.delay = d;
    return f;
}
Fault Fault::Status(uint8_t s)
{
    Fault f;
    f.status = s;
    return f;
}
Fault Fault::StatusAndData(uint8_t s, Bytes d)
{
    Fault f;
    f.status = s;
    f.data = std::move(d);
    return f;
}
Fault Fault::Garbage(Bytes bytes)
{
    Fault f;
    f.garbage_before = std::move(bytes);
    return f;
}
Fault Fault::BadChecksum()
{
    Fault f;
    f.corrupt_checksum = true;
    return f;
}
Fault Fault::Extra(Bytes bytes)
{
    Fault f;
    f.extra_after = std::move(bytes);
    return f;
}
Fault Fault::Split(size_t chunk_size, std::chrono::milliseconds gap)
{
    Fault f;
    f.chunk_size = chunk_size;
    f.chunk_gap = gap;
    return f;
}

Fault Fault::Truncated(size_t missing)
{
    Fault f;
    f.cut_tail = missing;
    return f;
}
Fault Fault::CardRemoved()
{
    Fault f;
    f.remove_card = true;
    return f;
}
Fault Fault::HangUp()
{
    Fault f;
    f.hang_up = true;
    return f;
}

std::string Fault::Describe() const
{
    std::string s;
    auto add = [&s](const std::string& part) {
        if (!s.empty()) s += ", ";
        s += part;
    };
    if (no_answer) add("no answer");
    if (hang_up) add("hang-up");
    if (remove_card) add("card removed");
    if (!garbage_before.empty()) add("garbage before: " + ToHex(garbage_before));
    if (status) add("status " + Hex2(*status));
    if (data) add("data replaced");
    if (block_form) add("block form");
    if (corrupt_checksum) add("checksum corrupted");
    if (!extra_after.empty()) add("extra after: " + ToHex(extra_after));
    if (delay.count() > 0) add("delay " + std::to_string(delay.count()) + " ms");
    if (chunk_size > 0)
        add("chunks of " + std::to_string(chunk_size) + " bytes every " + std::to_string(chunk_gap.count()) + " ms");
    if (cut_tail > 0) add("last " + std::to_string(cut_tail) + " bytes cut off");
    return s;
}

// ---------------------------------------------------------------- log text

const char* ToString(Direction d)
{
    return d == Direction::Received ? "RX" : "TX";
}

const char* ToString(Outcome o)
{
    switch (o) {
    case Outcome::Answered: return "answered";
    case Outcome::NotAnswered: return "not answered";
    case Outcome::Ignored: return "ignored";
    case Outcome::Discarded: return "discarded";
    case Outcome::Sent: return "sent";
    }
    return "?";
}

std::string FormatLogEntry(const LogEntry& e, Clock::time_point origin)
{
    const double t = std::chrono::duration<double>(e.time - origin).count();
    char head[32];
    std::snprintf(head, sizeof head, "+%9.3f %s ", t, ToString(e.direction));
    std::string s = head;
    s += e.raw.empty() ? std::string("(none)") : ToHex(e.raw);
    s += " | ";
    s += ToString(e.outcome);
    if (e.command >= 0) {
        s += " ";
        s += Hex2(static_cast<unsigned>(e.command));
        if (const char* n = CommandName(e.command)) {
            s += " ";
            s += n;
        }
        if (e.wire_command >= 0 && e.wire_command != e.command)
            s += " (wire " + Hex2(static_cast<unsigned>(e.wire_command)) + ")";
    }
    if (e.status >= 0)
        s += " status " + Hex2(static_cast<unsigned>(e.status)) + ", " + std::to_string(e.data.size()) + " data bytes";
    if (!e.reason.empty()) s += ": " + e.reason;
    return s;
}

// ---------------------------------------------------------------- ReaderSimulator

ReaderSimulator::ReaderSimulator(ReaderConfig config, std::shared_ptr<Card> card)
    : origin_(Clock::now()), config_(std::move(config)), card_(std::move(card))
{
    if (config_.variant < 0 || config_.variant > 3) throw std::invalid_argument("protocol variant must be 0..3");
    field_on_ = config_.field_on_at_start;
    if (card_) card_->OnFieldReset();
}

ReaderConfig ReaderSimulator::Config() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return config_;
}

void ReaderSimulator::SetConfig(const ReaderConfig& config)
{
    if (config.variant < 0 || config.variant > 3) throw std::invalid_argument("protocol variant must be 0..3");
    std::lock_guard<std::mutex> lock(mu_);
    if (config.variant != config_.variant || config.address != config_.address) {
        rx_.clear();
        garbage_.clear();
        pending_pieces_.clear();
    }
    config_ = config;
    while (log_.size() > std::max<size_t>(config_.log_capacity, 1)) log_.pop_front();
}

void ReaderSimulator::UpdateConfig(const std::function<void(ReaderConfig&)>& change)
{
    ReaderConfig c = Config();
    change(c);
    SetConfig(c);
}

void ReaderSimulator::InsertCard(std::shared_ptr<Card> card)
{
    std::lock_guard<std::mutex> lock(mu_);
    card_ = std::move(card);
    card_state_ = CardState::Idle;
    if (card_) card_->OnFieldReset();
}

void ReaderSimulator::RemoveCard()
{
    std::lock_guard<std::mutex> lock(mu_);
    RemoveCardLocked();
}

void ReaderSimulator::RemoveCardLocked()
{
    if (card_) card_->OnFieldReset();
    card_.reset();
    card_state_ = CardState::Idle;
    pending_pieces_.clear();
}

std::shared_ptr<Card> ReaderSimulator::CurrentCard() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return card_;
}

void ReaderSimulator::WithCard(const std::function<void(Card*)>& fn)
{
    std::lock_guard<std::mutex> lock(mu_);
    fn(card_.get());
}

bool ReaderSimulator::FieldOn() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return field_on_;
}

uint8_t ReaderSimulator::ReaderMode() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return mode_;
}

std::optional<uint8_t> ReaderSimulator::UsbMode() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return usb_mode_;
}

std::optional<uint8_t> ReaderSimulator::LastPps() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return pps_;
}

void ReaderSimulator::Reset()
{
    std::lock_guard<std::mutex> lock(mu_);
    rx_.clear();
    garbage_.clear();
    last_rx_.reset();
    out_.clear();
    field_on_ = config_.field_on_at_start;
    mode_ = 0;
    ResetCardStateLocked();
}

void ReaderSimulator::ResetCardStateLocked()
{
    card_state_ = CardState::Idle;
    pending_pieces_.clear();
    if (card_) card_->OnFieldReset();
}

void ReaderSimulator::InjectFault(Fault fault)
{
    std::lock_guard<std::mutex> lock(mu_);
    one_shot_.push_back(std::move(fault));
}

void ReaderSimulator::SetPersistentFault(std::optional<Fault> fault)
{
    std::lock_guard<std::mutex> lock(mu_);
    persistent_ = std::move(fault);
}

void ReaderSimulator::ClearFaults()
{
    std::lock_guard<std::mutex> lock(mu_);
    one_shot_.clear();
    persistent_.reset();
}

size_t ReaderSimulator::PendingFaults() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return one_shot_.size();
}

bool ReaderSimulator::TakeHangUp()
{
    std::lock_guard<std::mutex> lock(mu_);
    return std::exchange(hang_up_, false);
}

std::vector<LogEntry> ReaderSimulator::Log() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return {log_.begin(), log_.end()};
}

void ReaderSimulator::ClearLog()
{
    std::lock_guard<std::mutex> lock(mu_);
    log_.clear();
    requests_taken_ = 0;
}

std::vector<uint8_t> ReaderSimulator::ReceivedCommands() const
{
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<uint8_t> out;
    for (const LogEntry& e : log_)
        if (e.direction == Direction::Received && e.command >= 0 &&
            (e.outcome == Outcome::Answered || e.outcome == Outcome::NotAnswered))
            out.push_back(static_cast<uint8_t>(e.command));
    return out;
}

size_t ReaderSimulator::CountReceived(uint8_t command) const
{
    const std::vector<uint8_t> all = ReceivedCommands();
    return static_cast<size_t>(std::count(all.begin(), all.end(), command));
}

bool ReaderSimulator::WaitForLog(const std::function<bool(const std::vector<LogEntry>&)>& pred,
                                 std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(mu_);
    return log_cv_.wait_for(lock, timeout, [&] { return pred(std::vector<LogEntry>(log_.begin(), log_.end())); });
}

bool ReaderSimulator::WaitForRequests(size_t n, std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(mu_);
    return log_cv_.wait_for(lock, timeout, [&] { return requests_taken_ >= n; });
}

void ReaderSimulator::SetLogSink(std::function<void(const LogEntry&)> sink)
{
    std::lock_guard<std::mutex> lock(mu_);
    sink_ = std::move(sink);
}

void ReaderSimulator::AppendLogLocked(LogEntry e)
{
    e.seq = ++log_seq_;
    log_.push_back(std::move(e));
    while (log_.size() > std::max<size_t>(config_.log_capacity, 1)) log_.pop_front();
    if (sink_) sink_(log_.back());
    log_cv_.notify_all();
}

// ---------------------------------------------------------------- input

void ReaderSimulator::Receive(const Bytes& data, Clock::time_point now)
{
    Receive(data.data(), data.size(), now);
}

void ReaderSimulator::Receive(const uint8_t* data, size_t size, Clock::time_point now)
{
    std::lock_guard<std::mutex> lock(mu_);
    if (!rx_.empty() && last_rx_ && now - *last_rx_ > config_.idle_gap) {
        LogEntry e;
        e.time = now;
        e.direction = Direction::Received;
        e.outcome = Outcome::Discarded;
        e.raw = rx_;
        e.reason = "incomplete frame dropped after an idle gap of " +
                   std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(now - *last_rx_).count()) +
                   " ms";
        AppendLogLocked(std::move(e));
        rx_.clear();
    }
    if (size == 0) return;
    rx_.insert(rx_.end(), data, data + size);
    last_rx_ = now;
    ParseLocked(now);
}

void ReaderSimulator::FlushGarbageLocked(Clock::time_point now, const std::string& reason)
{
    if (garbage_.empty()) return;
    LogEntry e;
    e.time = now;
    e.direction = Direction::Received;
    e.outcome = Outcome::Discarded;
    e.raw = std::move(garbage_);
    e.reason = reason;
    garbage_.clear();
    AppendLogLocked(std::move(e));
}

// Variant 1 while the frame at offset 0 is incomplete: a complete frame with
// a good CRC and our address further on means that the bytes before it were
// garbage (the start of another variant's frame, noise).
bool ReaderSimulator::FindResyncV1Locked(size_t* offset) const
{
    for (size_t k = 1; k + 5 <= rx_.size(); ++k) {
        const size_t total = static_cast<size_t>(rx_[k + 2]) + 5;
        if (k + total > rx_.size()) continue;
        if (rx_[k] != config_.address) continue;
        const uint16_t crc = Crc16Modbus(rx_.data() + k, total - 2);
        if (rx_[k + total - 2] == (crc & 0xFF) && rx_[k + total - 1] == (crc >> 8)) {
            *offset = k;
            return true;
        }
    }
    return false;
}

void ReaderSimulator::ParseLocked(Clock::time_point now)
{
    const int v = config_.variant;
    const std::string garbage_reason = v == 1 ? "no frame here (CRC resynchronisation)"
                                              : std::string("bytes before the start byte ") + (v == 0 ? "02" : "1E");
    for (;;) {
        if (rx_.empty()) break;
        if (v == 1) {
            if (rx_.size() < 3) break;
            const size_t total = static_cast<size_t>(rx_[2]) + 5;
            if (rx_.size() < total) {
                size_t k = 0;
                if (FindResyncV1Locked(&k)) {
                    garbage_.insert(garbage_.end(), rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(k));
                    rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(k));
                    continue;
                }
                break;
            }
            const uint16_t crc = Crc16Modbus(rx_.data(), total - 2);
            if (rx_[total - 2] != (crc & 0xFF) || rx_[total - 1] != (crc >> 8)) {
                if (garbage_.empty()) {
                    LogEntry e;
                    e.time = now;
                    e.direction = Direction::Received;
                    e.outcome = Outcome::Ignored;
                    e.raw.assign(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(total));
                    e.wire_command = rx_[1];
                    e.reason = "wrong CRC (expected " + Hex2(crc & 0xFF) + " " + Hex2(crc >> 8) + "), resynchronising";
                    AppendLogLocked(std::move(e));
                }
                garbage_.push_back(rx_.front());
                rx_.erase(rx_.begin());
                continue;
            }
            Bytes frame(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(total));
            rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(total));
            FlushGarbageLocked(now, garbage_reason);
            HandleFrameLocked(frame, now);
        } else {
            const uint8_t start = v == 0 ? kStartByteV0 : kStartByteV23;
            if (rx_[0] != start) {
                auto it = std::find(rx_.begin(), rx_.end(), start);
                garbage_.insert(garbage_.end(), rx_.begin(), it);
                rx_.erase(rx_.begin(), it);
                continue;
            }
            const size_t header = v == 0 ? 4 : 3;
            if (rx_.size() < header) break;
            const size_t total = v == 0 ? static_cast<size_t>(rx_[3]) + 5 : static_cast<size_t>(rx_[2]) + 3;
            if (rx_.size() < total) break;
            Bytes frame(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(total));
            rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(total));
            FlushGarbageLocked(now, garbage_reason);
            HandleFrameLocked(frame, now);
        }
    }
    FlushGarbageLocked(now, garbage_reason);
}

void ReaderSimulator::HandleFrameLocked(const Bytes& frame, Clock::time_point now)
{
    const int v = config_.variant;
    LogEntry req;
    req.time = now;
    req.direction = Direction::Received;
    req.raw = frame;
    uint8_t wire = 0;
    Bytes wire_data;
    auto ignore = [&](std::string why) {
        req.outcome = Outcome::Ignored;
        req.reason = std::move(why);
        AppendLogLocked(std::move(req));
    };
    if (v == 0) {
        wire = frame[2];
        wire_data.assign(frame.begin() + 4, frame.end() - 1);
        req.wire_command = wire;
        const uint8_t bcc = Xor8(frame.data() + 1, frame.size() - 2);
        if (bcc != frame.back()) return ignore("wrong BCC (expected " + Hex2(bcc) + ")");
        if (frame[1] != config_.address)
            return ignore("frame for address " + std::to_string(frame[1]) + ", ours is " +
                          std::to_string(config_.address));
    } else if (v == 1) {
        wire = frame[1];
        wire_data.assign(frame.begin() + 3, frame.end() - 2);
        req.wire_command = wire;
        if (frame[0] != config_.address)
            return ignore("frame for address " + std::to_string(frame[0]) + ", ours is " +
                          std::to_string(config_.address));
    } else {
        wire = frame[1];
        wire_data.assign(frame.begin() + 3, frame.end());
        req.wire_command = wire;
    }
    std::string note;
    std::optional<CommandFrame> generic = TranslateFromWire(v, wire, wire_data, &note);
    if (!generic) return ignore(std::string("frame of protocol variant ") + (v == 2 ? "3" : "2"));
    req.command = generic->command;
    req.data = generic->data;
    current_wire_command_ = wire;
    // The fault this request's answer will get: a card that leaves the
    // field now never sees the request.
    const Fault* next = !one_shot_.empty() ? &one_shot_.front() : persistent_ ? &*persistent_ : nullptr;
    if (next && next->remove_card) RemoveCardLocked();
    Reply reply = DispatchLocked(generic->command, generic->data, wire);
    if (!note.empty()) reply.note = reply.note.empty() ? note : note + "; " + reply.note;
    RespondLocked(std::move(req), wire, std::move(reply), now);
}

// ---------------------------------------------------------------- commands

ReaderSimulator::Reply ReaderSimulator::Ok(Bytes data) const
{
    Reply r;
    r.status = V23() ? current_wire_command_ : status::kOk;
    r.data = std::move(data);
    return r;
}

ReaderSimulator::Reply ReaderSimulator::Error(uint8_t v01, uint8_t v23, std::string note) const
{
    Reply r;
    r.status = V23() ? v23 : v01;
    r.note = std::move(note);
    return r;
}

ReaderSimulator::Reply ReaderSimulator::NoCard(std::string note) const
{
    return Error(status::kNoTransponder, status::kV23NoCard, std::move(note));
}

ReaderSimulator::Reply ReaderSimulator::DispatchLocked(uint8_t command, const Bytes& data, uint8_t /*wire*/)
{
    const bool strict = config_.strict_activation;
    auto data_amount = [&](const char* what) {
        return Error(status::kDataAmountWrong, status::kV23DataAmount, std::string("wrong data length for ") + what);
    };
    auto card_ready = [&]() -> const char* {
        if (!field_on_) return "RF field is off";
        if (!card_) return "no card in the field";
        return nullptr;
    };
    switch (command) {
    case cmd::kIdentify:
        if (data == Bytes{'F', 'V'}) {
            switch (config_.fv_reply) {
            case FvReply::Answer: return Ok(config_.fv_answer);
            case FvReply::NoAnswer: {
                Reply r;
                r.silent = true;
                r.note = "F0 \"FV\" is configured to stay unanswered";
                return r;
            }
            case FvReply::Error: break;
            }
            return Error(status::kCommandNotAllowed, status::kV23Rejected, "F0 \"FV\" not supported");
        }
        return Ok(config_.ident.empty() ? DefaultIdent(config_.variant) : config_.ident);
    case cmd::kReaderMode:
        if (data.size() != 1) return data_amount("F4");
        if ((data[0] & 0x7F) > 3) return Error(status::kModeInvalid, status::kV23DataAmount, "reader mode above 3");
        mode_ = data[0];
        return Ok();
    case cmd::kRfField:
        if (data.empty()) return data_amount("F5");
        if (data[0] == 0) {
            field_on_ = false;
            ResetCardStateLocked();
            return Ok();
        }
        if (!field_on_) {
            field_on_ = true;
            card_state_ = CardState::Idle;
        }
        return Ok();
    case cmd::kReset:
    case cmd::kReset2:
        field_on_ = config_.field_on_at_start;
        mode_ = 0;
        ResetCardStateLocked();
        return Ok();
    case cmd::kUsbMode:
        if (data.size() != 1) return data_amount("FF");
        if (data[0] != 1 && data[0] != 2)
            return Error(status::kModeInvalid, status::kV23DataAmount, "USB mode not 1 or 2");
        usb_mode_ = data[0];
        return Ok();
    case cmd::kRequest: {
        if (const char* why = card_ready()) return NoCard(why);
        card_->OnFieldReset();
        pending_pieces_.clear();
        card_state_ = CardState::Ready;
        const uint16_t atqa = card_->Atqa();
        return Ok({static_cast<uint8_t>(atqa & 0xFF), static_cast<uint8_t>(atqa >> 8)});
    }
    case cmd::kAnticollSelect: {
        if (const char* why = card_ready()) return NoCard(why);
        if (strict && card_state_ != CardState::Ready) return NoCard("card not requested (send 30 first)");
        Bytes answer{card_->Sak()};
        Append(answer, card_->Uid());
        card_state_ = CardState::Active;
        return Ok(std::move(answer));
    }
    case cmd::kRats: {
        if (const char* why = card_ready()) return NoCard(why);
        if (strict && card_state_ != CardState::Active) return NoCard("card not selected (send 31 first)");
        Bytes ats = card_->Ats();
        if (ats.empty() || (card_->Sak() & 0x20) == 0)
            return Error(status::kCommandNotAllowed, status::kV23Rejected, "card without ISO/IEC 14443-4");
        card_state_ = CardState::Protocol;
        return Ok(std::move(ats));
    }
    case cmd::kPps:
        if (const char* why = card_ready()) return NoCard(why);
        if (data.size() != 1) return data_amount("42");
        if (strict && card_state_ != CardState::Protocol) return NoCard("card not activated (send 41 first)");
        pps_ = data[0];
        return Ok();
    case cmd::kDesfire: {
        if (const char* why = card_ready()) return NoCard(why);
        if (strict && card_state_ != CardState::Protocol) return NoCard("card not activated (send 41 first)");
        if (data.empty()) return data_amount("45");
        pending_pieces_.clear();
        Bytes answer = card_->Transceive(data);
        if (answer.empty()) return NoCard("the card did not answer");
        const size_t piece = config_.piece_size;
        if (config_.variant == 0 && piece > 0 && answer.size() > piece) {
            pending_pieces_.assign(answer.begin() + static_cast<std::ptrdiff_t>(piece), answer.end());
            answer.resize(piece);
            Reply r = Ok(std::move(answer));
            r.status = status::kMoreData;
            r.note = "first piece, " + std::to_string(pending_pieces_.size()) + " bytes follow";
            return r;
        }
        return Ok(std::move(answer));
    }
    case cmd::kContinue: {
        if (pending_pieces_.empty())
            return Error(status::kCommandNotAllowed, status::kV23Rejected, "no answer piece pending");
        const size_t piece = config_.piece_size > 0 ? config_.piece_size : pending_pieces_.size();
        const size_t n = std::min(piece, pending_pieces_.size());
        Bytes part(pending_pieces_.begin(), pending_pieces_.begin() + static_cast<std::ptrdiff_t>(n));
        pending_pieces_.erase(pending_pieces_.begin(), pending_pieces_.begin() + static_cast<std::ptrdiff_t>(n));
        Reply r = Ok(std::move(part));
        if (!pending_pieces_.empty()) {
            r.status = status::kMoreData;
            r.note = "next piece, " + std::to_string(pending_pieces_.size()) + " bytes follow";
        } else {
            r.note = "last piece";
        }
        return r;
    }
    default: return Error(status::kCommandNotAllowed, status::kV23Rejected, "unknown command");
    }
}

// ---------------------------------------------------------------- output

Clock::duration ReaderSimulator::CardTimeLocked(int command, const Bytes& data) const
{
    if (command != cmd::kDesfire || data.empty() || config_.card_times.empty()) return Clock::duration::zero();
    const auto it = config_.card_times.find(data[0]);
    return it == config_.card_times.end() ? Clock::duration::zero() : Clock::duration(it->second);
}

void ReaderSimulator::RespondLocked(LogEntry req, uint8_t wire_command, Reply reply, Clock::time_point now)
{
    ++requests_taken_;
    const Clock::duration card_time = CardTimeLocked(req.command, req.data);
    if (reply.silent) {
        req.outcome = Outcome::NotAnswered;
        req.reason = reply.note;
        AppendLogLocked(std::move(req));
        return;
    }
    Fault fault;
    if (!one_shot_.empty()) {
        fault = std::move(one_shot_.front());
        one_shot_.pop_front();
    } else if (persistent_) {
        fault = *persistent_;
    }
    const std::string faults = fault.Describe();
    if (fault.hang_up) hang_up_ = true;
    if (fault.no_answer || fault.hang_up) {
        req.outcome = Outcome::NotAnswered;
        req.reason = "fault: " + faults;
        AppendLogLocked(std::move(req));
        return;
    }
    const int command = req.command;
    req.outcome = Outcome::Answered;
    req.reason = reply.note;
    AppendLogLocked(std::move(req));

    const uint8_t st = fault.status.value_or(reply.status);
    Bytes data = fault.data ? *fault.data : reply.data;
    const bool block = config_.force_block_form || fault.block_form || data.size() > kMaxBlock;
    Bytes frame = BuildAnswerFrame(config_.variant, config_.address, st, data, block, config_.block_size);
    if (fault.corrupt_checksum) {
        if (config_.variant == 0)
            frame.back() ^= 0xFF;
        else if (config_.variant == 1)
            frame[frame.size() - 2] ^= 0xFF;
    }
    frame.resize(frame.size() - std::min(fault.cut_tail, frame.size()));
    Bytes out = fault.garbage_before;
    Append(out, frame);
    Append(out, fault.extra_after);

    LogEntry ans;
    ans.time = now;
    ans.direction = Direction::Sent;
    ans.outcome = Outcome::Sent;
    ans.raw = out;
    ans.wire_command = wire_command;
    ans.command = command;
    ans.data = std::move(data);
    ans.status = st;
    ans.reason = reply.note;
    if (block) ans.reason += std::string(ans.reason.empty() ? "" : "; ") + "block form";
    if (!faults.empty()) ans.reason += std::string(ans.reason.empty() ? "" : "; ") + "fault: " + faults;
    AppendLogLocked(std::move(ans));

    const Clock::time_point due = now + card_time + fault.delay;
    if (fault.chunk_size == 0 || out.size() <= fault.chunk_size) {
        ScheduleLocked(due, std::move(out));
    } else {
        size_t i = 0;
        for (size_t pos = 0; pos < out.size(); pos += fault.chunk_size, ++i) {
            const size_t n = std::min(fault.chunk_size, out.size() - pos);
            ScheduleLocked(due + fault.chunk_gap * static_cast<int>(i),
                           Bytes(out.begin() + static_cast<std::ptrdiff_t>(pos),
                                 out.begin() + static_cast<std::ptrdiff_t>(pos + n)));
        }
    }
}

void ReaderSimulator::ScheduleLocked(Clock::time_point due, Bytes bytes)
{
    if (bytes.empty()) return;
    out_.emplace(std::make_pair(due, ++out_seq_), std::move(bytes));
}

std::vector<Bytes> ReaderSimulator::TakeDueOutput(Clock::time_point now)
{
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<Bytes> units;
    while (!out_.empty() && out_.begin()->first.first <= now) {
        units.push_back(std::move(out_.begin()->second));
        out_.erase(out_.begin());
    }
    return units;
}

std::vector<std::pair<Clock::time_point, Bytes>> ReaderSimulator::TakeDueOutputWithTimes(Clock::time_point now)
{
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<std::pair<Clock::time_point, Bytes>> units;
    while (!out_.empty() && out_.begin()->first.first <= now) {
        units.emplace_back(out_.begin()->first.first, std::move(out_.begin()->second));
        out_.erase(out_.begin());
    }
    return units;
}

std::optional<Clock::time_point> ReaderSimulator::NextOutputTime() const
{
    std::lock_guard<std::mutex> lock(mu_);
    if (out_.empty()) return std::nullopt;
    return out_.begin()->first.first;
}

bool ReaderSimulator::HasPendingOutput() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return !out_.empty();
}

void ReaderSimulator::DiscardPendingOutput()
{
    std::lock_guard<std::mutex> lock(mu_);
    out_.clear();
}

Bytes ReaderSimulator::Exchange(const Bytes& request, Clock::time_point now)
{
    Receive(request, now);
    Bytes joined;
    for (const Bytes& u : TakeDueOutput(now)) Append(joined, u);
    return joined;
}

} // namespace kavex::sim
