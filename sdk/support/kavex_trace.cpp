// kavex-trace: shows what programs using the Kavex SDK trace (port opens and
// closes) as it happens. Run it before starting the program to watch.
#include "sdk/support/trace.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

void Usage(FILE* out)
{
    std::fprintf(out,
                 "usage: kavex-trace [--name NAME]\n"
                 "Prints the trace texts of programs using the Kavex SDK until interrupted.\n"
                 "  --name NAME   listen under NAME instead of \"%s\"\n",
                 kavex::kTraceSocketName);
}

// Turns the byte stream back into text: the zero bytes only pad the last
// message of a line, and "\r\n" may be split across two messages.
class TextDecoder {
public:
    std::string Feed(const unsigned char* bytes, size_t count)
    {
        std::string out;
        for (size_t i = 0; i < count; ++i) {
            const char c = static_cast<char>(bytes[i]);
            if (c == '\0') continue;
            if (pendingCr_) {
                pendingCr_ = false;
                if (c == '\n') {
                    out += '\n';
                    continue;
                }
                out += '\r';
            }
            if (c == '\r') {
                pendingCr_ = true;
            } else {
                out += c;
            }
        }
        return out;
    }
    std::string Finish()
    {
        std::string out = pendingCr_ ? "\r" : "";
        pendingCr_ = false;
        return out;
    }

private:
    bool pendingCr_ = false;
};

bool Write(const std::string& text)
{
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) return false;
    return std::fflush(stdout) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string name = kavex::kTraceSocketName;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--name" && i + 1 < argc) {
            name = argv[++i];
        } else if (arg.rfind("--name=", 0) == 0) {
            name = arg.substr(7);
        } else if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        } else {
            Usage(stderr);
            return 2;
        }
    }

    sockaddr_un address{};
    const socklen_t addressLength = kavex::TraceSocketAddress(name, &address);
    if (addressLength == 0) {
        std::fprintf(stderr, "kavex-trace: invalid name \"%s\"\n", name.c_str());
        return 2;
    }

    // Signals arrive through a descriptor so that one arriving just before
    // we wait cannot be missed, and a stop never cuts a write in half.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &stopSignals, nullptr) != 0) {
        std::perror("kavex-trace: sigprocmask");
        return 1;
    }
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (signalFd < 0) {
        std::perror("kavex-trace: signalfd");
        return 1;
    }
    // A closed output pipe shows up as a write error and ends us normally.
    std::signal(SIGPIPE, SIG_IGN);

    const int sock = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        std::perror("kavex-trace: socket");
        return 1;
    }
    if (bind(sock, reinterpret_cast<const sockaddr*>(&address), addressLength) != 0) {
        if (errno == EADDRINUSE) {
            std::fprintf(stderr, "kavex-trace: the name \"%s\" is already in use (is another viewer running?)\n",
                         name.c_str());
        } else {
            std::fprintf(stderr, "kavex-trace: cannot listen as \"%s\": %s\n", name.c_str(), std::strerror(errno));
        }
        return 1;
    }
    std::fprintf(stderr, "kavex-trace: listening as \"%s\"\n", name.c_str());

    TextDecoder decoder;
    int status = 0;
    for (;;) {
        pollfd fds[2] = {{sock, POLLIN, 0}, {signalFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            std::perror("kavex-trace: poll");
            status = 1;
            break;
        }
        if (fds[1].revents & POLLIN) break;
        if (!(fds[0].revents & POLLIN)) continue;

        unsigned char message[64];
        const ssize_t got = recv(sock, message, sizeof message, MSG_DONTWAIT);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            std::perror("kavex-trace: recv");
            status = 1;
            break;
        }
        // Anything that is not a trace message (first word 0) is not ours.
        if (got != static_cast<ssize_t>(kavex::kTraceMessageSize) || message[0] != 0 || message[1] != 0 ||
            message[2] != 0 || message[3] != 0) {
            continue;
        }
        if (!Write(decoder.Feed(message + 4, 4))) {
            status = 1;
            break;
        }
    }
    Write(decoder.Finish());
    close(sock);
    close(signalFd);
    return status;
}
