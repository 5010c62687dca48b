// kavex-sim: a simulated Kavex reader with a card in its field, on a
// pseudo-terminal or, as a LAN reader, on a TCP port. Runs until SIGINT,
// SIGTERM or SIGHUP; removes its link on exit.
//
//   kavex-sim --link pty:/tmp/kavex0 [--variant N] [--address N]
//   kavex-sim --link bt-module:pty:PATH [--bt-class HEX] [--bt-name TEXT]
//             [--bt-connect-delay MS] [other options as above]
//             (SIGUSR1: the module reports the reader disconnected)
//   kavex-sim --link vpcd[:HOST:PORT]   (the card in pcsc-lite's vpcd reader;
//             default localhost:35963) [card options below]
//   kavex-sim --link pn532:pty:PATH     (the card behind a PN532 on a pty)
//   kavex-sim --link tcp:ADDRESS:PORT [--lan-module [--lan-identity TEXT]
//             [--lan-type TEXT] [--lan-mac HEX] [--lan-maker ABC]
//             [--lan-address A.B.C.D]] [other options as above]
//             [--ident TEXT | --ident-hex HEX] [--fv-hex HEX | --fv-none]
//             [--card FILE] [--card-kind desfire|test] [--no-card]
//             [--uid HEX] [--sak HEX] [--atqa HEX] [--ats HEX]
//             [--piece-size N] [--block-form] [--log]
//             [--line-rate] [--card-times CMD=US,...]

#include "sim/bt_module.h"
#include "sim/frames.h"
#include "sim/lan_module.h"
#include "sim/pn532_pty.h"
#include "sim/pty_reader.h"
#include "sim/vpcd_card.h"
#include "sim/tcp_reader.h"
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

// Blocks until SIGINT, SIGTERM or SIGHUP arrives on `sfd`; its number.
unsigned WaitForStopSignal(int sfd)
{
    signalfd_siginfo info{};
    for (;;) {
        const ssize_t n = read(sfd, &info, sizeof info);
        if (n == static_cast<ssize_t>(sizeof info)) return info.ssi_signo;
        if (n < 0 && errno == EINTR) continue;
        std::fprintf(stderr, "kavex-sim: signalfd read failed\n");
        return 0;
    }
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

    app.add_option("--link", link,
                   "where the reader appears: pty:PATH (PATH becomes a symlink to the pty), tcp:ADDRESS:PORT "
                   "(a LAN reader listening there), bt-module:pty:PATH, pn532:pty:PATH (the card behind a PN532) or "
                   "vpcd[:HOST:PORT] (the card in pcsc-lite's virtual reader, default localhost:35963)")
        ->required();
    bool lan_module = false;
    std::string lan_identity = "KVSIM-0000000001", lan_type = "KV-405 LAN", lan_mac = "00 1A 4B 00 00 01",
                lan_maker = "KVX", lan_address;
    app.add_flag("--lan-module", lan_module,
                 "with tcp:, also answer the network module's UDP protocol on port 30718 (search, settings); "
                 "with --card, its settings are kept in lan_module.conf beside the card file");
    app.add_option("--lan-identity", lan_identity, "the module's identity, 16 characters");
    app.add_option("--lan-type", lan_type, "the module's device type name (readers begin with KV-)");
    app.add_option("--lan-mac", lan_mac, "the module's hardware address, 6 hexadecimal bytes");
    app.add_option("--lan-maker", lan_maker, "the module maker's three-letter code (ours: KVX)");
    app.add_option("--lan-address", lan_address,
                   "the module's own address at first (default: the tcp: address; 0.0.0.0 for none)");
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
    bool line_rate = false;
    std::string card_times;
    app.add_flag("--line-rate", line_rate,
                 "pty: carry every byte no faster than a serial line at the rate, data bits, parity and stop bits "
                 "the host set on the pty");
    app.add_option("--card-times", card_times,
                   "the card's processing time before each answer, per DESFire command: CMD=MICROSECONDS,... with "
                   "CMD in hexadecimal (default: none)");
    std::string bt_class = "000500", bt_name = "KV-1255 BT";
    int bt_connect_delay = 0;
    app.add_option("--bt-class", bt_class, "bt-module: class of device the inquiry reports, hexadecimal");
    app.add_option("--bt-name", bt_name, "bt-module: the reader's Bluetooth name");
    app.add_option("--bt-connect-delay", bt_connect_delay, "bt-module: milliseconds until a connect succeeds")
        ->check(CLI::Range(0, 60000));

    CLI11_PARSE(app, argc, argv);

    kavex::sim::ReaderConfig config;
    std::shared_ptr<kavex::sim::Card> card_object;
    std::string pty_path;
    std::string bt_path;
    kavex::sim::BtModuleConfig bt;
    std::string tcp_host;
    uint16_t tcp_port = 0;
    std::string pn532_path;
    std::string vpcd_host;
    uint16_t vpcd_port = 0;
    kavex::sim::LanModuleConfig lan;
    std::string lan_state;
    try {
        if (link.rfind("tcp:", 0) == 0) {
            const size_t colon = link.rfind(':');
            tcp_host = link.substr(4, colon > 4 ? colon - 4 : 0);
            const std::string port = link.substr(colon + 1);
            uint32_t parsed = 0;
            if (colon <= 4 || !kavex::sim::ParseAddress(tcp_host, parsed) || port.empty() ||
                port.find_first_not_of("0123456789") != std::string::npos || port.size() > 5 ||
                std::stoul(port) > 65535)
                throw std::invalid_argument("--link tcp:ADDRESS:PORT with an IPv4 address, got '" + link + "'");
            tcp_port = static_cast<uint16_t>(std::stoul(port));
        } else if (link.rfind("pty:", 0) == 0 && link.size() > 4) {
            pty_path = link.substr(4);
        } else if (link.rfind("bt-module:pty:", 0) == 0 && link.size() > 14) {
            bt_path = link.substr(14);
            bt.devices.front().deviceClass = static_cast<uint32_t>(HexNumber(bt_class, 0xFFFFFF, "--bt-class"));
            bt.devices.front().name = bt_name;
            bt.connectDelay = std::chrono::milliseconds(bt_connect_delay);
        } else if (link.rfind("pn532:pty:", 0) == 0 && link.size() > 10) {
            pn532_path = link.substr(10);
        } else if (link == "vpcd") {
            vpcd_host = "localhost";
            vpcd_port = kavex::sim::kVpcdDefaultPort;
        } else if (link.rfind("vpcd:", 0) == 0) {
            const size_t colon = link.rfind(':');
            vpcd_host = link.substr(5, colon > 5 ? colon - 5 : 0);
            const std::string port = link.substr(colon + 1);
            if (vpcd_host.empty() || port.empty() || port.find_first_not_of("0123456789") != std::string::npos ||
                port.size() > 5 || std::stoul(port) == 0 || std::stoul(port) > 65535)
                throw std::invalid_argument("--link vpcd:HOST:PORT with a port number, got '" + link + "'");
            vpcd_port = static_cast<uint16_t>(std::stoul(port));
        } else {
            throw std::invalid_argument("--link must be pty:PATH, bt-module:pty:PATH, tcp:ADDRESS:PORT, "
                                        "pn532:pty:PATH or vpcd[:HOST:PORT], got '" +
                                        link + "'");
        }
        if (lan_module) {
            if (tcp_host.empty() || tcp_port == 0)
                throw std::invalid_argument("--lan-module needs --link tcp:ADDRESS:PORT with a port of its own");
            if (lan_identity.size() != 16 || lan_identity.find_first_of("[]") != std::string::npos)
                throw std::invalid_argument("--lan-identity: 16 characters without brackets");
            const Bytes mac = HexOrThrow(lan_mac, "--lan-mac");
            if (mac.size() != 6) throw std::invalid_argument("--lan-mac: 6 bytes expected");
            std::copy(mac.begin(), mac.end(), lan.hardware.begin());
            if (lan_maker.size() != 3) throw std::invalid_argument("--lan-maker: three letters expected");
            lan.identity = lan_identity;
            lan.typeName = lan_type;
            lan.maker = lan_maker;
            lan.tcpPort = tcp_port;
            if (!kavex::sim::ParseAddress(lan_address.empty() ? tcp_host : lan_address, lan.address))
                throw std::invalid_argument("--lan-address: not an IPv4 address");
            if (!card.file.empty()) {
                const size_t slash = card.file.rfind('/');
                lan_state =
                    (slash == std::string::npos ? std::string() : card.file.substr(0, slash + 1)) + "lan_module.conf";
            }
        }
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
        if (!card_times.empty()) {
            const auto times = kavex::sim::ParseCardTimes(card_times);
            if (!times)
                throw std::invalid_argument("--card-times: CMD=MICROSECONDS,... expected, got '" + card_times + "'");
            config.card_times = *times;
        }
        if (line_rate && pty_path.empty())
            throw std::invalid_argument("--line-rate needs --link pty:PATH (a serial line)");
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
        if (no_card && !vpcd_host.empty())
            throw std::invalid_argument("--no-card: with vpcd, kavex-sim is the card itself");
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
    if (!bt_path.empty()) sigaddset(&signals, SIGUSR1);
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) {
        std::fprintf(stderr, "kavex-sim: cannot block signals\n");
        return 1;
    }
    const int sfd = signalfd(-1, &signals, SFD_CLOEXEC);
    if (sfd < 0) {
        std::fprintf(stderr, "kavex-sim: signalfd: %s\n", std::strerror(errno));
        return 1;
    }

    // The card alone, behind a PN532 or in the vpcd reader.
    std::unique_ptr<kavex::sim::Pn532Pty> pn532;
    std::unique_ptr<kavex::sim::VpcdCard> vpcd;
    if (!pn532_path.empty() || !vpcd_host.empty()) {
        kavex::sim::CardSlot* slot = nullptr;
        try {
            if (!pn532_path.empty()) {
                pn532 = std::make_unique<kavex::sim::Pn532Pty>(card_object);
                slot = &pn532->Slot();
            } else {
                vpcd = std::make_unique<kavex::sim::VpcdCard>(card_object);
                slot = &vpcd->Slot();
            }
            if (log) {
                const auto origin = slot->Origin();
                slot->SetLogSink([origin](const kavex::sim::LogEntry& e) {
                    std::fprintf(stderr, "%s\n", kavex::sim::FormatSlotEntry(e, origin).c_str());
                    std::fflush(stderr);
                });
            }
            if (pn532) {
                pn532->Start(pn532_path);
                std::printf("kavex-sim: PN532 on %s -> %s (LIBNFC_DEVICE=pn532_uart:%s), %s\n",
                            pn532->LinkPath().c_str(), pn532->SlavePath().c_str(), pn532->LinkPath().c_str(),
                            card_object ? "card present" : "no card");
            } else {
                vpcd->Start(vpcd_host, vpcd_port);
                std::printf("kavex-sim: card for the vpcd reader at %s:%u, %s\n", vpcd_host.c_str(), vpcd_port,
                            card_object ? "card present" : "no card");
            }
            std::fflush(stdout);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "kavex-sim: cannot start on %s: %s\n", link.c_str(), e.what());
            return 1;
        }
        const unsigned signo = WaitForStopSignal(sfd);
        if (pn532) pn532->Stop();
        if (vpcd) vpcd->Stop();
        close(sfd);
        if (log) std::fprintf(stderr, "kavex-sim: stopped (signal %u)\n", signo);
        return 0;
    }

    std::unique_ptr<kavex::sim::PtyReader> pty;
    std::unique_ptr<kavex::sim::TcpReader> tcp;
    std::unique_ptr<kavex::sim::LanModule> module;
    std::unique_ptr<kavex::sim::BtModulePty> bt_module;
    if (!bt_path.empty())
        bt_module = std::make_unique<kavex::sim::BtModulePty>(bt, config, card_object);
    else if (tcp_host.empty())
        pty = std::make_unique<kavex::sim::PtyReader>(config, card_object);
    else
        tcp = std::make_unique<kavex::sim::TcpReader>(config, card_object);
    kavex::sim::ReaderSimulator& sim = bt_module ? bt_module->Sim() : pty ? pty->Sim() : tcp->Sim();
    if (log) {
        const auto origin = sim.Origin();
        sim.SetLogSink([origin](const kavex::sim::LogEntry& e) {
            std::fprintf(stderr, "%s\n", kavex::sim::FormatLogEntry(e, origin).c_str());
            std::fflush(stderr);
        });
    }
    try {
        if (bt_module) {
            bt_module->Start(bt_path);
        } else if (pty) {
            pty->SetLineEmulation(line_rate);
            pty->Start(pty_path);
        } else {
            if (lan_module) {
                module = std::make_unique<kavex::sim::LanModule>(lan, lan_state);
                // Settings kept from an earlier run decide the reader's port.
                tcp_port = module->Active().tcpPort;
            }
            tcp->Start(tcp_host, tcp_port);
            if (module) {
                // A restarted module serves its new port, and its new address
                // when that is one of this machine's.
                kavex::sim::TcpReader* reader = tcp.get();
                const std::string first_host = tcp_host;
                module->OnRestart([reader, first_host](const kavex::sim::LanModuleConfig& now) {
                    reader->Stop();
                    try {
                        reader->Start(now.address ? kavex::sim::DottedAddress(now.address) : first_host, now.tcpPort);
                    } catch (const std::exception&) {
                        reader->Start(first_host, now.tcpPort);
                    }
                    std::printf("kavex-sim: module restarted, reader on %s:%u\n", reader->Host().c_str(),
                                reader->Port());
                    std::fflush(stdout);
                });
                module->Start();
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kavex-sim: cannot start on %s: %s\n", link.c_str(), e.what());
        return 1;
    }
    if (bt_module)
        std::printf("kavex-sim: Bluetooth module on %s -> %s (open it as \"%s BT\"), reader class %06X, %s\n",
                    bt_module->LinkPath().c_str(), bt_module->SlavePath().c_str(), bt_module->LinkPath().c_str(),
                    bt.devices.front().deviceClass, card_object ? "card present" : "no card");
    else if (pty)
        std::printf("kavex-sim: variant %d reader, address %d, on %s -> %s, %s%s\n", config.variant, address,
                    pty->LinkPath().c_str(), pty->SlavePath().c_str(), card_object ? "card present" : "no card",
                    line_rate ? ", at line rate" : "");
    else
        std::printf("kavex-sim: variant %d LAN reader, address %d, on %s:%u%s, %s\n", config.variant, address,
                    tcp->Host().c_str(), tcp->Port(), module ? " with its network module on UDP port 30718" : "",
                    card_object ? "card present" : "no card");
    std::fflush(stdout);

    signalfd_siginfo info{};
    for (;;) {
        const ssize_t n = read(sfd, &info, sizeof info);
        if (n == static_cast<ssize_t>(sizeof info) && info.ssi_signo == SIGUSR1 && bt_module) {
            bt_module->Disconnect();
            continue;
        }
        if (n == static_cast<ssize_t>(sizeof info)) break;
        if (n < 0 && errno == EINTR) continue;
        std::fprintf(stderr, "kavex-sim: signalfd read failed\n");
        break;
    }
    if (module) module->Stop();
    if (pty) pty->Stop();
    if (tcp) tcp->Stop();
    if (bt_module) bt_module->Stop();
    close(sfd);
    if (log) std::fprintf(stderr, "kavex-sim: stopped (signal %u)\n", info.ssi_signo);
    return 0;
}
