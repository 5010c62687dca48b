// The dialogs' control ids and the main window's menu command ids. They are
// the object names of the widgets in the templates (resources/templates/),
// so a number here may only change together with its template. One number
// may have a name in several dialogs where its role differs.
#pragma once

namespace velmora {

// Every dialog.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdcStatus = 1068;   // status line
inline constexpr int kIdcKeyValue = 1114; // key text
inline constexpr int kIdcLoadKey = 1069;  // "Laden": a key from the key store
inline constexpr int kIdcAidCombo = 1163; // application ID from the card's list

// Main window (velmora_dlg.ui).
inline constexpr int kIdcActivateCard = 1085;
inline constexpr int kIdcUid = 1009; // from the activation
inline constexpr int kIdcKeyStore = 1075;
inline constexpr int kIdcReadUid = 1074;
inline constexpr int kIdcCardUid = 1010; // from GetCardUID
inline constexpr int kIdcGetFreeMemory = 1072;
inline constexpr int kIdcFreeMemory = 1184;
inline constexpr int kIdcCardVersion = 1078;
inline constexpr int kIdcFormatCard = 1071;
inline constexpr int kIdcCardKeySettings = 1105;
inline constexpr int kIdcCardKeyValues = 1107;
inline constexpr int kIdcMoreCardSettings = 1136;
inline constexpr int kIdcAppList = 1080;
inline constexpr int kIdcReadAppIds = 1077;
inline constexpr int kIdcCreateApp = 1073;
inline constexpr int kIdcAppKeySettings = 1104;
inline constexpr int kIdcDeleteApp = 1076;
inline constexpr int kIdcAppKeyValues = 1106;
inline constexpr int kIdcAidEdit = 1081; // typed application ID, in place of kIdcAidCombo
inline constexpr int kIdcFileList = 1092;
inline constexpr int kIdcReadFileIds = 1079;
inline constexpr int kIdcCreateFile = 1084;
inline constexpr int kIdcFileSettings = 1101;
inline constexpr int kIdcDeleteFile = 1089;
inline constexpr int kIdcReadWriteFile = 1100;

// Main window menu commands (object names of the menu's actions).
inline constexpr int kIdmAbout = 16;
inline constexpr int kIdmChooseInterface = 216;
inline constexpr int kIdmGerman = 217;
inline constexpr int kIdmEnglish = 218;

// Interface dialog (port_dlg.ui).
inline constexpr int kIdcInterfaceList = 1012;
inline constexpr int kIdcEthernet = 1250;
inline constexpr int kIdcIpSearch = 1256;
inline constexpr int kIdcHidMode = 1035;
inline constexpr int kIdcVirtualCom = 1036;
inline constexpr int kIdcBaud = 1011;
inline constexpr int kIdcParity = 1013;
inline constexpr int kIdcStopBits = 1014;
inline constexpr int kIdcTimeout = 1002;
inline constexpr int kIdcAddress = 1003;
inline constexpr int kIdcDevicePath = 1260; // a device path typed by the user

// Confirmation question (confirm_dlg.ui).
inline constexpr int kIdcQuestion = 1186;

// Key store views (key_store_edit_dlg.ui, key_store_load_dlg.ui) and entries
// (new_key_dlg.ui, change_key_dlg.ui).
inline constexpr int kIdcKeyList = 1202;
inline constexpr int kIdcKeyStoreStatus = 1197;
inline constexpr int kIdcNewKey = 3;
inline constexpr int kIdcDeleteKey = 1203;
inline constexpr int kIdcEditKey = 1205;
inline constexpr int kIdcKeyName = 1201;

// Authentication (authenticate_dlg.ui, masterkey_authent_dlg.ui).
inline constexpr int kIdcAuthenticate = 1067;
inline constexpr int kIdcAuthAidEdit = 1077;
inline constexpr int kIdcAuthKeyNoEdit = 1074;
inline constexpr int kIdcAuthKeyNoCombo = 1179;
inline constexpr int kIdcMasterKeyLabel = 1210;

// About box (about_dlg.ui).
inline constexpr int kIdcAboutTitle = 20450;
inline constexpr int kIdcUpdateLine = 20451;
inline constexpr int kIdcAutoUpdate = 20452;
inline constexpr int kIdcAboutLogo = 20453;
inline constexpr int kIdcWebLink = 20454;
inline constexpr int kIdcMailLink = 20455;
// Card and key dialogs (card_key_settings_dlg.ui, card_master_key_dlg.ui,
// app_key_settings_dlg.ui, app_key_values_dlg.ui, card_config_dlg.ui,
// card_version_dlg.ui).
inline constexpr int kIdcGetSettings = 1102;
inline constexpr int kIdcChangeSettings = 1114;
inline constexpr int kIdcFreezeSettings = 1116;
inline constexpr int kIdcToAes = 1115;
inline constexpr int kIdcMasterKeyChangeable = 1125; // settings bit 0
inline constexpr int kIdcFreeDirectory = 1123;       // bit 1
inline constexpr int kIdcFreeCreateDelete = 1124;    // bit 2
inline constexpr int kIdcConfigChangeable = 1122;    // bit 3
inline constexpr int kIdcNewKeyValue = 1105;
inline constexpr int kIdcOldKey = 1106;
inline constexpr int kIdcOldKeyLabel = 1127;
inline constexpr int kIdcLoadOldKey = 1070;
inline constexpr int kIdcNewKeyVersion = 1113;
inline constexpr int kIdcChangeKey = 1104;
inline constexpr int kIdcGetKeyVersion = 1111;
inline constexpr int kIdcKeyVersion = 1112;
inline constexpr int kIdcAppAidEdit = 1077;
inline constexpr int kIdcKeyCount = 1099;
inline constexpr int kIdcCryptoMethod = 1100;
inline constexpr int kIdcChangeKeyAccessLabel = 1213;
inline constexpr int kIdcChangeKeyAccess = 1121;
inline constexpr int kIdcAppMasterKeyMode = 1219;
inline constexpr int kIdcKeyNumberMode = 1220;
inline constexpr int kIdcKeyNoCombo = 1179;
inline constexpr int kIdcKeyNoEdit = 1200;
inline constexpr int kIdcReadKeySettings = 1071;
inline constexpr int kIdcSetDefaultKey = 1185;
inline constexpr int kIdcDefaultKey = 1141;
inline constexpr int kIdcDefaultKeyVersion = 1140;
inline constexpr int kIdcSetHistoricalByte = 1188;
inline constexpr int kIdcHistoricalByte = 1148;
inline constexpr int kIdcLockFormat = 1186;
inline constexpr int kIdcRandomUid = 1187;
inline constexpr int kIdcConfigStatus = 1197;
inline constexpr int kIdcStorageSize = 1207;
inline constexpr int kIdcVersionUid = 1209;
inline constexpr int kIdcVendor = 1208;
inline constexpr int kIdcHardwareType = 1210;
inline constexpr int kIdcHardwareVersion = 1212;
inline constexpr int kIdcSoftwareType = 1211;
inline constexpr int kIdcSoftwareVersion = 1213;
inline constexpr int kIdcProductionDate = 1214;
// Application and file dialogs (create_app_dlg.ui, delete_app_dlg.ui,
// create_file_dlg.ui, delete_file_dlg.ui, file_settings_dlg.ui). The AID is
// kIdcAidCombo or, in its place, kIdcAidEdit; "Löschen" is kIdOk.
inline constexpr int kIdcFileNoEdit = 1300;
inline constexpr int kIdcFileNoCombo = 1301; // in place of kIdcFileNoEdit
inline constexpr int kIdcGetFileNos = 1302;  // "File-IDs holen"
inline constexpr int kIdcCommMode = 1303;
inline constexpr int kIdcReadAccess = 1304;
inline constexpr int kIdcWriteAccess = 1305;
inline constexpr int kIdcReadWriteAccess = 1306;
inline constexpr int kIdcChangeAccess = 1307;
inline constexpr int kIdcStdDataFile = 1308; // the five file type radio buttons, in type order
inline constexpr int kIdcBackupDataFile = 1309;
inline constexpr int kIdcValueFile = 1310;
inline constexpr int kIdcLinearRecordFile = 1311;
inline constexpr int kIdcCyclicRecordFile = 1312;
inline constexpr int kIdcFileSize = 1313;
inline constexpr int kIdcLowerLimit = 1314;
inline constexpr int kIdcUpperLimit = 1315;
inline constexpr int kIdcStartValue = 1316;
inline constexpr int kIdcLimitedCreditValue = 1317;
inline constexpr int kIdcLimitedCredit = 1318; // "Limitierte Erhöhung erlaubt"
inline constexpr int kIdcFreeGetValue = 1319;  // "Wert holen ohne Zugriffsrechte"
inline constexpr int kIdcRecordSize = 1320;
inline constexpr int kIdcMaxRecords = 1321;
inline constexpr int kIdcCurrentRecords = 1322;
inline constexpr int kIdcCreate = 1323;             // "Erzeugen"
inline constexpr int kIdcGetFileSettings = 1324;    // "Eigenschaften holen"
inline constexpr int kIdcChangeFileSettings = 1325; // "Eigenschaften ändern"
inline constexpr int kIdcNewAppKeyCount = 1326;
inline constexpr int kIdcCipher = 1327;
inline constexpr int kIdcChangeKeyRule = 1328;
inline constexpr int kIdcSettingsChangeable = 1329;        // key settings bit 3
inline constexpr int kIdcNewAppMasterKeyChangeable = 1330; // bit 0
inline constexpr int kIdcNewAppFreeDirectory = 1331;       // bit 1
inline constexpr int kIdcNewAppFreeCreateDelete = 1332;    // bit 2
// LAN readers: the IP list (ip_addr_search_dlg.ui) and the LAN settings
// (lan_config_dlg.ui).
inline constexpr int kIdcLanList = 1295;
inline constexpr int kIdcLanIpAddress = 1243;
inline constexpr int kIdcLanMask = 1244;
inline constexpr int kIdcLanGateway = 1245;
inline constexpr int kIdcLanIpPort = 1246;
inline constexpr int kIdcLanDhcpName = 1247;
inline constexpr int kIdcLanDhcpPort = 1248;
inline constexpr int kIdcLanDhcp = 1251;
inline constexpr int kIdcLanFixed = 1252;
inline constexpr int kIdcLanProgress = 1253;

// File read/write (file_read_write_dlg.ui with its pages data_file_rw_page.ui,
// value_file_rw_page.ui, record_file_rw_page.ui; the file-type request
// file_type_for_rw_dlg.ui). The pages sit inside the dialog, so their
// numbers differ from each other's and from the dialog's; they reuse the
// file dialogs' numbers for the same fields (kIdcFileSize, kIdcLowerLimit,
// kIdcRecordSize, ...).
inline constexpr int kIdcRwReadFileType = 1400; // "File-Typ lesen"
inline constexpr int kIdcRwTabs = 1401;         // "Unbestimmt", "Data-File", "Value File", "Record-File"
inline constexpr int kIdcRwProgress = 1402;     // shown while a transfer of several frames runs
inline constexpr int kIdcRwAskFileType = 1410;  // the request's file type list
inline constexpr int kIdcRwAccessKind = 1411;   // "Lesezugriff", "Schreibzugriff", "Lese-/Schreibzugriff"
inline constexpr int kIdcRwAccessRight = 1412;
inline constexpr int kIdcRwDataFileType = 1420;
inline constexpr int kIdcRwOffset = 1421;
inline constexpr int kIdcRwLength = 1422;
inline constexpr int kIdcRwData = 1423;
inline constexpr int kIdcRwDataHex = 1424;
inline constexpr int kIdcRwDataAscii = 1425;
inline constexpr int kIdcRwReadData = 1426;  // "Lesen"
inline constexpr int kIdcRwWriteData = 1427; // "Schreiben"
inline constexpr int kIdcRwSaveData = 1428;  // "Speichern..."
inline constexpr int kIdcRwLoadData = 1429;  // "Laden..."
inline constexpr int kIdcRwValue = 1430;
inline constexpr int kIdcRwAmount = 1431;
inline constexpr int kIdcRwDecimal = 1432;
inline constexpr int kIdcRwValueHex = 1433;
inline constexpr int kIdcRwGetValue = 1434;
inline constexpr int kIdcRwCredit = 1435;
inline constexpr int kIdcRwLimitedCredit = 1436;
inline constexpr int kIdcRwDebit = 1437;
inline constexpr int kIdcRwValueFileType = 1438;
inline constexpr int kIdcRwRecordFileType = 1439;
inline constexpr int kIdcRwRecordTabs = 1440; // "Lesen", "Schreiben"
inline constexpr int kIdcRwStartRecord = 1441;
inline constexpr int kIdcRwRecordCount = 1442;
inline constexpr int kIdcRwRecords = 1443; // the records read
inline constexpr int kIdcRwRecordsHex = 1444;
inline constexpr int kIdcRwRecordsAscii = 1445;
inline constexpr int kIdcRwReadRecords = 1446;
inline constexpr int kIdcRwSaveRecords = 1447;
inline constexpr int kIdcRwRecordText = 1448; // the record to write
inline constexpr int kIdcRwRecordHex = 1449;
inline constexpr int kIdcRwRecordAscii = 1450;
inline constexpr int kIdcRwWriteRecord = 1451;
inline constexpr int kIdcRwClearRecords = 1452;
inline constexpr int kIdcRwLoadRecord = 1453;

} // namespace velmora
