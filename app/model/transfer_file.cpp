#include "app/model/transfer_file.h"

#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include <QFile>
#include <QSaveFile>

namespace velmora {

bool SaveTransferFile(const QString& path, const QByteArray& content, QString* message)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit()) return true;
    *message = LoadStr(kIdsFileNotWritten).arg(path, file.errorString());
    return false;
}

bool LoadTransferFile(const QString& path, int64_t cap, QByteArray* content, QString* message)
{
    content->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *message = LoadStr(kIdsFileNotRead).arg(path, file.errorString());
        return false;
    }
    // One byte more than allowed tells a file that is too large, whatever
    // size the file system reports (pipes and the like report none).
    const QByteArray bytes = file.read(cap + 1);
    if (file.error() != QFileDevice::NoError) {
        *message = LoadStr(kIdsFileNotRead).arg(path, file.errorString());
        return false;
    }
    if (bytes.size() > cap) {
        *message = LoadStr(kIdsTooMuchAtOnce).arg(cap);
        return false;
    }
    *content = bytes;
    return true;
}

} // namespace velmora
