// The "Record-File" page of the file read/write dialog: the settings of a
// linear or cyclic record file, and its two tabs: "Lesen" reads a range of
// records (and saves them), "Schreiben" writes one record (loaded from a
// file if wanted) or discards all of them.
#pragma once

#include "app/model/file_rw_frame.h"

#include <QByteArray>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace velmora {

class CFileRwPageHost;

class CRecordFileRWDlg : public QWidget {
    Q_OBJECT
public:
    explicit CRecordFileRWDlg(CFileRwPageHost& host, QWidget* parent = nullptr);

    void ShowSettings(const KnownFileSettings& settings);
    // Another file was chosen: the records read are not its.
    void ClearData();

    void OnReadRecords();
    void OnReadFormat(bool hex);
    void OnSave();
    void OnWriteRecord();
    void OnClearRecords();
    void OnWriteFormat(bool hex);
    void OnLoad();

private:
    void ShowRecords();

    CFileRwPageHost& m_Host;
    QWidget* m_pTemplate;
    QLineEdit* m_pStart;
    QLineEdit* m_pCount;
    QPlainTextEdit* m_pRecords;
    QRadioButton* m_pReadHex;
    QRadioButton* m_pReadAscii;
    QPlainTextEdit* m_pRecordText;
    QRadioButton* m_pWriteHex;
    QRadioButton* m_pWriteAscii;
    int m_nRecordSize = 0; // of the file shown; 0 unknown
    bool m_bReadHex = true;
    bool m_bWriteHex = true;
    // The records last read, as read: count asked for and record size.
    QByteArray m_Records;
    int m_nReadCount = 0;
    int m_nReadSize = 0;
};

} // namespace velmora
