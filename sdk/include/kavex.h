/*
 * Kavex SDK: the C interface to Kavex RFID reader/programmers and the
 * MIFARE DESFire EV1 cards in their field.
 *
 * Conventions
 *  - Every function that takes a port handle leaves a status code in the port
 *    (read it with Kavex_GetLastError, turn it into text with
 *    Kavex_GetErrorText): KAVEX_OK (0) after success, one of the
 *    KavexStatus codes below after a failure. The functions that only read
 *    what the port knows (Kavex_GetLastError, Kavex_GetErrorText,
 *    Kavex_GetDeviceName, Kavex_GetFirmwareVersion, Kavex_IsProgrammer,
 *    Kavex_IsUSB) leave the status as it is.
 *  - Results are 0 on success and -1 on failure, or a count or value on
 *    success. A caller buffer that is too small sets status 5 and yields -1;
 *    the SDK never writes past the size it is given.
 *  - A handle that names no open port yields -1 and Kavex_GetLastError
 *    answers 3 for it.
 *  - One call at a time per port: a call on a port that is still inside
 *    another call (from the idle hook, or from a second thread) yields -1
 *    with status KAVEX_ERR_PORT_BUSY and leaves the running call alone.
 */
#ifndef KAVEX_H
#define KAVEX_H

#if defined(__GNUC__)
#define KAVEX_API __attribute__((visibility("default")))
#else
#define KAVEX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Languages for Kavex_GetErrorText. Any value other than German is English. */
#define KAVEX_LANG_GERMAN 1
#define KAVEX_LANG_ENGLISH 0

/* --- Status codes ------------------------------------------------------- */

/*
 * Every status code a port can be left with, as X(name, value). Ranges:
 * 1 to 0xFFFF reader status bytes and the SDK's own conditions;
 * KAVEX_DF_STATUS_BASE (0x10000) plus the card's status byte, the DESFire
 * engine's own conditions 0x10020 to 0x10028, and 0x10000 plus an ISO/IEC
 * 7816-4 status word; 0x20000 and above (KAVEX_NFC_STATUS_BASE) belongs to
 * NFC functions. Each code here has a German and an English text in
 * sdk/support/status_text.cpp: add a code to both places at once (a test
 * fails otherwise).
 */
#define KAVEX_STATUS_CODES(X)                                                                                          \
    X(KAVEX_ERR_OPEN_PORT, 1)                                                                                          \
    X(KAVEX_ERR_TIMEOUT_VALUE, 2)                                                                                      \
    X(KAVEX_ERR_UNKNOWN_HANDLE, 3)                                                                                     \
    X(KAVEX_ERR_TIMEOUT, 4)                                                                                            \
    X(KAVEX_ERR_BUFFER_TOO_SMALL, 5)                                                                                   \
    X(KAVEX_ERR_BUFFER_SIZE, 6)                                                                                        \
    X(KAVEX_ERR_WRONG_PARAMETER, 7)                                                                                    \
    X(KAVEX_ERR_NOTHING_TO_SEND, 8)                                                                                    \
    X(KAVEX_ERR_NO_DATA, 9)                                                                                            \
    X(KAVEX_ERR_CHECKSUM, 10)                                                                                          \
    X(KAVEX_ERR_NO_COMMUNICATION, 11)                                                                                  \
    X(KAVEX_ERR_ANSWER_EMPTY, 12)                                                                                      \
    X(KAVEX_ERR_MODE_INVALID, 13)                                                                                      \
    X(KAVEX_ERR_COMMAND_NOT_ALLOWED, 14)                                                                               \
    X(KAVEX_ERR_BLOCK_NUMBER, 15)                                                                                      \
    X(KAVEX_ERR_COMMAND, 16)                                                                                           \
    X(KAVEX_ERR_NO_VALUE_BLOCK, 19)                                                                                    \
    X(KAVEX_ERR_DATA_AMOUNT, 20)                                                                                       \
    X(KAVEX_ERR_NO_TRANSPONDER, 21)                                                                                    \
    X(KAVEX_ERR_DEVICE_CHECKSUM, 22)                                                                                   \
    X(KAVEX_ERR_COLLISION, 23)                                                                                         \
    X(KAVEX_ERR_COMMAND_REFUSED, 24)                                                                                   \
    X(KAVEX_ERR_AIR_CRC, 25)                                                                                           \
    X(KAVEX_ERR_ISO_COMMAND_NOT_SUPPORTED, 32)                                                                         \
    X(KAVEX_ERR_ISO_COMMAND_NOT_RECOGNIZED, 33)                                                                        \
    X(KAVEX_ERR_ISO_OPTION_NOT_SUPPORTED, 34)                                                                          \
    X(KAVEX_ERR_ISO_NO_INFORMATION, 35)                                                                                \
    X(KAVEX_ERR_ISO_BLOCK_NOT_AVAILABLE, 36)                                                                           \
    X(KAVEX_ERR_ISO_BLOCK_ALREADY_LOCKED, 37)                                                                          \
    X(KAVEX_ERR_ISO_BLOCK_LOCKED, 38)                                                                                  \
    X(KAVEX_ERR_ISO_BLOCK_NOT_WRITTEN, 39)                                                                             \
    X(KAVEX_ERR_ISO_BLOCK_NOT_LOCKED, 40)                                                                              \
    X(KAVEX_ERR_ISO_UNKNOWN, 41)                                                                                       \
    X(KAVEX_ERR_ISO_LENGTH, 42)                                                                                        \
    X(KAVEX_ERR_ISO_UNKNOWN_TRANSPONDER, 43)                                                                           \
    X(KAVEX_ERR_ISO_FRAMING, 44)                                                                                       \
    X(KAVEX_ERR_MIFARE_VALUE, 250)                                                                                     \
    X(KAVEX_ERR_MIFARE_PARITY, 251)                                                                                    \
    X(KAVEX_ERR_MIFARE_AUTHENTICATION, 252)                                                                            \
    X(KAVEX_ERR_MIFARE_CRC, 254)                                                                                       \
    X(KAVEX_ERR_PORT_BUSY, 0x100)                                                                                      \
    X(KAVEX_DF_NO_CHANGES, 0x1000C)                                                                                    \
    X(KAVEX_DF_OUT_OF_MEMORY, 0x1000E)                                                                                 \
    X(KAVEX_DF_ILLEGAL_COMMAND, 0x1001C)                                                                               \
    X(KAVEX_DF_INTEGRITY_ERROR, 0x1001E)                                                                               \
    X(KAVEX_DF_ERR_KEY_LENGTH, 0x10020)                                                                                \
    X(KAVEX_DF_ERR_OLD_KEY_LENGTH, 0x10021)                                                                            \
    X(KAVEX_DF_ERR_3K3DES, 0x10022)                                                                                    \
    X(KAVEX_DF_ERR_NEEDS_AUTHENTICATION, 0x10023)                                                                      \
    X(KAVEX_DF_ERR_MAC_MISMATCH, 0x10024)                                                                              \
    X(KAVEX_DF_ERR_CRC_MISMATCH, 0x10025)                                                                              \
    X(KAVEX_DF_ERR_PARAM_BUFFER_TOO_SMALL, 0x10026)                                                                    \
    X(KAVEX_DF_ERR_PARAM_LENGTH, 0x10027)                                                                              \
    X(KAVEX_DF_ERR_NOT_ALLOWED_AFTER_AUTH, 0x10028)                                                                    \
    X(KAVEX_DF_NO_SUCH_KEY, 0x10040)                                                                                   \
    X(KAVEX_DF_LENGTH_ERROR, 0x1007E)                                                                                  \
    X(KAVEX_DF_PERMISSION_DENIED, 0x1009D)                                                                             \
    X(KAVEX_DF_PARAMETER_ERROR, 0x1009E)                                                                               \
    X(KAVEX_DF_APPLICATION_NOT_FOUND, 0x100A0)                                                                         \
    X(KAVEX_DF_APPLICATION_INTEGRITY_ERROR, 0x100A1)                                                                   \
    X(KAVEX_DF_AUTHENTICATION_ERROR, 0x100AE)                                                                          \
    X(KAVEX_DF_ADDITIONAL_FRAME, 0x100AF)                                                                              \
    X(KAVEX_DF_BOUNDARY_ERROR, 0x100BE)                                                                                \
    X(KAVEX_DF_PICC_INTEGRITY_ERROR, 0x100C1)                                                                          \
    X(KAVEX_DF_COMMAND_ABORTED, 0x100CA)                                                                               \
    X(KAVEX_DF_PICC_DISABLED, 0x100CD)                                                                                 \
    X(KAVEX_DF_COUNT_ERROR, 0x100CE)                                                                                   \
    X(KAVEX_DF_DUPLICATE_ERROR, 0x100DE)                                                                               \
    X(KAVEX_DF_EEPROM_ERROR, 0x100EE)                                                                                  \
    X(KAVEX_DF_FILE_NOT_FOUND, 0x100F0)                                                                                \
    X(KAVEX_DF_FILE_INTEGRITY_ERROR, 0x100F1)                                                                          \
    X(KAVEX_DF_SW_END_OF_FILE, 0x16282)                                                                                \
    X(KAVEX_DF_SW_WRONG_LENGTH, 0x16700)                                                                               \
    X(KAVEX_DF_SW_ACCESS_DENIED, 0x16982)                                                                              \
    X(KAVEX_DF_SW_FILE_EMPTY, 0x16985)                                                                                 \
    X(KAVEX_DF_SW_NOT_FOUND, 0x16A82)                                                                                  \
    X(KAVEX_DF_SW_WRONG_P1P2, 0x16A86)                                                                                 \
    X(KAVEX_DF_SW_WRONG_LE, 0x16C00)                                                                                   \
    X(KAVEX_DF_SW_NO_DIAGNOSIS, 0x16F00)

#define KAVEX_STATUS_ENUMERATOR(name, value) name = value,

typedef enum KavexStatus {
    KAVEX_OK = 0,
    KAVEX_STATUS_CODES(KAVEX_STATUS_ENUMERATOR)
    /* The reader's "more data follows" (status byte 0x20 in variant 0): an
     * answer that still counts as success and that the DESFire exchange
     * continues on. No function leaves it; it shares its value with
     * KAVEX_ERR_ISO_COMMAND_NOT_SUPPORTED. */
    KAVEX_READER_MORE_DATA = 32,
    /* 0x10000 plus the card's status byte. */
    KAVEX_DF_STATUS_BASE = 0x10000,
    /* Start of the NFC range; this SDK has no NFC functions yet. */
    KAVEX_NFC_STATUS_BASE = 0x20000
} KavexStatus;

/* Negative results of Kavex_OpenPort. */
typedef enum KavexOpenResult {
    KAVEX_OPEN_LINK_FAILED = -1, /* the link cannot be opened, or the name is refused */
    KAVEX_OPEN_BAD_TIMEOUT = -2, /* negative timeout */
    KAVEX_OPEN_NO_ANSWER = -11,  /* no device answers the identification */
    KAVEX_OPEN_HID_REFUSED = -13 /* a HID device refuses the attach report */
} KavexOpenResult;

/* --- Ports ------------------------------------------------------------- */

/*
 * Opens a reader and identifies it. Names:
 *   "/dev/ttyUSB0", "/tmp/kavex-sim"   serial device path (or a link to one)
 *   "COM1" or "\\.\COM1"               /dev/ttyS0 (COMn is /dev/ttyS(n-1))
 *   "192.168.0.50", "192.168.0.50-4001" a LAN reader by address, TCP port
 *                                      10001 unless given after '-'
 *   "[IDENTITY16CHARS]", "[...]-4001"  a LAN reader by its module identity,
 *                                      found with the identity query on the
 *                                      network adapters (200 ms each)
 *   any of these followed by ":N"      device address N (default 1)
 * For serial names the last two decimal digits of baud carry the line
 * settings: 0 8N1, 1 8E1, 2 8O1, 3 8N2; the rate is baud rounded down to a
 * multiple of 100 (so 19200 is 19200 8N1, 19203 is 19200 8N2 and 11502 is
 * 11500 8O1). Other names always run at 19200 8N1.
 * Returns the handle (> 0) or a KavexOpenResult: -1 when the link cannot be
 * opened (also when this or another program has the device open already),
 * -2 for a negative timeout, -11 when no device answers the identification,
 * -13 when a HID device refuses the attach report.
 */
KAVEX_API int Kavex_OpenPort(const char* name, int baud, int timeoutMs);
KAVEX_API int Kavex_ClosePort(int handle);
KAVEX_API int Kavex_GetLastError(int handle);
/* Copies the text of the port's last status (UTF-8) without a terminator;
 * returns the number of bytes copied. */
KAVEX_API int Kavex_GetErrorText(int handle, int language, char* buffer, int size);
KAVEX_API int Kavex_GetDeviceIdent(int handle, unsigned char* buffer, int size);
/* Zero-fills buffer and copies at most size - 1 characters of the model
 * name; returns the full name length. buffer may be null. */
KAVEX_API int Kavex_GetDeviceName(int handle, char* buffer, int size);
/* The firmware version the reader gave when the port was opened, as text
 * ("FW V1.05"), filled in like Kavex_GetDeviceName; -1 for a handle that
 * names no open port. */
KAVEX_API int Kavex_GetFirmwareVersion(int handle, char* buffer, int size);
KAVEX_API int Kavex_IsProgrammer(int handle);
KAVEX_API int Kavex_IsUSB(int handle);
KAVEX_API int Kavex_SetReaderMode(int handle, unsigned char mode);
KAVEX_API int Kavex_SetUsbMode(int handle, unsigned char mode);
KAVEX_API int Kavex_ResetDevice(int handle, unsigned char b0, unsigned char b1);

/*
 * While a caller waits for a reader's answer the SDK calls hook(context) on
 * the waiting thread at least every 10 ms; a GUI uses it to keep its windows
 * painted. Pass a null hook to remove it.
 */
KAVEX_API void Kavex_SetIdleHook(void (*hook)(void* context), void* context);

/*
 * During a ReadData, WriteData, ReadRecords or WriteRecord that takes more
 * than one frame the SDK calls hook(context, done, total) on the calling
 * thread between frames: done bytes of total have crossed, done grows and
 * the last call has done == total. A read of "the rest of the file" does not
 * know its size beforehand: it reports total 0 until its last call. Pass a
 * null hook to remove it.
 */
KAVEX_API void Kavex_SetProgressHook(void (*hook)(void* context, int done, int total), void* context);

/* --- Card activation ---------------------------------------------------- */

KAVEX_API int Kavex_SetRF(int handle, unsigned char on);
KAVEX_API int Kavex_RequestA(int handle, unsigned short* atqa);
KAVEX_API int Kavex_AnticollSelect(int handle, unsigned char* uid, int uidSize, unsigned char* sak);
KAVEX_API int Kavex_RATS(int handle, unsigned char* ats, int atsSize);
KAVEX_API int Kavex_PPS(int handle, unsigned char pps1);

/* --- DESFire: authentication and card level ----------------------------- */

KAVEX_API int Kavex_DFAuthenticateISO(int handle, unsigned char keyNo, const unsigned char* key, int keyLen);
KAVEX_API int Kavex_DFAuthenticateAES(int handle, unsigned char keyNo, const unsigned char* key, int keyLen);
KAVEX_API int Kavex_DFGetVersion(int handle, unsigned char* out, int size);
KAVEX_API int Kavex_DFGetFreeMemory(int handle);
KAVEX_API int Kavex_DFFormatPICC(int handle);
KAVEX_API int Kavex_DFSetConfiguration(int handle, unsigned char option, const unsigned char* data, int len);
KAVEX_API int Kavex_DFGetCardUID(int handle, unsigned char* out, int size);

/* --- DESFire: applications and keys ------------------------------------- */

KAVEX_API int Kavex_DFSelectApplication(int handle, unsigned int aid);
KAVEX_API int Kavex_DFGetApplicationIDs(int handle, unsigned int* aids, int sizeBytes);
KAVEX_API int Kavex_DFCreateApplication(int handle, unsigned int aid, int cryptoMethod, int keyCount, int isoFileIds,
                                        int changeKeyAccess, int keySettings, const unsigned char* isoData, int isoLen);
KAVEX_API int Kavex_DFDeleteApplication(int handle, unsigned int aid);
KAVEX_API int Kavex_DFGetKeySettings(int handle, unsigned char* out, int size);
KAVEX_API int Kavex_DFChangeKeySettings(int handle, int changeKeyAccess, int keySettings);
KAVEX_API int Kavex_DFGetKeyVersion(int handle, unsigned char keyNo);
KAVEX_API int Kavex_DFChangeKey(int handle, unsigned char keyNo, const unsigned char* newKey, int newKeyLen,
                                unsigned char keyVersion, const unsigned char* oldKey, int oldKeyLen, int newKeyType);

/* --- DESFire: files and data -------------------------------------------- */

KAVEX_API int Kavex_DFGetFileIDs(int handle, unsigned char* out, int size);
KAVEX_API int Kavex_DFGetFileSettings(int handle, unsigned char fileNo, unsigned char* out, int size);
KAVEX_API int Kavex_DFChangeFileSettings(int handle, unsigned char fileNo, int sendPlain, const unsigned char* settings,
                                         int len);
KAVEX_API int Kavex_DFCreateStdDataFile(int handle, unsigned char fileNo, unsigned short isoFileId, int fileSize,
                                        unsigned char commSettings, unsigned short accessRights);
KAVEX_API int Kavex_DFCreateBackupDataFile(int handle, unsigned char fileNo, unsigned short isoFileId, int fileSize,
                                           unsigned char commSettings, unsigned short accessRights);
KAVEX_API int Kavex_DFCreateValueFile(int handle, unsigned char fileNo, unsigned char commSettings,
                                      unsigned short accessRights, int lowerLimit, int upperLimit, int value,
                                      unsigned char limitedCredit);
KAVEX_API int Kavex_DFCreateLinearRecordFile(int handle, unsigned char fileNo, unsigned short isoFileId,
                                             unsigned char commSettings, unsigned short accessRights, int recordSize,
                                             int maxRecords);
KAVEX_API int Kavex_DFCreateCyclicRecordFile(int handle, unsigned char fileNo, unsigned short isoFileId,
                                             unsigned char commSettings, unsigned short accessRights, int recordSize,
                                             int maxRecords);
KAVEX_API int Kavex_DFDeleteFile(int handle, unsigned char fileNo);
KAVEX_API int Kavex_DFReadData(int handle, unsigned char fileNo, unsigned char mode, unsigned int offset,
                               unsigned int length, unsigned char* out, int size);
KAVEX_API int Kavex_DFWriteData(int handle, unsigned char fileNo, unsigned char mode, unsigned int offset,
                                const unsigned char* data, int len);
KAVEX_API int Kavex_DFGetValue(int handle, unsigned char fileNo, unsigned char mode, int* value);
KAVEX_API int Kavex_DFCredit(int handle, unsigned char fileNo, unsigned char mode, int amount);
KAVEX_API int Kavex_DFDebit(int handle, unsigned char fileNo, unsigned char mode, int amount);
KAVEX_API int Kavex_DFLimitedCredit(int handle, unsigned char fileNo, unsigned char mode, int amount);
KAVEX_API int Kavex_DFWriteRecord(int handle, unsigned char fileNo, unsigned char mode, unsigned int offset,
                                  const unsigned char* data, int len);
KAVEX_API int Kavex_DFReadRecords(int handle, unsigned char fileNo, unsigned char mode, unsigned int recordOffset,
                                  unsigned int recordCount, unsigned int recordSize, unsigned char* out, int size);
KAVEX_API int Kavex_DFClearRecordFile(int handle, unsigned char fileNo);
KAVEX_API int Kavex_DFCommitTransaction(int handle);

/* --- Device lists -------------------------------------------------------- */

/* Name lists: NUL-terminated names followed by one extra NUL; a name that
 * does not fit ends the list. Return the bytes written. */
KAVEX_API int Kavex_ListComPorts(char* buffer, int size);
KAVEX_API int Kavex_ListUsbPorts(char* buffer, int size);
/* Bit 0: an FTDI-based reader without driver, bit 1: a virtual-COM reader
 * without driver. */
KAVEX_API int Kavex_GetMissingDrivers(void);
KAVEX_API int Kavex_IsVirtualComDriverInstalled(void);
/* The maker's USB Bluetooth adapters (serial number followed by " BT"),
 * found through their USBXpress library; empty without it. A Bluetooth
 * module on a serial port opens by the port's name followed by " BT". */
KAVEX_API int Kavex_ListBluetoothPorts(char* buffer, int size);

/* --- LAN readers ---------------------------------------------------------- */

/*
 * The network module of a LAN reader answers UDP on port 30718. Requests go
 * out on every Ethernet and wireless adapter that is up, one after the
 * other; the calls wait on the calling thread and run the idle hook
 * meanwhile. Module names: "a.b.c.d-port" for a module with an address of
 * its own, "[identity]" followed by the address it answered from and
 * "-port" for one without. Our readers' modules give the maker code
 * KAVEX_LAN_MODULE_MAKER in their module information.
 */
#define KAVEX_LAN_MODULE_MAKER "KVX"
/* Every text Kavex_GetLanConfig writes, terminator included, fits into this
 * many bytes ("[" 16 characters "]-65535"); it never writes more. */
#define KAVEX_LAN_TEXT_SIZE 25

/* Name lists as for the device lists. Kavex_SearchLanDevices lists only
 * readers (modules whose type name begins with "KV-"; one without an
 * address of its own by its bracketed identity alone);
 * Kavex_SearchAllLanDevices every module that answers. Each ends 500 ms
 * after the last answer on each adapter. */
KAVEX_API int Kavex_SearchLanDevices(char* buffer, int size);
KAVEX_API int Kavex_SearchAllLanDevices(char* buffer, int size);
/* 1 when the module named (address or identity form, ":N" allowed)
 * answers on some adapter, else 0. */
KAVEX_API int Kavex_TestLanConnection(const char* name);
/* Reads the module's identity ("[identity]-port"), address ("a.b.c.d-port",
 * empty when it has none), mask and gateway. Each buffer must hold
 * KAVEX_LAN_TEXT_SIZE bytes; a null pointer skips that text. With a null
 * identity and no address, address receives the identity text. 0, -1 when
 * the module gives no settings, or the negative result of reaching it. */
KAVEX_API int Kavex_GetLanConfig(const char* name, char* identity, char* address, char* mask, char* gateway);
/* Gives the module a new address ("a.b.c.d" or "[identity]", each with an
 * optional "-port"; the identity form asks for no fixed address), mask
 * (null or empty: unchanged; it must be contiguous) and gateway (null or
 * empty: 0.0.0.0), and restarts it. 0 on success, -1 when a text is not
 * valid or the module does not take the settings, or the negative result
 * of reaching it. */
KAVEX_API int Kavex_SetLanConfig(const char* name, const char* newAddress, const char* mask, const char* gateway);

#ifdef __cplusplus
}
#endif

#endif /* KAVEX_H */
