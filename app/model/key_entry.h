// A key store entry as typed into the entry dialogs.
#pragma once

#include <QString>

namespace velmora {

// Checks a name and a key text as typed into the entry dialogs. Returns 0
// with the trimmed name and the value to store (the key padded or cut to
// 16 bytes, as 32 hex digits), or the string-table id of the problem.
int ParseKeyEntry(const QString& nameText, const QString& valueText, QString* name, QString* storedValue);

} // namespace velmora
