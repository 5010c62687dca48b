#include "sim/desfire/card_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>

namespace kavex::sim::desfire {
namespace {

using nlohmann::json;
// Written in a fixed order that reads top-down: identity, memory, keys, applications.
using ordered = nlohmann::ordered_json;

constexpr const char* kFormatName = "kavex-desfire-card";
constexpr int kFormatVersion = 1;
constexpr uint32_t kMaxStorage = 0xFFFFFF;
constexpr size_t kMaxAts = 20;
constexpr size_t kMaxDfName = 16;
constexpr size_t kMaxKeys = 14;

SaveHook& Hook()
{
    static SaveHook hook;
    return hook;
}

// ---- writing ----

std::string Hex(const uint8_t* p, size_t n)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(2 * n);
    for (size_t i = 0; i < n; ++i) {
        s.push_back(digits[p[i] >> 4]);
        s.push_back(digits[p[i] & 0x0F]);
    }
    return s;
}
std::string Hex(const std::vector<uint8_t>& v)
{
    return Hex(v.data(), v.size());
}
// A number shown as its `digits` hexadecimal digits, most significant first.
std::string HexNumber(uint32_t v, int digits)
{
    std::vector<uint8_t> bytes;
    for (int i = digits / 2 - 1; i >= 0; --i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return Hex(bytes);
}

const char* MethodName(CryptoMethod m)
{
    switch (m) {
    case CryptoMethod::Tdes3K: return "3K3DES";
    case CryptoMethod::Aes: return "AES";
    case CryptoMethod::Tdes: break;
    }
    return "DES";
}

const char* TypeName(FileType t)
{
    switch (t) {
    case FileType::BackupData: return "backupData";
    case FileType::Value: return "value";
    case FileType::LinearRecord: return "linearRecord";
    case FileType::CyclicRecord: return "cyclicRecord";
    case FileType::StandardData: break;
    }
    return "standardData";
}

void PutKeySet(ordered& j, const KeySet& keys)
{
    j["cryptoMethod"] = MethodName(keys.method);
    j["keySettings"] = HexNumber(keys.settings, 2);
    const size_t len = KeyLength(CipherOf(keys.method));
    ordered list = ordered::array();
    for (const DesfireKey& k : keys.keys) list.push_back({{"value", Hex(k.value.data(), len)}, {"version", k.version}});
    j["keys"] = std::move(list);
}

ordered FileJson(uint8_t number, const DesfireFile& f)
{
    ordered j;
    j["number"] = number;
    j["type"] = TypeName(f.type);
    j["communication"] = f.commSettings;
    j["accessRights"] = HexNumber(f.accessRights, 4);
    if (f.isoFileId) j["isoFileId"] = HexNumber(*f.isoFileId, 4);
    j["allocated"] = f.allocated;
    switch (f.type) {
    case FileType::StandardData:
    case FileType::BackupData:
        j["size"] = f.size;
        j["data"] = Hex(f.data);
        break;
    case FileType::Value:
        j["lowerLimit"] = f.lowerLimit;
        j["upperLimit"] = f.upperLimit;
        j["value"] = f.value;
        j["limitedCreditValue"] = f.limitedCreditValue;
        j["limitedCreditEnabled"] = f.limitedCreditEnabled;
        j["freeGetValue"] = f.freeGetValue;
        break;
    case FileType::LinearRecord:
    case FileType::CyclicRecord: {
        j["recordSize"] = f.recordSize;
        j["maxRecords"] = f.maxRecords;
        ordered records = ordered::array();
        for (const auto& r : f.records) records.push_back(Hex(r));
        j["records"] = std::move(records);
        break;
    }
    }
    return j;
}

// ---- reading ----

struct Invalid : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One JSON object of the card file with the path that names it in messages.
class Node {
public:
    Node(const json& j, std::string path) : j_(j), path_(std::move(path))
    {
        if (!j_.is_object()) Fail("must be an object");
    }

    [[noreturn]] void Fail(const std::string& what) const { throw Invalid(path_ + ": " + what); }

    bool Has(const char* key) const { return j_.contains(key); }

    const json& At(const char* key) const
    {
        auto it = j_.find(key);
        if (it == j_.end()) throw Invalid(Child(key) + ": missing");
        return *it;
    }
    std::string Child(const char* key) const { return path_.empty() ? key : path_ + "." + key; }

    int64_t Integer(const char* key, int64_t min, int64_t max) const
    {
        const json& v = At(key);
        if (!v.is_number_integer()) throw Invalid(Child(key) + ": must be a whole number");
        const int64_t n = v.is_number_unsigned() && v.get<uint64_t>() > uint64_t(std::numeric_limits<int64_t>::max())
                              ? std::numeric_limits<int64_t>::max()
                              : v.get<int64_t>();
        if (n < min || n > max)
            throw Invalid(Child(key) + ": must lie between " + std::to_string(min) + " and " + std::to_string(max));
        return n;
    }
    bool Bool(const char* key) const
    {
        const json& v = At(key);
        if (!v.is_boolean()) throw Invalid(Child(key) + ": must be true or false");
        return v.get<bool>();
    }
    std::string String(const char* key) const
    {
        const json& v = At(key);
        if (!v.is_string()) throw Invalid(Child(key) + ": must be a string");
        return v.get<std::string>();
    }
    std::vector<uint8_t> Bytes(const char* key, size_t minLen, size_t maxLen) const
    {
        return ParseHex(String(key), Child(key), minLen, maxLen);
    }
    uint32_t HexValue(const char* key, int digits) const
    {
        const std::vector<uint8_t> b = Bytes(key, digits / 2, digits / 2);
        uint32_t v = 0;
        for (uint8_t x : b) v = v << 8 | x;
        return v;
    }
    const json& Array(const char* key) const
    {
        const json& v = At(key);
        if (!v.is_array()) throw Invalid(Child(key) + ": must be an array");
        return v;
    }

    static std::vector<uint8_t> ParseHex(const std::string& s, const std::string& path, size_t minLen, size_t maxLen)
    {
        auto nibble = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        std::vector<uint8_t> out;
        if (s.size() % 2 != 0) throw Invalid(path + ": odd number of hexadecimal digits");
        for (size_t i = 0; i < s.size(); i += 2) {
            const int hi = nibble(s[i]);
            const int lo = nibble(s[i + 1]);
            if (hi < 0 || lo < 0) throw Invalid(path + ": not hexadecimal");
            out.push_back(static_cast<uint8_t>(hi << 4 | lo));
        }
        if (out.size() < minLen || out.size() > maxLen) {
            const std::string want =
                minLen == maxLen ? std::to_string(minLen) : std::to_string(minLen) + " to " + std::to_string(maxLen);
            throw Invalid(path + ": must be " + want + " bytes (" + std::to_string(out.size()) + " given)");
        }
        return out;
    }

private:
    const json& j_;
    std::string path_;
};

std::string Indexed(const std::string& path, size_t i)
{
    return path + "[" + std::to_string(i) + "]";
}

CryptoMethod ParseMethod(const Node& n)
{
    const std::string s = n.String("cryptoMethod");
    if (s == "DES") return CryptoMethod::Tdes;
    if (s == "3K3DES") return CryptoMethod::Tdes3K;
    if (s == "AES") return CryptoMethod::Aes;
    n.Fail("cryptoMethod must be \"DES\", \"3K3DES\" or \"AES\"");
}

KeySet ParseKeySet(const Node& n, size_t minKeys, size_t maxKeys)
{
    KeySet set;
    set.method = ParseMethod(n);
    set.settings = static_cast<uint8_t>(n.HexValue("keySettings", 2));
    const json& keys = n.Array("keys");
    if (keys.size() < minKeys || keys.size() > maxKeys)
        throw Invalid(n.Child("keys") + ": must hold " + std::to_string(minKeys) + " to " + std::to_string(maxKeys) +
                      " keys");
    const size_t len = KeyLength(CipherOf(set.method));
    for (size_t i = 0; i < keys.size(); ++i) {
        const Node k(keys[i], Indexed(n.Child("keys"), i));
        DesfireKey key;
        const std::vector<uint8_t> value = k.Bytes("value", len, len);
        std::copy(value.begin(), value.end(), key.value.begin());
        key.version = static_cast<uint8_t>(k.Integer("version", 0, 255));
        set.keys.push_back(key);
    }
    return set;
}

DesfireFile ParseFile(const Node& n, bool isoFileIds)
{
    DesfireFile f;
    const std::string type = n.String("type");
    if (type == "standardData")
        f.type = FileType::StandardData;
    else if (type == "backupData")
        f.type = FileType::BackupData;
    else if (type == "value")
        f.type = FileType::Value;
    else if (type == "linearRecord")
        f.type = FileType::LinearRecord;
    else if (type == "cyclicRecord")
        f.type = FileType::CyclicRecord;
    else
        n.Fail("unknown file type \"" + type + "\"");
    f.commSettings = static_cast<uint8_t>(n.Integer("communication", 0, 3));
    f.accessRights = static_cast<uint16_t>(n.HexValue("accessRights", 4));
    if (n.Has("isoFileId")) {
        if (!isoFileIds) n.Fail("isoFileId in an application without ISO file IDs");
        f.isoFileId = static_cast<uint16_t>(n.HexValue("isoFileId", 4));
    }
    f.allocated = static_cast<uint32_t>(n.Integer("allocated", 0, kMaxStorage));
    switch (f.type) {
    case FileType::StandardData:
    case FileType::BackupData:
        f.size = static_cast<uint32_t>(n.Integer("size", 1, kMaxStorage));
        f.data = n.Bytes("data", f.size, f.size);
        break;
    case FileType::Value: {
        const int64_t lo = std::numeric_limits<int32_t>::min();
        const int64_t hi = std::numeric_limits<int32_t>::max();
        f.lowerLimit = static_cast<int32_t>(n.Integer("lowerLimit", lo, hi));
        f.upperLimit = static_cast<int32_t>(n.Integer("upperLimit", f.lowerLimit, hi));
        f.value = static_cast<int32_t>(n.Integer("value", f.lowerLimit, f.upperLimit));
        f.limitedCreditValue = static_cast<int32_t>(n.Integer("limitedCreditValue", 0, hi));
        f.limitedCreditEnabled = n.Bool("limitedCreditEnabled");
        f.freeGetValue = n.Bool("freeGetValue");
        break;
    }
    case FileType::LinearRecord:
    case FileType::CyclicRecord: {
        f.recordSize = static_cast<uint32_t>(n.Integer("recordSize", 1, kMaxStorage));
        f.maxRecords =
            static_cast<uint32_t>(n.Integer("maxRecords", f.type == FileType::CyclicRecord ? 2 : 1, kMaxStorage));
        const json& records = n.Array("records");
        if (records.size() > f.RecordCapacity())
            throw Invalid(n.Child("records") + ": more records than the file holds");
        for (size_t i = 0; i < records.size(); ++i) {
            const std::string path = Indexed(n.Child("records"), i);
            if (!records[i].is_string()) throw Invalid(path + ": must be a string");
            f.records.push_back(Node::ParseHex(records[i].get<std::string>(), path, f.recordSize, f.recordSize));
        }
        break;
    }
    }
    return f;
}

Application ParseApplication(const Node& n)
{
    Application app;
    app.aid = n.HexValue("aid", 6);
    if (app.aid == CardState::kCardLevel) n.Fail("aid 000000 is the card level");
    app.keys = ParseKeySet(n, 1, kMaxKeys);
    app.isoFileIds = n.Bool("isoFileIds");
    if (n.Has("isoFileId")) {
        if (!app.isoFileIds) n.Fail("isoFileId without isoFileIds");
        app.isoFileId = static_cast<uint16_t>(n.HexValue("isoFileId", 4));
    }
    if (n.Has("dfName")) {
        if (!app.isoFileIds) n.Fail("dfName without isoFileIds");
        app.dfName = n.Bytes("dfName", 1, kMaxDfName);
    }
    app.allocated = static_cast<uint32_t>(n.Integer("allocated", 0, kMaxStorage));
    const json& files = n.Array("files");
    for (size_t i = 0; i < files.size(); ++i) {
        const Node f(files[i], Indexed(n.Child("files"), i));
        const uint8_t number = static_cast<uint8_t>(f.Integer("number", 0, 31));
        if (app.files.count(number)) f.Fail("file number " + std::to_string(number) + " appears twice");
        app.files.emplace(number, ParseFile(f, app.isoFileIds));
    }
    return app;
}

template <size_t N>
void CopyBytes(const std::vector<uint8_t>& from, std::array<uint8_t, N>& to)
{
    std::copy(from.begin(), from.end(), to.begin());
}

void ParseInto(const json& root, CardState* out)
{
    const Node top(root, "");
    if (!top.Has("format") || !top.At("format").is_string() || top.String("format") != kFormatName)
        top.Fail(std::string("not a card file (\"format\" must be \"") + kFormatName + "\")");
    if (top.Integer("version", 0, std::numeric_limits<int32_t>::max()) != kFormatVersion)
        top.Fail("card file version " + std::to_string(kFormatVersion) + " expected");

    CardState st(static_cast<uint32_t>(top.Integer("storageSize", 0, kMaxStorage)));
    if (!st.memory.Restore(static_cast<uint32_t>(top.Integer("usedMemory", 0, kMaxStorage))))
        throw Invalid("usedMemory: must be a multiple of 32 within the card's memory");

    const Node prod(top.At("production"), "production");
    CopyBytes(prod.Bytes("uid", 7, 7), st.production.uid);
    CopyBytes(prod.Bytes("batchNumber", 5, 5), st.production.batchNumber);
    st.production.week = static_cast<uint8_t>(prod.HexValue("week", 2));
    st.production.year = static_cast<uint8_t>(prod.HexValue("year", 2));

    const Node cfg(top.At("configuration"), "configuration");
    st.config.formatDisabled = cfg.Bool("formatDisabled");
    st.config.randomUid = cfg.Bool("randomUid");
    CopyBytes(cfg.Bytes("defaultKey", 24, 24), st.config.defaultKey);
    st.config.defaultKeyVersion = static_cast<uint8_t>(cfg.Integer("defaultKeyVersion", 0, 255));
    st.config.ats = cfg.Bytes("ats", 2, kMaxAts);
    if (st.config.ats[0] != st.config.ats.size()) cfg.Fail("ats: the first byte must be its length");

    st.masterKeys = ParseKeySet(Node(top.At("masterKey"), "masterKey"), 1, 1);

    const json& apps = top.Array("applications");
    if (apps.size() > CardState::kMaxApplications)
        throw Invalid("applications: at most " + std::to_string(CardState::kMaxApplications));
    std::set<uint16_t> isoIds;
    std::set<std::vector<uint8_t>> names;
    for (size_t i = 0; i < apps.size(); ++i) {
        const Node a(apps[i], Indexed("applications", i));
        Application app = ParseApplication(a);
        if (st.applications.count(app.aid)) a.Fail("aid " + HexNumber(app.aid, 6) + " appears twice");
        if (app.isoFileId && !isoIds.insert(*app.isoFileId).second) a.Fail("isoFileId appears twice");
        if (!app.dfName.empty() && !names.insert(app.dfName).second) a.Fail("dfName appears twice");
        st.applications.emplace(app.aid, std::move(app));
    }
    *out = std::move(st);
}

std::string ErrnoText(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

std::string DirectoryOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

} // namespace

std::string CardFileText(const CardState& st)
{
    ordered root;
    root["format"] = kFormatName;
    root["version"] = kFormatVersion;
    root["production"] = {{"uid", Hex(st.production.uid.data(), st.production.uid.size())},
                          {"batchNumber", Hex(st.production.batchNumber.data(), st.production.batchNumber.size())},
                          {"week", HexNumber(st.production.week, 2)},
                          {"year", HexNumber(st.production.year, 2)}};
    root["storageSize"] = st.memory.StorageSize();
    root["usedMemory"] = st.memory.Used();
    root["configuration"] = {{"formatDisabled", st.config.formatDisabled},
                             {"randomUid", st.config.randomUid},
                             {"defaultKey", Hex(st.config.defaultKey.data(), st.config.defaultKey.size())},
                             {"defaultKeyVersion", st.config.defaultKeyVersion},
                             {"ats", Hex(st.config.ats)}};
    ordered master;
    PutKeySet(master, st.masterKeys);
    root["masterKey"] = std::move(master);
    ordered apps = ordered::array();
    for (const auto& entry : st.applications) {
        const Application& app = entry.second;
        ordered a;
        a["aid"] = HexNumber(app.aid, 6);
        PutKeySet(a, app.keys);
        a["isoFileIds"] = app.isoFileIds;
        if (app.isoFileId) a["isoFileId"] = HexNumber(*app.isoFileId, 4);
        if (!app.dfName.empty()) a["dfName"] = Hex(app.dfName);
        a["allocated"] = app.allocated;
        ordered files = ordered::array();
        for (const auto& f : app.files) files.push_back(FileJson(f.first, f.second));
        a["files"] = std::move(files);
        apps.push_back(std::move(a));
    }
    root["applications"] = std::move(apps);
    return root.dump(2) + "\n";
}

bool ParseCardFile(const std::string& text, CardState* state, std::string* error)
{
    try {
        ParseInto(json::parse(text), state);
        return true;
    } catch (const json::parse_error& e) {
        if (error) *error = std::string("not valid JSON: ") + e.what();
    } catch (const Invalid& e) {
        if (error) *error = e.what();
    } catch (const json::exception& e) {
        if (error) *error = e.what();
    }
    return false;
}

bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string* error)
{
    std::string temp = path + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = ErrnoText("cannot create a temporary file next to", path);
        return false;
    }
    auto failWith = [&](const std::string& message) {
        *error = message;
        unlink(temp.c_str());
        return false;
    };
    // The card file keeps the permissions it had; a new one is private
    // to its owner (it holds keys).
    struct stat old;
    if (stat(path.c_str(), &old) == 0) fchmod(fd, old.st_mode & 07777);

    size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = write(fd, contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string message = ErrnoText("cannot write", temp);
            close(fd);
            return failWith(message);
        }
        done += static_cast<size_t>(n);
    }
    if (fsync(fd) != 0) {
        const std::string message = ErrnoText("cannot sync", temp);
        close(fd);
        return failWith(message);
    }
    if (close(fd) != 0) return failWith(ErrnoText("cannot close", temp));
    if (Hook() && !Hook()(temp)) return failWith("saving " + path + " was stopped before the rename");
    if (rename(temp.c_str(), path.c_str()) != 0) return failWith(ErrnoText("cannot rename " + temp + " to", path));
    // The rename itself must reach the disk too.
    const int dir = open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

void SetSaveHookForTesting(SaveHook hook)
{
    Hook() = std::move(hook);
}

std::unique_ptr<DesfireCard> LoadCardFile(const std::string& path, std::string* error, DesfireCardOptions options)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) {
            *error = ErrnoText("cannot read card file", path);
            return nullptr;
        }
        struct stat dir;
        const std::string directory = DirectoryOf(path);
        if (stat(directory.c_str(), &dir) != 0 || !S_ISDIR(dir.st_mode)) {
            *error = "cannot create card file " + path + ": directory " + directory + " does not exist";
            return nullptr;
        }
        auto card = std::make_unique<DesfireCard>(std::move(options));
        card->BindCardFile(path);
        return card;
    }
    std::string text;
    struct stat info;
    bool ok = fstat(fd, &info) == 0;
    if (ok && !S_ISREG(info.st_mode)) {
        ok = false;
        errno = EISDIR; // anything but a plain file
    }
    char buf[8192];
    while (ok) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        text.append(buf, static_cast<size_t>(n));
    }
    if (!ok) {
        *error = ErrnoText("cannot read card file", path);
        close(fd);
        return nullptr;
    }
    close(fd);

    CardState state;
    std::string why;
    if (!ParseCardFile(text, &state, &why)) {
        *error = "card file " + path + " is not usable (left unchanged): " + why;
        return nullptr;
    }
    auto card = std::make_unique<DesfireCard>(std::move(options));
    card->RestoreState(std::move(state));
    card->BindCardFile(path);
    return card;
}

} // namespace kavex::sim::desfire
