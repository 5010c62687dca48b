// "Are you sure?" before an action that cannot be undone: caption, question
// and the caption of the OK button come from the string table.
#pragma once

#include "app/ui/modal_dialog.h"

namespace velmora {

class CNachfrageDlg : public CModalDialog {
    Q_OBJECT
public:
    CNachfrageDlg(int captionId, int textId, int okTextId, QWidget* parent = nullptr);
    void OnInitDialog() override;

    int m_nCaptionId;
    int m_nTextId;
    int m_nOkTextId;

private:
    QWidget* m_pTemplate;
};

} // namespace velmora
