#include "app/model/input_helpers.h"

#include "app/model/card_session.h"
#include "app/model/controls.h"
#include "app/model/hex_text.h"
#include "app/model/number_input.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include "kavex.h"

#include <algorithm>

namespace velmora {

namespace {

const QString kNone = QStringLiteral("--");

void Say(QString* message, const QString& text)
{
    if (message) *message = text;
}

bool Fail(CtlText* statusWnd, int id)
{
    if (statusWnd) statusWnd->SetText(LoadStr(id));
    return false;
}

bool IsHexText(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        const ushort u = c.unicode();
        return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f') || u == ' ';
    });
}

bool IsDecimalText(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; });
}

// The number modulo 256, as the byte it ends up in; computed digit by digit
// so that long inputs cannot overflow.
int DecimalModulo256(const QString& text)
{
    int value = 0;
    for (QChar c : text) value = (value * 10 + (c.unicode() - '0')) % 256;
    return value;
}

bool ValidateNumber(CtlCombo* combo, CtlText* edit, CtlText* statusWnd, int emptyId, int notDecimalId, int limit,
                    int tooBigId)
{
    const QString text = VisibleText(combo, edit);
    if (text.isEmpty()) return Fail(statusWnd, emptyId);
    if (!IsDecimalText(text)) return Fail(statusWnd, notDecimalId);
    if (DecimalModulo256(text) >= limit) return Fail(statusWnd, tooBigId);
    return true;
}

QString FileIdText(int fileNo)
{
    return QString::asprintf("%.2d", fileNo);
}

} // namespace

QString VisibleText(const CtlCombo* combo, const CtlText* edit)
{
    if (combo && combo->IsShown()) return combo->Text();
    if (edit && edit->IsShown()) return edit->Text();
    return QString();
}

bool FillAppIdList(CtlList& list, int port, CCardStatus& status)
{
    list.Clear();
    if (!status.m_bAppIdsRead && !ReadAppIds(port, status, false, nullptr)) {
        list.AddString(LoadStr(kIdsAuthMissing));
        return false;
    }
    for (uint32_t aid : status.m_AppIds) list.AddString(AidToText(aid));
    if (status.m_AppIds.empty()) list.AddString(kNone);
    return true;
}

bool FillAppIdCombo(int port, CCardStatus& status, CtlCombo& combo, CtlWindow* alternative, bool withCardLevel,
                    bool requireApps, QString* message, bool selectFirst)
{
    combo.Clear();
    Say(message, LoadStr(kIdsError));
    if (!status.m_bAppIdsRead) ReadAppIds(port, status, false, message);
    if (!status.m_bAppIdsRead) {
        if (alternative) alternative->SetShown(true);
        combo.SetShown(false);
        return false;
    }
    combo.SetShown(true);
    if (alternative) alternative->SetShown(false);

    if (withCardLevel) combo.AddString(AidToText(0));
    for (uint32_t aid : status.m_AppIds) combo.AddString(AidToText(aid));
    if (combo.Count() == 0) combo.AddString(kNone);

    QString chosen;
    if (withCardLevel) {
        chosen = AidToText(0);
        EnsureAppSelected(port, status, 0, nullptr);
    } else if (status.m_nCurrentAid >= 0 &&
               std::find(status.m_AppIds.begin(), status.m_AppIds.end(), static_cast<uint32_t>(status.m_nCurrentAid)) !=
                   status.m_AppIds.end()) {
        chosen = AidToText(static_cast<uint32_t>(status.m_nCurrentAid));
    } else if (!status.m_AppIds.empty()) {
        chosen = AidToText(status.m_AppIds.front());
        if (selectFirst) EnsureAppSelected(port, status, static_cast<int>(status.m_AppIds.front()), nullptr);
    }

    if (status.m_AppIds.empty() && requireApps) {
        Say(message, LoadStr(kIdsNoApplications));
        return false;
    }
    if (!chosen.isEmpty()) combo.SelectString(chosen);
    Say(message, LoadStr(kIdsOperationOk));
    return true;
}

bool ValidateAid(CtlCombo* combo, CtlText* edit, CtlText* statusWnd, bool allowZero)
{
    const QString text = VisibleText(combo, edit);
    if (text.isEmpty()) return Fail(statusWnd, kIdsAidMissing);
    if (statusWnd && !IsHexText(text)) return Fail(statusWnd, kIdsAidNotHex);
    // Without a status line other characters count as the digit 0.
    QString digits = text;
    for (QChar& c : digits)
        if (!IsHexText(QString(c))) c = QLatin1Char('0');
    // Every significant digit counts: "1000ABCDE" is too long, not AID 0ABCDE.
    const ParsedNumber aid = ParseAid(digits);
    if (aid.value == 0 && aid.Ok() && !allowZero) return Fail(statusWnd, kIdsAidZero);
    if (!aid.Ok()) return Fail(statusWnd, kIdsAidTooLong);
    return true;
}

uint32_t GetAidFromCombo(const CtlCombo& combo)
{
    return HexToNumber(combo.Text());
}

uint32_t GetAidFromEdit(const CtlText& edit)
{
    return HexToNumber(edit.Text());
}

bool ValidateKeyNumber(CtlCombo* combo, CtlText* edit, CtlText* statusWnd)
{
    return ValidateNumber(combo, edit, statusWnd, kIdsKeyNoMissing, kIdsKeyNoNotDecimal, 14, kIdsKeyNoTooBig);
}

bool ValidateFileNumber(CtlCombo* combo, CtlText* edit, CtlText* statusWnd)
{
    // Judged on the whole value: "257" is no file, not file 1.
    const ParsedNumber fileNo = ParseDigits(VisibleText(combo, edit), kMaxFileNo);
    if (fileNo.status == ParsedNumber::Status::Empty) return Fail(statusWnd, kIdsFileIdMissing);
    if (fileNo.status == ParsedNumber::Status::NotNumber) return Fail(statusWnd, kIdsFileIdNotDecimal);
    if (!fileNo.Ok()) return Fail(statusWnd, kIdsFileIdInvalid);
    return true;
}

int FileNumberFromText(const QString& text)
{
    const ParsedNumber fileNo = ParseDigits(text, kMaxFileNo);
    return fileNo.Ok() ? static_cast<int>(fileNo.value) : -1;
}

int KeyNumberFromText(const QString& text)
{
    return IsDecimalText(text) ? DecimalModulo256(text) : 0;
}

bool FillFileIdCombo(int port, CCardStatus& status, CtlCombo& combo, bool noFilesIsError, QString* message, bool ask)
{
    combo.Clear();
    Say(message, LoadStr(kIdsError));
    status.m_bFileIdsRead = false;

    unsigned char ids[32] = {};
    int n = Kavex_DFGetFileIDs(port, ids, sizeof ids);
    if (n < 0) {
        status.ResetAuth();
        if (EnsureAuthenticated(port, status, status.m_nCurrentAid, 0, nullptr, ask))
            n = Kavex_DFGetFileIDs(port, ids, sizeof ids);
        if (n < 0) {
            Say(message, GetListStatusText(port, status));
            status.ResetAuth();
            return false;
        }
    }

    status.m_bFileIdsRead = true;
    for (int i = 0; i < n; ++i) combo.AddString(FileIdText(ids[i]));
    if (n == 0) {
        combo.AddString(kNone);
        if (noFilesIsError) {
            Say(message, LoadStr(kIdsNoFiles));
            return false;
        }
    }
    combo.SetCurSel(0);
    Say(message, GetListStatusText(port, status));
    return true;
}

bool SelectAppAndFillFileIds(int port, CCardStatus& status, CtlCombo& aidCombo, CtlText* aidEdit, CtlCombo& fileCombo,
                             CtlText* fileEdit, QString* message, bool automatic)
{
    fileCombo.Clear();
    Say(message, LoadStr(kIdsError));
    status.m_bFileIdsRead = false;

    bool result = false;
    bool haveAid = true;
    int aid = -1;
    if (automatic) {
        haveAid = status.m_bAppIdsRead;
        if (haveAid) aid = static_cast<int>(GetAidFromCombo(aidCombo));
    } else if (status.m_bAppIdsRead) {
        aid = static_cast<int>(GetAidFromCombo(aidCombo));
    } else if (aidEdit) {
        aid = static_cast<int>(GetAidFromEdit(*aidEdit));
    }

    if (haveAid) {
        QString selectMessage;
        if (!EnsureAppSelected(port, status, aid, &selectMessage)) {
            fileCombo.AddString(kNone);
            Say(message, GetStatusText(port, false, nullptr));
            return false;
        }
        result = FillFileIdCombo(port, status, fileCombo, true, message, !automatic);
    }

    fileCombo.SetShown(status.m_bFileIdsRead);
    if (fileEdit) fileEdit->SetShown(!status.m_bFileIdsRead);
    return result;
}

bool FillFileIdList(int port, CCardStatus& status, CtlList& list, int aid, bool ask)
{
    list.Clear();
    if (status.m_nCurrentAid == 0) {
        list.AddString(kNone);
        return true;
    }
    unsigned char ids[32] = {};
    int n = Kavex_DFGetFileIDs(port, ids, sizeof ids);
    if (n < 0 && EnsureAuthenticated(port, status, aid, 0, nullptr, ask)) n = Kavex_DFGetFileIDs(port, ids, sizeof ids);
    if (n < 0) return false;
    for (int i = 0; i < n; ++i) list.AddString(FileIdText(ids[i]));
    if (n == 0) list.AddString(kNone);
    return true;
}

} // namespace velmora
