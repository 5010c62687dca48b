// The "Data-File" page of the file read/write dialog: reads and writes
// standard and backup data files by offset and length, in hexadecimal or
// as text, and saves what it read or loads what it writes.
#pragma once

#include "app/model/file_rw_frame.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace velmora {

class CFileRwPageHost;

class CDataFileRWDlg : public QWidget {
    Q_OBJECT
public:
    explicit CDataFileRWDlg(CFileRwPageHost& host, QWidget* parent = nullptr);

    // Type and size of the file the frame knows (nothing for other types).
    void ShowSettings(const KnownFileSettings& settings);
    // Another file was chosen: neither the text nor the bytes read are its.
    void ClearData();

    void OnRead();
    void OnWrite();
    void OnFormat(bool hex);
    void OnSave();
    void OnLoad();

private:
    void ShowData();

    CFileRwPageHost& m_Host;
    QWidget* m_pTemplate;
    QLineEdit* m_pOffset;
    QLineEdit* m_pLength;
    QPlainTextEdit* m_pData;
    QRadioButton* m_pHex;
    QRadioButton* m_pAscii;
    bool m_bHex = true;
    QByteArray m_Data;  // the bytes last read
    QString m_strShown; // the text they were shown as
};

} // namespace velmora
