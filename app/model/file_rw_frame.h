// What the file read/write dialog knows of the file being worked on, and
// the steps every read, write and value operation goes through: prepare
// (settings from the card, the session's cache or the user), the access
// check, the communication mode, at most two attempts, and the final status
// line. Plain C++ over the card helpers; the dialog only supplies controls.
#pragma once

#include "app/model/card_status.h"
#include "app/model/file_access_lists.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace velmora {

class CtlText;

enum class FileKind { Any, Data, Value, Record };

// Needed rights, as the operation may use them.
enum : int { kRightRead = 1, kRightWrite = 2, kRightReadWrite = 4 };

// What each operation is allowed by, for its access check and its mode.
enum class FileOp { Read, Write, GetValue, Debit, LimitedCredit, Credit, ClearRecords };

struct KnownFileSettings {
    int aid = -1;
    uint8_t fileNo = 0xFF;
    bool assumed = false;
    uint8_t type = 0xFF;
    uint8_t commSettings = 0;
    uint8_t read = kUnknownSetting, write = kUnknownSetting, readWrite = kUnknownSetting, change = kUnknownSetting;
    int64_t fileSize = -1; // data files; -1 unknown
    int32_t lowerLimit = -1, upperLimit = -1, limitedCreditValue = -1;
    bool limitedCredit = false, freeGetValue = false;
    int recordSize = 0, maxRecords = 0, currentRecords = 0;
};

// What the user said when the card would not tell a file's settings.
struct FileTypeAnswer {
    enum class Result { Cancelled, Authenticated, Accepted } result = Result::Cancelled;
    uint8_t type = 0;
    uint8_t commSettings = 0;
    int accessKind = 0; // kRightRead, kRightWrite or kRightReadWrite
    uint8_t condition = 0;
    int recordSize = 0;
    bool limitedCredit = false, freeGetValue = false;
};

// The communication mode an operation runs in. Reading keeps the dialog's
// long-standing rule (read and read/write conditions); every other
// operation looks at the conditions that grant it: the file's mode when
// authenticated with one of their keys in aid, plain when one of them is
// free, otherwise the file's mode.
uint8_t CommModeFor(FileOp op, const KnownFileSettings& s, const CCardStatus& status, int aid);

class CFileRwFrame {
public:
    CFileRwFrame(int port, CCardStatus& status, CtlText& statusLine);

    // The file the next operation is for (checked by the caller).
    void SetTarget(int aid, uint8_t fileNo);
    int Aid() const { return m_nAid; }
    uint8_t FileNo() const { return m_nFileNo; }

    const KnownFileSettings& Known() const { return m_Known; }
    void ClearKnown();
    // The settings file stops counting as known (another file was chosen).
    void ForgetSettingsFile();

    // Asked when the card keeps a file's settings to itself.
    std::function<FileTypeAnswer(FileKind kind, int rights)> m_AskFileType;
    // Called after settings were read or assumed (the dialog shows them).
    std::function<void()> m_OnSettings;

    // Reads the settings of the target file; withKeyRequest lets the user be
    // asked for the master key.
    bool ReadSettings(bool withKeyRequest);

    // One operation: kind and rights for prepare, op for the access check
    // and the mode, progressText ("Lesen..." etc., or empty), run gets the
    // mode and returns the SDK result (< 0 failure).
    bool Attempt(FileKind kind, int rights, FileOp op, const QString& progressText,
                 const std::function<int(uint8_t mode)>& run);

    // The port's status text with the authentication note, unless the
    // status line holds a message of its own.
    void FinalStatus();

    // Commit after a backup, value or record write; a failure shows the
    // card's answer and drops the authentication.
    bool Commit();

    int Port() const { return m_nPort; }
    CCardStatus& Status() { return m_Status; }
    CtlText& StatusLine() { return m_StatusLine; }

private:
    bool Prepare(FileKind kind, int rights, bool first);
    bool AccessCheck(FileOp op);
    bool KeyAuthenticated(uint8_t key) const;
    void StoreCache();
    void DropCache();
    void TakeSettings(const QByteArray& bytes);

    int m_nPort;
    CCardStatus& m_Status;
    CtlText& m_StatusLine;
    int m_nAid = 0;
    uint8_t m_nFileNo = 0;
    KnownFileSettings m_Known;
    QStringList m_ProgressTexts;
    int m_nLastResult = 0;
    bool m_bCancelled = false; // the user cancelled the file-type request
};

} // namespace velmora
