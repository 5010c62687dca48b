// Card data kept in files: what the file pages save after a read and load
// before a write. Saving replaces the file only once everything is written,
// so a failed save never leaves half a file behind.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace velmora {

// False with a message naming the file and the system's reason.
bool SaveTransferFile(const QString& path, const QByteArray& content, QString* message);

// At most cap bytes: a larger file is refused, not cut.
bool LoadTransferFile(const QString& path, int64_t cap, QByteArray* content, QString* message);

} // namespace velmora
