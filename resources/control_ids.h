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

} // namespace velmora
