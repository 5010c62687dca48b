#include "sdk/support/status_text.h"

#include <gtest/gtest.h>

#include <string>

#include "kavex.h"

namespace kavex {
namespace {

constexpr int kEnglish = 0;
constexpr int kGerman = 1;

TEST(StatusCodeText, EveryPublicCodeHasBothTexts)
{
    struct Named {
        const char* name;
        int code;
    };
#define KAVEX_TEST_NAMED(name, value) {#name, value},
    const Named named[] = {KAVEX_STATUS_CODES(KAVEX_TEST_NAMED)};
#undef KAVEX_TEST_NAMED
    for (const Named& n : named) {
        EXPECT_EQ(StatusCodeText(n.code, kEnglish).rfind("Unknown error #", 0), std::string::npos) << n.name;
        EXPECT_EQ(StatusCodeText(n.code, kGerman).rfind("Unbekannter Fehler #", 0), std::string::npos) << n.name;
    }
    EXPECT_EQ(StatusCodeText(KAVEX_ERR_PORT_BUSY, kEnglish), "Port busy");
    EXPECT_EQ(StatusCodeText(KAVEX_ERR_PORT_BUSY, kGerman), "Port belegt");
}

TEST(StatusCodeText, SuccessIsGermanOnlyForLanguageOne)
{
    EXPECT_EQ(StatusCodeText(0, kGerman), "Operation erfolgreich");
    EXPECT_EQ(StatusCodeText(0, 0), "Successful operation");
    EXPECT_EQ(StatusCodeText(0, 2), "Successful operation");
    EXPECT_EQ(StatusCodeText(0, -1), "Successful operation");
}

TEST(StatusCodeText, UnknownHandleCode)
{
    EXPECT_EQ(StatusCodeText(3, kEnglish), "Port number invalid");
    EXPECT_EQ(StatusCodeText(3, kGerman), "Portnummer ungültig");
}

TEST(StatusCodeText, FallbackShowsLowSixteenBits)
{
    EXPECT_EQ(StatusCodeText(17, kEnglish), "Unknown error #11");
    EXPECT_EQ(StatusCodeText(17, kGerman), "Unbekannter Fehler #11");
    EXPECT_EQ(StatusCodeText(0x10091, kEnglish), "Unknown error #91");
    EXPECT_EQ(StatusCodeText(0x16A80, kEnglish), "Unknown error #6A80");
    // High byte present but low byte zero: both digits pairs are shown.
    EXPECT_EQ(StatusCodeText(0x20100, kEnglish), "Unknown error #0100");
    EXPECT_EQ(StatusCodeText(0x2FFFF, kGerman), "Unbekannter Fehler #FFFF");
    // Codes from one range never borrow the text of another range.
    EXPECT_EQ(StatusCodeText(0x10001, kEnglish), "Unknown error #01");
    EXPECT_EQ(StatusCodeText(0x2000C, kEnglish), "NFC in transponder has newer unsupported version");
    EXPECT_EQ(StatusCodeText(0x3000C, kEnglish), "Unknown error #0C");
}

TEST(StatusCodeText, NegativeCodesUseTheReaderTable)
{
    EXPECT_EQ(StatusCodeText(-1, kEnglish), "Unknown error #FFFF");
    EXPECT_EQ(StatusCodeText(-1, kGerman), "Unbekannter Fehler #FFFF");
    // -65535 is 0xFFFF0001: a lookup on the low bits alone would wrongly
    // show the text of code 1.
    EXPECT_EQ(StatusCodeText(-65535, kEnglish), "Unknown error #01");
}

TEST(StatusCodeText, TextsAreUtf8)
{
    EXPECT_EQ(StatusCodeText(1, kGerman), "Fehler beim \xC3\x96"
                                          "ffnen des Ports");
    EXPECT_EQ(StatusCodeText(6, kGerman), "Buffergr\xC3\xB6\xC3\x9F"
                                          "e ung\xC3\xBCltig");
    EXPECT_EQ(StatusCodeText(250, kEnglish), "MIFARE\xC2\xAE Error invalid Value");
}

struct Row {
    int code;
    const char* english;
    const char* german;
};

// A sample of every table, weighted towards rows with non-ASCII letters,
// odd punctuation and the typos operators know these texts by.
const Row kSample[] = {
    {1, "Error opening the port", "Fehler beim Öffnen des Ports"},
    {2, "Timeout - value invalid", "Timeout - Wert ungültig"},
    {4, "Timeout", "Timeout"},
    {5, "given buffer too small", "Übergebener Buffer zu klein"},
    {6, "buffer size invalid", "Buffergröße ungültig"},
    {10, "Checksum error", "Prüfsummenfehler"},
    {11, "No communication to device", "Keine Kommunikation zum Gerät"},
    {16, "Command error", "Kommandofehler"},
    {19, "Block has no value entry", "Block enthält keinen Value Eintrag"},
    {23, "Collision error", "Kollision ist aufgetreten,"},
    {24, "Communication aborted, Device does not accept this command",
     "Kommunikationsabbruch, Gerät akzeptiert diesen Befehl nicht"},
    {25, "Communication error(CRC) at air interface", "Kommunikationsfehler(CRC) bei Luftschnittstelle"},
    {32, "ISO Error Command not supported", "ISO Fehler Kommando wird nicht unterstützt"},
    {38, "ISO Error locked block can not be changed", "ISO Fehler Gesperrter Block kann nicht verändert werden"},
    {42, "ISO Error Length invalid", "ISO Fehler Länge nicht korrekt"},
    {44, "ISO Error Framing", "ISO Fehler Framing"},
    {250, "MIFARE® Error invalid Value", "MIFARE® Fehler Value Wert ungültig"},
    {251, "MIFARE® Error Parity Error", "MIFARE® Fehler Parity Error"},
    {252, "MIFARE® Error Authenticate Error,", "MIFARE® Fehler Authenticate Error,"},
    {254, "MIFARE® Error CRC Error", "MIFARE® Fehler CRC Error"},
    {0x1000C, "No changes done", "Keine Änderungen durchgeführt"},
    {0x1001E, "Integrity error, CRC or MAC does not match data / Padding bytes not valid",
     "Integritätsfehler, CRC oder MAC passen nicht zu den Daten / Paddingbytes sind nicht gültig"},
    {0x10020, "Key length is not 16 bytes", "Key-Länge beträgt nicht 16 Byte"},
    {0x10023, "Command needs authentication", "Befehl benötigt eine Authentifizierung"},
    {0x10025, "CRC after decryption does not match data", "CRC nach Entschlüsselung passt nicht zu den Daten"},
    {0x10026, "Length of parameter buffer smaller than data", "Übergebenes Feld ist für die Daten zu klein"},
    {0x10028, "Not allowed after authentification with Authenticate ISO or Authenticate AES",
     "Das Kommando ist nach Authenticate ISO oder Authenticate AES nicht möglich"},
    {0x100AE, "Current authentication state does not allow the requested command",
     "Der aktuelle Authentifizierungs-Status erlaubt die gewünschte Operation nicht"},
    {0x100AF, "Internal error, additonal data frame is expected to be sent",
     "Interner Fehler, es wird das Versenden eines weiteren Datenrahmens erwartet"},
    {0x100BE, "Attempt to read/write data from/to beyond the file's limits",
     "Es wurde versucht, Daten jenseits der File-Grenzen zu lesen oder schreiben"},
    {0x100CA, "Previous command was not fully completed. Not all frames were requested or provided by the PCD",
     "Das vorhergehende Kommando wurde nicht vollständig abgearbeitet. Es wurden nicht alle Rahmen zur Karte "
     "geschickt oder abgeholt"},
    {0x100CE, "Max. number of applications reached. Number of applications limited to 28",
     "Maximale Anzahl an Applications bereits erreicht. Die Anzahl der Applications ist auf 28 beschränkt"},
    {0x100F1, "Unrecoverable error in file", "Unbehebbarer Fehler in File"},
    {0x16282, "End of file reached before reading all wished bytes",
     "File-Ende erreicht bevor gewünschte Anzahl von Byte gelesen werden konnten"},
    {0x16A82, "Internal error, wrong parameter P1 and/or P2", "Interner Fehler, falscher Parameter"},
    {0x16A86, "Internal error, wrong parameter P1 and/or P2", "Interner Fehler, falscher Parameter"},
    {0x16C00, "File not found", "File nicht gefunden"},
    {0x16F00, "No precise diagnostics", "Keine genaue Diagnose"},
    {0x20001, "No transponder or transponder type is not supported in functions for NFC",
     "Kein Transponder oder Transpondertyp wird in den NFC-Funktionen nicht unterstützt"},
    {0x20004, "Transponder is not NFC formated", "Transponder ist nicht NFC-formatiert"},
    {0x20008, "Error at changing settings", "Fehler beim Ändern von Einstellungen"},
    {0x2000A, "Error at locking of blocks in ISO15693 transponder",
     "Fehler beim Locken von Blöcken in ISO15693-Transponder"},
    {0x2000B, "Error at formating transponder as NFC", "Fehler beim NFC-formatieren des Transponders"},
    {0x2000D, "NFC in transponder has older unsupported version",
     "NFC in Transponder hat eine ältere nicht unterstützte NFC-Version"},
    {0x20014, "Transponder has not enough free memory for this action",
     "Transponder hat nicht genügend freien Speicherplatz"},
    {0x2001A, "Error in given JSON-String", "Fehler im übergebenen JSON-String"},
    {0x2001D, "Transponder has NFC user data but not of type Text",
     "Transponder hat NFC-Anwendernutzdaten, aber nicht vom Typ Text"},
};

TEST(StatusCodeText, SampleRowsInBothLanguages)
{
    for (const Row& row : kSample) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(StatusCodeText(row.code, kEnglish), row.english);
        EXPECT_EQ(StatusCodeText(row.code, 2), row.english);
        EXPECT_EQ(StatusCodeText(row.code, kGerman), row.german);
    }
}

} // namespace
} // namespace kavex
