// What the key store's two list views share (maintenance from the main
// window, picking from every "Laden" button), and the checks of the two
// entry dialogs. Each dialog reads the key store when it opens and writes
// all of it back after every change.
#pragma once

#include "app/ui/editable_list_ctrl.h"
#include "app/settings/key_store.h"
#include "app/ui/modal_dialog.h"

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace velmora {

// What both list views share: the two-column list of the entries, the
// status line, "Anlegen" and "Löschen".
class CKeyStoreDlg : public CModalDialog {
    Q_OBJECT
public:
    void OnInitDialog() override;
    void FillKeyList();
    void SaveColumnWidths();
    // What the value column needs to show the widest value in full.
    int ValueColumnWidth() const { return m_nValueColumnWidth; }
    void OnNew();
    void OnDelete();
    // Every way of closing keeps the column widths.
    void done(int result) override;

    CKeyStoreItemList& List() { return m_List; }
    CEditableListCtrl& ListCtrl() { return m_ListCtrl; }

protected:
    CKeyStoreDlg(const QString& templatePath, QWidget* parent);
    QPushButton* Button(int id) const;
    void SetStatus(const QString& text);
    // Runs a dialog that writes one entry of the store, reports how it ended
    // and shows the store as it is now.
    void RunEntryDialog(CModalDialog& dlg);
    int SelectedRow() const { return m_ListCtrl.SelectedRow(); }

    QWidget* m_pTemplate;
    QTableWidget* m_pList;
    QLineEdit* m_pStatus;
    CEditableListCtrl m_ListCtrl;
    CKeyStoreItemList m_List;

private:
    void OnRowMoved(int from, int to);
    void FitValueColumn(int textWidth);
    int m_nValueColumnWidth = 0;
};

// The entry dialogs' checks: the name and the key text, then the value as
// it is stored. false: the problem is in the status line.
bool TakeKeyStoreEntry(QLineEdit* nameEdit, QLineEdit* valueEdit, QLineEdit* status, QString* name, QString* stored);

} // namespace velmora
