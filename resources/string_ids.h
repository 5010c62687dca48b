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

// Update check, about box and the installer download.
inline constexpr int kIdsUpdateNoConnection = 20400;  // "Keine Internet Verbindung: Update Prüfung nicht möglich!"
inline constexpr int kIdsUpdateNoFile = 20401;        // "Keine Datei gefunden: Update Prüfung nicht möglich!"
inline constexpr int kIdsUpdateNewVersion = 20402;    // "Neue Version:%1 V %2 (%3)" (program, version, build)
inline constexpr int kIdsUpdateCurrent = 20403;       // "%1 ist aktuell" (program)
inline constexpr int kIdsUpdateStarting = 20404;      // "Update wird gestartet, bitte warten!"
inline constexpr int kIdsInstallerAsk = 20405;        // "... von\n%1\nherunterladen ..." (address)
inline constexpr int kIdsInstallerVerified = 20406;   // "... geprüft und unter\n%1\ngespeichert ..." (path)
inline constexpr int kIdsInstallerUnverified = 20407; // "... unter\n%1\ngespeichert, nicht geprüft ..." (path)
inline constexpr int kIdsInstallerDigestMismatch = 20408; // "... stimmt nicht mit der Prüfsumme ... gelöscht."
inline constexpr int kIdsInstallerFailed = 20409;         // "... nicht heruntergeladen werden: %1" (one of the next)
inline constexpr int kIdsInstallerNotHttps = 20410;
inline constexpr int kIdsInstallerNoConnection = 20411;
inline constexpr int kIdsInstallerHttpStatus = 20412; // "%1": the HTTP status
inline constexpr int kIdsInstallerIncomplete = 20413;
inline constexpr int kIdsInstallerTooLarge = 20414;
inline constexpr int kIdsInstallerWriteFailed = 20415; // "%1": why, or the folder

// Card and key dialogs.
inline constexpr int kIdsCrypto3K3Des = 109;
inline constexpr int kIdsCryptoAes = 110;
inline constexpr int kIdsCryptoDes = 108;       // "(3)DES"
inline constexpr int kIdsMasterKeyFrozen = 151; // "Der Hauptschlüssel dieser Applikation kann nicht verändert werden"
inline constexpr int kIdsKeysFrozen = 152;      // "Die Schlüssel ab 1 können ... nicht verändert werden"
inline constexpr int kIdsAppSettingsFrozen = 166; // "Die Schlüsseleinstellungen der Applikation sind unveränderlich"
inline constexpr int kIdsFieldsMissing = 167;     // "Es sind nicht alle Felder gefüllt "
inline constexpr int kIdsRandomUidQuestion = 169;
inline constexpr int kIdsNoFormatQuestion = 170;
inline constexpr int kIdsRandomUidCaption = 171;
inline constexpr int kIdsRandomUidButton = 172;
inline constexpr int kIdsNoFormatCaption = 173;
inline constexpr int kIdsNoFormatButton = 174;
inline constexpr int kIdsKeyNotHex = 176;   // "Schlüsselwert ist nicht hexadezimal"
inline constexpr int kIdsAtsTooShort = 178; // "Keine Karte oder Karte nicht aktiviert oder ATS zu kurz"
inline constexpr int kIdsRandomUid = 195;   // "zufällige UID"
inline constexpr int kIdsFreezeCardSettingsQuestion = 210;
inline constexpr int kIdsFreezeCardSettingsCaption = 211;
inline constexpr int kIdsFreezeCardSettingsButton = 212;
inline constexpr int kIdsToAesCaption = 213;
inline constexpr int kIdsToAesQuestion = 214;
inline constexpr int kIdsToAesButton = 215;
inline constexpr int kIdsCardSettingsFrozen = 230;         // "Die Kartenschlüsseleinstellungen sind unveränderlich"
inline constexpr int kIdsReadOk = 234;                     // "Auslesen erfolgreich"
inline constexpr int kIdsByteNotHex = 20100;               // "Der Wert ist kein hexadezimales Byte (0 bis 2 Ziffern)"
inline constexpr int kIdsConfirmMasterKey = 20101;         // "... ändern auf\n%1\n(%2) ? ..." (key bytes, key type)
inline constexpr int kIdsConfirmFreezeAppSettings = 20102; // "... der Applikation %1 unveränderlich machen ? ..."
// Application and file dialogs.
inline constexpr int kIdsCommPlain = 20200;       // "Unverschlüsselt"
inline constexpr int kIdsCommMac = 20201;         // "Unverschlüsselt mit MAC"
inline constexpr int kIdsCommEnciphered = 20202;  // "Voll verschlüsselt"
inline constexpr int kIdsAccessFree = 20203;      // "immer"
inline constexpr int kIdsAccessNever = 20204;     // "nie"
inline constexpr int kIdsAccessMasterKey = 20205; // "Authentifizieren mit Hauptschlüssel"
inline constexpr int kIdsAccessKeyN = 20206;      // "Authentifizieren mit Schlüssel %1"
inline constexpr int kIdsMaxKeys = 20207;
inline constexpr int kIdsChangeKeyTooBig = 20208;
inline constexpr int kIdsLowerAboveUpper = 20209;
inline constexpr int kIdsValueOutsideLimits = 20210;
inline constexpr int kIdsAccessRightsFrozen = 20211;
inline constexpr int kIdsDeleteAppQuestion = 20212;    // "%1": the AID
inline constexpr int kIdsDeleteFileQuestion = 20213;   // "%1": the file number, "%2": the AID
inline constexpr int kIdsFreezeAccessQuestion = 20214; // "%1": the file number
inline constexpr int kIdsNotEnoughMemory = 20215;      // "%1" bytes needed, "%2" free
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

// File read/write.
inline constexpr int kIdsReadProtected = 20500;
inline constexpr int kIdsWriteProtected = 20501;
inline constexpr int kIdsOtherFileType = 20502;
inline constexpr int kIdsNoDataToWrite = 20503;
inline constexpr int kIdsNoRecords = 20504;
inline constexpr int kIdsReading = 20505;
inline constexpr int kIdsWriting = 20506;
inline constexpr int kIdsRecordSizeZero = 20507;
inline constexpr int kIdsEnterPositiveInteger = 20508;
inline constexpr int kIdsWriteHexInvalid = 20509;
inline constexpr int kIdsRecordTextTooLong = 20510;
inline constexpr int kIdsDataBeyondFile = 20511;
inline constexpr int kIdsAmountRange = 20512;
inline constexpr int kIdsRecordSizeUnknown = 20513;
inline constexpr int kIdsClearRecordsAsk = 20514;
inline constexpr int kIdsTooMuchAtOnce = 20515;

// File read/write dialog: file type names, saving and loading data.
inline constexpr int kIdsStdDataFileName = 20516;
inline constexpr int kIdsBackupDataFileName = 20517;
inline constexpr int kIdsValueFileName = 20518;
inline constexpr int kIdsLinearRecordFileName = 20519;
inline constexpr int kIdsCyclicRecordFileName = 20520;
inline constexpr int kIdsNothingToSave = 20521;
inline constexpr int kIdsSaveDataCaption = 20522;
inline constexpr int kIdsLoadDataCaption = 20523;
inline constexpr int kIdsBinaryFilter = 20524;
inline constexpr int kIdsTextFilter = 20525;
inline constexpr int kIdsFileNotWritten = 20526;
inline constexpr int kIdsFileNotRead = 20527;
inline constexpr int kIdsSavedTo = 20528;
inline constexpr int kIdsLoadedFrom = 20529;
inline constexpr int kIdsAsciiLosesBytes = 20530;
inline constexpr int kIdsNotOneByte = 20531; // a write text character outside Latin-1
// Settings file.
inline constexpr int kIdsSettingsBrokenKept = 20600;

} // namespace velmora
