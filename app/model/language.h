// "Settings"/"Sprache" is read in three places, each with its own rule; the
// rules live here so that they cannot drift apart.
#pragma once

namespace velmora {

int StoredLanguage(); // "Settings"/"Sprache", default 0
void StoreLanguage(int value);

// Dialogs and string table: English resources for 1 and above.
bool WantsEnglishResources(int value);
// Menu entries: 0 offers only "to English", 1 only "to German", anything
// else both.
bool OffersGermanEntry(int value);
bool OffersEnglishEntry(int value);
// The language argument for Kavex_GetErrorText: German only for 0.
int SdkTextLanguage(int value);

} // namespace velmora
