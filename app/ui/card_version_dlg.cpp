#include "app/ui/card_version_dlg.h"

#include "app/model/card_version.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"

#include <QLineEdit>
#include <QPushButton>

namespace velmora {

CCardVersionDlg::CCardVersionDlg(int port, CCardStatus& status, QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/card_version_dlg.ui")))
{
    RememberGeometry(QStringLiteral("CardVersion"));
    connect(Ctl<QPushButton>(m_pTemplate, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
}

void CCardVersionDlg::OnInitDialog()
{
    const CardVersionResult v = ReadCardVersion(m_hPort, m_Status);
    const std::pair<int, const QString*> fields[] = {
        {kIdcStorageSize, &v.storageSize},
        {kIdcVersionUid, &v.uid},
        {kIdcVendor, &v.vendor},
        {kIdcHardwareType, &v.hardwareType},
        {kIdcHardwareVersion, &v.hardwareVersion},
        {kIdcSoftwareType, &v.softwareType},
        {kIdcSoftwareVersion, &v.softwareVersion},
        {kIdcProductionDate, &v.productionDate},
    };
    for (const auto& [id, text] : fields) Ctl<QLineEdit>(m_pTemplate, id)->setText(*text);
    Ctl<QLineEdit>(m_pTemplate, kIdcStatus)->setText(v.statusLine);
}

} // namespace velmora
