#include "app/ui/help.h"

#include "app/ui/message_service.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace velmora {

QString FindManual(const QString& dir)
{
    const QStringList pdfs =
        QDir(dir).entryList({QStringLiteral("*.pdf")}, QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    return pdfs.isEmpty() ? QString() : QDir(dir).filePath(pdfs.first());
}

void OpenManual(QWidget* parent)
{
    const QString manual = FindManual(QCoreApplication::applicationDirPath());
    if (manual.isEmpty()) return;
    // The desktop only says whether it found a viewer; the usual reason it
    // did not is that no program is associated with PDF files.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(manual))) MessageBox(parent, LoadStr(kIdsNoPdfReader));
}

} // namespace velmora
