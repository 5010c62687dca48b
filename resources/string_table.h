// The string table of the user interface: ids and the built-in German texts.
// The English texts come from velmoraEng.qm (context "StringTable"), which is
// looked up by the German text, so an id may never change its text without
// the translation being updated too.
//
// Ids below 20000 are the ones every Velmora version used; 20000 and above
// are texts of the Linux program.
#pragma once

#include <QtGlobal>

namespace velmora {

struct StringTableEntry {
    int id;
    const char* text;
};

inline constexpr StringTableEntry kStringTable[] = {
    {101, QT_TRANSLATE_NOOP("StringTable", "&Info über Kavex Velmora...")},
    {104, QT_TRANSLATE_NOOP("StringTable", "Schlüssel 0 (Hauptschlüssel (HS))")},
    {105, QT_TRANSLATE_NOOP("StringTable", "gleichem Schlüssel")},
    {106, QT_TRANSLATE_NOOP("StringTable", "Schlüssel ab 1 sind unveränderlich")},
    {108, QT_TRANSLATE_NOOP("StringTable", "(3)DES")},
    {114, QT_TRANSLATE_NOOP("StringTable", "--")},
    {138, QT_TRANSLATE_NOOP("StringTable", "Keine Applikationen und damit auch keine Files auf der Karte")},
    {139, QT_TRANSLATE_NOOP("StringTable", "Verschlüsselungsmethode 3K3DES wird vom Programm nicht unterstützt")},
    {140, QT_TRANSLATE_NOOP("StringTable", "Operation erfolgreich")},
    {141, QT_TRANSLATE_NOOP("StringTable", "Keine Files in der gewählten Application")},
    {142, QT_TRANSLATE_NOOP("StringTable", "Fehler")},
    {143,
     QT_TRANSLATE_NOOP("StringTable",
                       "Die Karte zurücksetzen ?\n\rEs werden alle Speicherbereiche freigeben und alle Applikationen "
                       "und Files gelöscht.\r\nKartenschlüssel- und einstellungen bleiben unverändert.")},
    {148, QT_TRANSLATE_NOOP("StringTable", "Authentifizierung fehlgeschlagen")},
    {151, QT_TRANSLATE_NOOP("StringTable", "Der Hauptschlüssel dieser Applikation kann nicht verändert werden")},
    {152, QT_TRANSLATE_NOOP("StringTable", "Die Schlüssel ab 1 können in dieser Applikation nicht verändert werden")},
    {153, QT_TRANSLATE_NOOP("StringTable", "Schlüssel 1 (außer HS und 1)")},
    {154, QT_TRANSLATE_NOOP("StringTable", "Schlüssel 2 (außer HS und 2)")},
    {155, QT_TRANSLATE_NOOP("StringTable", "Schlüssel 3 (außer HS und 3)")},
    {156, QT_TRANSLATE_NOOP("StringTable", "Schlüssel 4 (außer HS und 4)")},
    {157, QT_TRANSLATE_NOOP("StringTable", "Schlüssel 5 (außer HS und 5)")},
    {158, QT_TRANSLATE_NOOP("StringTable", "Schlüssel 6 (außer HS und 6)")},
    {159, QT_TRANSLATE_NOOP("StringTable", "Schlüssel 7 (außer HS und 7)")},
    {160, QT_TRANSLATE_NOOP("StringTable", "Schlüssel 8 (außer HS und 8)")},
    {161, QT_TRANSLATE_NOOP("StringTable", "Schlüssel 9 (außer HS und 9)")},
    {162, QT_TRANSLATE_NOOP("StringTable", "Schlüssel 10 (außer HS und 10)")},
    {163, QT_TRANSLATE_NOOP("StringTable", "Schlüssel 11 (außer HS und 11)")},
    {164, QT_TRANSLATE_NOOP("StringTable", "Schlüssel 12 (außer HS und 12)")},
    {165, QT_TRANSLATE_NOOP("StringTable", "Schlüssel 13 (außer HS und 13)")},
    {166, QT_TRANSLATE_NOOP("StringTable", "Die Schlüsseleinstellungen der Applikation sind unveränderlich")},
    {167, QT_TRANSLATE_NOOP("StringTable", "Es sind nicht alle Felder gefüllt ")},
    {168, QT_TRANSLATE_NOOP("StringTable", "Karte zurücksetzen")},
    {169,
     QT_TRANSLATE_NOOP("StringTable",
                       "Die Karte auf zufällige UID umschalten ?\n\rDie wahre UID kann dann nur nach Authentifizierung "
                       "gelesen werden.  Die Umschaltung kann nicht rückgängig gemacht werden. ")},
    {170,
     QT_TRANSLATE_NOOP("StringTable",
                       "Das Zurücksetzen der Karte sperren ?\n\rEs können dann keine Speicherbereiche mehr freigegeben "
                       "werden. Die Aktion kann nicht rückgängig gemacht werden. ")},
    {171, QT_TRANSLATE_NOOP("StringTable", "Karte auf zufällige UID umschalten")},
    {172, QT_TRANSLATE_NOOP("StringTable", "Umschalten")},
    {173, QT_TRANSLATE_NOOP("StringTable", "Zurücksetzen der Karte sperren")},
    {174, QT_TRANSLATE_NOOP("StringTable", "Sperren")},
    {175, QT_TRANSLATE_NOOP("StringTable", "Zurücksetzen")},
    {176, QT_TRANSLATE_NOOP("StringTable", "Schlüsselwert ist nicht hexadezimal")},
    {178, QT_TRANSLATE_NOOP("StringTable", "Keine Karte oder Karte nicht aktiviert oder ATS zu kurz")},
    {184, QT_TRANSLATE_NOOP("StringTable", "Ungültige File-ID")},
    {186, QT_TRANSLATE_NOOP("StringTable", "Eingegebene Schlüsselnummer ist zu groß")},
    {187, QT_TRANSLATE_NOOP("StringTable", "Bitte Applikations-ID eingetragen")},
    {189, QT_TRANSLATE_NOOP("StringTable", "Authentifizierung fehlt")},
    {190, QT_TRANSLATE_NOOP("StringTable", "Löschen erfolgreich")},
    {192, QT_TRANSLATE_NOOP("StringTable", "Ein Schlüssel mit diesem Namen ist bereits vorhanden. Überschreiben ?")},
    {193, QT_TRANSLATE_NOOP("StringTable", "Abgebrochen")},
    {194, QT_TRANSLATE_NOOP("StringTable", "Bitte in der Liste einen Schlüssel selektieren")},
    {195, QT_TRANSLATE_NOOP("StringTable", "zufällige UID")},
    {196, QT_TRANSLATE_NOOP("StringTable", "Bitte eine App-ID größer 0 eingeben")},
    {197, QT_TRANSLATE_NOOP("StringTable", "Bitte eine Schlüsselnummer eingeben")},
    {198, QT_TRANSLATE_NOOP("StringTable", "Hauptschlüssel der Applikation ")},
    {199, QT_TRANSLATE_NOOP("StringTable", "(0-16 Byte, Auffüllung mit 0):")},
    {200, QT_TRANSLATE_NOOP("StringTable", "Schlüsselwert geladen")},
    {201, QT_TRANSLATE_NOOP("StringTable", "Applikations-ID ist nicht hexadezimal")},
    {202, QT_TRANSLATE_NOOP("StringTable", "File-ID ist nicht dezimal")},
    {203, QT_TRANSLATE_NOOP("StringTable", "Bitte File-ID eingetragen")},
    {209, QT_TRANSLATE_NOOP("StringTable", "Ein Schlüssel mit diesem Namen ist bereits vorhanden")},
    {210, QT_TRANSLATE_NOOP("StringTable",
                            "Die Schlüsselkonfiguration der Kartenebene schreibschützen ?\n\rDie Aktion kann nicht "
                            "rückgängig gemacht werden. ")},
    {211, QT_TRANSLATE_NOOP("StringTable", "Schlüsselkonfiguration schreibschützen")},
    {212, QT_TRANSLATE_NOOP("StringTable", "Schützen")},
    {213, QT_TRANSLATE_NOOP("StringTable", "Verschlüsselungsverfahren auf AES setzen")},
    {214,
     QT_TRANSLATE_NOOP("StringTable",
                       "Das Verschlüsselungsverfahren des Kartenhauptschlüssels auf AES setzen ?\n\rDie Aktion kann "
                       "nicht rückgängig gemacht werden. ")},
    {215, QT_TRANSLATE_NOOP("StringTable", "Auf AES")},
    {216, QT_TRANSLATE_NOOP("StringTable", "Schnittstelle wählen")},
    // Reads "German" in the German table too: the entry is only offered while
    // the English texts are (or should be) in use.
    {217, QT_TRANSLATE_NOOP("StringTable", "German")},
    {218, QT_TRANSLATE_NOOP("StringTable", "Englisch")},
    {219,
     QT_TRANSLATE_NOOP("StringTable",
                       "An diesem Port ist kein Leser angeschlossen.\r\nBitte wählen sie eine andere Schnittstelle.")},
    {220, QT_TRANSLATE_NOOP("StringTable", "FW V%d.%02d")},
    {221, QT_TRANSLATE_NOOP("StringTable",
                            "Das gewählte Gerät ist ein reiner Leser! Hier wird jedoch ein Programmer benötigt!")},
    {222, QT_TRANSLATE_NOOP("StringTable", "Schlüsselnummer ist nicht dezimal")},
    {225, QT_TRANSLATE_NOOP("StringTable", "Transponder ist kein DESFire Transponder!")},
    {230, QT_TRANSLATE_NOOP("StringTable", "Die Kartenschlüsseleinstellungen sind unveränderlich")},
    {231, QT_TRANSLATE_NOOP("StringTable", "App-ID hat eine max. Länge von 3 Byte")},
    {232, QT_TRANSLATE_NOOP("StringTable", "Authentifizieren mit Schlüsselnr.")},
    {233, QT_TRANSLATE_NOOP("StringTable", "bereits authentifiziert mit Schlüsselnr.")},
    {234, QT_TRANSLATE_NOOP("StringTable", "Auslesen erfolgreich")},
    {240, QT_TRANSLATE_NOOP("StringTable", "Authentifiziert mit Hauptschlüssel")},
    {241, QT_TRANSLATE_NOOP("StringTable", "bereits authentifiziert mit Hauptschlüssel")},
    {10000, QT_TRANSLATE_NOOP("StringTable", "Nicht genügend Systemresourcen vorhanden!")},
    {10001,
     QT_TRANSLATE_NOOP("StringTable",
                       "Zur Ausführung der Hilfe muss der Adobe Acrobat Reader installiert sein.\nSie können den "
                       "Adobe Acrobat Reader von\nhttps://get.adobe.com/de/reader/\noder\n"
                       "https://www.adobe.com/de/acrobat/pdf-reader.html\nladen.")},
    {10002, QT_TRANSLATE_NOOP("StringTable", "Unbekannter Fehler %d")},
    {10128, QT_TRANSLATE_NOOP("StringTable", "Gültige IP Adresse eingeben!")},
    {10129, QT_TRANSLATE_NOOP("StringTable", "Liste aller gefundenen IP-Adressen")},
    {10131,
     QT_TRANSLATE_NOOP("StringTable",
                       "Keine Geräte gefunden!\nBitte prüfen Sie die Firewall-Einstellungen!\nEvtl. muss das Programm "
                       "manuell in der Firewall freigegeben werden.")},
    {10132, QT_TRANSLATE_NOOP("StringTable", "IP-Adresse, Subnetzmaske oder Gateway konnte nicht gesetzt werden!")},
    {10133, QT_TRANSLATE_NOOP("StringTable", "Kein Brakk USB Treiber für Lindor installiert!")},
    {10134, QT_TRANSLATE_NOOP("StringTable", "Kein Brakk USB Treiber für Pellan VCOM installiert!")},
    {10135, QT_TRANSLATE_NOOP("StringTable", "Treiber laden und installieren?")},

    // Texts of the Linux program.
    {20001, QT_TRANSLATE_NOOP("StringTable", "Folgt in einer späteren Version")},
    {20002, QT_TRANSLATE_NOOP("StringTable", "&Programm")},
    {20003, QT_TRANSLATE_NOOP("StringTable", "Geben Sie eine ganze Zahl ein.")},
    {20004, QT_TRANSLATE_NOOP("StringTable", "Geben Sie eine ganze Zahl zwischen %1 und %2 ein.")},
    {20005, QT_TRANSLATE_NOOP("StringTable", "Kavex Velmora")},
    {20006,
     QT_TRANSLATE_NOOP("StringTable",
                       "Kavex Velmora programmiert MIFARE DESFire EV1 Karten mit Kavex Lese- und Programmiergeräten.")},
    {20007, QT_TRANSLATE_NOOP("StringTable", "Der eingebaute Simulator konnte nicht gestartet werden:\n%1")},
    {20008, QT_TRANSLATE_NOOP("StringTable", "Handbuch")},
    // Column headers of the key store list.
    {20009, QT_TRANSLATE_NOOP("StringTable", "Name")},
    {20010, QT_TRANSLATE_NOOP("StringTable", "Wert")},
    // The manual (F1).
    {20030, QT_TRANSLATE_NOOP("StringTable", "Es ist kein Programm zum Anzeigen von PDF-Dateien eingerichtet.")},
    {20036, QT_TRANSLATE_NOOP("StringTable", "Das Handbuch (eine PDF-Datei) wurde im Ordner\n%1\nnicht gefunden.")},
    // Reader state and typed device paths.
    {20031, QT_TRANSLATE_NOOP("StringTable", "Kein Leser geöffnet – bitte eine Schnittstelle wählen")},
    {20032, QT_TRANSLATE_NOOP("StringTable", "kein Leser")},
    {20033, QT_TRANSLATE_NOOP("StringTable", "%1 lässt sich nicht öffnen: %2")},
    {20034, QT_TRANSLATE_NOOP("StringTable", "Den Gerätepfad %1 gibt es nicht.")},
    {20035, QT_TRANSLATE_NOOP("StringTable",
                              "%1 ist kein Gerät einer seriellen Schnittstelle (kein zeichenorientiertes Gerät).")},
    // Update check, about box and the installer download.
    {20400, QT_TRANSLATE_NOOP("StringTable", "Keine Internet Verbindung: Update Prüfung nicht möglich!")},
    {20401, QT_TRANSLATE_NOOP("StringTable", "Keine Datei gefunden: Update Prüfung nicht möglich!")},
    {20402, QT_TRANSLATE_NOOP("StringTable", "Neue Version:%1 V %2 (%3)")},
    {20403, QT_TRANSLATE_NOOP("StringTable", "%1 ist aktuell")},
    {20404, QT_TRANSLATE_NOOP("StringTable", "Update wird gestartet, bitte warten!")},
    {20405, QT_TRANSLATE_NOOP("StringTable", "Die neue Version wird von\n%1\nheruntergeladen und in den "
                                             "Download-Ordner gelegt. Gestartet wird sie nicht.\nHerunterladen?")},
    {20406, QT_TRANSLATE_NOOP("StringTable",
                              "Die neue Version wurde geprüft und unter\n%1\ngespeichert.\nDas Installationsprogramm "
                              "ist für ein anderes Betriebssystem gebaut und wird nicht gestartet.")},
    {20407,
     QT_TRANSLATE_NOOP("StringTable", "Die neue Version wurde unter\n%1\ngespeichert, konnte aber nicht geprüft "
                                      "werden: die Versionsdatei nennt keine Prüfsumme.\nDas Installationsprogramm ist "
                                      "für ein anderes Betriebssystem gebaut und wird nicht gestartet.")},
    {20408,
     QT_TRANSLATE_NOOP(
         "StringTable",
         "Die heruntergeladene Datei stimmt nicht mit der Prüfsumme der Versionsdatei überein und wurde gelöscht.")},
    {20409, QT_TRANSLATE_NOOP("StringTable", "Die neue Version konnte nicht heruntergeladen werden: %1")},
    {20410, QT_TRANSLATE_NOOP("StringTable", "die Adresse ist keine https-Adresse.")},
    {20411, QT_TRANSLATE_NOOP("StringTable", "keine sichere Verbindung zum Server.")},
    {20412, QT_TRANSLATE_NOOP("StringTable", "der Server antwortete mit dem Status %1.")},
    {20413, QT_TRANSLATE_NOOP("StringTable", "die Datei kam nicht vollständig an.")},
    {20414, QT_TRANSLATE_NOOP("StringTable", "die Datei ist zu groß.")},
    {20415, QT_TRANSLATE_NOOP("StringTable", "die Datei konnte nicht gespeichert werden (%1).")},
    // Card and key dialogs.
    {109, QT_TRANSLATE_NOOP("StringTable", "3K3DES")},
    {110, QT_TRANSLATE_NOOP("StringTable", "AES")},
    {20100, QT_TRANSLATE_NOOP("StringTable", "Der Wert ist kein hexadezimales Byte (0 bis 2 Ziffern)")},
    {20101, QT_TRANSLATE_NOOP("StringTable", "Den Hauptschlüssel der Karte ändern auf\n%1\n(%2) ?\nMit einem falsch "
                                             "eingegebenen Schlüssel lässt sich die Karte nicht mehr verwalten.")},
    {20102, QT_TRANSLATE_NOOP("StringTable", "Die Schlüsseleinstellungen der Applikation %1 unveränderlich machen "
                                             "?\nDie Aktion kann nicht rückgängig gemacht werden.")},
    // Application and file dialogs.
    {20200, QT_TRANSLATE_NOOP("StringTable", "Unverschlüsselt")},
    {20201, QT_TRANSLATE_NOOP("StringTable", "Unverschlüsselt mit MAC")},
    {20202, QT_TRANSLATE_NOOP("StringTable", "Voll verschlüsselt")},
    {20203, QT_TRANSLATE_NOOP("StringTable", "immer")},
    {20204, QT_TRANSLATE_NOOP("StringTable", "nie")},
    {20205, QT_TRANSLATE_NOOP("StringTable", "Authentifizieren mit Hauptschlüssel")},
    {20206, QT_TRANSLATE_NOOP("StringTable", "Authentifizieren mit Schlüssel %1")},
    {20207, QT_TRANSLATE_NOOP("StringTable", "Maximal 14 Schlüssel möglich")},
    {20208,
     QT_TRANSLATE_NOOP("StringTable",
                       "Eingegebene Schlüsselnr. für Authentifizierung zum Ändern eines Schlüssels ist zu groß")},
    {20209, QT_TRANSLATE_NOOP("StringTable", "Die untere Grenze ist höher als die obere Grenze")},
    {20210, QT_TRANSLATE_NOOP("StringTable", "Der Startwert ist außerhalb der Grenzen")},
    {20211, QT_TRANSLATE_NOOP("StringTable",
                              "Nicht möglich. Die Zugriffsrechte des Files sind auf \"unveränderlich\" eingestellt. ")},
    {20212, QT_TRANSLATE_NOOP("StringTable", "Die Applikation %1 mit allen ihren Files und Schlüsseln löschen ?\nDie "
                                             "Aktion kann nicht rückgängig gemacht werden.")},
    {20213,
     QT_TRANSLATE_NOOP(
         "StringTable",
         "File %1 der Applikation %2 mit seinen Daten löschen ?\nDie Aktion kann nicht rückgängig gemacht werden.")},
    {20214,
     QT_TRANSLATE_NOOP("StringTable",
                       "Die Zugriffsrechte von File %1 auf \"nie\" ändern ?\nSie lassen sich danach nie mehr ändern.")},
    {20215,
     QT_TRANSLATE_NOOP("StringTable", "Nicht genügend freier Speicher auf der Karte: %1 Byte nötig, %2 Byte frei")},
    // LAN readers.
    {20300, QT_TRANSLATE_NOOP("StringTable", "Der TCP-Port muss zwischen 1 und 65535 liegen.")},
    {20301,
     QT_TRANSLATE_NOOP("StringTable", "Eine Broadcast-, Multicast- oder Loopback-Adresse kann kein Leser haben.")},
    {20302,
     QT_TRANSLATE_NOOP("StringTable",
                       "Gültige Subnetzmaske eingeben! Ihre Einsen müssen zusammenhängen (z. B. 255.255.255.0).")},
    {20303,
     QT_TRANSLATE_NOOP("StringTable", "Der DHCP-Name hat 1 bis 16 Zeichen, ohne eckige Klammern und Steuerzeichen.")},
    {20304,
     QT_TRANSLATE_NOOP("StringTable", "Die Einstellungen wurden gesetzt, aber der Leser antwortet unter %1 nicht.")},
    {20305, QT_TRANSLATE_NOOP("StringTable", "Gültiges Gateway eingeben!")},
    // File read/write.
    {20500, QT_TRANSLATE_NOOP("StringTable", "Lesegeschützt")},
    {20501, QT_TRANSLATE_NOOP("StringTable", "File ist schreibgeschützt")},
    {20502, QT_TRANSLATE_NOOP("StringTable", "Anderer File-Typ")},
    {20503, QT_TRANSLATE_NOOP("StringTable", "Keine Daten zum Schreiben vorhanden")},
    {20504, QT_TRANSLATE_NOOP("StringTable", "Keine Records")},
    {20505, QT_TRANSLATE_NOOP("StringTable", "Lesen...")},
    {20506, QT_TRANSLATE_NOOP("StringTable", "Schreiben...")},
    {20507, QT_TRANSLATE_NOOP("StringTable", "Es ist eine Record-Größe von 0 angegeben.")},
    {20508, QT_TRANSLATE_NOOP("StringTable", "Geben Sie eine positive ganze Zahl ein.")},
    {20509, QT_TRANSLATE_NOOP(
                "StringTable",
                "Nur Paare hexadezimaler Ziffern, getrennt durch Leerzeichen, werden geschrieben (Zeichen %1).")},
    {20510, QT_TRANSLATE_NOOP("StringTable", "Der Text hat %1 Bytes, ein Record nur %2.")},
    {20511, QT_TRANSLATE_NOOP("StringTable", "Offset und Anzahl reichen über das Ende des Files (%1 Bytes).")},
    {20512, QT_TRANSLATE_NOOP("StringTable", "Der Betrag muss zwischen 0 und 2147483647 liegen.")},
    {20513, QT_TRANSLATE_NOOP("StringTable", "Die Record-Größe ist nicht bekannt.")},
    {20514, QT_TRANSLATE_NOOP("StringTable", "Alle Records von File %1 verwerfen?")},
    {20515, QT_TRANSLATE_NOOP("StringTable", "Höchstens %1 Bytes auf einmal.")},
    // File read/write dialog.
    {20516, QT_TRANSLATE_NOOP("StringTable", "Standard Data File")},
    {20517, QT_TRANSLATE_NOOP("StringTable", "Backup Data File")},
    {20518, QT_TRANSLATE_NOOP("StringTable", "Value File")},
    {20519, QT_TRANSLATE_NOOP("StringTable", "Linear Record File")},
    {20520, QT_TRANSLATE_NOOP("StringTable", "Cyclic Record File")},
    {20521, QT_TRANSLATE_NOOP("StringTable", "Es sind keine gelesenen Daten vorhanden.")},
    {20522, QT_TRANSLATE_NOOP("StringTable", "Daten speichern")},
    {20523, QT_TRANSLATE_NOOP("StringTable", "Daten laden")},
    {20524, QT_TRANSLATE_NOOP("StringTable", "Binärdaten (*.bin)")},
    {20525, QT_TRANSLATE_NOOP("StringTable", "Text, wie angezeigt (*.txt)")},
    {20526, QT_TRANSLATE_NOOP("StringTable", "Die Datei %1 lässt sich nicht schreiben: %2")},
    {20527, QT_TRANSLATE_NOOP("StringTable", "Die Datei %1 lässt sich nicht lesen: %2")},
    {20528, QT_TRANSLATE_NOOP("StringTable", "Gespeichert in %1")},
    {20529, QT_TRANSLATE_NOOP("StringTable", "Geladen aus %1")},
    {20530, QT_TRANSLATE_NOOP("StringTable", "Die Daten enthalten Null-Bytes, die ein ASCII-Text nicht zeigen kann.")},
    {20531, QT_TRANSLATE_NOOP("StringTable", "Das Zeichen an Stelle %1 lässt sich nicht als ein Byte schreiben.")},
    {20600, QT_TRANSLATE_NOOP("StringTable",
                              "Die Einstellungsdatei %1 ließ sich nicht lesen. Sie wird neu geschrieben; eine Kopie "
                              "des alten Inhalts liegt in %2.")},
};

} // namespace velmora
