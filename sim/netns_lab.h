// Network namespaces of a test or benchmark's own, so that the simulated
// network module can be searched for without a datagram or broadcast ever
// reaching a real network: a "host" namespace where the SDK
// runs and a "module" namespace for the simulated network module, joined by
// veth pairs. The names carry the process id, so parallel test processes
// never meet; the namespaces go away with the object, also when a test
// fails. Creating them needs root.
#pragma once

#include <string>

namespace kavex::sim {

class NetnsLab {
public:
    // Empty when namespaces can be made here, else why not.
    static std::string Unavailable();

    NetnsLab();
    ~NetnsLab();
    NetnsLab(const NetnsLab&) = delete;
    NetnsLab& operator=(const NetnsLab&) = delete;

    // A veth pair: hostIf in the host namespace with hostCidr, moduleIf in
    // the module namespace with moduleCidr, both up.
    bool Connect(const std::string& hostIf, const std::string& hostCidr, const std::string& moduleIf,
                 const std::string& moduleCidr);
    // Runs "ip -n NAMESPACE args"; true on success.
    bool IpInHost(const std::string& args) const;
    bool IpInModule(const std::string& args) const;

    // True once the link reports itself up (at most 2 s).
    static bool WaitUntilUp(const std::string& ns, const std::string& link);

    const std::string hostNs;
    const std::string moduleNs;
    bool ok = false;
};

// Puts the calling thread into a namespace until the scope ends. Threads
// and sockets made meanwhile stay in it.
class InNetns {
public:
    explicit InNetns(const std::string& name);
    ~InNetns();
    InNetns(const InNetns&) = delete;
    InNetns& operator=(const InNetns&) = delete;
    bool ok = false;

private:
    int previous_ = -1;
};

} // namespace kavex::sim
