// The name-list form in which the SDK hands lists of names to its caller:
// each name NUL-terminated, then one extra NUL. Every list function of the
// C interface (serial ports, USB readers, LAN modules, Bluetooth adapters)
// writes its result through this one helper so they all cut alike.
#pragma once

#include <string>
#include <vector>

namespace kavex {

// Copies names into buffer while a name, its NUL and the final NUL still
// fit; the first name that does not fit ends the list, so a caller never
// sees a name cut in half. Returns the bytes written including the final
// NUL: 1 for an empty list, 0 (nothing written) when there is no room at
// all. A name ends at its first NUL, and an empty name is left out: either
// would put a double NUL into the middle of the list, and the caller would
// take that for its end and lose the names behind it.
int WriteNameList(const std::vector<std::string>& names, char* buffer, int size);

} // namespace kavex
