// The "Value File" page of the file read/write dialog: the value of a value
// file, and credit, limited credit and debit, each committed at once.
#pragma once

#include "app/model/file_rw_frame.h"

#include <QWidget>

class QLineEdit;
class QRadioButton;

namespace velmora {

class CFileRwPageHost;

class CValueFileRWDlg : public QWidget {
    Q_OBJECT
public:
    explicit CValueFileRWDlg(CFileRwPageHost& host, QWidget* parent = nullptr);

    // Limits and flags of the file the frame knows ("--" while unknown).
    void ShowSettings(const KnownFileSettings& settings);
    // Another file was chosen: the value shown is not its.
    void ClearData();

    void OnGetValue();
    // op: Credit, LimitedCredit or Debit.
    void OnChange(FileOp op);
    void OnFormat(bool hex);

private:
    CFileRwPageHost& m_Host;
    QWidget* m_pTemplate;
    QLineEdit* m_pValue;
    QLineEdit* m_pAmount;
    QRadioButton* m_pDecimal;
    QRadioButton* m_pHex;
    bool m_bHex = false;
};

} // namespace velmora
