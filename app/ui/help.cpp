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
    OpenManual(parent, QCoreApplication::applicationDirPath());
}

void OpenManual(QWidget* parent, const QString& dir)
{
    const QString manual = FindManual(dir);
    if (manual.isEmpty()) {
        MessageBox(parent, LoadStr(kIdsManualMissing).arg(QDir::toNativeSeparators(QDir(dir).absolutePath())));
        return;
    }
    // The desktop only says whether it could hand the file on; the usual
    // reason it could not is that no program is set up for PDF files.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(manual))) MessageBox(parent, LoadStr(kIdsNoPdfViewer));
}

} // namespace velmora
