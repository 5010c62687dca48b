/*
 * Kavex SDK: the C interface to Kavex RFID reader/programmers and the
 * MIFARE DESFire EV1 cards in their field.
 *
 * Conventions
 *  - Every function that takes a port handle leaves a status code in the port
 *    (read it with Kavex_GetLastError, turn it into text with
 *    Kavex_GetErrorText). 0 means success.
 *  - Results are 0 on success and -1 on failure, or a count or value on
 *    success. A caller buffer that is too small sets status 5 and yields -1;
 *    the SDK never writes past the size it is given.
 *  - A handle that names no open port yields -1 and Kavex_GetLastError
 *    answers 3 for it.
 *  - Functions are not reentrant per port: one thread uses a port at a time.
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

/* --- Ports ------------------------------------------------------------- */

/*
 * Opens a reader and identifies it. Names:
 *   "/dev/ttyUSB0", "/tmp/kavex-sim"   serial device path (or a link to one)
 *   "COM1" or "\\.\COM1"               /dev/ttyS0 (COMn is /dev/ttyS(n-1))
 *   any of these followed by ":N"      device address N (default 1)
 * For serial names the last two decimal digits of baud carry the line
 * settings: 0 8N1, 1 8E1, 2 8O1, 3 8N2; the rate is baud rounded down to a
 * multiple of 100 (so 19200 is 19200 8N1, 19203 is 19200 8N2 and 11502 is
 * 11500 8O1). Other names always run at 19200 8N1.
 * Returns the handle (> 0), -1 when the link cannot be opened, -2 for a
 * negative timeout, -11 when no device answers the identification, -13 when
 * a HID device refuses the attach report.
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

#ifdef __cplusplus
}
#endif

#endif /* KAVEX_H */
