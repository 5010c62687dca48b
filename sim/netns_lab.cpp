#include "sim/netns_lab.h"

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace kavex::sim {

namespace {

std::atomic<int> counter{0};

std::string Quiet(const std::string& command)
{
    return command + " >/dev/null 2>&1";
}

bool Run(const std::string& command)
{
    return std::system(Quiet(command).c_str()) == 0;
}

std::string Fresh(char kind)
{
    return "kvx" + std::to_string(getpid()) + kind + std::to_string(counter.fetch_add(1));
}

} // namespace

std::string NetnsLab::Unavailable()
{
    if (geteuid() != 0) return "needs root to create network namespaces (CI runs these tests as root)";
    if (!Run("command -v ip")) return "needs the ip command (iproute2)";
    return {};
}

NetnsLab::NetnsLab() : hostNs(Fresh('h')), moduleNs(Fresh('m'))
{
    ok = Run("ip netns add " + hostNs) && Run("ip netns add " + moduleNs) && IpInHost("link set lo up") &&
         IpInModule("link set lo up");
}

NetnsLab::~NetnsLab()
{
    // Deleting a namespace takes its veth ends with it.
    Run("ip netns del " + hostNs);
    Run("ip netns del " + moduleNs);
}

bool NetnsLab::IpInHost(const std::string& args) const
{
    return Run("ip -n " + hostNs + " " + args);
}

bool NetnsLab::IpInModule(const std::string& args) const
{
    return Run("ip -n " + moduleNs + " " + args);
}

bool NetnsLab::Connect(const std::string& hostIf, const std::string& hostCidr, const std::string& moduleIf,
                       const std::string& moduleCidr)
{
    return IpInHost("link add " + hostIf + " type veth peer name " + moduleIf + " netns " + moduleNs) &&
           IpInHost("addr add " + hostCidr + " dev " + hostIf) && IpInHost("link set " + hostIf + " up") &&
           IpInModule("addr add " + moduleCidr + " dev " + moduleIf) && IpInModule("link set " + moduleIf + " up") &&
           WaitUntilUp(hostNs, hostIf) && WaitUntilUp(moduleNs, moduleIf);
}

// The kernel switches a link on a moment after "ip link set up" returns;
// until then it drops what is sent, and a single broadcast would be lost.
// There is no event to wait for short of a netlink listener, so ask a
// bounded number of times.
bool NetnsLab::WaitUntilUp(const std::string& ns, const std::string& link)
{
    const std::string check = "ip -n " + ns + " -o link show dev " + link + " | grep -q 'state UP'";
    for (int tries = 0; tries < 100; ++tries) {
        if (Run(check)) return true;
        usleep(20000);
    }
    return false;
}

InNetns::InNetns(const std::string& name)
{
    previous_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int target = open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    ok = previous_ >= 0 && target >= 0 && setns(target, CLONE_NEWNET) == 0;
    if (target >= 0) close(target);
}

InNetns::~InNetns()
{
    if (previous_ >= 0) {
        if (ok) setns(previous_, CLONE_NEWNET);
        close(previous_);
    }
}

} // namespace kavex::sim
