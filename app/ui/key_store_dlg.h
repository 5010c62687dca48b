// The key store's dialogs: the two list views (maintenance from the main
// window, picking from every "Laden" button) and the two entry dialogs.
// Each reads the key store when it opens and writes all of it back after
// every change.
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
    int SelectedRow() const { return m_ListCtrl.SelectedRow(); }

    QWidget* m_pTemplate;
    QTableWidget* m_pList; // 1202
    QLineEdit* m_pStatus;  // 1197
    CEditableListCtrl m_ListCtrl;
    CKeyStoreItemList m_List;

private:
    void OnRowMoved(int from, int to);
};

// "Programm-Schlüsselspeicher", from the main window.
class CKeyStoreEditDlg : public CKeyStoreDlg {
    Q_OBJECT
public:
    explicit CKeyStoreEditDlg(QWidget* parent = nullptr);
    void OnEdit();
};

// "Schlüssel laden": the caller takes m_strValue after OK.
class CKeyStoreLoadDlg : public CKeyStoreDlg {
    Q_OBJECT
public:
    explicit CKeyStoreLoadDlg(QWidget* parent = nullptr);
    void OnLoad();

    QString m_strValue;

private:
    void LoadRow(int row);
};

// "Neuer Schlüsseleintrag".
class CNeuerSchluesselDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CNeuerSchluesselDlg(QWidget* parent = nullptr);
    void OnInitDialog() override;
    void OnOK();

    CKeyStoreItemList m_List;

private:
    QWidget* m_pTemplate;
    QLineEdit* m_pName;   // 1201
    QLineEdit* m_pValue;  // 1114
    QLineEdit* m_pStatus; // 1068
};

// "Schlüsseleintrag ändern" for the entry shown at position in the list.
class CSchluesselAendernDlg : public CModalDialog {
    Q_OBJECT
public:
    CSchluesselAendernDlg(const CKeyStoreItem& item, int position, QWidget* parent = nullptr);
    void OnInitDialog() override;
    void OnOK();

    CKeyStoreItemList m_List;
    CKeyStoreItem m_Item;
    int m_nPosition;

private:
    QWidget* m_pTemplate;
    QLineEdit* m_pName;   // 1201
    QLineEdit* m_pValue;  // 1114
    QLineEdit* m_pStatus; // 1068
};

} // namespace velmora
