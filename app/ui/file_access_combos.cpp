#include "app/ui/file_access_combos.h"

#include "app/model/ui_strings.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QComboBox>

namespace velmora {

CFileAccessCombos::CFileAccessCombos(QWidget* root)
    : m_Comm(Ctl<QComboBox>(root, kIdcCommMode)), m_Read(Ctl<QComboBox>(root, kIdcReadAccess)),
      m_Write(Ctl<QComboBox>(root, kIdcWriteAccess)), m_ReadWrite(Ctl<QComboBox>(root, kIdcReadWriteAccess)),
      m_Change(Ctl<QComboBox>(root, kIdcChangeAccess))
{
}

void CFileAccessCombos::Fill(int keyCount, bool defaults)
{
    m_nKeyCount = keyCount;
    FillCommModeCombo(m_Comm);
    m_Comm.SetCurSel(defaults ? 0 : -1);
    for (QtCombo* c : {&m_Read, &m_Write, &m_ReadWrite, &m_Change}) {
        FillAccessRightCombo(*c, keyCount);
        if (defaults)
            c->SelectString(LoadStr(kIdsAccessFree));
        else
            c->SetCurSel(-1);
    }
}

uint8_t CFileAccessCombos::CommSettings(uint8_t unmatched) const
{
    return GetCommModeComboValue(m_Comm, unmatched);
}

AccessConditions CFileAccessCombos::Access(uint8_t unmatched) const
{
    AccessConditions a;
    a.read = GetAccessRightComboValue(m_Read, unmatched);
    a.write = GetAccessRightComboValue(m_Write, unmatched);
    a.readWrite = GetAccessRightComboValue(m_ReadWrite, unmatched);
    a.change = GetAccessRightComboValue(m_Change, unmatched);
    return a;
}

void CFileAccessCombos::Show(uint8_t commSettings, const AccessConditions& access)
{
    ShowCommModeComboValue(m_Comm, commSettings);
    ShowAccessRightComboValue(m_Read, m_nKeyCount, access.read);
    ShowAccessRightComboValue(m_Write, m_nKeyCount, access.write);
    ShowAccessRightComboValue(m_ReadWrite, m_nKeyCount, access.readWrite);
    ShowAccessRightComboValue(m_Change, m_nKeyCount, access.change);
}

void CFileAccessCombos::ShowUnknown()
{
    AccessConditions unknown;
    unknown.read = unknown.write = unknown.readWrite = unknown.change = kUnknownSetting;
    Show(kUnknownSetting, unknown);
}

} // namespace velmora
