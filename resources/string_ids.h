// Names of the string-table ids that the program's code asks for
// (resources/string_table.h holds the texts). The German text is given
// where the name alone does not say it.
#pragma once

namespace velmora {

inline constexpr int kIdsAboutMenu = 101; // "&Info über Kavex Velmora..."
// Entries of the "change key" combos.
inline constexpr int kIdsChangeKeyMaster = 104;  // "Schlüssel 0 (Hauptschlüssel (HS))"
inline constexpr int kIdsChangeKeySame = 105;    // "gleichem Schlüssel"
inline constexpr int kIdsChangeKeyFrozen = 106;  // "Schlüssel ab 1 sind unveränderlich"
inline constexpr int kIdsChangeKeyNumber1 = 153; // "Schlüssel 1 (außer HS und 1)", then up to key 13
inline constexpr int kIdsNone = 114;             // "--"
inline constexpr int kIdsNoApplications = 138;
inline constexpr int kIdsTripleDes3kUnsupported = 139;
inline constexpr int kIdsOperationOk = 140; // "Operation erfolgreich"
inline constexpr int kIdsNoFiles = 141;
inline constexpr int kIdsError = 142; // "Fehler"
inline constexpr int kIdsFormatQuestion = 143;
inline constexpr int kIdsAuthFailed = 148;
inline constexpr int kIdsFormatCaption = 168; // "Karte zurücksetzen"
inline constexpr int kIdsFormatButton = 175;  // "Zurücksetzen"
inline constexpr int kIdsFileIdInvalid = 184;
inline constexpr int kIdsKeyNoTooBig = 186;
inline constexpr int kIdsAidMissing = 187;
inline constexpr int kIdsAuthMissing = 189;
inline constexpr int kIdsDeleteOk = 190;
inline constexpr int kIdsKeyNameExistsOverwrite = 192;
inline constexpr int kIdsCancelled = 193; // "Abgebrochen"
inline constexpr int kIdsSelectKey = 194;
inline constexpr int kIdsAidZero = 196;
inline constexpr int kIdsKeyNoMissing = 197;
inline constexpr int kIdsAppMasterKeyLabel = 198; // "Hauptschlüssel der Applikation "
inline constexpr int kIdsKeyLengthLabel = 199;    // "(0-16 Byte, Auffüllung mit 0):"
inline constexpr int kIdsKeyLoaded = 200;
inline constexpr int kIdsAidNotHex = 201;
inline constexpr int kIdsFileIdNotDecimal = 202;
inline constexpr int kIdsFileIdMissing = 203;
inline constexpr int kIdsKeyNameExists = 209;
inline constexpr int kIdsChooseInterface = 216;
inline constexpr int kIdsGerman = 217;
inline constexpr int kIdsEnglish = 218;
inline constexpr int kIdsNoReader = 219;   // "An diesem Port ist kein Leser angeschlossen. ..."
inline constexpr int kIdsFirmware = 220;   // "FW V%d.%02d"
inline constexpr int kIdsReaderOnly = 221; // "Das gewählte Gerät ist ein reiner Leser! ..."
inline constexpr int kIdsKeyNoNotDecimal = 222;
inline constexpr int kIdsNoDesfire = 225;
inline constexpr int kIdsAidTooLong = 231;
inline constexpr int kIdsAuthWithKeyNo = 232;
inline constexpr int kIdsAlreadyAuthWithKeyNo = 233;
inline constexpr int kIdsAuthWithMasterKey = 240;
inline constexpr int kIdsAlreadyAuthWithMasterKey = 241;
inline constexpr int kIdsNoLindorDriver = 10133;
inline constexpr int kIdsNoVcomDriver = 10134;
inline constexpr int kIdsLoadDriver = 10135; // "Treiber laden und installieren?"
// Texts of the Linux program.
inline constexpr int kIdsLaterVersion = 20001; // "Folgt in einer späteren Version"
inline constexpr int kIdsProgramMenu = 20002;
inline constexpr int kIdsWholeNumber = 20003;
inline constexpr int kIdsNumberRange = 20004;
inline constexpr int kIdsProductName = 20005;
inline constexpr int kIdsAboutText = 20006;
inline constexpr int kIdsManual = 20008;
inline constexpr int kIdsNameColumn = 20009;
inline constexpr int kIdsValueColumn = 20010;
inline constexpr int kIdsNoPdfViewer = 20030;
inline constexpr int kIdsManualMissing = 20036; // "... im Ordner\n%1\n..." (the folder searched)
// Reader state and typed device paths.
inline constexpr int kIdsNoReaderOpen = 20031;       // "Kein Leser geöffnet – bitte eine Schnittstelle wählen"
inline constexpr int kIdsNoReaderCaption = 20032;    // "kein Leser" (in the caption's <>)
inline constexpr int kIdsOpenFailed = 20033;         // "%1 lässt sich nicht öffnen: %2" (port, SDK text)
inline constexpr int kIdsDevicePathMissing = 20034;  // "Den Gerätepfad %1 gibt es nicht."
inline constexpr int kIdsDevicePathNoDevice = 20035; // "%1 ist kein Gerät einer seriellen Schnittstelle ..."

// LAN readers.
inline constexpr int kIdsLanValidAddress = 10128; // "Gültige IP Adresse eingeben!"
inline constexpr int kIdsLanListCaption = 10129;  // "Liste aller gefundenen IP-Adressen"
inline constexpr int kIdsLanNoneFound = 10131;    // "Keine Geräte gefunden! ..." (firewall hint)
inline constexpr int kIdsLanNotSet = 10132;    // "IP-Adresse, Subnetzmaske oder Gateway konnte nicht gesetzt werden!"
inline constexpr int kIdsLanPortRange = 20300; // the TCP port must lie in 1..65535
inline constexpr int kIdsLanAddressNotUsable = 20301; // broadcast, multicast or loopback address
inline constexpr int kIdsLanMaskNotContiguous = 20302;
inline constexpr int kIdsLanNameRules = 20303;  // 1..16 characters, no brackets or control characters
inline constexpr int kIdsLanNotReached = 20304; // "... antwortet unter %1 nicht" (the new name)
inline constexpr int kIdsLanValidGateway = 20305;

} // namespace velmora
