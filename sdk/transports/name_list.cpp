#include "sdk/transports/name_list.h"

#include <cstring>

namespace kavex {

int WriteNameList(const std::vector<std::string>& names, char* buffer, int size)
{
    if (!buffer || size <= 0) return 0;
    const size_t room = static_cast<size_t>(size);
    size_t pos = 0;
    for (const std::string& name : names) {
        const size_t len = std::strlen(name.c_str());
        if (len == 0) continue;
        // The name, its NUL and the list's final NUL.
        if (len + 2 > room - pos) break;
        std::memcpy(buffer + pos, name.data(), len);
        pos += len;
        buffer[pos++] = '\0';
    }
    buffer[pos++] = '\0';
    return static_cast<int>(pos);
}

} // namespace kavex
