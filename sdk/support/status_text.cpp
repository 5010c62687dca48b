// This file is UTF-8: the German texts and the registered sign are written
// as they are and end up as UTF-8 sequences in the compiled strings.
#include "sdk/support/status_text.h"

#include <cstddef>
#include <cstdio>

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

// Status bytes of the reader and the SDK's own conditions (1 to 0xFFFF).
constexpr StatusText kReaderTexts[] = {
    {1, "Error opening the port", "Fehler beim Öffnen des Ports"},
    {2, "Timeout - value invalid", "Timeout - Wert ungültig"},
    {3, "Port number invalid", "Portnummer ungültig"},
    {4, "Timeout", "Timeout"},
    {5, "given buffer too small", "Übergebener Buffer zu klein"},
    {6, "buffer size invalid", "Buffergröße ungültig"},
    {7, "wrong parameter", "Falscher Parameter"},
    {8, "No data for communication", "Keine Daten für Kommunikation"},
    {9, "No data received", "Keine Daten empfangen"},
    {10, "Checksum error", "Prüfsummenfehler"},
    {11, "No communication to device", "Keine Kommunikation zum Gerät"},
    {12, "checkbuffer empty", "Checkbuffer leer"},
    {13, "Mode invalid", "Mode ungültig"},
    {14, "Command not allowed", "Befehl nicht erlaubt"},
    {15, "Block number invalid", "Blocknummer ungültig"},
    {16, "Command error", "Kommandofehler"},
    {19, "Block has no value entry", "Block enthält keinen Value Eintrag"},
    {20, "Data amount wrong", "Datenanzahl falsch"},
    {21, "No transponder or transponder not activated", "Kein Transponder oder Transponder nicht aktiviert"},
    {22, "Checksum error from device", "Checksummenfehler vom Gerät"},
    {23, "Collision error", "Kollision ist aufgetreten,"},
    {24, "Communication aborted, Device does not accept this command",
     "Kommunikationsabbruch, Gerät akzeptiert diesen Befehl nicht"},
    {25, "Communication error(CRC) at air interface", "Kommunikationsfehler(CRC) bei Luftschnittstelle"},
    {32, "ISO Error Command not supported", "ISO Fehler Kommando wird nicht unterstützt"},
    {33, "ISO Error Command not recognized", "ISO Fehler Kommando wurde nicht erkannt"},
    {34, "ISO Error Option not supported", "ISO Fehler Option wird nicht unterstützt"},
    {35, "ISO Error No information", "ISO Fehler Keine Information"},
    {36, "ISO Error Block not available", "ISO Fehler Block nicht verfügbar"},
    {37, "ISO Error Block already locked", "ISO Fehler Block bereits gesperrt"},
    {38, "ISO Error locked block can not be changed", "ISO Fehler Gesperrter Block kann nicht verändert werden"},
    {39, "ISO Error Block can not be written", "ISO Fehler Block konnte nicht geschrieben werden"},
    {40, "ISO Error Block can not be locked", "ISO Fehler Block konnte nicht gesperrt werden"},
    {41, "ISO Error unknown error", "ISO Fehler unbekannter Fehler"},
    {42, "ISO Error Length invalid", "ISO Fehler Länge nicht korrekt"},
    {43, "ISO Error Unknown transponder", "ISO Fehler Unbekannter Transponder"},
    {44, "ISO Error Framing", "ISO Fehler Framing"},
    {250, "MIFARE® Error invalid Value", "MIFARE® Fehler Value Wert ungültig"},
    {251, "MIFARE® Error Parity Error", "MIFARE® Fehler Parity Error"},
    {252, "MIFARE® Error Authenticate Error,", "MIFARE® Fehler Authenticate Error,"},
    {254, "MIFARE® Error CRC Error", "MIFARE® Fehler CRC Error"},
};

// 0x10000 plus the card's status byte, the engine's own conditions
// 0x10020 to 0x10028, and 0x10000 plus an ISO/IEC 7816-4 status word.
constexpr StatusText kDesfireTexts[] = {
    {0x1000C, "No changes done", "Keine Änderungen durchgeführt"},
    {0x1000E, "Internal error, insufficient memory to complete operation",
     "Interner Fehler, zu wenig Speicher auf Karte"},
    {0x1001C, "Command code not supported", "Kommando unbekannt oder nicht unterstützt"},
    {0x1001E, "Integrity error, CRC or MAC does not match data / Padding bytes not valid",
     "Integritätsfehler, CRC oder MAC passen nicht zu den Daten / Paddingbytes sind nicht gültig"},
    {0x10020, "Key length is not 16 bytes", "Key-Länge beträgt nicht 16 Byte"},
    {0x10021, "Old key length is not 16 bytes", "Länge des übergebenen bisherigen Keys beträgt nicht 16 Byte"},
    {0x10022, "Cryptmethod 3K3DES not supported", "Cryptmethode 3K3DES wird nicht unterstützt"},
    {0x10023, "Command needs authentication", "Befehl benötigt eine Authentifizierung"},
    {0x10024, "MAC does not match data", "MAC passt nicht zu den Daten"},
    {0x10025, "CRC after decryption does not match data", "CRC nach Entschlüsselung passt nicht zu den Daten"},
    {0x10026, "Length of parameter buffer smaller than data", "Übergebenes Feld ist für die Daten zu klein"},
    {0x10027, "Length of parameter field not valid", "Parameterfeld hat keine gültige Länge"},
    {0x10028, "Not allowed after authentification with Authenticate ISO or Authenticate AES",
     "Das Kommando ist nach Authenticate ISO oder Authenticate AES nicht möglich"},
    {0x10040, "Invalid Key number specified", "Ungültige Key-Nummer"},
    {0x1007E, "Internal error, length of Command string invalid", "Interner Fehler, falsche Länge des Kommandos"},
    {0x1009D, "Current config/status does not allow the requested command",
     "Aktuelle Konfiguration oder Status erlauben das Kommando nicht"},
    {0x1009E, "Internal error, value of the parameter invalid", "Interner Fehler, ungültiger Parameterwert"},
    {0x100A0, "Requested AID not present on card", "Die angeforderte Application-ID ist auf der Karte nicht vorhanden"},
    {0x100A1, "Unrecoverable error within application, application will be disabled",
     "Unbehebbarer Fehler in der Application, sie ist stillgelegt"},
    {0x100AE, "Current authentication state does not allow the requested command",
     "Der aktuelle Authentifizierungs-Status erlaubt die gewünschte Operation nicht"},
    {0x100AF, "Internal error, additonal data frame is expected to be sent",
     "Interner Fehler, es wird das Versenden eines weiteren Datenrahmens erwartet"},
    {0x100BE, "Attempt to read/write data from/to beyond the file's limits",
     "Es wurde versucht, Daten jenseits der File-Grenzen zu lesen oder schreiben"},
    {0x100C1, "Unrecoverable error in card, card will be disabled",
     "Unbehebbarer Fehler in der Karte, die Karte wird stillgelegt"},
    {0x100CA, "Previous command was not fully completed. Not all frames were requested or provided by the PCD",
     "Das vorhergehende Kommando wurde nicht vollständig abgearbeitet. Es wurden nicht alle Rahmen zur Karte geschickt "
     "oder abgeholt"},
    {0x100CD, "PICC was disabled by an unrecoverable error",
     "Die Karte wurde durch einen unbehebbaren Fehler stillgelegt"},
    {0x100CE, "Max. number of applications reached. Number of applications limited to 28",
     "Maximale Anzahl an Applications bereits erreicht. Die Anzahl der Applications ist auf 28 beschränkt"},
    {0x100DE, "Duplicate application/file number given", "Bereits vergebene Application/File-Nummer"},
    {0x100EE, "Internal error, EEProm could not be written", "Interner Fehler, EEProm konnte nicht beschrieben werden"},
    {0x100F0, "File not found", "File nicht gefunden"},
    {0x100F1, "Unrecoverable error in file", "Unbehebbarer Fehler in File"},
    {0x16282, "End of file reached before reading all wished bytes",
     "File-Ende erreicht bevor gewünschte Anzahl von Byte gelesen werden konnten"},
    {0x16700, "Internal error, wrong length", "Interner Fehler, falsche Länge"},
    {0x16982, "File access not allowed", "Zugriff auf File wurde nicht erlaubt"},
    {0x16985, "File empty", "File ist leer"},
    {0x16A82, "Internal error, wrong parameter P1 and/or P2", "Interner Fehler, falscher Parameter"},
    {0x16A86, "Internal error, wrong parameter P1 and/or P2", "Interner Fehler, falscher Parameter"},
    {0x16C00, "File not found", "File nicht gefunden"},
    {0x16F00, "No precise diagnostics", "Keine genaue Diagnose"},
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
    if (code == 0) return german ? "Operation erfolgreich" : "Successful operation";

    // Signed comparison on purpose: negative codes are SDK conditions and
    // belong to the reader table (where they have no row).
    const StatusText* row = nullptr;
    if (code < 0x10000) {
        row = Find(kReaderTexts, code);
    } else if (code < 0x20000) {
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
