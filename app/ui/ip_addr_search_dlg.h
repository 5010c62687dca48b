// The LAN readers on the network ("IP-Adressen"): the readers the SDK's
// search finds, and in red italics the other modules that answer. A
// reader's settings are changed from here; "Schliessen" hands the chosen
// reader back to the interface dialog.
#pragma once

#include "app/model/lan_settings.h"
#include "app/ui/modal_dialog.h"

class QListWidget;
class QPushButton;

namespace velmora {

class CIPAddrSuche : public CModalDialog {
    Q_OBJECT
public:
    explicit CIPAddrSuche(QWidget* parent = nullptr);
    void OnInitDialog() override;

    // The chosen reader; empty when none was chosen.
    QString m_strResult;

private:
    // False when nothing was found and the user gave up.
    bool Search();
    void OnSelectionChanged();
    void OnChange();
    void OnClose();

    QWidget* m_pTemplate;
    QListWidget* m_pList;
    QPushButton* m_pChange;
};

} // namespace velmora
