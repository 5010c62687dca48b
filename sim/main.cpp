// kavex-sim: a simulated Kavex reader with a card in its field, on a
// pseudo-terminal. Runs until SIGINT, SIGTERM or SIGHUP; removes its link on
// exit.
//
//   kavex-sim --link pty:/tmp/kavex0 [--variant N] [--address N]
//             [--ident TEXT | --ident-hex HEX] [--fv-hex HEX | --fv-none]
//             [--card FILE] [--card-kind desfire|test] [--no-card]
//             [--uid HEX] [--sak HEX] [--atqa HEX] [--ats HEX]
//             [--piece-size N] [--block-form] [--log]

#include "sim/frames.h"
#include "sim/pty_reader.h"
#include "sim/reader_simulator.h"
#include "sim/desfire/card_file.h"
#include "sim/desfire/desfire_card.h"
#include "sim/test_card.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

using kavex::sim::Bytes;

// Everything that describes the card in the field. The one place where a
// card object is made.
struct CardOptions {
    std::string kind = "desfire";
    std::string file;                    // DESFire card kept in this card file
    kavex::sim::TestCard::Params params; // activation data (defaults: a DESFire EV1's)
};

std::shared_ptr<kavex::sim::Card> MakeDesfireCard(const CardOptions& o)
{
    kavex::sim::desfire::DesfireCardOptions d;
    if (o.params.uid.size() != d.uid.size())
        throw std::invalid_argument("--uid: the DESFire card has a 7-byte UID (--card-kind test takes 4 or 10)");
    std::copy(o.params.uid.begin(), o.params.uid.end(), d.uid.begin());
    d.sak = o.params.sak;
    d.atqa = o.params.atqa;
    d.ats = o.params.ats;
    if (!d.ats.empty()) d.ats.insert(d.ats.begin(), static_cast<uint8_t>(d.ats.size() + 1));
    if (o.file.empty()) return std::make_shared<kavex::sim::desfire::DesfireCard>(d);
    std::string error;
    std::shared_ptr<kavex::sim::Card> card = kavex::sim::desfire::LoadCardFile(o.file, &error, d);
    if (!card) throw std::invalid_argument("--card " + o.file + ": " + error);
    return card;
}

std::shared_ptr<kavex::sim::Card> MakeCard(const CardOptions& o)
{
    if (o.kind == "desfire") return MakeDesfireCard(o);
    if (!o.file.empty())
        throw std::invalid_argument("--card FILE holds a DESFire card; it does not go with --card-kind test");
    if (o.kind == "test") return std::make_shared<kavex::sim::TestCard>(o.params);
    throw std::invalid_argument("unknown card kind '" + o.kind + "'");
}

Bytes HexOrThrow(const std::string& text, const char* what)
{
    auto b = kavex::sim::ParseHex(text);
    if (!b) throw std::invalid_argument(std::string(what) + ": not hexadecimal bytes: '" + text + "'");
    return *b;
}

unsigned long HexNumber(const std::string& text, unsigned long max, const char* what)
{
    std::string t = text;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) t.erase(0, 2);
    size_t used = 0;
    unsigned long v = 0;
    try {
        v = std::stoul(t, &used, 16);
    } catch (const std::exception&) {
        used = 0;
    }
    if (t.empty() || used != t.size() || v > max)
        throw std::invalid_argument(std::string(what) + ": bad hexadecimal value '" + text + "'");
    return v;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"kavex-sim: simulated Kavex RFID reader/programmer on a pseudo-terminal"};

    std::string link;
    int variant = 0;
    int address = 1;
    std::string ident_text, ident_hex, fv_hex, uid_hex, sak_hex, atqa_hex, ats_hex;
    bool fv_none = false, no_card = false, block_form = false, log = false;
    size_t piece_size = 0;
    CardOptions card;

    app.add_option("--link", link, "where the reader appears: pty:PATH (PATH becomes a symlink to the pty)")
        ->required();
    app.add_option("--variant", variant, "protocol variant 0..3")->check(CLI::Range(0, 3));
    app.add_option("--address", address, "device address (variants 0 and 1)")->check(CLI::Range(0, 255));
    auto* o_ident =
        app.add_option("--ident", ident_text, "identification answer as text (default: 1255 in variants 0/1)");
    auto* o_ident_hex = app.add_option("--ident-hex", ident_hex, "identification answer as hexadecimal bytes");
    o_ident->excludes(o_ident_hex);
    auto* o_fv = app.add_option("--fv-hex", fv_hex, "answer to F0 \"FV\" (variant 2's second request); default: error");
    auto* o_fv_none = app.add_flag("--fv-none", fv_none, "leave F0 \"FV\" unanswered");
    o_fv->excludes(o_fv_none);
    app.add_option("--card", card.file,
                   "keep the DESFire card in this card file: loaded when it exists, every change saved to it");
    app.add_option("--card-kind", card.kind, "card in the field: desfire (a DESFire EV1, default) or test (echoes)")
        ->check(CLI::IsMember({"desfire", "test"}));
    app.add_flag("--no-card", no_card, "start with no card in the field");
    app.add_option("--uid", uid_hex, "card UID, 4, 7 or 10 hexadecimal bytes (default 04 11 22 33 44 55 66)");
    app.add_option("--sak", sak_hex, "card SAK, hexadecimal (default 20)");
    app.add_option("--atqa", atqa_hex, "card ATQA as a 16-bit hexadecimal value (default 0344)");
    app.add_option("--ats", ats_hex,
                   "card ATS as the card sends it, starting with its length byte TL (default 06 75 77 81 02 80); "
                   "the reader answers RATS without TL; an empty text: no ISO/IEC 14443-4");
    app.add_option("--piece-size", piece_size, "variant 0: card answer bytes per 0x45/0x46 piece (0: no pieces)");
    app.add_flag("--block-form", block_form, "send every answer in block form");
    app.add_flag("--log", log, "print every frame received and sent on stderr");

    CLI11_PARSE(app, argc, argv);

    kavex::sim::ReaderConfig config;
    std::shared_ptr<kavex::sim::Card> card_object;
    std::string pty_path;
    try {
        if (link.rfind("pty:", 0) != 0 || link.size() <= 4)
            throw std::invalid_argument("--link must be pty:PATH, got '" + link + "'");
        pty_path = link.substr(4);
        config.variant = variant;
        config.address = static_cast<uint8_t>(address);
        if (*o_ident) config.ident = Bytes(ident_text.begin(), ident_text.end());
        if (*o_ident_hex) config.ident = HexOrThrow(ident_hex, "--ident-hex");
        if ((*o_ident || *o_ident_hex) && config.ident.empty())
            throw std::invalid_argument("--ident/--ident-hex: the identification answer must not be empty");
        if (*o_fv) {
            config.fv_reply = kavex::sim::FvReply::Answer;
            config.fv_answer = HexOrThrow(fv_hex, "--fv-hex");
        } else if (fv_none) {
            config.fv_reply = kavex::sim::FvReply::NoAnswer;
        }
        config.piece_size = piece_size;
        config.force_block_form = block_form;

        if (!uid_hex.empty()) {
            card.params.uid = HexOrThrow(uid_hex, "--uid");
            const size_t n = card.params.uid.size();
            if (n != 4 && n != 7 && n != 10) throw std::invalid_argument("--uid: 4, 7 or 10 bytes expected");
        }
        if (!sak_hex.empty()) card.params.sak = static_cast<uint8_t>(HexNumber(sak_hex, 0xFF, "--sak"));
        if (!atqa_hex.empty()) card.params.atqa = static_cast<uint16_t>(HexNumber(atqa_hex, 0xFFFF, "--atqa"));
        if (app.count("--ats")) {
            Bytes ats = HexOrThrow(ats_hex, "--ats");
            if (!ats.empty()) {
                if (ats[0] != ats.size())
                    throw std::invalid_argument("--ats: the first byte (TL) must be the ATS length " +
                                                std::to_string(ats.size()));
                ats.erase(ats.begin());
            }
            card.params.ats = ats;
        }
        if (!no_card) card_object = MakeCard(card);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kavex-sim: %s\n", e.what());
        return 2;
    }

    // Signals arrive through a signalfd; block them before any thread starts
    // so that the I/O thread inherits the mask. An inherited SIG_IGN (a
    // background job of a non-interactive shell ignores SIGINT) would discard
    // the signal before it reaches the signalfd: restore the defaults first.
    for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) {
        std::fprintf(stderr, "kavex-sim: cannot block signals\n");
        return 1;
    }
    const int sfd = signalfd(-1, &signals, SFD_CLOEXEC);
    if (sfd < 0) {
        std::fprintf(stderr, "kavex-sim: signalfd: %s\n", std::strerror(errno));
        return 1;
    }

    kavex::sim::PtyReader reader(config, card_object);
    if (log) {
        const auto origin = reader.Sim().Origin();
        reader.Sim().SetLogSink([origin](const kavex::sim::LogEntry& e) {
            std::fprintf(stderr, "%s\n", kavex::sim::FormatLogEntry(e, origin).c_str());
            std::fflush(stderr);
        });
    }
    try {
        reader.Start(pty_path);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kavex-sim: cannot start on %s: %s\n", pty_path.c_str(), e.what());
        return 1;
    }
    std::printf("kavex-sim: variant %d reader, address %d, on %s -> %s, %s\n", config.variant, address,
                reader.LinkPath().c_str(), reader.SlavePath().c_str(), card_object ? "card present" : "no card");
    std::fflush(stdout);

    signalfd_siginfo info{};
    for (;;) {
        const ssize_t n = read(sfd, &info, sizeof info);
        if (n == static_cast<ssize_t>(sizeof info)) break;
        if (n < 0 && errno == EINTR) continue;
        std::fprintf(stderr, "kavex-sim: signalfd read failed\n");
        break;
    }
    reader.Stop();
    close(sfd);
    if (log) std::fprintf(stderr, "kavex-sim: stopped (signal %u)\n", info.ssi_signo);
    return 0;
}
