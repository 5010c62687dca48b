#include "app/ui/modal_dialog.h"

#include "app/settings/settings.h"

namespace velmora {

namespace {

const QString kWindowSection = QStringLiteral("Window");

ModalRunner& Runner()
{
    static ModalRunner runner;
    return runner;
}

} // namespace

int RunModal(CModalDialog& dialog)
{
    dialog.m_bEndedInInit = false;
    dialog.OnInitDialog();
    if (dialog.EndedInInit()) return dialog.result();
    dialog.RestoreGeometry();
    if (Runner()) return Runner()(dialog);
    return dialog.exec();
}

void CModalDialog::RememberGeometry(const QString& key)
{
    m_strGeometryKey = key;
    setSizeGripEnabled(true);
}

void CModalDialog::RestoreGeometry()
{
    if (m_strGeometryKey.isEmpty()) return;
    const QString saved = GetProfileString(kWindowSection, m_strGeometryKey, QString());
    if (!saved.isEmpty()) restoreGeometry(QByteArray::fromBase64(saved.toLatin1()));
}

void CModalDialog::done(int result)
{
    // A dialog that never showed has no geometry of the user's.
    if (!m_strGeometryKey.isEmpty() && isVisible())
        WriteProfileString(kWindowSection, m_strGeometryKey, QString::fromLatin1(saveGeometry().toBase64()));
    QDialog::done(result);
}

void SetModalRunner(ModalRunner runner)
{
    Runner() = std::move(runner);
}

} // namespace velmora
