// Creating, deleting and reconfiguring files: the card sequences behind the
// file dialogs. The dialogs read and check their fields, hand the values
// in, and show what the sequence writes to their status line.
#pragma once

#include "app/model/file_access_lists.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

namespace velmora {

class CCardStatus;
class CtlText;

enum class FileType : int { StandardData = 0, BackupData = 1, Value = 2, LinearRecord = 3, CyclicRecord = 4 };

// What the file dialogs need to know of an application: how many keys its
// access lists offer and whether files may be made without its master key.
struct AppKeyInfo {
    bool known = false;
    int keyCount = 14;
    bool freeCreateDelete = true;
};

// Selects aid and reads its key settings; unknown settings leave the
// defaults. False when aid cannot be selected. The status line gets the
// result either way.
bool ReadAppKeyInfo(int port, CCardStatus& status, uint32_t aid, AppKeyInfo* info, CtlText& statusWnd);

struct NewFile {
    uint32_t aid = 0;
    uint8_t fileNo = 0;
    FileType type = FileType::StandardData;
    uint8_t commSettings = 0;
    AccessConditions access;
    int64_t fileSize = 32; // data files
    int64_t lowerLimit = 0, upperLimit = 10, value = 0;
    uint8_t limitedCredit = 0; // bit 0 limited credit, bit 1 free GetValue
    int64_t recordSize = 10, maxRecords = 10;
};

// Empty, or what keeps the file from being created (limits in the wrong
// order, a start value outside them, more bytes than the card has free).
// Sizes and counts are expected in 1 to kMaxCardSize already.
QString CheckNewFile(const NewFile& file, const CCardStatus& status);

struct FileActionResult {
    bool ok = false;
};

// Selects the application, authenticates where its settings want it, and
// creates the file, once more after a fresh authentication when the card
// asks for one.
FileActionResult CreateFile(int port, CCardStatus& status, const NewFile& file, const AppKeyInfo& app,
                            CtlText& statusWnd);

// Always in aid (whatever the model had selected): selects it first.
FileActionResult DeleteFile(int port, CCardStatus& status, uint32_t aid, uint8_t fileNo, CtlText& statusWnd);

// A file's settings as GetFileSettings reports them.
struct FileSettings {
    int type = -1; // 0-4, or whatever byte the card sent
    uint8_t commSettings = 0;
    AccessConditions access;
    bool hasSize = false; // data files
    uint32_t fileSize = 0;
    bool hasValueLimits = false; // value files
    int32_t lowerLimit = 0, upperLimit = 0, limitedCreditValue = 0;
    bool limitedCredit = false, freeGetValue = false;
    bool hasRecords = false; // record files
    uint32_t recordSize = 0, maxRecords = 0, currentRecords = 0;
};

// At least 4 bytes; the type's fields only when the answer holds them.
FileSettings ParseFileSettings(const QByteArray& bytes);

struct FileSettingsResult {
    bool ok = false;
    FileSettings settings;
};

// Selects aid and reads the settings of fileNo, authenticating with the
// master key when the card asks for it.
FileSettingsResult ReadFileSettings(int port, CCardStatus& status, uint32_t aid, uint8_t fileNo, CtlText& statusWnd);

struct FileSettingsChange {
    uint32_t aid = 0;
    uint8_t fileNo = 0;
    // The file's change condition as shown; kUnknownSetting: read it first.
    uint8_t shownChangeCondition = kUnknownSetting;
    // kUnknownSetting where a list has no choice.
    uint8_t commSettings = kUnknownSetting;
    AccessConditions access;
    // Asked before the change condition becomes "nie" for good; false stops.
    std::function<bool()> confirmPermanent;
};

struct ChangeFileSettingsResult {
    bool ok = false;
    // The file's change condition as far as known afterwards: the new one
    // after a change, kUnknownSetting when it could not be read.
    uint8_t changeCondition = kUnknownSetting;
};

ChangeFileSettingsResult ChangeFileSettings(int port, CCardStatus& status, const FileSettingsChange& change,
                                            CtlText& statusWnd);

} // namespace velmora
