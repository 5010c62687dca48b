// What the pages of the file read/write dialog get from the dialog around
// them: the frame of the file the fields name, and the transfer display.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

class QLineEdit;
class QRadioButton;
class QWidget;

namespace velmora {

class CFileRwFrame;
class CtlText;

class CFileRwPageHost {
public:
    virtual ~CFileRwPageHost() = default;
    // Clears the status line and checks the application and file fields;
    // the frame then works on that file. Null when the fields name none
    // (the status line says why).
    virtual CFileRwFrame* Target() = 0;
    // The dialog's status line, for what a page says itself.
    virtual CtlText& StatusLine() = 0;
    // Around a data or record transfer: the wait cursor, and the progress
    // of transfers that take several frames.
    virtual void TransferStarts() = 0;
    virtual void TransferEnded() = 0;
};

// One transfer, ended however the page's handler returns.
class CTransferScope {
public:
    explicit CTransferScope(CFileRwPageHost& host) : m_Host(host) { m_Host.TransferStarts(); }
    ~CTransferScope() { m_Host.TransferEnded(); }
    CTransferScope(const CTransferScope&) = delete;
    CTransferScope& operator=(const CTransferScope&) = delete;

private:
    CFileRwPageHost& m_Host;
};

// An offset, length, record number or count: 0 to 0xFFFFFF. Otherwise a
// message box, and false.
bool ReadCardNumberField(QWidget* page, QLineEdit* field, uint32_t* value);

// The pages' texts come with CR LF line ends; a text view shows LF.
QString ForView(const QString& text);

// Bytes that ASCII text would show only in part: the text stops at the
// first zero byte. trailingZeros: zeros at the end count as shown (a record
// is filled up with them anyway).
bool AsciiLoses(const QByteArray& bytes, bool trailingZeros);

// Sets the pair of format radios without a click.
void CheckFormat(QRadioButton* first, QRadioButton* second, bool firstChecked);

} // namespace velmora
