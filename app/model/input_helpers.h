// Filling and checking the application-ID, key-number and file-ID inputs
// that the card dialogs share. Everything is checked before any card
// traffic; the first failing check names the problem in the status line.
#pragma once

#include "app/model/card_status.h"

#include <QString>

#include <cstdint>

namespace velmora {

class CtlCombo;
class CtlList;
class CtlText;
class CtlWindow;

bool FillAppIdList(CtlList& list, int port, CCardStatus& status);
bool FillAppIdCombo(int port, CCardStatus& status, CtlCombo& combo, CtlWindow* alternative, bool withCardLevel,
                    bool requireApps, QString* message, bool selectFirst);

// combo or edit may be null; the visible one is checked.
bool ValidateAid(CtlCombo* combo, CtlText* edit, CtlText* statusWnd, bool allowZero);
uint32_t GetAidFromCombo(const CtlCombo& combo);
uint32_t GetAidFromEdit(const CtlText& edit);
bool ValidateKeyNumber(CtlCombo* combo, CtlText* edit, CtlText* statusWnd);
bool ValidateFileNumber(CtlCombo* combo, CtlText* edit, CtlText* statusWnd);
// A checked key or file number as the byte the card gets: decimal, modulo
// 256 (the checks take "256" for 0).
int KeyNumberFromText(const QString& text);
// A checked file number (0 to kMaxFileNo); -1 for any other text.
inline constexpr int kMaxFileNo = 31;
int FileNumberFromText(const QString& text);

bool FillFileIdCombo(int port, CCardStatus& status, CtlCombo& combo, bool noFilesIsError, QString* message, bool ask);
bool SelectAppAndFillFileIds(int port, CCardStatus& status, CtlCombo& aidCombo, CtlText* aidEdit, CtlCombo& fileCombo,
                             CtlText* fileEdit, QString* message, bool automatic);
bool FillFileIdList(int port, CCardStatus& status, CtlList& list, int aid, bool ask);

// The text of the visible one of combo and edit ("" when neither is shown).
QString VisibleText(const CtlCombo* combo, const CtlText* edit);

} // namespace velmora
