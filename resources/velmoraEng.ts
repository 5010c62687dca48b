<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>CAuthenticateDlg</name>
    <message>
        <source>Authentifizierung</source>
        <translation>Authentication</translation>
    </message>
    <message>
        <source>Applikations-ID (h):</source>
        <translation>Application ID (h):</translation>
    </message>
    <message>
        <source>Schlüsselnummer (d):</source>
        <translation>Key number (d):</translation>
    </message>
    <message>
        <source>Schlüssel (0-16 Byte, wird mit 0 aufgefüllt):</source>
        <translation>Key (0-16 bytes, padded with 0):</translation>
    </message>
    <message>
        <source>Laden</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Authentifizieren</source>
        <translation>Authenticate</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>CKeyStoreEditDlg</name>
    <message>
        <source>Programm-Schlüsselspeicher</source>
        <translation>Program key store</translation>
    </message>
    <message>
        <source>Schlüssel im Programm-Schlüsselspeicher:</source>
        <translation>Keys in the program key store:</translation>
    </message>
    <message>
        <source>Anlegen</source>
        <translation>New</translation>
    </message>
    <message>
        <source>Bearbeiten</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>Löschen</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
</context>
<context>
    <name>CKeyStoreLoadDlg</name>
    <message>
        <source>Schlüssel laden</source>
        <translation>Load key</translation>
    </message>
    <message>
        <source>Schlüssel im Programm-Schlüsselspeicher:</source>
        <translation>Keys in the program key store:</translation>
    </message>
    <message>
        <source>Laden</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Anlegen</source>
        <translation>New</translation>
    </message>
    <message>
        <source>Löschen</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
</context>
<context>
    <name>CMasterkeyAuthentDlg</name>
    <message>
        <source>Authentifizierung</source>
        <translation>Authentication</translation>
    </message>
    <message>
        <source>Hauptschlüssel der Karte (0-16 Byte, wird mit 0 aufgefüllt):</source>
        <translation>Card master key (0-16 bytes, padded with 0):</translation>
    </message>
    <message>
        <source>Laden</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Authentifizieren</source>
        <translation>Authenticate</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>CNachfrageDlg</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CNeuerSchluesselDlg</name>
    <message>
        <source>Neuer Schlüsseleintrag</source>
        <translation>New key entry</translation>
    </message>
    <message>
        <source>Schlüsselname:</source>
        <translation>Key name:</translation>
    </message>
    <message>
        <source>Schlüssel (0-16 Byte, wird mit 0 aufgefüllt):</source>
        <translation>Key (0-16 bytes, padded with 0):</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CPortDlg</name>
    <message>
        <source>Schnittstelle</source>
        <translation>Interface</translation>
    </message>
    <message>
        <source>Schnittstelle auswählen</source>
        <translation>Select interface</translation>
    </message>
    <message>
        <source>Ethernet aktivieren</source>
        <translation>Enable Ethernet</translation>
    </message>
    <message>
        <source>IP ?</source>
        <translation>IP?</translation>
    </message>
    <message>
        <source>HID Mode</source>
        <translation>HID Mode</translation>
    </message>
    <message>
        <source>Virtual Com</source>
        <translation>Virtual Com</translation>
    </message>
    <message>
        <source>Baudrate</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>Parität</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>keine</source>
        <translation>none</translation>
    </message>
    <message>
        <source>gerade</source>
        <translation>even</translation>
    </message>
    <message>
        <source>ungerade</source>
        <translation>odd</translation>
    </message>
    <message>
        <source>Stopbits:</source>
        <translation>Stop bits:</translation>
    </message>
    <message>
        <source>Timeout in [ms]</source>
        <translation>Timeout in [ms]</translation>
    </message>
    <message>
        <source>Geräteadresse [dez.]</source>
        <translation>Device address [dec.]</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Gerätepfad:</source>
        <translation>Device path:</translation>
    </message>
</context>
<context>
    <name>CSchluesselAendernDlg</name>
    <message>
        <source>Schlüsseleintrag ändern</source>
        <translation>Change key entry</translation>
    </message>
    <message>
        <source>Schlüsselname:</source>
        <translation>Key name:</translation>
    </message>
    <message>
        <source>Schlüssel (0-16 Byte, wird mit 0 aufgefüllt):</source>
        <translation>Key (0-16 bytes, padded with 0):</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CVelmoraDlg</name>
    <message>
        <source>Kavex Velmora</source>
        <translation>Kavex Velmora</translation>
    </message>
    <message>
        <source>Karte aktivieren</source>
        <translation>Activate card</translation>
    </message>
    <message>
        <source>UID:</source>
        <translation>UID:</translation>
    </message>
    <message>
        <source>Schlüsselspeicher</source>
        <translation>Key store</translation>
    </message>
    <message>
        <source>Karte</source>
        <translation>Card</translation>
    </message>
    <message>
        <source>UID lesen</source>
        <translation>Read UID</translation>
    </message>
    <message>
        <source>Speichergröße holen</source>
        <translation>Get memory size</translation>
    </message>
    <message>
        <source>Byte freier Speicher</source>
        <translation>bytes of free memory</translation>
    </message>
    <message>
        <source>Kartenversion lesen..</source>
        <translation>Read card version..</translation>
    </message>
    <message>
        <source>Karte zurücksetzen..</source>
        <translation>Format card..</translation>
    </message>
    <message>
        <source>Schlüsseleinstellungen..</source>
        <translation>Key settings..</translation>
    </message>
    <message>
        <source>Schlüsselwerte..</source>
        <translation>Key values..</translation>
    </message>
    <message>
        <source>Weitere Einstellungen..</source>
        <translation>Other settings..</translation>
    </message>
    <message>
        <source>Applikationen</source>
        <translation>Applications</translation>
    </message>
    <message>
        <source>Applikations-ID (h):</source>
        <translation>Application ID (h):</translation>
    </message>
    <message>
        <source>App-IDs lesen</source>
        <translation>Read app IDs</translation>
    </message>
    <message>
        <source>Applikation erzeugen..</source>
        <translation>Create application..</translation>
    </message>
    <message>
        <source>Applikation löschen..</source>
        <translation>Delete application..</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>Files der Applikation (d):</source>
        <translation>Files of the application (d):</translation>
    </message>
    <message>
        <source>File-IDs lesen</source>
        <translation>Read file IDs</translation>
    </message>
    <message>
        <source>File erzeugen..</source>
        <translation>Create file..</translation>
    </message>
    <message>
        <source>File-Einstellungen ..</source>
        <translation>File settings ..</translation>
    </message>
    <message>
        <source>File löschen..</source>
        <translation>Delete file..</translation>
    </message>
    <message>
        <source>File lesen / schreiben..</source>
        <translation>Read / write file..</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>&amp;Info über Kavex Velmora...</source>
        <translation>&amp;About Kavex Velmora...</translation>
    </message>
    <message>
        <source>Schlüssel 0 (Hauptschlüssel (HS))</source>
        <translation>Key 0 (master key (MK))</translation>
    </message>
    <message>
        <source>gleichem Schlüssel</source>
        <translation>same key</translation>
    </message>
    <message>
        <source>Schlüssel ab 1 sind unveränderlich</source>
        <translation>keys from 1 on are frozen</translation>
    </message>
    <message>
        <source>(3)DES</source>
        <translation>(3)DES</translation>
    </message>
    <message>
        <source>--</source>
        <translation>--</translation>
    </message>
    <message>
        <source>Keine Applikationen und damit auch keine Files auf der Karte</source>
        <translation>No applications and therefore no files on the card</translation>
    </message>
    <message>
        <source>Verschlüsselungsmethode 3K3DES wird vom Programm nicht unterstützt</source>
        <translation>Crypto method 3K3DES is not supported by the program</translation>
    </message>
    <message>
        <source>Operation erfolgreich</source>
        <translation>Successful operation</translation>
    </message>
    <message>
        <source>Keine Files in der gewählten Application</source>
        <translation>No files in the chosen application</translation>
    </message>
    <message>
        <source>Fehler</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Die Karte zurücksetzen ?
<byte value="xd"/>Es werden alle Speicherbereiche freigeben und alle Applikationen und Files gelöscht.<byte value="xd"/>
Kartenschlüssel- und einstellungen bleiben unverändert.</source>
        <translation>Format the card?
<byte value="xd"/>All memory is released and all applications and files are deleted.<byte value="xd"/>
Card keys and settings stay unchanged.</translation>
    </message>
    <message>
        <source>Authentifizierung fehlgeschlagen</source>
        <translation>Authentication failed</translation>
    </message>
    <message>
        <source>Der Hauptschlüssel dieser Applikation kann nicht verändert werden</source>
        <translation>The master key of this application cannot be changed</translation>
    </message>
    <message>
        <source>Die Schlüssel ab 1 können in dieser Applikation nicht verändert werden</source>
        <translation>The keys from 1 on cannot be changed in this application</translation>
    </message>
    <message>
        <source>Schlüssel 1 (außer HS und 1)</source>
        <translation>Key 1 (except MK and 1)</translation>
    </message>
    <message>
        <source>Schlüssel 2 (außer HS und 2)</source>
        <translation>Key 2 (except MK and 2)</translation>
    </message>
    <message>
        <source>Schlüssel 3 (außer HS und 3)</source>
        <translation>Key 3 (except MK and 3)</translation>
    </message>
    <message>
        <source>Schlüssel 4 (außer HS und 4)</source>
        <translation>Key 4 (except MK and 4)</translation>
    </message>
    <message>
        <source>Schlüssel 5 (außer HS und 5)</source>
        <translation>Key 5 (except MK and 5)</translation>
    </message>
    <message>
        <source>Schlüssel 6 (außer HS und 6)</source>
        <translation>Key 6 (except MK and 6)</translation>
    </message>
    <message>
        <source>Schlüssel 7 (außer HS und 7)</source>
        <translation>Key 7 (except MK and 7)</translation>
    </message>
    <message>
        <source>Schlüssel 8 (außer HS und 8)</source>
        <translation>Key 8 (except MK and 8)</translation>
    </message>
    <message>
        <source>Schlüssel 9 (außer HS und 9)</source>
        <translation>Key 9 (except MK and 9)</translation>
    </message>
    <message>
        <source>Schlüssel 10 (außer HS und 10)</source>
        <translation>Key 10 (except MK and 10)</translation>
    </message>
    <message>
        <source>Schlüssel 11 (außer HS und 11)</source>
        <translation>Key 11 (except MK and 11)</translation>
    </message>
    <message>
        <source>Schlüssel 12 (außer HS und 12)</source>
        <translation>Key 12 (except MK and 12)</translation>
    </message>
    <message>
        <source>Schlüssel 13 (außer HS und 13)</source>
        <translation>Key 13 (except MK and 13)</translation>
    </message>
    <message>
        <source>Die Schlüsseleinstellungen der Applikation sind unveränderlich</source>
        <translation>The key settings of the application are frozen</translation>
    </message>
    <message>
        <source>Es sind nicht alle Felder gefüllt </source>
        <translation>Not all fields are filled </translation>
    </message>
    <message>
        <source>Karte zurücksetzen</source>
        <translation>Format card</translation>
    </message>
    <message>
        <source>Die Karte auf zufällige UID umschalten ?
<byte value="xd"/>Die wahre UID kann dann nur nach Authentifizierung gelesen werden.  Die Umschaltung kann nicht rückgängig gemacht werden. </source>
        <translation>Switch the card to random UID?
<byte value="xd"/>The real UID can then only be read after authentication.  The switch cannot be undone. </translation>
    </message>
    <message>
        <source>Das Zurücksetzen der Karte sperren ?
<byte value="xd"/>Es können dann keine Speicherbereiche mehr freigegeben werden. Die Aktion kann nicht rückgängig gemacht werden. </source>
        <translation>Disable formatting the card?
<byte value="xd"/>Memory can then no longer be released. The action cannot be undone. </translation>
    </message>
    <message>
        <source>Karte auf zufällige UID umschalten</source>
        <translation>Switch card to random UID</translation>
    </message>
    <message>
        <source>Umschalten</source>
        <translation>Switch</translation>
    </message>
    <message>
        <source>Zurücksetzen der Karte sperren</source>
        <translation>Disable card formatting</translation>
    </message>
    <message>
        <source>Sperren</source>
        <translation>Disable</translation>
    </message>
    <message>
        <source>Zurücksetzen</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Schlüsselwert ist nicht hexadezimal</source>
        <translation>Key value is not hexadecimal</translation>
    </message>
    <message>
        <source>Keine Karte oder Karte nicht aktiviert oder ATS zu kurz</source>
        <translation>No card, card not activated or ATS too short</translation>
    </message>
    <message>
        <source>Ungültige File-ID</source>
        <translation>Invalid file ID</translation>
    </message>
    <message>
        <source>Eingegebene Schlüsselnummer ist zu groß</source>
        <translation>Key number is too large</translation>
    </message>
    <message>
        <source>Bitte Applikations-ID eingetragen</source>
        <translation>Please enter an application ID</translation>
    </message>
    <message>
        <source>Authentifizierung fehlt</source>
        <translation>Authentication missing</translation>
    </message>
    <message>
        <source>Löschen erfolgreich</source>
        <translation>Deleted successfully</translation>
    </message>
    <message>
        <source>Ein Schlüssel mit diesem Namen ist bereits vorhanden. Überschreiben ?</source>
        <translation>A key with this name exists already. Overwrite?</translation>
    </message>
    <message>
        <source>Abgebrochen</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>Bitte in der Liste einen Schlüssel selektieren</source>
        <translation>Please select a key in the list</translation>
    </message>
    <message>
        <source>zufällige UID</source>
        <translation>random UID</translation>
    </message>
    <message>
        <source>Bitte eine App-ID größer 0 eingeben</source>
        <translation>Please enter an app ID greater than 0</translation>
    </message>
    <message>
        <source>Bitte eine Schlüsselnummer eingeben</source>
        <translation>Please enter a key number</translation>
    </message>
    <message>
        <source>Hauptschlüssel der Applikation </source>
        <translation>Master key of application </translation>
    </message>
    <message>
        <source>(0-16 Byte, Auffüllung mit 0):</source>
        <translation>(0-16 bytes, padded with 0):</translation>
    </message>
    <message>
        <source>Schlüsselwert geladen</source>
        <translation>Key value loaded</translation>
    </message>
    <message>
        <source>Applikations-ID ist nicht hexadezimal</source>
        <translation>Application ID is not hexadecimal</translation>
    </message>
    <message>
        <source>File-ID ist nicht dezimal</source>
        <translation>File ID is not decimal</translation>
    </message>
    <message>
        <source>Bitte File-ID eingetragen</source>
        <translation>Please enter a file ID</translation>
    </message>
    <message>
        <source>Ein Schlüssel mit diesem Namen ist bereits vorhanden</source>
        <translation>A key with this name exists already</translation>
    </message>
    <message>
        <source>Die Schlüsselkonfiguration der Kartenebene schreibschützen ?
<byte value="xd"/>Die Aktion kann nicht rückgängig gemacht werden. </source>
        <translation>Write-protect the key configuration of the card level?
<byte value="xd"/>The action cannot be undone. </translation>
    </message>
    <message>
        <source>Schlüsselkonfiguration schreibschützen</source>
        <translation>Write-protect key configuration</translation>
    </message>
    <message>
        <source>Schützen</source>
        <translation>Protect</translation>
    </message>
    <message>
        <source>Verschlüsselungsverfahren auf AES setzen</source>
        <translation>Set crypto method to AES</translation>
    </message>
    <message>
        <source>Das Verschlüsselungsverfahren des Kartenhauptschlüssels auf AES setzen ?
<byte value="xd"/>Die Aktion kann nicht rückgängig gemacht werden. </source>
        <translation>Set the crypto method of the card master key to AES?
<byte value="xd"/>The action cannot be undone. </translation>
    </message>
    <message>
        <source>Auf AES</source>
        <translation>To AES</translation>
    </message>
    <message>
        <source>Schnittstelle wählen</source>
        <translation>Select interface</translation>
    </message>
    <message>
        <source>German</source>
        <translation>German</translation>
    </message>
    <message>
        <source>Englisch</source>
        <translation>English</translation>
    </message>
    <message>
        <source>An diesem Port ist kein Leser angeschlossen.<byte value="xd"/>
Bitte wählen sie eine andere Schnittstelle.</source>
        <translation>No reader is connected to this port.<byte value="xd"/>
Please select another interface.</translation>
    </message>
    <message>
        <source>FW V%d.%02d</source>
        <translation>FW V%d.%02d</translation>
    </message>
    <message>
        <source>Das gewählte Gerät ist ein reiner Leser! Hier wird jedoch ein Programmer benötigt!</source>
        <translation>The chosen device is a reader only! A programmer is needed here!</translation>
    </message>
    <message>
        <source>Schlüsselnummer ist nicht dezimal</source>
        <translation>Key number is not decimal</translation>
    </message>
    <message>
        <source>Transponder ist kein DESFire Transponder!</source>
        <translation>Transponder is not a DESFire transponder!</translation>
    </message>
    <message>
        <source>Die Kartenschlüsseleinstellungen sind unveränderlich</source>
        <translation>The card key settings are frozen</translation>
    </message>
    <message>
        <source>App-ID hat eine max. Länge von 3 Byte</source>
        <translation>An app ID has at most 3 bytes</translation>
    </message>
    <message>
        <source>Authentifizieren mit Schlüsselnr.</source>
        <translation>Authenticated with key no.</translation>
    </message>
    <message>
        <source>bereits authentifiziert mit Schlüsselnr.</source>
        <translation>already authenticated with key no.</translation>
    </message>
    <message>
        <source>Auslesen erfolgreich</source>
        <translation>Read successfully</translation>
    </message>
    <message>
        <source>Authentifiziert mit Hauptschlüssel</source>
        <translation>Authenticated with master key</translation>
    </message>
    <message>
        <source>bereits authentifiziert mit Hauptschlüssel</source>
        <translation>already authenticated with master key</translation>
    </message>
    <message>
        <source>Nicht genügend Systemresourcen vorhanden!</source>
        <translation>Not enough system resources!</translation>
    </message>
    <message>
        <source>Zur Ausführung der Hilfe muss der Adobe Acrobat Reader installiert sein.
Sie können den Adobe Acrobat Reader von
https://get.adobe.com/de/reader/
oder
https://www.adobe.com/de/acrobat/pdf-reader.html
laden.</source>
        <translation>The help needs Adobe Acrobat Reader to be installed.
You can download Adobe Acrobat Reader from
https://get.adobe.com/reader/
or
https://www.adobe.com/acrobat/pdf-reader.html
.</translation>
    </message>
    <message>
        <source>Unbekannter Fehler %d</source>
        <translation>Unknown error %d</translation>
    </message>
    <message>
        <source>Gültige IP Adresse eingeben!</source>
        <translation>Enter a valid IP address!</translation>
    </message>
    <message>
        <source>Liste aller gefundenen IP-Adressen</source>
        <translation>List of all IP addresses found</translation>
    </message>
    <message>
        <source>Keine Geräte gefunden!
Bitte prüfen Sie die Firewall-Einstellungen!
Evtl. muss das Programm manuell in der Firewall freigegeben werden.</source>
        <translation>No devices found!
Please check the firewall settings!
The program may have to be allowed through the firewall manually.</translation>
    </message>
    <message>
        <source>IP-Adresse, Subnetzmaske oder Gateway konnte nicht gesetzt werden!</source>
        <translation>IP address, subnet mask or gateway could not be set!</translation>
    </message>
    <message>
        <source>Kein Brakk USB Treiber für Lindor installiert!</source>
        <translation>No Brakk USB driver for Lindor installed!</translation>
    </message>
    <message>
        <source>Kein Brakk USB Treiber für Pellan VCOM installiert!</source>
        <translation>No Brakk USB driver for Pellan VCOM installed!</translation>
    </message>
    <message>
        <source>Treiber laden und installieren?</source>
        <translation>Download and install the driver?</translation>
    </message>
    <message>
        <source>Folgt in einer späteren Version</source>
        <translation>Comes with a later version</translation>
    </message>
    <message>
        <source>&amp;Programm</source>
        <translation>&amp;Program</translation>
    </message>
    <message>
        <source>Geben Sie eine ganze Zahl ein.</source>
        <translation>Enter an integer.</translation>
    </message>
    <message>
        <source>Geben Sie eine ganze Zahl zwischen %1 und %2 ein.</source>
        <translation>Enter an integer between %1 and %2.</translation>
    </message>
    <message>
        <source>Kavex Velmora</source>
        <translation>Kavex Velmora</translation>
    </message>
    <message>
        <source>Kavex Velmora programmiert MIFARE DESFire EV1 Karten mit Kavex Lese- und Programmiergeräten.</source>
        <translation>Kavex Velmora programs MIFARE DESFire EV1 cards with Kavex readers and programmers.</translation>
    </message>
    <message>
        <source>Der eingebaute Simulator konnte nicht gestartet werden:
%1</source>
        <translation>The built-in simulator could not be started:
%1</translation>
    </message>
    <message>
        <source>Handbuch</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Wert</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>Es ist kein Programm zum Anzeigen von PDF-Dateien eingerichtet.</source>
        <translation>No program for viewing PDF files is set up.</translation>
    </message>
    <message>
        <source>Das Handbuch (eine PDF-Datei) wurde im Ordner
%1
nicht gefunden.</source>
        <translation>The manual (a PDF file) was not found in the folder
%1</translation>
    </message>
    <message>
        <source>Kein Leser geöffnet – bitte eine Schnittstelle wählen</source>
        <translation>No reader open – please choose an interface</translation>
    </message>
    <message>
        <source>kein Leser</source>
        <translation>no reader</translation>
    </message>
    <message>
        <source>%1 lässt sich nicht öffnen: %2</source>
        <translation>%1 cannot be opened: %2</translation>
    </message>
    <message>
        <source>Den Gerätepfad %1 gibt es nicht.</source>
        <translation>The device path %1 does not exist.</translation>
    </message>
    <message>
        <source>%1 ist kein Gerät einer seriellen Schnittstelle (kein zeichenorientiertes Gerät).</source>
        <translation>%1 is not a serial interface device (not a character device).</translation>
    </message>
    <message>
        <source>Keine Internet Verbindung: Update Prüfung nicht möglich!</source>
        <translation>No internet connection: update check not possible!</translation>
    </message>
    <message>
        <source>Keine Datei gefunden: Update Prüfung nicht möglich!</source>
        <translation>No file found: update check not possible!</translation>
    </message>
    <message>
        <source>Neue Version:%1 V %2 (%3)</source>
        <translation>New version:%1 V %2 (%3)</translation>
    </message>
    <message>
        <source>%1 ist aktuell</source>
        <translation>%1 is up to date</translation>
    </message>
    <message>
        <source>Update wird gestartet, bitte warten!</source>
        <translation>Starting the update, please wait!</translation>
    </message>
    <message>
        <source>Die neue Version wird von
%1
heruntergeladen und in den Download-Ordner gelegt. Gestartet wird sie nicht.
Herunterladen?</source>
        <translation>The new version will be downloaded from
%1
and put into the download folder. It will not be started.
Download?</translation>
    </message>
    <message>
        <source>Die neue Version wurde geprüft und unter
%1
gespeichert.
Das Installationsprogramm ist für ein anderes Betriebssystem gebaut und wird nicht gestartet.</source>
        <translation>The new version was verified and saved as
%1
The installer is built for another operating system and is not started.</translation>
    </message>
    <message>
        <source>Die neue Version wurde unter
%1
gespeichert, konnte aber nicht geprüft werden: die Versionsdatei nennt keine Prüfsumme.
Das Installationsprogramm ist für ein anderes Betriebssystem gebaut und wird nicht gestartet.</source>
        <translation>The new version was saved as
%1
but could not be verified: the version file gives no checksum.
The installer is built for another operating system and is not started.</translation>
    </message>
    <message>
        <source>Die heruntergeladene Datei stimmt nicht mit der Prüfsumme der Versionsdatei überein und wurde gelöscht.</source>
        <translation>The downloaded file does not match the checksum of the version file and was deleted.</translation>
    </message>
    <message>
        <source>Die neue Version konnte nicht heruntergeladen werden: %1</source>
        <translation>The new version could not be downloaded: %1</translation>
    </message>
    <message>
        <source>die Adresse ist keine https-Adresse.</source>
        <translation>the address is not an https address.</translation>
    </message>
    <message>
        <source>keine sichere Verbindung zum Server.</source>
        <translation>no secure connection to the server.</translation>
    </message>
    <message>
        <source>der Server antwortete mit dem Status %1.</source>
        <translation>the server answered with status %1.</translation>
    </message>
    <message>
        <source>die Datei kam nicht vollständig an.</source>
        <translation>the file did not arrive completely.</translation>
    </message>
    <message>
        <source>die Datei ist zu groß.</source>
        <translation>the file is too large.</translation>
    </message>
    <message>
        <source>die Datei konnte nicht gespeichert werden (%1).</source>
        <translation>the file could not be saved (%1).</translation>
    </message>
</context>
<context>
    <name>CAboutDlg</name>
    <message>
        <source>Info über Kavex Velmora</source>
        <translation>About Kavex Velmora</translation>
    </message>
    <message>
        <source>Kavex Velmora V</source>
        <translation>Kavex Velmora V</translation>
    </message>
    <message>
        <source>Brakk Applikationen GmbH</source>
        <translation>Brakk Applikationen GmbH</translation>
    </message>
    <message>
        <source>Musterstraße 1, 12345 Musterstadt</source>
        <translation>Musterstraße 1, 12345 Musterstadt, Germany</translation>
    </message>
    <message>
        <source>Tel.: +49 (0)0000 0000-0   Fax: +49 (0)0000 0000-9</source>
        <translation>Phone: +49 (0)0000 0000-0   Fax: +49 (0)0000 0000-9</translation>
    </message>
    <message>
        <source>© Brakk Applikationen GmbH. Alle Rechte vorbehalten.</source>
        <translation>© Brakk Applikationen GmbH. All rights reserved.</translation>
    </message>
    <message>
        <source>Nach Update suchen</source>
        <translation>Looking for an update</translation>
    </message>
    <message>
        <source>automatisch auf neue Version prüfen</source>
        <translation>check for a new version automatically</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>3K3DES</source>
        <translation>3K3DES</translation>
    </message>
    <message>
        <source>AES</source>
        <translation>AES</translation>
    </message>
    <message>
        <source>Der Wert ist kein hexadezimales Byte (0 bis 2 Ziffern)</source>
        <translation>The value is not a hexadecimal byte (0 to 2 digits)</translation>
    </message>
    <message>
        <source>Den Hauptschlüssel der Karte ändern auf
%1
(%2) ?
Mit einem falsch eingegebenen Schlüssel lässt sich die Karte nicht mehr verwalten.</source>
        <translation>Change the card master key to
%1
(%2)?
With a mistyped key the card can no longer be managed.</translation>
    </message>
    <message>
        <source>Die Schlüsseleinstellungen der Applikation %1 unveränderlich machen ?
Die Aktion kann nicht rückgängig gemacht werden.</source>
        <translation>Make the key settings of application %1 unchangeable?
This cannot be undone.</translation>
    </message>
</context>
<context>
    <name>CMasterKeySettingsDlg</name>
    <message>
        <source>Einstellungen holen</source>
        <translation>Get settings</translation>
    </message>
    <message>
        <source>Kartenschlüssel änderbar</source>
        <translation>Card master key changeable</translation>
    </message>
    <message>
        <source>Applikationenliste und Sicherheitseinstellungen ohne Authent</source>
        <translation>Application list and key settings without authentication</translation>
    </message>
    <message>
        <source>Applikationen erzeugen / löschen ohne Authentifizierung</source>
        <translation>Create / delete applications without authentication</translation>
    </message>
    <message>
        <source>Einstellungen ändern</source>
        <translation>Change settings</translation>
    </message>
    <message>
        <source>Kartenschlüsseleinstellungen änderbar</source>
        <translation>Card key settings changeable</translation>
    </message>
    <message>
        <source>Einstellungen schreibschützen..</source>
        <translation>Write-protect settings..</translation>
    </message>
    <message>
        <source>Auf AES-Verschlüsselung..</source>
        <translation>To AES encryption..</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Kartenschlüsseleinstellungen holen und ändern</source>
        <translation>Get and change card key settings</translation>
    </message>
</context>
<context>
    <name>CDesfireCardKeyDlg</name>
    <message>
        <source>Neuer Schlüssel (0-16 Byte, mit 0 aufgefüllt):</source>
        <translation>New key (0-16 bytes, padded with 0):</translation>
    </message>
    <message>
        <source>Laden</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Neue Schlüsselversion (1 Byte, nur bei AES, bei DES im Schlüssel integriert) (h):</source>
        <translation>New key version (1 byte, AES only; a DES key carries it in its bytes) (h):</translation>
    </message>
    <message>
        <source>Schlüssel ändern</source>
        <translation>Change key</translation>
    </message>
    <message>
        <source>Version holen</source>
        <translation>Get version</translation>
    </message>
    <message>
        <source>Schlüsselversion (h):</source>
        <translation>Key version (h):</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Hauptschlüssel der Karte ändern</source>
        <translation>Change card master key</translation>
    </message>
</context>
<context>
    <name>CDesfireKeySettingsDlg</name>
    <message>
        <source>Applikations-ID (h):</source>
        <translation>Application ID (h):</translation>
    </message>
    <message>
        <source>Einstellungen holen</source>
        <translation>Get settings</translation>
    </message>
    <message>
        <source>Schlüsselanzahl:</source>
        <translation>Number of keys:</translation>
    </message>
    <message>
        <source>Verschlüsselungsmethode:</source>
        <translation>Crypto method:</translation>
    </message>
    <message>
        <source>Schlüsseleinstellungen änderbar</source>
        <translation>Key settings changeable</translation>
    </message>
    <message>
        <source>Hauptschlüssel änderbar</source>
        <translation>Master key changeable</translation>
    </message>
    <message>
        <source>Vor Schlüsseländerung Authent mit:</source>
        <translation>Authenticate before key change with:</translation>
    </message>
    <message>
        <source>File-Liste und Schlüsseleinstellungen ohne Hauptschlüsselauthentifizierung</source>
        <translation>File list and key settings without master key authentication</translation>
    </message>
    <message>
        <source>File erzeugen / löschen ohne Hauptschlüsselauthentifizierung</source>
        <translation>Create / delete files without master key authentication</translation>
    </message>
    <message>
        <source>Einstellungen ändern</source>
        <translation>Change settings</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Schlüsseleinstellungen der Applikation</source>
        <translation>Application key settings</translation>
    </message>
</context>
<context>
    <name>CDesfireKeyDlg</name>
    <message>
        <source>Applikations-ID (h):</source>
        <translation>Application ID (h):</translation>
    </message>
    <message>
        <source>App-Hauptschlüssel</source>
        <translation>Application master key</translation>
    </message>
    <message>
        <source>Schlüsselnummer (d):</source>
        <translation>Key number (d):</translation>
    </message>
    <message>
        <source>Vor Schlüsseländerung Authent mit:</source>
        <translation>Authenticate before key change with:</translation>
    </message>
    <message>
        <source>Auslesen</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Bisheriger Wert (0-16 Byte, mit 0 aufgefüllt):</source>
        <translation>Current value (0-16 bytes, padded with 0):</translation>
    </message>
    <message>
        <source>Laden</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Neuer Wert (0-16 Byte, mit 0 aufgefüllt):</source>
        <translation>New value (0-16 bytes, padded with 0):</translation>
    </message>
    <message>
        <source>Neue Schlüsselversion (1 Byte, nur bei AES, bei DES im Schlüssel integriert) (h):</source>
        <translation>New key version (1 byte, AES only; a DES key carries it in its bytes) (h):</translation>
    </message>
    <message>
        <source>Schlüsselwert ändern</source>
        <translation>Change key value</translation>
    </message>
    <message>
        <source>Version holen</source>
        <translation>Get version</translation>
    </message>
    <message>
        <source>Schlüsselversion (h):</source>
        <translation>Key version (h):</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Schlüsselwerte der Applikation</source>
        <translation>Application key values</translation>
    </message>
</context>
<context>
    <name>CSetConfigDlg</name>
    <message>
        <source>Startwerte ändern</source>
        <translation>Change defaults</translation>
    </message>
    <message>
        <source>Startwert für Schlüssel neuer Applikationen (0-16 Byte, mit 0 aufgefüllt):</source>
        <translation>Default key of new applications (0-16 bytes, padded with 0):</translation>
    </message>
    <message>
        <source>Laden</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Startwert für Schlüsselversion, nur bei AES (1 Byte)(h):</source>
        <translation>Default key version, AES only (1 byte)(h):</translation>
    </message>
    <message>
        <source>Historisches Byte ändern</source>
        <translation>Change historical byte</translation>
    </message>
    <message>
        <source>Historisches Byte in ATS (Answer to Select)(h):</source>
        <translation>Historical byte in ATS (Answer to Select)(h):</translation>
    </message>
    <message>
        <source>Karte zurücksetzen sperren..</source>
        <translation>Disable card formatting..</translation>
    </message>
    <message>
        <source>Auf zufällige UID schalten..</source>
        <translation>Switch to random UID..</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Sonstige Karteneinstellungen</source>
        <translation>Other card settings</translation>
    </message>
</context>
<context>
    <name>CCardVersionDlg</name>
    <message>
        <source>UID:</source>
        <translation>UID:</translation>
    </message>
    <message>
        <source>Hersteller-ID:</source>
        <translation>Vendor ID:</translation>
    </message>
    <message>
        <source>Hardware-Typ:</source>
        <translation>Hardware type:</translation>
    </message>
    <message>
        <source>Hardware-Version:</source>
        <translation>Hardware version:</translation>
    </message>
    <message>
        <source>Software-Typ:</source>
        <translation>Software type:</translation>
    </message>
    <message>
        <source>Software-Version:</source>
        <translation>Software version:</translation>
    </message>
    <message>
        <source>Produktionsdatum:</source>
        <translation>Production date:</translation>
    </message>
    <message>
        <source>DESFire-Karte mit:</source>
        <translation>DESFire card with:</translation>
    </message>
    <message>
        <source>Speichergröße:</source>
        <translation>Storage size:</translation>
    </message>
    <message>
        <source>Byte</source>
        <translation>bytes</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Kartenversion</source>
        <translation>Card version</translation>
    </message>
</context>
<context>
    <name>CDesfireCreateAppDlg</name>
    <message>
        <source>Applikations-ID (3 Byte)(h):</source>
        <translation>Application ID (3 bytes)(h):</translation>
    </message>
    <message>
        <source>Schlüsselanzahl (0-14)(d):</source>
        <translation>Number of keys (0-14)(d):</translation>
    </message>
    <message>
        <source>Verschlüsselungsmethode:</source>
        <translation>Cipher:</translation>
    </message>
    <message>
        <source>Vor Schlüsseländerung Authent mit:</source>
        <translation>Before a key change, authenticate with:</translation>
    </message>
    <message>
        <source>Schlüsseleinstellungen änderbar</source>
        <translation>Key settings changeable</translation>
    </message>
    <message>
        <source>Hauptschlüssel änderbar</source>
        <translation>Master key changeable</translation>
    </message>
    <message>
        <source>File-Liste und Schlüsseleinstellungen ohne Hauptschlüsselauthentifizierung</source>
        <translation>File list and key settings without master key authentication</translation>
    </message>
    <message>
        <source>File erzeugen / löschen ohne Hauptschlüsselauthentifizierung</source>
        <translation>Create / delete files without master key authentication</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Erzeugen</source>
        <translation>Create</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Applikation erzeugen</source>
        <translation>Create application</translation>
    </message>
</context>
<context>
    <name>CDeleteAppDlg</name>
    <message>
        <source>Applikations-ID (h):</source>
        <translation>Application ID (h):</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Löschen</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Applikation löschen</source>
        <translation>Delete application</translation>
    </message>
</context>
<context>
    <name>CDesfireCreateFileDlg</name>
    <message>
        <source>In Applikation mit ID (h):</source>
        <translation>In application with ID (h):</translation>
    </message>
    <message>
        <source>File-ID (d) (0-31):</source>
        <translation>File ID (d) (0-31):</translation>
    </message>
    <message>
        <source>Kommunikationsart:</source>
        <translation>Communication mode:</translation>
    </message>
    <message>
        <source>Lesezugriff:</source>
        <translation>Read access:</translation>
    </message>
    <message>
        <source>Schreibzugriff:</source>
        <translation>Write access:</translation>
    </message>
    <message>
        <source>Lese-/Schreibzugriff:</source>
        <translation>Read/write access:</translation>
    </message>
    <message>
        <source>Ändern Zugriffsrechte:</source>
        <translation>Change access rights:</translation>
    </message>
    <message>
        <source>Standard Data File</source>
        <translation>Standard Data File</translation>
    </message>
    <message>
        <source>File-Größe (d):</source>
        <translation>File size (d):</translation>
    </message>
    <message>
        <source>Backup Data File</source>
        <translation>Backup Data File</translation>
    </message>
    <message>
        <source>Value File</source>
        <translation>Value File</translation>
    </message>
    <message>
        <source>Untere Grenze (d):</source>
        <translation>Lower limit (d):</translation>
    </message>
    <message>
        <source>Obere Grenze (d):</source>
        <translation>Upper limit (d):</translation>
    </message>
    <message>
        <source>Startwert (d):</source>
        <translation>Start value (d):</translation>
    </message>
    <message>
        <source>Limitierte Erhöhung erlaubt</source>
        <translation>Limited credit allowed</translation>
    </message>
    <message>
        <source>Wert holen ohne Zugriffsrechte</source>
        <translation>Get value without access rights</translation>
    </message>
    <message>
        <source>Linear Record File</source>
        <translation>Linear Record File</translation>
    </message>
    <message>
        <source>Record-Größe (d):</source>
        <translation>Record size (d):</translation>
    </message>
    <message>
        <source>Cyclic Record File</source>
        <translation>Cyclic Record File</translation>
    </message>
    <message>
        <source>Max. Record-Anzahl (d):</source>
        <translation>Max. number of records (d):</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Erzeugen</source>
        <translation>Create</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>File erzeugen</source>
        <translation>Create file</translation>
    </message>
</context>
<context>
    <name>CDeleteFileDlg</name>
    <message>
        <source>Applikations-ID (h):</source>
        <translation>Application ID (h):</translation>
    </message>
    <message>
        <source>File-ID (d):</source>
        <translation>File ID (d):</translation>
    </message>
    <message>
        <source>File-IDs holen</source>
        <translation>Get file IDs</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Löschen</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>File löschen</source>
        <translation>Delete file</translation>
    </message>
</context>
<context>
    <name>CFileSettingsDlg</name>
    <message>
        <source>Kommunikationsart:</source>
        <translation>Communication mode:</translation>
    </message>
    <message>
        <source>Lesezugriff:</source>
        <translation>Read access:</translation>
    </message>
    <message>
        <source>Schreibzugriff:</source>
        <translation>Write access:</translation>
    </message>
    <message>
        <source>Lese-/Schreibzugriff:</source>
        <translation>Read/write access:</translation>
    </message>
    <message>
        <source>Ändern Zugriffsrechte:</source>
        <translation>Change access rights:</translation>
    </message>
    <message>
        <source>Standard Data File</source>
        <translation>Standard Data File</translation>
    </message>
    <message>
        <source>File-Größe (d):</source>
        <translation>File size (d):</translation>
    </message>
    <message>
        <source>Backup Data File</source>
        <translation>Backup Data File</translation>
    </message>
    <message>
        <source>Value File</source>
        <translation>Value File</translation>
    </message>
    <message>
        <source>Untere Grenze (d):</source>
        <translation>Lower limit (d):</translation>
    </message>
    <message>
        <source>Obere Grenze (d):</source>
        <translation>Upper limit (d):</translation>
    </message>
    <message>
        <source>Mögliche limitierte Erhöhung (d):</source>
        <translation>Possible limited credit (d):</translation>
    </message>
    <message>
        <source>Limitierte Erhöhung erlaubt</source>
        <translation>Limited credit allowed</translation>
    </message>
    <message>
        <source>Wert holen ohne Zugriffsrechte</source>
        <translation>Get value without access rights</translation>
    </message>
    <message>
        <source>Linear Record File</source>
        <translation>Linear Record File</translation>
    </message>
    <message>
        <source>Record-Größe (d):</source>
        <translation>Record size (d):</translation>
    </message>
    <message>
        <source>Cyclic Record File</source>
        <translation>Cyclic Record File</translation>
    </message>
    <message>
        <source>Max. Record-Anzahl (d):</source>
        <translation>Max. number of records (d):</translation>
    </message>
    <message>
        <source>Akt. Record-Anzahl (d):</source>
        <translation>Current number of records (d):</translation>
    </message>
    <message>
        <source>Applikations-ID (h):</source>
        <translation>Application ID (h):</translation>
    </message>
    <message>
        <source>File-ID (d):</source>
        <translation>File ID (d):</translation>
    </message>
    <message>
        <source>File-IDs holen</source>
        <translation>Get file IDs</translation>
    </message>
    <message>
        <source>Eigenschaften holen</source>
        <translation>Get settings</translation>
    </message>
    <message>
        <source>Eigenschaften ändern</source>
        <translation>Change settings</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>File-Eigenschaften</source>
        <translation>File settings</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>Unverschlüsselt</source>
        <translation>Plain</translation>
    </message>
    <message>
        <source>Unverschlüsselt mit MAC</source>
        <translation>Plain with MAC</translation>
    </message>
    <message>
        <source>Voll verschlüsselt</source>
        <translation>Fully enciphered</translation>
    </message>
    <message>
        <source>immer</source>
        <translation>always</translation>
    </message>
    <message>
        <source>nie</source>
        <translation>never</translation>
    </message>
    <message>
        <source>Authentifizieren mit Hauptschlüssel</source>
        <translation>Authenticate with master key</translation>
    </message>
    <message>
        <source>Authentifizieren mit Schlüssel %1</source>
        <translation>Authenticate with key %1</translation>
    </message>
    <message>
        <source>Maximal 14 Schlüssel möglich</source>
        <translation>At most 14 keys are possible</translation>
    </message>
    <message>
        <source>Eingegebene Schlüsselnr. für Authentifizierung zum Ändern eines Schlüssels ist zu groß</source>
        <translation>The key number entered for authentication before a key change is too large</translation>
    </message>
    <message>
        <source>Die untere Grenze ist höher als die obere Grenze</source>
        <translation>The lower limit is higher than the upper limit</translation>
    </message>
    <message>
        <source>Der Startwert ist außerhalb der Grenzen</source>
        <translation>The start value is outside the limits</translation>
    </message>
    <message>
        <source>Nicht möglich. Die Zugriffsrechte des Files sind auf &quot;unveränderlich&quot; eingestellt. </source>
        <translation>Not possible. The access rights of the file are set to &quot;unchangeable&quot;. </translation>
    </message>
    <message>
        <source>Die Applikation %1 mit allen ihren Files und Schlüsseln löschen ?
Die Aktion kann nicht rückgängig gemacht werden.</source>
        <translation>Delete the application %1 with all its files and keys?
The action cannot be undone.</translation>
    </message>
    <message>
        <source>File %1 der Applikation %2 mit seinen Daten löschen ?
Die Aktion kann nicht rückgängig gemacht werden.</source>
        <translation>Delete file %1 of application %2 with its data?
The action cannot be undone.</translation>
    </message>
    <message>
        <source>Die Zugriffsrechte von File %1 auf &quot;nie&quot; ändern ?
Sie lassen sich danach nie mehr ändern.</source>
        <translation>Change the access rights of file %1 to &quot;never&quot;?
They can never be changed again afterwards.</translation>
    </message>
    <message>
        <source>Nicht genügend freier Speicher auf der Karte: %1 Byte nötig, %2 Byte frei</source>
        <translation>Not enough free memory on the card: %1 bytes needed, %2 bytes free</translation>
    </message>
</context>
<context>
    <name>CIPAddrSuche</name>
    <message>
        <source>IP-Adressen</source>
        <translation>IP Addresses</translation>
    </message>
    <message>
        <source>IP-Adresse ändern</source>
        <translation>Change IP Address</translation>
    </message>
    <message>
        <source>Schliessen</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>CLanConfig</name>
    <message>
        <source>LAN Einstellung</source>
        <translation>LAN Settings</translation>
    </message>
    <message>
        <source>IP Adresse automatisch beziehen</source>
        <translation>Obtain an IP address automatically</translation>
    </message>
    <message>
        <source>DHCP Name:</source>
        <translation>DHCP name:</translation>
    </message>
    <message>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <source>TCP-Port</source>
        <translation>TCP port</translation>
    </message>
    <message>
        <source>Folgende IP Adresse verwenden</source>
        <translation>Use the following IP address</translation>
    </message>
    <message>
        <source>IP-Adresse:</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <source>Subnetzmaske:</source>
        <translation>Subnet mask:</translation>
    </message>
    <message>
        <source>Gateway:</source>
        <translation>Gateway:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>Der TCP-Port muss zwischen 1 und 65535 liegen.</source>
        <translation>The TCP port must lie between 1 and 65535.</translation>
    </message>
    <message>
        <source>Eine Broadcast-, Multicast- oder Loopback-Adresse kann kein Leser haben.</source>
        <translation>A reader cannot have a broadcast, multicast or loopback address.</translation>
    </message>
    <message>
        <source>Gültige Subnetzmaske eingeben! Ihre Einsen müssen zusammenhängen (z. B. 255.255.255.0).</source>
        <translation>Enter a valid subnet mask! Its ones must be contiguous (such as 255.255.255.0).</translation>
    </message>
    <message>
        <source>Der DHCP-Name hat 1 bis 16 Zeichen, ohne eckige Klammern und Steuerzeichen.</source>
        <translation>The DHCP name has 1 to 16 characters, without square brackets and control characters.</translation>
    </message>
    <message>
        <source>Die Einstellungen wurden gesetzt, aber der Leser antwortet unter %1 nicht.</source>
        <translation>The settings were set, but the reader does not answer at %1.</translation>
    </message>
    <message>
        <source>Gültiges Gateway eingeben!</source>
        <translation>Enter a valid gateway!</translation>
    </message>
    <message>
        <source>Lesegeschützt</source>
        <translation>Read protected</translation>
    </message>
    <message>
        <source>File ist schreibgeschützt</source>
        <translation>File is write protected</translation>
    </message>
    <message>
        <source>Anderer File-Typ</source>
        <translation>Other file type</translation>
    </message>
    <message>
        <source>Keine Daten zum Schreiben vorhanden</source>
        <translation>No data to write</translation>
    </message>
    <message>
        <source>Keine Records</source>
        <translation>No records</translation>
    </message>
    <message>
        <source>Lesen...</source>
        <translation>Reading...</translation>
    </message>
    <message>
        <source>Schreiben...</source>
        <translation>Writing...</translation>
    </message>
    <message>
        <source>Es ist eine Record-Größe von 0 angegeben.</source>
        <translation>A record size of 0 was given.</translation>
    </message>
    <message>
        <source>Geben Sie eine positive ganze Zahl ein.</source>
        <translation>Enter a positive whole number.</translation>
    </message>
    <message>
        <source>Nur Paare hexadezimaler Ziffern, getrennt durch Leerzeichen, werden geschrieben (Zeichen %1).</source>
        <translation>Only pairs of hexadecimal digits, separated by blanks, are written (character %1).</translation>
    </message>
    <message>
        <source>Der Text hat %1 Bytes, ein Record nur %2.</source>
        <translation>The text has %1 bytes, a record only %2.</translation>
    </message>
    <message>
        <source>Offset und Anzahl reichen über das Ende des Files (%1 Bytes).</source>
        <translation>Offset and count reach beyond the end of the file (%1 bytes).</translation>
    </message>
    <message>
        <source>Der Betrag muss zwischen 0 und 2147483647 liegen.</source>
        <translation>The amount must lie between 0 and 2147483647.</translation>
    </message>
    <message>
        <source>Die Record-Größe ist nicht bekannt.</source>
        <translation>The record size is not known.</translation>
    </message>
    <message>
        <source>Alle Records von File %1 verwerfen?</source>
        <translation>Discard all records of file %1?</translation>
    </message>
    <message>
        <source>Höchstens %1 Bytes auf einmal.</source>
        <translation>At most %1 bytes at a time.</translation>
    </message>
    <message>
        <source>Die Einstellungsdatei %1 ließ sich nicht lesen. Sie wird neu geschrieben; eine Kopie des alten Inhalts liegt in %2.</source>
        <translation>The settings file %1 could not be read. It will be written anew; a copy of its old contents is in %2.</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>Standard Data File</source>
        <translation>Standard Data File</translation>
    </message>
    <message>
        <source>Backup Data File</source>
        <translation>Backup Data File</translation>
    </message>
    <message>
        <source>Value File</source>
        <translation>Value File</translation>
    </message>
    <message>
        <source>Linear Record File</source>
        <translation>Linear Record File</translation>
    </message>
    <message>
        <source>Cyclic Record File</source>
        <translation>Cyclic Record File</translation>
    </message>
    <message>
        <source>Es sind keine gelesenen Daten vorhanden.</source>
        <translation>There is no data read.</translation>
    </message>
    <message>
        <source>Daten speichern</source>
        <translation>Save data</translation>
    </message>
    <message>
        <source>Daten laden</source>
        <translation>Load data</translation>
    </message>
    <message>
        <source>Binärdaten (*.bin)</source>
        <translation>Binary data (*.bin)</translation>
    </message>
    <message>
        <source>Text, wie angezeigt (*.txt)</source>
        <translation>Text as shown (*.txt)</translation>
    </message>
    <message>
        <source>Die Datei %1 lässt sich nicht schreiben: %2</source>
        <translation>The file %1 cannot be written: %2</translation>
    </message>
    <message>
        <source>Die Datei %1 lässt sich nicht lesen: %2</source>
        <translation>The file %1 cannot be read: %2</translation>
    </message>
    <message>
        <source>Gespeichert in %1</source>
        <translation>Saved to %1</translation>
    </message>
    <message>
        <source>Geladen aus %1</source>
        <translation>Loaded from %1</translation>
    </message>
    <message>
        <source>Die Daten enthalten Null-Bytes, die ein ASCII-Text nicht zeigen kann.</source>
        <translation>The data holds zero bytes that ASCII text cannot show.</translation>
    </message>
    <message>
        <source>Das Zeichen an Stelle %1 lässt sich nicht als ein Byte schreiben.</source>
        <translation>The character at position %1 cannot be written as one byte.</translation>
    </message>
</context>
<context>
    <name>CFileReadWriteDlg</name>
    <message>
        <source>File lesen und schreiben</source>
        <translation>Read and write file</translation>
    </message>
    <message>
        <source>Applikations-ID (h):</source>
        <translation>Application ID (h):</translation>
    </message>
    <message>
        <source>File-ID (d):</source>
        <translation>File ID (d):</translation>
    </message>
    <message>
        <source>File-IDs holen</source>
        <translation>Get file IDs</translation>
    </message>
    <message>
        <source>File-Typ lesen</source>
        <translation>Read file type</translation>
    </message>
    <message>
        <source>Unbestimmt</source>
        <translation>Undetermined</translation>
    </message>
    <message>
        <source>Data-File</source>
        <translation>Data file</translation>
    </message>
    <message>
        <source>Value File</source>
        <translation>Value file</translation>
    </message>
    <message>
        <source>Record-File</source>
        <translation>Record file</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Fortschritt</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>CDataFileRWDlg</name>
    <message>
        <source>File-Typ:</source>
        <translation>File type:</translation>
    </message>
    <message>
        <source>File-Größe (d):</source>
        <translation>File size (d):</translation>
    </message>
    <message>
        <source>Offset (d):</source>
        <translation>Offset (d):</translation>
    </message>
    <message>
        <source>Anzahl Bytes (0: alle) (d):</source>
        <translation>Number of bytes (0: all) (d):</translation>
    </message>
    <message>
        <source>Daten:</source>
        <translation>Data:</translation>
    </message>
    <message>
        <source>Hexadezimal</source>
        <translation>Hexadecimal</translation>
    </message>
    <message>
        <source>ASCII</source>
        <translation>ASCII</translation>
    </message>
    <message>
        <source>Laden...</source>
        <translation>Load...</translation>
    </message>
    <message>
        <source>Speichern...</source>
        <translation>Save...</translation>
    </message>
    <message>
        <source>Lesen</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Schreiben</source>
        <translation>Write</translation>
    </message>
</context>
<context>
    <name>CValueFileRWDlg</name>
    <message>
        <source>File-Typ:</source>
        <translation>File type:</translation>
    </message>
    <message>
        <source>Untere Grenze (d):</source>
        <translation>Lower limit (d):</translation>
    </message>
    <message>
        <source>Obere Grenze (d):</source>
        <translation>Upper limit (d):</translation>
    </message>
    <message>
        <source>Aktuell mögliche limitierte Erhöhung (d):</source>
        <translation>Limited credit currently possible (d):</translation>
    </message>
    <message>
        <source>Limitierte Erhöhung erlaubt</source>
        <translation>Limited credit allowed</translation>
    </message>
    <message>
        <source>Wert holen ohne Zugriffsrechte</source>
        <translation>Get value without access rights</translation>
    </message>
    <message>
        <source>File-Wert (Value):</source>
        <translation>File value:</translation>
    </message>
    <message>
        <source>Dezimal</source>
        <translation>Decimal</translation>
    </message>
    <message>
        <source>Hexadezimal</source>
        <translation>Hexadecimal</translation>
    </message>
    <message>
        <source>Ändern um (d):</source>
        <translation>Change by (d):</translation>
    </message>
    <message>
        <source>Hole Wert</source>
        <translation>Get value</translation>
    </message>
    <message>
        <source>Erhöhen</source>
        <translation>Credit</translation>
    </message>
    <message>
        <source>Limit. Erhöhen</source>
        <translation>Limited credit</translation>
    </message>
    <message>
        <source>Erniedrigen</source>
        <translation>Debit</translation>
    </message>
</context>
<context>
    <name>CRecordFileRWDlg</name>
    <message>
        <source>File-Typ:</source>
        <translation>File type:</translation>
    </message>
    <message>
        <source>Record-Größe (d):</source>
        <translation>Record size (d):</translation>
    </message>
    <message>
        <source>Max Record-Anzahl (d):</source>
        <translation>Max number of records (d):</translation>
    </message>
    <message>
        <source>Aktuelle Record-Anzahl (d):</source>
        <translation>Current number of records (d):</translation>
    </message>
    <message>
        <source>Lesen</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Start-Record (d):</source>
        <translation>Start record (d):</translation>
    </message>
    <message>
        <source>Record-Anzahl (0: alle) (d):</source>
        <translation>Number of records (0: all) (d):</translation>
    </message>
    <message>
        <source>Gelesene Daten:</source>
        <translation>Data read:</translation>
    </message>
    <message>
        <source>Hexadezimal</source>
        <translation>Hexadecimal</translation>
    </message>
    <message>
        <source>ASCII</source>
        <translation>ASCII</translation>
    </message>
    <message>
        <source>Speichern...</source>
        <translation>Save...</translation>
    </message>
    <message>
        <source>Records lesen</source>
        <translation>Read records</translation>
    </message>
    <message>
        <source>Schreiben</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Zu schreibende Daten (wird mit 0 aufgefüllt) (h):</source>
        <translation>Data to write (filled up with 0) (h):</translation>
    </message>
    <message>
        <source>Laden...</source>
        <translation>Load...</translation>
    </message>
    <message>
        <source>Neuen Record schreiben</source>
        <translation>Write new record</translation>
    </message>
    <message>
        <source>Alle Records verwerfen</source>
        <translation>Discard all records</translation>
    </message>
</context>
<context>
    <name>CGetFileTypeForRWDlg</name>
    <message>
        <source>File-Typ angeben</source>
        <translation>State the file type</translation>
    </message>
    <message>
        <source>Die Eigenschaften des Files gibt die Karte nur nach einer Authentifizierung mit dem Hauptschlüssel der Applikation heraus. Authentifizieren Sie sich, oder geben Sie an, wie das File angelegt ist.</source>
        <translation>The card gives the file's settings only after an authentication with the application's master key. Authenticate, or state how the file was created.</translation>
    </message>
    <message>
        <source>Hauptschlüssel (h):</source>
        <translation>Master key (h):</translation>
    </message>
    <message>
        <source>Laden</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Authentifizieren</source>
        <translation>Authenticate</translation>
    </message>
    <message>
        <source>File-Typ:</source>
        <translation>File type:</translation>
    </message>
    <message>
        <source>Standard Data File</source>
        <translation>Standard Data File</translation>
    </message>
    <message>
        <source>Backup Data File</source>
        <translation>Backup Data File</translation>
    </message>
    <message>
        <source>Value File</source>
        <translation>Value file</translation>
    </message>
    <message>
        <source>Record-File</source>
        <translation>Record file</translation>
    </message>
    <message>
        <source>Kommunikationsart:</source>
        <translation>Communication mode:</translation>
    </message>
    <message>
        <source>Zugriffsart:</source>
        <translation>Access kind:</translation>
    </message>
    <message>
        <source>Lesezugriff</source>
        <translation>Read access</translation>
    </message>
    <message>
        <source>Schreibzugriff</source>
        <translation>Write access</translation>
    </message>
    <message>
        <source>Lese-/Schreibzugriff</source>
        <translation>Read/write access</translation>
    </message>
    <message>
        <source>Zugriffsrecht:</source>
        <translation>Access right:</translation>
    </message>
    <message>
        <source>Record-Größe (d):</source>
        <translation>Record size (d):</translation>
    </message>
    <message>
        <source>Limitierte Erhöhung erlaubt</source>
        <translation>Limited credit allowed</translation>
    </message>
    <message>
        <source>Wert holen ohne Zugriffsrechte</source>
        <translation>Get value without access rights</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Übernehmen</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
</TS>
