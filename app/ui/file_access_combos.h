// The communication-mode list and the four access-right lists of a file
// dialog's template, as one group: filled, read and shown together.
#pragma once

#include "app/model/file_access_lists.h"
#include "app/ui/qt_controls.h"

class QWidget;

namespace velmora {

class CFileAccessCombos {
public:
    // The lists kIdcCommMode, kIdcReadAccess ... kIdcChangeAccess of root.
    explicit CFileAccessCombos(QWidget* root);

    // Fills the lists for an application with keyCount keys; with defaults,
    // "Unverschlüsselt" and "immer" are chosen, otherwise nothing.
    void Fill(int keyCount, bool defaults);
    // A list without a choice gives unmatched.
    uint8_t CommSettings(uint8_t unmatched = 0) const;
    AccessConditions Access(uint8_t unmatched = 0) const;
    // kUnknownSetting shows "--" in a list.
    void Show(uint8_t commSettings, const AccessConditions& access);
    void ShowUnknown();

private:
    int m_nKeyCount = 14;
    QtCombo m_Comm, m_Read, m_Write, m_ReadWrite, m_Change;
};

} // namespace velmora
