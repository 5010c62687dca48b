// PtyReader: runs a ReaderSimulator on a pseudo-terminal.
//
// Start(link) creates a pty (raw mode), keeps its own slave fd open (so the
// master never sees a hang-up when the host closes its side) and makes `link`
// a symlink to the slave device (a stale symlink is replaced; anything else
// at that path is an error). A background thread blocks in ppoll() on the
// master and an eventfd; its timeout comes only from the next scheduled
// (delayed or chunked) output. Each write unit of the simulator is one
// write() call on the master.
//
// With line emulation on, the pty behaves like a serial line at the
// settings the host gave it (rate, data bits, parity, stop bits, read from
// the pty with each batch of bytes): a request byte reaches the simulator,
// and an answer byte the host, only once a real line would have carried it.
// Bytes due within a millisecond of each other go out together when the
// last of them is due, so none is early and a frame is through exactly when
// the line has carried its last byte.
//
// Stop() ends the thread, closes the pty and removes the link (the
// destructor does the same). Vanish() does the same abruptly from the host's
// point of view: its open slave fd sees a hang-up (POLLHUP, EOF on read,
// EIO on write) and the link is gone. Start() may be called again after
// Stop()/Vanish(): a new pty, the same simulator (config, card, log kept).
//
// A hang_up fault of the simulator makes the I/O thread vanish on its own,
// right after it took the request; Start() may follow as after Vanish().
#pragma once

#include "sim/card.h"
#include "sim/reader_simulator.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kavex::sim {

class PtyReader {
public:
    explicit PtyReader(ReaderConfig config = {}, std::shared_ptr<Card> card = nullptr);
    ~PtyReader();
    PtyReader(const PtyReader&) = delete;
    PtyReader& operator=(const PtyReader&) = delete;

    // Throws std::system_error (or std::logic_error when already running).
    void Start(const std::string& link_path);
    void Stop();
    void Vanish();
    bool Running() const;
    // Waits until every answer the simulator has scheduled (delayed ones
    // too) has been written to the line, or the line is gone. False on
    // timeout.
    bool WaitUntilWritten(std::chrono::milliseconds timeout);

    void SetLineEmulation(bool on);
    bool LineEmulation() const { return line_emulation_.load(); }

    const std::string& LinkPath() const { return link_path_; }
    std::string SlavePath() const { return slave_path_; }

    // The simulator: configuration, card, faults, log. Thread-safe.
    ReaderSimulator& Sim() { return sim_; }
    const ReaderSimulator& Sim() const { return sim_; }

private:
    void Run();
    void Wake();
    void Shutdown(bool remove_link);
    void CloseFds();
    void HangUp();
    void SetWritten(bool written);

    ReaderSimulator sim_;
    std::string link_path_;
    std::string slave_path_;
    int master_fd_ = -1;
    int slave_fd_ = -1;
    int wake_fd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> line_emulation_{false};
    std::mutex control_mu_; // Start/Stop/Vanish
    std::mutex written_mu_;
    std::condition_variable written_cv_;
    bool written_ = true; // nothing scheduled or queued for the line
};

} // namespace kavex::sim
