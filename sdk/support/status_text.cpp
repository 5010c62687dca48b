// This file is UTF-8: the German texts and the registered sign are written
// as they are and end up as UTF-8 sequences in the compiled strings.
#include "sdk/support/status_text.h"

#include <cstddef>
#include <cstdio>

#include "kavex.h"

namespace kavex {
namespace {

struct StatusText {
    int code;
    const char* english;
    const char* german;
};

// The texts are quoted exactly as the readers' documentation and existing
// operator instructions show them, typos and stray trailing commas
// included: people search for these strings, so they are not "corrected".

// Every code named in kavex.h (KAVEX_STATUS_CODES) has its row here.

// Status bytes of the reader and the SDK's own conditions (1 to 0xFFFF).
constexpr StatusText kReaderTexts[] = {
    {KAVEX_ERR_OPEN_PORT, "Error opening the port", "Fehler beim Öffnen des Ports"},
    {KAVEX_ERR_TIMEOUT_VALUE, "Timeout - value invalid", "Timeout - Wert ungültig"},
    {KAVEX_ERR_UNKNOWN_HANDLE, "Port number invalid", "Portnummer ungültig"},
    {KAVEX_ERR_TIMEOUT, "Timeout", "Timeout"},
    {KAVEX_ERR_BUFFER_TOO_SMALL, "given buffer too small", "Übergebener Buffer zu klein"},
    {KAVEX_ERR_BUFFER_SIZE, "buffer size invalid", "Buffergröße ungültig"},
    {KAVEX_ERR_WRONG_PARAMETER, "wrong parameter", "Falscher Parameter"},
    {KAVEX_ERR_NOTHING_TO_SEND, "No data for communication", "Keine Daten für Kommunikation"},
    {KAVEX_ERR_NO_DATA, "No data received", "Keine Daten empfangen"},
    {KAVEX_ERR_CHECKSUM, "Checksum error", "Prüfsummenfehler"},
    {KAVEX_ERR_NO_COMMUNICATION, "No communication to device", "Keine Kommunikation zum Gerät"},
    {KAVEX_ERR_ANSWER_EMPTY, "checkbuffer empty", "Checkbuffer leer"},
    {KAVEX_ERR_MODE_INVALID, "Mode invalid", "Mode ungültig"},
    {KAVEX_ERR_COMMAND_NOT_ALLOWED, "Command not allowed", "Befehl nicht erlaubt"},
    {KAVEX_ERR_BLOCK_NUMBER, "Block number invalid", "Blocknummer ungültig"},
    {KAVEX_ERR_COMMAND, "Command error", "Kommandofehler"},
    {KAVEX_ERR_NO_VALUE_BLOCK, "Block has no value entry", "Block enthält keinen Value Eintrag"},
    {KAVEX_ERR_DATA_AMOUNT, "Data amount wrong", "Datenanzahl falsch"},
    {KAVEX_ERR_NO_TRANSPONDER, "No transponder or transponder not activated",
     "Kein Transponder oder Transponder nicht aktiviert"},
    {KAVEX_ERR_DEVICE_CHECKSUM, "Checksum error from device", "Checksummenfehler vom Gerät"},
    {KAVEX_ERR_COLLISION, "Collision error", "Kollision ist aufgetreten,"},
    {KAVEX_ERR_COMMAND_REFUSED, "Communication aborted, Device does not accept this command",
     "Kommunikationsabbruch, Gerät akzeptiert diesen Befehl nicht"},
    {KAVEX_ERR_AIR_CRC, "Communication error(CRC) at air interface", "Kommunikationsfehler(CRC) bei Luftschnittstelle"},
    {KAVEX_ERR_ISO_COMMAND_NOT_SUPPORTED, "ISO Error Command not supported",
     "ISO Fehler Kommando wird nicht unterstützt"},
    {KAVEX_ERR_ISO_COMMAND_NOT_RECOGNIZED, "ISO Error Command not recognized",
     "ISO Fehler Kommando wurde nicht erkannt"},
    {KAVEX_ERR_ISO_OPTION_NOT_SUPPORTED, "ISO Error Option not supported", "ISO Fehler Option wird nicht unterstützt"},
    {KAVEX_ERR_ISO_NO_INFORMATION, "ISO Error No information", "ISO Fehler Keine Information"},
    {KAVEX_ERR_ISO_BLOCK_NOT_AVAILABLE, "ISO Error Block not available", "ISO Fehler Block nicht verfügbar"},
    {KAVEX_ERR_ISO_BLOCK_ALREADY_LOCKED, "ISO Error Block already locked", "ISO Fehler Block bereits gesperrt"},
    {KAVEX_ERR_ISO_BLOCK_LOCKED, "ISO Error locked block can not be changed",
     "ISO Fehler Gesperrter Block kann nicht verändert werden"},
    {KAVEX_ERR_ISO_BLOCK_NOT_WRITTEN, "ISO Error Block can not be written",
     "ISO Fehler Block konnte nicht geschrieben werden"},
    {KAVEX_ERR_ISO_BLOCK_NOT_LOCKED, "ISO Error Block can not be locked",
     "ISO Fehler Block konnte nicht gesperrt werden"},
    {KAVEX_ERR_ISO_UNKNOWN, "ISO Error unknown error", "ISO Fehler unbekannter Fehler"},
    {KAVEX_ERR_ISO_LENGTH, "ISO Error Length invalid", "ISO Fehler Länge nicht korrekt"},
    {KAVEX_ERR_ISO_UNKNOWN_TRANSPONDER, "ISO Error Unknown transponder", "ISO Fehler Unbekannter Transponder"},
    {KAVEX_ERR_ISO_FRAMING, "ISO Error Framing", "ISO Fehler Framing"},
    {KAVEX_ERR_MIFARE_VALUE, "MIFARE® Error invalid Value", "MIFARE® Fehler Value Wert ungültig"},
    {KAVEX_ERR_MIFARE_PARITY, "MIFARE® Error Parity Error", "MIFARE® Fehler Parity Error"},
    {KAVEX_ERR_MIFARE_AUTHENTICATION, "MIFARE® Error Authenticate Error,", "MIFARE® Fehler Authenticate Error,"},
    {KAVEX_ERR_MIFARE_CRC, "MIFARE® Error CRC Error", "MIFARE® Fehler CRC Error"},
    // Not a reader status: a call on a port that is still inside another
    // call, e.g. one made from the idle hook while an answer is awaited.
    {KAVEX_ERR_PORT_BUSY, "Port busy", "Port belegt"},
};

// 0x10000 plus the card's status byte, the engine's own conditions
// 0x10020 to 0x10028, and 0x10000 plus an ISO/IEC 7816-4 status word.
constexpr StatusText kDesfireTexts[] = {
    {KAVEX_DF_NO_CHANGES, "No changes done", "Keine Änderungen durchgeführt"},
    {KAVEX_DF_OUT_OF_MEMORY, "Internal error, insufficient memory to complete operation",
     "Interner Fehler, zu wenig Speicher auf Karte"},
    {KAVEX_DF_ILLEGAL_COMMAND, "Command code not supported", "Kommando unbekannt oder nicht unterstützt"},
    {KAVEX_DF_INTEGRITY_ERROR, "Integrity error, CRC or MAC does not match data / Padding bytes not valid",
     "Integritätsfehler, CRC oder MAC passen nicht zu den Daten / Paddingbytes sind nicht gültig"},
    {KAVEX_DF_ERR_KEY_LENGTH, "Key length is not 16 bytes", "Key-Länge beträgt nicht 16 Byte"},
    {KAVEX_DF_ERR_OLD_KEY_LENGTH, "Old key length is not 16 bytes",
     "Länge des übergebenen bisherigen Keys beträgt nicht 16 Byte"},
    {KAVEX_DF_ERR_3K3DES, "Cryptmethod 3K3DES not supported", "Cryptmethode 3K3DES wird nicht unterstützt"},
    {KAVEX_DF_ERR_NEEDS_AUTHENTICATION, "Command needs authentication", "Befehl benötigt eine Authentifizierung"},
    {KAVEX_DF_ERR_MAC_MISMATCH, "MAC does not match data", "MAC passt nicht zu den Daten"},
    {KAVEX_DF_ERR_CRC_MISMATCH, "CRC after decryption does not match data",
     "CRC nach Entschlüsselung passt nicht zu den Daten"},
    {KAVEX_DF_ERR_PARAM_BUFFER_TOO_SMALL, "Length of parameter buffer smaller than data",
     "Übergebenes Feld ist für die Daten zu klein"},
    {KAVEX_DF_ERR_PARAM_LENGTH, "Length of parameter field not valid", "Parameterfeld hat keine gültige Länge"},
    {KAVEX_DF_ERR_NOT_ALLOWED_AFTER_AUTH,
     "Not allowed after authentification with Authenticate ISO or Authenticate AES",
     "Das Kommando ist nach Authenticate ISO oder Authenticate AES nicht möglich"},
    {KAVEX_DF_NO_SUCH_KEY, "Invalid Key number specified", "Ungültige Key-Nummer"},
    {KAVEX_DF_LENGTH_ERROR, "Internal error, length of Command string invalid",
     "Interner Fehler, falsche Länge des Kommandos"},
    {KAVEX_DF_PERMISSION_DENIED, "Current config/status does not allow the requested command",
     "Aktuelle Konfiguration oder Status erlauben das Kommando nicht"},
    {KAVEX_DF_PARAMETER_ERROR, "Internal error, value of the parameter invalid",
     "Interner Fehler, ungültiger Parameterwert"},
    {KAVEX_DF_APPLICATION_NOT_FOUND, "Requested AID not present on card",
     "Die angeforderte Application-ID ist auf der Karte nicht vorhanden"},
    {KAVEX_DF_APPLICATION_INTEGRITY_ERROR, "Unrecoverable error within application, application will be disabled",
     "Unbehebbarer Fehler in der Application, sie ist stillgelegt"},
    {KAVEX_DF_AUTHENTICATION_ERROR, "Current authentication state does not allow the requested command",
     "Der aktuelle Authentifizierungs-Status erlaubt die gewünschte Operation nicht"},
    {KAVEX_DF_ADDITIONAL_FRAME, "Internal error, additonal data frame is expected to be sent",
     "Interner Fehler, es wird das Versenden eines weiteren Datenrahmens erwartet"},
    {KAVEX_DF_BOUNDARY_ERROR, "Attempt to read/write data from/to beyond the file's limits",
     "Es wurde versucht, Daten jenseits der File-Grenzen zu lesen oder schreiben"},
    {KAVEX_DF_PICC_INTEGRITY_ERROR, "Unrecoverable error in card, card will be disabled",
     "Unbehebbarer Fehler in der Karte, die Karte wird stillgelegt"},
    {KAVEX_DF_COMMAND_ABORTED,
     "Previous command was not fully completed. Not all frames were requested or provided by the PCD",
     "Das vorhergehende Kommando wurde nicht vollständig abgearbeitet. Es wurden nicht alle Rahmen zur Karte geschickt "
     "oder abgeholt"},
    {KAVEX_DF_PICC_DISABLED, "PICC was disabled by an unrecoverable error",
     "Die Karte wurde durch einen unbehebbaren Fehler stillgelegt"},
    {KAVEX_DF_COUNT_ERROR, "Max. number of applications reached. Number of applications limited to 28",
     "Maximale Anzahl an Applications bereits erreicht. Die Anzahl der Applications ist auf 28 beschränkt"},
    {KAVEX_DF_DUPLICATE_ERROR, "Duplicate application/file number given", "Bereits vergebene Application/File-Nummer"},
    {KAVEX_DF_EEPROM_ERROR, "Internal error, EEProm could not be written",
     "Interner Fehler, EEProm konnte nicht beschrieben werden"},
    {KAVEX_DF_FILE_NOT_FOUND, "File not found", "File nicht gefunden"},
    {KAVEX_DF_FILE_INTEGRITY_ERROR, "Unrecoverable error in file", "Unbehebbarer Fehler in File"},
    {KAVEX_DF_SW_END_OF_FILE, "End of file reached before reading all wished bytes",
     "File-Ende erreicht bevor gewünschte Anzahl von Byte gelesen werden konnten"},
    {KAVEX_DF_SW_WRONG_LENGTH, "Internal error, wrong length", "Interner Fehler, falsche Länge"},
    {KAVEX_DF_SW_ACCESS_DENIED, "File access not allowed", "Zugriff auf File wurde nicht erlaubt"},
    {KAVEX_DF_SW_FILE_EMPTY, "File empty", "File ist leer"},
    {KAVEX_DF_SW_NOT_FOUND, "Internal error, wrong parameter P1 and/or P2", "Interner Fehler, falscher Parameter"},
    {KAVEX_DF_SW_WRONG_P1P2, "Internal error, wrong parameter P1 and/or P2", "Interner Fehler, falscher Parameter"},
    {KAVEX_DF_SW_WRONG_LE, "File not found", "File nicht gefunden"},
    {KAVEX_DF_SW_NO_DIAGNOSIS, "No precise diagnostics", "Keine genaue Diagnose"},
};

// Conditions of the NFC functions (0x20000 and above).
constexpr StatusText kNfcTexts[] = {
    {0x20001, "No transponder or transponder type is not supported in functions for NFC",
     "Kein Transponder oder Transpondertyp wird in den NFC-Funktionen nicht unterstützt"},
    {0x20002, "This Mifare transponder type is not supported in functions for NFC",
     "Dieser Mifare-Transpondertyp wird in den NFC-Funktionen nicht unterstützt"},
    {0x20003, "Transponder is not of type DESFire", "Transponder ist nicht vom Typ DESFire"},
    {0x20004, "Transponder is not NFC formated", "Transponder ist nicht NFC-formatiert"},
    {0x20005, "Authentication of MifareClassic transponder failed",
     "Authentifizierung des MifareClassic-Transponders fehlgeschlagen"},
    {0x20006, "Authentication of DESFire card level failed",
     "Authentifizierung der DESFire-Kartenebene fehlgeschlagen"},
    {0x20007, "Authentication of DESFire NFC application level failed",
     "Authentifizierung der DESFire-NFC-Application fehlgeschlagen"},
    {0x20008, "Error at changing settings", "Fehler beim Ändern von Einstellungen"},
    {0x20009, "Error at changing key", "Fehler beim Ändern des Schlüssels"},
    {0x2000A, "Error at locking of blocks in ISO15693 transponder",
     "Fehler beim Locken von Blöcken in ISO15693-Transponder"},
    {0x2000B, "Error at formating transponder as NFC", "Fehler beim NFC-formatieren des Transponders"},
    {0x2000C, "NFC in transponder has newer unsupported version",
     "NFC in Transponder hat eine neuere nicht unterstützte NFC-Version"},
    {0x2000D, "NFC in transponder has older unsupported version",
     "NFC in Transponder hat eine ältere nicht unterstützte NFC-Version"},
    {0x2000E, "Transponder is write protected", "Transponder ist schreibgeschützt"},
    {0x2000F, "Transponder is NFC read protected", "Transponder ist NFC-lesegeschützt"},
    {0x20010, "Transponder is NFC write protected", "Transponder ist NFC-schreibgeschützt"},
    {0x20011, "Error at reading of blocks", "Fehler beim Lesen von Blöcken"},
    {0x20012, "Error at writing of blocks", "Fehler beim Schreiben in Blöcke"},
    {0x20013, "Error at writing in DESFire file", "Fehler beim Schreiben in DESFire-File"},
    {0x20014, "Transponder has not enough free memory for this action",
     "Transponder hat nicht genügend freien Speicherplatz"},
    {0x20015, "ID of DESFire NFC application not found", "ID der DESFire-NFC-Application nicht gefunden"},
    {0x20016, "Transponder is NFC formatted, but has no user data",
     "Transponder ist NFC-formatiert, ist aber ohne Anwendernutzdaten"},
    {0x20017, "Error in NFC structure", "Fehler in NFC-Struktur"},
    {0x20018, "Error in user data of type URL", "Fehler in Anwendernutzdaten vom Typ URL"},
    {0x20019, "Error in user data of type MIME", "Fehler in Anwendernutzdaten vom Typ MIME"},
    {0x2001A, "Error in given JSON-String", "Fehler im übergebenen JSON-String"},
    {0x2001B, "Transponder is NFC formatted and has userdata of unknown type",
     "Transponder ist NFC-formatiert, aber der Typ der Anwendernutzdaten ist unbekannt"},
    {0x2001C, "Transponder has NFC user data but not of type URL",
     "Transponder hat NFC-Anwendernutzdaten, aber nicht vom Typ URL"},
    {0x2001D, "Transponder has NFC user data but not of type Text",
     "Transponder hat NFC-Anwendernutzdaten, aber nicht vom Typ Text"},
};

template <std::size_t N>
const StatusText* Find(const StatusText (&table)[N], int code)
{
    for (const StatusText& row : table) {
        if (row.code == code) return &row;
    }
    return nullptr;
}

} // namespace

std::string StatusCodeText(int code, int language)
{
    const bool german = language == kLanguageGerman;
    if (code == KAVEX_OK) return german ? "Operation erfolgreich" : "Successful operation";

    // Signed comparison on purpose: negative codes are SDK conditions and
    // belong to the reader table (where they have no row).
    const StatusText* row = nullptr;
    if (code < KAVEX_DF_STATUS_BASE) {
        row = Find(kReaderTexts, code);
    } else if (code < KAVEX_NFC_STATUS_BASE) {
        row = Find(kDesfireTexts, code);
    } else {
        row = Find(kNfcTexts, code);
    }
    if (row != nullptr) return german ? row->german : row->english;

    // Only the low 16 bits are shown: the range bits above them are implied
    // by the kind of operation that failed. The high byte is left out when
    // it is zero so a plain reader status reads as two digits.
    const unsigned value = static_cast<unsigned>(code);
    const unsigned high = (value >> 8) & 0xFFu;
    const unsigned low = value & 0xFFu;
    char digits[8];
    if (high != 0) {
        std::snprintf(digits, sizeof digits, "%02X%02X", high, low);
    } else {
        std::snprintf(digits, sizeof digits, "%02X", low);
    }
    return std::string(german ? "Unbekannter Fehler #" : "Unknown error #") + digits;
}

} // namespace kavex
