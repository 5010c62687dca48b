#include "app/model/file_rw_frame.h"

#include "app/model/card_session.h"
#include "app/model/controls.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "kavex.h"
#include "resources/string_ids.h"

#include <vector>

namespace velmora {

namespace {

bool IsKey(uint8_t condition)
{
    return condition < kAccessFree;
}

bool NeedsAuthentication(int port)
{
    const int s = Kavex_GetLastError(port);
    return s == KAVEX_DF_AUTHENTICATION_ERROR || s == KAVEX_DF_ERR_NEEDS_AUTHENTICATION;
}

bool KindMatches(FileKind kind, uint8_t type)
{
    switch (kind) {
    case FileKind::Data: return type == 0 || type == 1;
    case FileKind::Value: return type == 2;
    case FileKind::Record: return type == 3 || type == 4;
    case FileKind::Any: return true;
    }
    return true;
}

// The conditions that grant an operation.
std::vector<uint8_t> Granting(FileOp op, const KnownFileSettings& s)
{
    switch (op) {
    case FileOp::Read: return {s.read, s.readWrite};
    case FileOp::Write:
    case FileOp::LimitedCredit: return {s.write, s.readWrite};
    case FileOp::GetValue:
    case FileOp::Debit: return {s.read, s.write, s.readWrite};
    case FileOp::Credit:
    case FileOp::ClearRecords: return {s.readWrite};
    }
    return {};
}

bool AuthenticatedWith(const CCardStatus& status, int aid, uint8_t key)
{
    return IsKey(key) && status.IsAuthenticated() && status.m_nAuthKeyNo == key && status.m_nCurrentAid == aid;
}

} // namespace

uint8_t CommModeFor(FileOp op, const KnownFileSettings& s, const CCardStatus& status, int aid)
{
    if (op == FileOp::Read) {
        const bool readFree = s.read == kAccessFree, rwFree = s.readWrite == kAccessFree;
        if (readFree && !rwFree) return AuthenticatedWith(status, aid, s.readWrite) ? s.commSettings : 0;
        if (readFree && rwFree) {
            return status.IsAuthenticated() && status.m_nCurrentAid == aid ? s.commSettings : 0;
        }
        if (rwFree) return AuthenticatedWith(status, aid, s.read) ? s.commSettings : 0;
        return s.commSettings;
    }
    const std::vector<uint8_t> keys = Granting(op, s);
    for (uint8_t k : keys) {
        if (AuthenticatedWith(status, aid, k)) return s.commSettings;
    }
    // A value the file lets anyone read comes like a freely readable one.
    if (op == FileOp::GetValue && s.freeGetValue) return 0;
    for (uint8_t k : keys) {
        if (k == kAccessFree) return 0;
    }
    return s.commSettings;
}

CFileRwFrame::CFileRwFrame(int port, CCardStatus& status, CtlText& statusLine)
    : m_nPort(port), m_Status(status), m_StatusLine(statusLine)
{
}

void CFileRwFrame::SetTarget(int aid, uint8_t fileNo)
{
    m_nAid = aid;
    m_nFileNo = fileNo;
}

void CFileRwFrame::ClearKnown()
{
    m_Known = KnownFileSettings();
}

void CFileRwFrame::ForgetSettingsFile()
{
    m_Known.aid = -1;
    m_Known.fileNo = 0xFF;
}

void CFileRwFrame::TakeSettings(const QByteArray& bytes)
{
    const auto at = [&](int i) { return static_cast<uint8_t>(bytes[i]); };
    const auto u24 = [&](int i) { return int(at(i) | at(i + 1) << 8 | at(i + 2) << 16); };
    const auto i32 = [&](int i) { return int32_t(uint32_t(u24(i)) | uint32_t(at(i + 3)) << 24); };
    m_Known.aid = m_nAid;
    m_Known.fileNo = m_nFileNo;
    m_Known.assumed = false;
    m_Known.type = at(0);
    m_Known.commSettings = at(1);
    m_Known.read = at(3) >> 4;
    m_Known.write = at(3) & 0x0F;
    m_Known.readWrite = at(2) >> 4;
    m_Known.change = at(2) & 0x0F;
    if (m_Known.type <= 1 && bytes.size() >= 7) m_Known.fileSize = u24(4);
    if (m_Known.type == 2 && bytes.size() >= 17) {
        m_Known.lowerLimit = i32(4);
        m_Known.upperLimit = i32(8);
        m_Known.limitedCredit = at(16) & 1;
        m_Known.freeGetValue = (at(16) & 2) != 0;
        m_Known.limitedCreditValue = m_Known.limitedCredit ? i32(12) : 0;
    }
    if ((m_Known.type == 3 || m_Known.type == 4) && bytes.size() >= 13) {
        m_Known.recordSize = u24(4);
        m_Known.maxRecords = u24(7);
        m_Known.currentRecords = u24(10);
    }
}

bool CFileRwFrame::ReadSettings(bool withKeyRequest)
{
    ClearKnown();
    unsigned char out[17] = {};
    int n = Kavex_DFGetFileSettings(m_nPort, m_nFileNo, out, sizeof out);
    if (n < 0 && NeedsAuthentication(m_nPort)) {
        m_Status.ResetAuth();
        if (!EnsureAuthenticated(m_nPort, m_Status, m_nAid, 0, &m_StatusLine, withKeyRequest)) return false;
        n = Kavex_DFGetFileSettings(m_nPort, m_nFileNo, out, sizeof out);
    }
    m_nLastResult = n;
    if (n < 4) {
        m_Status.ResetAuth();
        m_StatusLine.SetText(GetStatusText(m_nPort, true, &m_Status));
        return false;
    }
    TakeSettings(QByteArray(reinterpret_cast<const char*>(out), n));
    if (m_OnSettings) m_OnSettings();
    return true;
}

bool CFileRwFrame::Prepare(FileKind kind, int rights, bool first)
{
    QString message;
    if (!EnsureAppSelected(m_nPort, m_Status, m_nAid, &message)) {
        m_StatusLine.SetText(message);
        return false;
    }
    const auto anyKnown = [rights](uint8_t r, uint8_t w, uint8_t rw) {
        return ((rights & kRightRead) && r != kUnknownSetting) || ((rights & kRightWrite) && w != kUnknownSetting) ||
               ((rights & kRightReadWrite) && rw != kUnknownSetting);
    };
    const bool known = m_Known.aid == m_nAid && m_Known.fileNo == m_nFileNo &&
                       anyKnown(m_Known.read, m_Known.write, m_Known.readWrite);
    if (!known) {
        const CFileInfo* cached = nullptr;
        for (const CFileInfo& f : m_Status.m_FileInfoList) {
            if (f.aid == m_nAid && f.fileNo == m_nFileNo) {
                cached = &f;
                break;
            }
        }
        if (first && cached && anyKnown(cached->readKey, cached->writeKey, cached->readWriteKey)) {
            ClearKnown();
            m_Known.assumed = true;
            m_Known.aid = cached->aid;
            m_Known.fileNo = static_cast<uint8_t>(cached->fileNo);
            m_Known.type = static_cast<uint8_t>(cached->fileType);
            m_Known.commSettings = static_cast<uint8_t>(cached->commSettings);
            m_Known.read = cached->readKey;
            m_Known.write = cached->writeKey;
            m_Known.readWrite = cached->readWriteKey;
            m_Known.limitedCredit = cached->limitedCredit != 0;
            m_Known.freeGetValue = cached->freeGetValue != 0;
            m_Known.recordSize = cached->recordSize;
            if (m_OnSettings) m_OnSettings();
        } else if (first && cached) {
            return false;
        } else if (!ReadSettings(false)) {
            if (!NeedsAuthentication(m_nPort) || !m_AskFileType) return false;
            const FileTypeAnswer a = m_AskFileType(kind, rights);
            if (a.result == FileTypeAnswer::Result::Authenticated) {
                if (!ReadSettings(false)) return false;
            } else if (a.result == FileTypeAnswer::Result::Accepted) {
                if (a.type == 3 && a.recordSize == 0) {
                    m_StatusLine.SetText(LoadStr(kIdsRecordSizeZero));
                    return false;
                }
                ClearKnown();
                m_Known.aid = m_nAid;
                m_Known.fileNo = m_nFileNo;
                m_Known.assumed = true;
                m_Known.type = a.type;
                m_Known.commSettings = a.commSettings;
                if (a.accessKind == kRightRead) m_Known.read = a.condition;
                if (a.accessKind == kRightWrite) m_Known.write = a.condition;
                if (a.accessKind == kRightReadWrite) m_Known.readWrite = a.condition;
                m_Known.limitedCredit = a.limitedCredit;
                m_Known.freeGetValue = a.freeGetValue;
                m_Known.recordSize = a.recordSize;
                if (m_OnSettings) m_OnSettings();
            } else {
                m_StatusLine.SetText(LoadStr(kIdsCancelled));
                m_bCancelled = true;
                return false;
            }
            if (m_Known.type == 0xFF) return false;
        }
    }
    if (!KindMatches(kind, m_Known.type)) {
        m_StatusLine.SetText(LoadStr(kIdsOtherFileType));
        return false;
    }
    return true;
}

bool CFileRwFrame::KeyAuthenticated(uint8_t key) const
{
    return AuthenticatedWith(m_Status, m_nAid, key);
}

bool CFileRwFrame::AccessCheck(FileOp op)
{
    // The card hands out such a value without any key.
    if (op == FileOp::GetValue && m_Known.freeGetValue) return true;
    const std::vector<uint8_t> conds = Granting(op, m_Known);
    const bool valueKind = op != FileOp::Read && op != FileOp::Write;
    for (uint8_t c : conds) {
        if (valueKind && KeyAuthenticated(c)) return true;
    }
    bool allNever = true, anyFree = false;
    for (uint8_t c : conds) {
        allNever = allNever && c == kAccessNever;
        anyFree = anyFree || c == kAccessFree;
    }
    if (allNever) {
        m_StatusLine.SetText(LoadStr(op == FileOp::Read ? kIdsReadProtected : kIdsWriteProtected));
        return false;
    }
    if (anyFree) return true;
    std::vector<uint8_t> keys;
    for (uint8_t c : conds) {
        if (IsKey(c)) keys.push_back(c);
        if (KeyAuthenticated(c)) return true;
    }
    if (op == FileOp::Credit || op == FileOp::ClearRecords) {
        return !keys.empty() && EnsureAuthenticated(m_nPort, m_Status, m_nAid, keys[0], &m_StatusLine, true);
    }
    for (uint8_t k : keys) {
        if (EnsureAuthenticated(m_nPort, m_Status, m_nAid, k, &m_StatusLine, false)) return true;
    }
    return !keys.empty() && AuthenticateOneOf(m_nPort, m_Status, m_nAid, keys, &m_StatusLine);
}

void CFileRwFrame::StoreCache()
{
    for (CFileInfo& f : m_Status.m_FileInfoList) {
        if (f.aid != m_Known.aid || f.fileNo != m_Known.fileNo) continue;
        f.fileType = m_Known.type;
        f.commSettings = m_Known.commSettings;
        f.recordSize = m_Known.recordSize;
        if (m_Known.read != kUnknownSetting) f.readKey = m_Known.read;
        if (m_Known.write != kUnknownSetting) f.writeKey = m_Known.write;
        if (m_Known.readWrite != kUnknownSetting) f.readWriteKey = m_Known.readWrite;
        return;
    }
    CFileInfo f;
    f.aid = m_Known.aid;
    f.fileNo = m_Known.fileNo;
    f.fileType = m_Known.type;
    f.commSettings = m_Known.commSettings;
    f.readKey = m_Known.read;
    f.writeKey = m_Known.write;
    f.readWriteKey = m_Known.readWrite;
    f.limitedCredit = m_Known.limitedCredit;
    f.freeGetValue = m_Known.freeGetValue;
    f.recordSize = m_Known.recordSize;
    m_Status.m_FileInfoList.push_back(f);
}

void CFileRwFrame::DropCache()
{
    const int aid = m_Known.aid >= 0 ? m_Known.aid : -1;
    auto& list = m_Status.m_FileInfoList;
    for (auto it = list.begin(); it != list.end();) {
        if ((aid < 0 || it->aid == aid) && it->fileNo == m_nFileNo) {
            it = list.erase(it);
        } else {
            ++it;
        }
    }
}

bool CFileRwFrame::Attempt(FileKind kind, int rights, FileOp op, const QString& progressText,
                           const std::function<int(uint8_t mode)>& run)
{
    m_bCancelled = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool first = attempt == 0;
        // A user who cancelled the file-type request is not asked again.
        if (!Prepare(kind, rights, first)) {
            if (m_bCancelled) return false;
            continue;
        }
        if (!AccessCheck(op)) {
            if (!first) return false;
            DropCache();
            continue;
        }
        if (!progressText.isEmpty()) {
            m_StatusLine.SetText(progressText);
            if (!m_ProgressTexts.contains(progressText)) m_ProgressTexts << progressText;
        }
        m_nLastResult = run(CommModeFor(op, m_Known, m_Status, m_nAid));
        if (m_nLastResult >= 0) {
            if (m_Known.assumed) {
                StoreCache();
            } else {
                DropCache();
            }
            return true;
        }
        bool boundary = false;
        if (first || m_Known.assumed) {
            boundary = Kavex_GetLastError(m_nPort) == KAVEX_DF_BOUNDARY_ERROR;
            if (boundary && m_Known.assumed) StoreCache();
            if (!boundary && first) DropCache();
        }
        ForgetSettingsFile();
        m_Status.ResetAuth();
        if (boundary) return false;
    }
    return false;
}

void CFileRwFrame::FinalStatus()
{
    const QString text = m_StatusLine.Text();
    if (text.isEmpty() || m_ProgressTexts.contains(text)) {
        m_StatusLine.SetText(GetStatusText(m_nPort, true, &m_Status));
    }
}

bool CFileRwFrame::Commit()
{
    if (Kavex_DFCommitTransaction(m_nPort) >= 0) return true;
    m_StatusLine.SetText(GetStatusText(m_nPort, true, &m_Status));
    m_Status.ResetAuth();
    return false;
}

} // namespace velmora
