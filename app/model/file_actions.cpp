#include "app/model/file_actions.h"

#include "app/model/card_session.h"
#include "app/model/card_status.h"
#include "app/model/controls.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include "kavex.h"

namespace velmora {

namespace {

bool NeedsAuthentication(int port)
{
    const int s = Kavex_GetLastError(port);
    return s == KAVEX_DF_AUTHENTICATION_ERROR || s == KAVEX_DF_ERR_NEEDS_AUTHENTICATION;
}

bool Select(int port, CCardStatus& status, uint32_t aid, CtlText& statusWnd)
{
    QString message;
    if (EnsureAppSelected(port, status, static_cast<int>(aid), &message)) return true;
    statusWnd.SetText(message);
    return false;
}

int SendCreate(int port, const NewFile& f)
{
    const uint16_t rights = f.access.Word();
    const auto size = static_cast<int>(f.fileSize);
    switch (f.type) {
    case FileType::StandardData: return Kavex_DFCreateStdDataFile(port, f.fileNo, 0, size, f.commSettings, rights);
    case FileType::BackupData: return Kavex_DFCreateBackupDataFile(port, f.fileNo, 0, size, f.commSettings, rights);
    case FileType::Value:
        return Kavex_DFCreateValueFile(port, f.fileNo, f.commSettings, rights, static_cast<int>(f.lowerLimit),
                                       static_cast<int>(f.upperLimit), static_cast<int>(f.value), f.limitedCredit);
    case FileType::LinearRecord:
        return Kavex_DFCreateLinearRecordFile(port, f.fileNo, 0, f.commSettings, rights, static_cast<int>(f.recordSize),
                                              static_cast<int>(f.maxRecords));
    case FileType::CyclicRecord:
        return Kavex_DFCreateCyclicRecordFile(port, f.fileNo, 0, f.commSettings, rights, static_cast<int>(f.recordSize),
                                              static_cast<int>(f.maxRecords));
    }
    return -1;
}

uint32_t Le(const QByteArray& b, int offset, int size)
{
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b.at(offset + i));
    return v;
}

} // namespace

bool ReadAppKeyInfo(int port, CCardStatus& status, uint32_t aid, AppKeyInfo* info, CtlText& statusWnd)
{
    *info = AppKeyInfo{};
    if (!Select(port, status, aid, statusWnd)) return false;
    unsigned char settings[4] = {};
    if (Kavex_DFGetKeySettings(port, settings, sizeof settings) >= 0) {
        info->known = true;
        info->keyCount = settings[1] & 0x0F;
        info->freeCreateDelete = (settings[3] & 0x04) != 0;
    } else {
        status.ResetAuth();
    }
    statusWnd.SetText(GetStatusText(port, true, &status));
    return true;
}

QString CheckNewFile(const NewFile& file, const CCardStatus& status)
{
    int64_t bytes = 0;
    if (file.type == FileType::Value) {
        if (file.lowerLimit > file.upperLimit) return LoadStr(kIdsLowerAboveUpper);
        if (file.value < file.lowerLimit || file.value > file.upperLimit) return LoadStr(kIdsValueOutsideLimits);
    } else if (file.type == FileType::LinearRecord || file.type == FileType::CyclicRecord) {
        bytes = file.recordSize * file.maxRecords; // both at most 3 bytes: no overflow in 64 bits
    } else {
        bytes = file.fileSize;
    }
    if (status.m_nFreeMemory >= 0 && bytes > status.m_nFreeMemory)
        return LoadStr(kIdsNotEnoughMemory).arg(bytes).arg(status.m_nFreeMemory);
    return QString();
}

FileActionResult CreateFile(int port, CCardStatus& status, const NewFile& file, const AppKeyInfo& app,
                            CtlText& statusWnd)
{
    FileActionResult result;
    const int aid = static_cast<int>(file.aid);
    if (!Select(port, status, file.aid, statusWnd)) return result;
    if (app.known && !app.freeCreateDelete && !EnsureAuthenticated(port, status, aid, 0, &statusWnd, true))
        return result;

    int rc = SendCreate(port, file);
    if (rc < 0 && NeedsAuthentication(port)) {
        status.ResetAuth();
        if (EnsureAuthenticated(port, status, aid, 0, &statusWnd, true)) rc = SendCreate(port, file);
    }
    result.ok = rc >= 0;
    statusWnd.SetText(GetListStatusText(port, status));
    if (result.ok) {
        status.ForgetFileInfo(aid, file.fileNo);
        status.m_nFreeMemory = -1;
    } else {
        status.ResetAuth();
    }
    return result;
}

FileActionResult DeleteFile(int port, CCardStatus& status, uint32_t aid, uint8_t fileNo, CtlText& statusWnd)
{
    FileActionResult result;
    status.m_nAuthSource = CCardStatus::kSourceNone;
    if (!Select(port, status, aid, statusWnd)) return result;
    int rc = Kavex_DFDeleteFile(port, fileNo);
    if (rc < 0) {
        status.ResetAuth();
        if (EnsureAuthenticated(port, status, status.m_nCurrentAid, 0, nullptr, true))
            rc = Kavex_DFDeleteFile(port, fileNo);
    }
    result.ok = rc >= 0;
    if (result.ok)
        status.ForgetFileInfo(static_cast<int>(aid), fileNo);
    else
        status.ResetAuth();
    statusWnd.SetText(GetListStatusText(port, status));
    return result;
}

FileSettings ParseFileSettings(const QByteArray& b)
{
    FileSettings s;
    if (b.size() < 4) return s;
    s.type = static_cast<uint8_t>(b.at(0));
    s.commSettings = static_cast<uint8_t>(b.at(1));
    const auto rights = static_cast<uint16_t>(Le(b, 2, 2));
    s.access.readWrite = (rights >> 4) & 0x0F;
    s.access.change = rights & 0x0F;
    s.access.read = (rights >> 12) & 0x0F;
    s.access.write = (rights >> 8) & 0x0F;
    const auto type = static_cast<FileType>(s.type);
    if ((type == FileType::StandardData || type == FileType::BackupData) && b.size() >= 7) {
        s.hasSize = true;
        s.fileSize = Le(b, 4, 3);
    } else if (type == FileType::Value && b.size() >= 17) {
        s.hasValueLimits = true;
        s.lowerLimit = static_cast<int32_t>(Le(b, 4, 4));
        s.upperLimit = static_cast<int32_t>(Le(b, 8, 4));
        s.limitedCredit = (b.at(16) & 0x01) != 0;
        s.freeGetValue = (b.at(16) & 0x02) != 0;
        // Without limited credit the card's number means nothing.
        s.limitedCreditValue = s.limitedCredit ? static_cast<int32_t>(Le(b, 12, 4)) : 0;
    } else if ((type == FileType::LinearRecord || type == FileType::CyclicRecord) && b.size() >= 13) {
        s.hasRecords = true;
        s.recordSize = Le(b, 4, 3);
        s.maxRecords = Le(b, 7, 3);
        s.currentRecords = Le(b, 10, 3);
    }
    return s;
}

FileSettingsResult ReadFileSettings(int port, CCardStatus& status, uint32_t aid, uint8_t fileNo, CtlText& statusWnd)
{
    FileSettingsResult result;
    if (!Select(port, status, aid, statusWnd)) return result;
    QByteArray bytes;
    result.ok = ReadFileSettingsAuth(port, status, fileNo, &bytes, &statusWnd);
    if (!result.ok) {
        status.ResetAuth();
        return result;
    }
    result.settings = ParseFileSettings(bytes);
    return result;
}

ChangeFileSettingsResult ChangeFileSettings(int port, CCardStatus& status, const FileSettingsChange& change,
                                            CtlText& statusWnd)
{
    ChangeFileSettingsResult result;
    const int aid = static_cast<int>(change.aid);
    if (!Select(port, status, change.aid, statusWnd)) return result;

    uint8_t condition = change.shownChangeCondition;
    if (condition == kUnknownSetting) {
        QByteArray bytes;
        if (!ReadFileSettingsAuth(port, status, change.fileNo, &bytes, &statusWnd)) return result;
        condition = static_cast<uint8_t>(bytes.at(2)) & 0x0F;
    }
    result.changeCondition = condition;
    if (condition == kAccessNever) {
        statusWnd.SetText(LoadStr(kIdsAccessRightsFrozen));
        return result;
    }
    const AccessConditions& a = change.access;
    for (uint8_t v : {change.commSettings, a.read, a.write, a.readWrite, a.change}) {
        if (v == kUnknownSetting) {
            statusWnd.SetText(LoadStr(kIdsFieldsMissing));
            return result;
        }
    }
    if (a.change == kAccessNever && change.confirmPermanent && !change.confirmPermanent()) {
        statusWnd.SetText(LoadStr(kIdsCancelled));
        return result;
    }
    const bool plain = condition == kAccessFree;
    if (!plain && !EnsureAuthenticated(port, status, aid, condition, &statusWnd, true)) return result;

    const unsigned char bytes[3] = {change.commSettings, static_cast<unsigned char>(a.readWrite << 4 | a.change),
                                    static_cast<unsigned char>(a.read << 4 | a.write)};
    int rc = Kavex_DFChangeFileSettings(port, change.fileNo, plain ? 1 : 0, bytes, sizeof bytes);
    // Only the change key can help; a free change cannot lack an authentication.
    if (rc < 0 && !plain && NeedsAuthentication(port)) {
        status.ResetAuth();
        if (EnsureAuthenticated(port, status, aid, condition, nullptr, true))
            rc = Kavex_DFChangeFileSettings(port, change.fileNo, 0, bytes, sizeof bytes);
    }
    result.ok = rc >= 0;
    if (result.ok) {
        result.changeCondition = a.change; // what the card holds now
        status.ForgetFileInfo(aid, change.fileNo);
    } else {
        status.ResetAuth();
    }
    statusWnd.SetText(GetStatusText(port, true, &status));
    return result;
}

} // namespace velmora
