#include "bench/personalisation.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "kavex.h"

namespace kavex::bench {

namespace {

using Bytes = std::vector<unsigned char>;

constexpr int kApplications = 5;
constexpr int kCryptoAes = 2;
constexpr int kKeysPerApplication = 3;
constexpr unsigned char kEnciphered = 3;
constexpr unsigned short kKeyZeroOnly = 0x0000;
constexpr int kDataFileSize = 1280;
constexpr int kBackupFileSize = 320;
constexpr int kRecordSize = 32;

enum FileNo : unsigned char { kData = 1, kBackup = 2, kValue = 3, kLinear = 4, kCyclic = 5 };

Bytes Pattern(size_t n, unsigned seed)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(seed * 31 + i * 7 + (i >> 8));
    return b;
}

Bytes Key(unsigned char first)
{
    Bytes k(16);
    for (size_t i = 0; i < k.size(); ++i) k[i] = static_cast<unsigned char>(first + i);
    return k;
}

class Steps {
public:
    explicit Steps(int handle) : h_(handle) {}

    // Records the first failure; every later step is skipped.
    bool Check(bool ok, const char* step, int app = -1)
    {
        if (ok || !failure.empty()) return ok && failure.empty();
        char text[160];
        std::snprintf(text, sizeof text, "%s (application %d): status 0x%X", step, app, Kavex_GetLastError(h_));
        failure = text;
        return false;
    }
    bool Ok() const { return failure.empty(); }

    std::string failure;

private:
    int h_;
};

} // namespace

PersonalisationResult Personalise(int h)
{
    PersonalisationResult result;
    Steps s(h);
    const Bytes zero(16, 0);

    unsigned short atqa = 0;
    unsigned char uid[10], sak = 0, ats[20];
    s.Check(Kavex_RequestA(h, &atqa) == 0, "request");
    s.Check(s.Ok() && Kavex_AnticollSelect(h, uid, sizeof uid, &sak) > 0, "select");
    s.Check(s.Ok() && Kavex_RATS(h, ats, sizeof ats) > 0, "RATS");

    s.Check(s.Ok() && Kavex_DFSelectApplication(h, 0) == 0, "select card level");
    s.Check(s.Ok() && Kavex_DFAuthenticateISO(h, 0, zero.data(), 16) == 0, "authenticate card master key");
    s.Check(s.Ok() && Kavex_DFFormatPICC(h) == 0, "format");

    for (int a = 0; a < kApplications && s.Ok(); ++a) {
        const unsigned aid = 0x5A0001u + static_cast<unsigned>(a);
        // Applications are made at the card level; its key settings let
        // anyone make them.
        if (a > 0) s.Check(Kavex_DFSelectApplication(h, 0) == 0, "select card level", a);
        s.Check(s.Ok() &&
                    Kavex_DFCreateApplication(h, aid, kCryptoAes, kKeysPerApplication, 0, 0, 0x0F, nullptr, 0) == 0,
                "create application", a);
        s.Check(s.Ok() && Kavex_DFSelectApplication(h, aid) == 0, "select application", a);
        s.Check(s.Ok() && Kavex_DFAuthenticateAES(h, 0, zero.data(), 16) == 0, "authenticate", a);

        s.Check(s.Ok() && Kavex_DFCreateStdDataFile(h, kData, 0, kDataFileSize, kEnciphered, kKeyZeroOnly) == 0,
                "create data file", a);
        s.Check(s.Ok() && Kavex_DFCreateBackupDataFile(h, kBackup, 0, kBackupFileSize, kEnciphered, kKeyZeroOnly) == 0,
                "create backup file", a);
        s.Check(s.Ok() && Kavex_DFCreateValueFile(h, kValue, kEnciphered, kKeyZeroOnly, 0, 100000, 0, 0) == 0,
                "create value file", a);
        s.Check(s.Ok() && Kavex_DFCreateLinearRecordFile(h, kLinear, 0, kEnciphered, kKeyZeroOnly, kRecordSize, 2) == 0,
                "create linear record file", a);
        s.Check(s.Ok() && Kavex_DFCreateCyclicRecordFile(h, kCyclic, 0, kEnciphered, kKeyZeroOnly, kRecordSize, 3) == 0,
                "create cyclic record file", a);

        const Bytes data = Pattern(kDataFileSize, static_cast<unsigned>(a));
        const Bytes backup = Pattern(kBackupFileSize, static_cast<unsigned>(a) + 100);
        const Bytes record = Pattern(kRecordSize, static_cast<unsigned>(a) + 200);
        s.Check(s.Ok() && Kavex_DFWriteData(h, kData, kEnciphered, 0, data.data(), kDataFileSize) == 0, "write data",
                a);
        s.Check(s.Ok() && Kavex_DFWriteData(h, kBackup, kEnciphered, 0, backup.data(), kBackupFileSize) == 0,
                "write backup", a);
        s.Check(s.Ok() && Kavex_DFWriteRecord(h, kLinear, kEnciphered, 0, record.data(), kRecordSize) == 0,
                "write linear record", a);
        s.Check(s.Ok() && Kavex_DFWriteRecord(h, kCyclic, kEnciphered, 0, record.data(), kRecordSize) == 0,
                "write cyclic record", a);
        s.Check(s.Ok() && Kavex_DFCredit(h, kValue, kEnciphered, 1000 + a) == 0, "credit", a);
        s.Check(s.Ok() && Kavex_DFCommitTransaction(h) == 0, "commit", a);
        if (s.Ok()) result.bytesWritten += data.size() + backup.size() + 2 * record.size();

        Bytes back(kDataFileSize);
        s.Check(s.Ok() && Kavex_DFReadData(h, kData, kEnciphered, 0, 0, back.data(), kDataFileSize) == kDataFileSize &&
                    back == data,
                "read data back", a);
        back.assign(kBackupFileSize, 0);
        s.Check(s.Ok() &&
                    Kavex_DFReadData(h, kBackup, kEnciphered, 0, 0, back.data(), kBackupFileSize) == kBackupFileSize &&
                    back == backup,
                "read backup back", a);
        for (const FileNo file : {kLinear, kCyclic}) {
            back.assign(kRecordSize, 0);
            s.Check(s.Ok() &&
                        Kavex_DFReadRecords(h, file, kEnciphered, 0, 1, kRecordSize, back.data(), kRecordSize) ==
                            kRecordSize &&
                        back == record,
                    "read record back", a);
        }
        int value = 0;
        s.Check(s.Ok() && Kavex_DFGetValue(h, kValue, kEnciphered, &value) == 0 && value == 1000 + a, "read value", a);

        // Another key first: changing the key of the session ends it.
        const Bytes key1 = Key(static_cast<unsigned char>(0x10 * a + 1));
        const Bytes key0 = Key(static_cast<unsigned char>(0x10 * a + 2));
        s.Check(s.Ok() && Kavex_DFChangeKey(h, 1, key1.data(), 16, 1, zero.data(), 16, 0) == 0, "change key 1", a);
        s.Check(s.Ok() && Kavex_DFChangeKey(h, 0, key0.data(), 16, 1, zero.data(), 16, 0) == 0, "change key 0", a);
    }

    unsigned int aids[32] = {};
    s.Check(s.Ok() && Kavex_DFSelectApplication(h, 0) == 0, "select card level");
    s.Check(s.Ok() && Kavex_DFGetApplicationIDs(h, aids, sizeof aids) == kApplications, "list applications");
    for (int a = 0; a < kApplications && s.Ok(); ++a) {
        unsigned char files[32];
        s.Check(Kavex_DFSelectApplication(h, aids[a]) == 0, "select application", a);
        s.Check(s.Ok() && Kavex_DFGetFileIDs(h, files, sizeof files) == 5, "list files", a);
    }
    result.failure = s.failure;
    return result;
}

} // namespace kavex::bench
