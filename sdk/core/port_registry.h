// The registry of open ports. One instance lives for the whole program; it
// owns every port and hands out the integer handles of the C interface.
#pragma once

#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sdk/core/port.h"

namespace kavex {

class CKavex_SDKApp {
public:
    static CKavex_SDKApp& Instance();

    CKavex_SDKApp();
    ~CKavex_SDKApp();
    CKavex_SDKApp(const CKavex_SDKApp&) = delete;
    CKavex_SDKApp& operator=(const CKavex_SDKApp&) = delete;

    // The open port with this handle, or null. Ports whose link has gone
    // (handle 0) are purged on the way.
    CKavex_Port* FindPort(int handle);
    void AddPort(std::unique_ptr<CKavex_Port> port);
    // Unlinks the port and hands its ownership back to the caller.
    std::unique_ptr<CKavex_Port> RemovePort(CKavex_Port* port);
    void CloseAllPorts();

    // Sends command and data, reads and decodes the answer.
    bool ExecuteCommand(int handle, uint8_t command, const std::vector<uint8_t>& data, std::vector<uint8_t>& answer);
    // Identification request with the variant 2 and 3 rewrites.
    static bool Identify(CKavex_Port& port, std::vector<uint8_t>& answer);

    int OpenPort(const char* name, int baud, int timeoutMs);
    int ClosePort(int handle);

private:
    int OpenLocked(const std::string& given, int baud, int timeoutMs);

    std::list<std::unique_ptr<CKavex_Port>> portList_;
    std::mutex listLock_;
    std::mutex openLock_;
};

} // namespace kavex
