// HID and FTDI readers through the C functions, against the simulated
// reader on a pty. The device database is a source of the test's own; each
// HID device it opens passes its reports to and from the simulator's pty,
// the way a reader's USB chip passes them to its UART.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "kavex.h"
#include "sdk/support/debug_log.h"
#include "sdk/transports/device_list.h"
#include "sdk/transports/ftd2xx_library.h"
#include "tests/support/sim_reader.h"

using kavex::DeviceRecord;
using kavex::sim::Bytes;
using kavex::sim::Direction;
using kavex::test::SimReader;
using kavex::test::Variant;
using Strings = std::vector<std::string>;

namespace {

struct HidOptions {
    size_t inputLength = 9;
    size_t outputLength = 9;
    size_t maxDataPerReport = 7; // answer bytes the device puts into one input report
    bool refuseAttach = false;
    std::shared_ptr<std::atomic<bool>> unplugged = std::make_shared<std::atomic<bool>>(false);
};

// Everything the devices of one test wrote.
struct HidWire {
    std::mutex mu;
    std::vector<Bytes> reports;
    std::vector<std::string> opened; // devnodes, in open order
};

class BridgedHidDevice final : public kavex::HidDeviceIo {
public:
    BridgedHidDevice(int fd, HidOptions options, HidWire& wire) : fd_(fd), options_(options), wire_(wire) {}
    ~BridgedHidDevice() override { ::close(fd_); }

    bool WriteReport(const uint8_t* report, size_t len) override
    {
        {
            std::lock_guard<std::mutex> lock(wire_.mu);
            wire_.reports.emplace_back(report, report + len);
        }
        if (len != options_.outputLength || len < 2) return false;
        if (report[1] == 0x82) return !options_.refuseAttach;
        const size_t n = report[1];
        if (n == 0 || n > len - 2) return false;
        return ::write(fd_, report + 2, n) == static_cast<ssize_t>(n);
    }

    int ReadReport(uint8_t* buffer, size_t size, int timeoutMs) override
    {
        if (options_.unplugged->load()) return -1;
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, timeoutMs);
        if (options_.unplugged->load()) return -1;
        if (ready <= 0) return 0;
        const size_t room = std::min({options_.maxDataPerReport, options_.inputLength - 2, size - 2});
        const ssize_t n = ::read(fd_, buffer + 2, room);
        if (n <= 0) return 0;
        buffer[0] = 0;
        buffer[1] = static_cast<uint8_t>(n);
        // Padding the link must not take for answer bytes.
        const size_t length = std::min(options_.inputLength, size);
        std::fill(buffer + 2 + n, buffer + length, 0xEE);
        return static_cast<int>(length);
    }

    size_t InputReportLength() const override { return options_.inputLength; }
    size_t OutputReportLength() const override { return options_.outputLength; }

private:
    int fd_;
    HidOptions options_;
    HidWire& wire_;
};

DeviceRecord HidReader(const std::string& serial, const std::string& link, uint16_t pid = kavex::kHidProductIds[0])
{
    DeviceRecord r;
    r.subsystem = "hidraw";
    r.devnode = link;
    r.vendorId = kavex::kMakerVendorId;
    r.productId = pid;
    r.serial = serial;
    r.serialReadable = !serial.empty();
    return r;
}

DeviceRecord FtdiTty(const std::string& serial, const std::string& link)
{
    DeviceRecord r;
    r.subsystem = "tty";
    r.sysname = "ttyUSB0";
    r.devnode = link;
    r.vendorId = kavex::kFtdiVendorId;
    r.productId = kavex::kFtdiReaderProductId;
    r.serial = serial;
    r.serialReadable = true;
    r.driverBound = true;
    return r;
}

class TestSource final : public kavex::DeviceSource {
public:
    TestSource(std::vector<DeviceRecord> ttys, std::vector<DeviceRecord> usb, std::vector<DeviceRecord> hid,
               HidOptions options, HidWire& wire)
        : ttys_(std::move(ttys)), usb_(std::move(usb)), hid_(std::move(hid)), options_(options), wire_(wire)
    {
    }
    std::vector<DeviceRecord> SerialPorts() override { return ttys_; }
    std::vector<DeviceRecord> UsbDevices() override { return usb_; }
    std::vector<DeviceRecord> HidDevices() override { return hid_; }
    std::unique_ptr<kavex::HidDeviceIo> OpenHidDevice(const DeviceRecord& hid) override
    {
        const int fd = ::open(hid.devnode.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return nullptr;
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        std::lock_guard<std::mutex> lock(wire_.mu);
        wire_.opened.push_back(hid.devnode);
        return std::make_unique<BridgedHidDevice>(fd, options_, wire_);
    }

private:
    std::vector<DeviceRecord> ttys_, usb_, hid_;
    HidOptions options_;
    HidWire& wire_;
};

// Installs the test's device database for the life of the fixture.
class UsbReaders : public ::testing::Test {
protected:
    void Use(std::vector<DeviceRecord> ttys, std::vector<DeviceRecord> usb, std::vector<DeviceRecord> hid,
             HidOptions options = {})
    {
        kavex::SetDeviceSourceFactory(
            [=, &wire = wire_] { return std::make_unique<TestSource>(ttys, usb, hid, options, wire); });
    }
    void TearDown() override { kavex::SetDeviceSourceFactory(nullptr); }

    Strings UsbList()
    {
        char buffer[512];
        const int n = Kavex_ListUsbPorts(buffer, sizeof buffer);
        Strings names;
        for (const char* p = buffer; p < buffer + n && *p; p += std::strlen(p) + 1) names.emplace_back(p);
        return names;
    }

    std::vector<Bytes> Reports()
    {
        std::lock_guard<std::mutex> lock(wire_.mu);
        return wire_.reports;
    }

    HidWire wire_;
};

std::vector<Bytes> ReceivedFrames(SimReader& r)
{
    std::vector<Bytes> frames;
    for (const auto& e : r.Sim().Log())
        if (e.direction == Direction::Received) frames.push_back(e.raw);
    return frames;
}

} // namespace

TEST_F(UsbReaders, HidReaderOpensIdentifiesAndLeaves)
{
    SimReader r(Variant(0));
    Use({}, {}, {HidReader("1520-000042", r.link)});
    EXPECT_EQ(UsbList(), (Strings{"1520-000042 HID"}));

    const int h = Kavex_OpenPort("1520-000042 HID", 0, 500);
    ASSERT_GT(h, 10000);
    EXPECT_EQ(Kavex_IsUSB(h), 1);
    EXPECT_EQ(Kavex_IsProgrammer(h), 1);
    // A second HID port counts on from the first.
    SimReader second(Variant(0));
    Use({}, {}, {HidReader("1520-000042", r.link), HidReader("1410-000007", second.link)});
    const int h2 = Kavex_OpenPort("1410-000007 HID", 0, 500);
    EXPECT_EQ(h2, h + 1);
    EXPECT_EQ(Kavex_ClosePort(h2), 0);
    EXPECT_EQ(Kavex_ClosePort(h), 0);

    const std::vector<Bytes> reports = Reports();
    ASSERT_GE(reports.size(), 2u);
    const Bytes attach = {0x00, 0x82, 0x10, 0x00, 0, 0, 0, 0, 0};
    const Bytes leave = {0x00, 0x82, 0x10, 0x01, 0, 0, 0, 0, 0};
    EXPECT_EQ(reports.front(), attach);
    EXPECT_EQ(reports.back(), leave);

    EXPECT_EQ(Kavex_OpenPort("1520-000099 HID", 0, 500), KAVEX_OPEN_LINK_FAILED);
}

TEST_F(UsbReaders, UnpluggedHidReaderIsForgotten)
{
    SimReader r(Variant(0));
    HidOptions options;
    Use({}, {}, {HidReader("1520-000042", r.link)}, options);
    const int h = Kavex_OpenPort("1520-000042 HID", 0, 100);
    ASSERT_GT(h, 0);
    *options.unplugged = true;
    unsigned char ident[8];
    EXPECT_EQ(Kavex_GetDeviceIdent(h, ident, sizeof ident), -1);
    // The failed read closed the link; the port is gone with it.
    EXPECT_EQ(Kavex_IsUSB(h), -1);
    EXPECT_EQ(Kavex_GetLastError(h), 3);
}

TEST_F(UsbReaders, HidReaderThatRefusesTheAttachReport)
{
    SimReader r(Variant(0));
    HidOptions refusing;
    refusing.refuseAttach = true;
    Use({}, {}, {HidReader("1520-000042", r.link)}, refusing);
    EXPECT_EQ(Kavex_OpenPort("1520-000042 HID", 0, 500), KAVEX_OPEN_HID_REFUSED);
}

TEST_F(UsbReaders, FramesGoOutInReportSizedPiecesAndAnswersHonourTheLengthByte)
{
    // Answers come back three bytes per 9-byte report, the rest padding.
    SimReader r(Variant(0), kavex::test::CountingRandom());
    HidOptions options;
    options.maxDataPerReport = 3;
    Use({}, {}, {HidReader("1520-000042", r.link)}, options);
    const int h = Kavex_OpenPort("1520-000042 HID", 0, 500);
    ASSERT_GT(h, 0);
    unsigned short atqa = 0;
    unsigned char uid[10], sak = 0, ats[20];
    ASSERT_EQ(Kavex_SetRF(h, 1), 0);
    ASSERT_EQ(Kavex_RequestA(h, &atqa), 0);
    ASSERT_GT(Kavex_AnticollSelect(h, uid, sizeof uid, &sak), 0);
    ASSERT_GE(Kavex_RATS(h, ats, sizeof ats), 2);
    const unsigned char key[16] = {};
    ASSERT_EQ(Kavex_DFAuthenticateISO(h, 0, key, sizeof key), 0) << Kavex_GetLastError(h);
    EXPECT_EQ(Kavex_ClosePort(h), 0);

    // Each frame in pieces of 7 bytes, the last one shorter (a 12-byte
    // frame as 7 + 5), every report 9 bytes long.
    std::vector<size_t> expected;
    Bytes expectedBytes;
    for (const Bytes& frame : ReceivedFrames(r)) {
        for (size_t done = 0; done < frame.size(); done += 7)
            expected.push_back(std::min<size_t>(7, frame.size() - done));
        expectedBytes.insert(expectedBytes.end(), frame.begin(), frame.end());
    }
    std::vector<size_t> pieces;
    Bytes sentBytes;
    for (const Bytes& report : Reports()) {
        ASSERT_EQ(report.size(), 9u);
        if (report[1] == 0x82) continue;
        pieces.push_back(report[1]);
        sentBytes.insert(sentBytes.end(), report.begin() + 2, report.begin() + 2 + report[1]);
    }
    EXPECT_EQ(pieces, expected);
    EXPECT_EQ(sentBytes, expectedBytes);
    EXPECT_NE(std::find(expected.begin(), expected.end(), 5u), expected.end());
}

TEST_F(UsbReaders, ReaderThatCannotTellItsReportLengthGetsNineByteReports)
{
    SimReader r(Variant(0));
    HidOptions unknown;
    unknown.inputLength = 0;
    unknown.outputLength = 0;
    Use({}, {}, {HidReader("1520-000042", r.link)}, unknown);
    // The fake takes only reports of its own length, 0: nothing goes out,
    // but the link sends what it would to a 9-byte device (the attach, and
    // the leave as the refused port goes).
    EXPECT_EQ(Kavex_OpenPort("1520-000042 HID", 0, 100), KAVEX_OPEN_HID_REFUSED);
    const std::vector<Bytes> reports = Reports();
    ASSERT_FALSE(reports.empty());
    for (const Bytes& report : reports) EXPECT_EQ(report.size(), 9u);
}

TEST_F(UsbReaders, DuplicateSerialNumbersAreListedOnceAndTheFirstOpens)
{
    SimReader first(Variant(0)), second(Variant(0));
    Use({}, {},
        {HidReader("1520-000042", first.link), HidReader("1520-000042", second.link),
         HidReader("1520-000042", first.link, 0x9999) /* not a reader's ID */});
    EXPECT_EQ(UsbList(), (Strings{"1520-000042 HID"}));
    const int h = Kavex_OpenPort("1520-000042 HID", 0, 500);
    ASSERT_GT(h, 0);
    EXPECT_FALSE(ReceivedFrames(first).empty());
    EXPECT_TRUE(ReceivedFrames(second).empty());
    Kavex_ClosePort(h);
}

TEST_F(UsbReaders, HidNamesFromDevicesAreShortAndPrintable)
{
    // A device's serial number is its own text: a line break or a second
    // name inside it must not reach the caller's list.
    SimReader r(Variant(0));
    Use({}, {},
        {HidReader(std::string("1520-1\n1410-2\x7f"), r.link), HidReader("1410-0123456789012345678901234567", r.link),
         HidReader(std::string("1520-\xc2\x85x"), r.link)});
    EXPECT_EQ(UsbList(), (Strings{"1520-1?1410-2? HID", "1410-01234567890123456789 HID", "1520-?x HID"}));
    const int h = Kavex_OpenPort("1410-01234567890123456789 HID", 0, 500);
    EXPECT_GT(h, 0);
    Kavex_ClosePort(h);
}

TEST_F(UsbReaders, FtdiReaderOpensByItsSerialNumberThroughItsTty)
{
    SimReader r(Variant(0));
    DeviceRecord usb;
    usb.subsystem = "usb";
    usb.vendorId = kavex::kFtdiVendorId;
    usb.productId = kavex::kFtdiReaderProductId;
    usb.serial = "3120-FT01";
    usb.serialReadable = true;
    usb.driverBound = true;
    Use({FtdiTty("3120-FT01", r.link)}, {usb}, {});
    EXPECT_EQ(UsbList(), (Strings{"3120-FT01"}));

    const int h = Kavex_OpenPort("3120-FT01", 19200, 500);
    ASSERT_GT(h, 0);
    EXPECT_LT(h, 10000);
    EXPECT_EQ(Kavex_IsUSB(h), 1);
    // Held open here: not offered again while open.
    EXPECT_EQ(UsbList(), Strings{});
    EXPECT_EQ(Kavex_ClosePort(h), 0);
    EXPECT_EQ(UsbList(), (Strings{"3120-FT01"}));

    EXPECT_EQ(Kavex_OpenPort("3120-FT02", 19200, 500), KAVEX_OPEN_LINK_FAILED);
}

namespace {

// The debug log of the SDK and the D2XX library it loads, for one test.
class FtdiLists : public UsbReaders {
protected:
    void SetUp() override
    {
        kavex::SetDebugLogSinkForTesting([this](const std::string& text) {
            std::lock_guard<std::mutex> lock(mu_);
            debug_.push_back(text);
        });
        DeviceRecord usb;
        usb.subsystem = "usb";
        usb.vendorId = kavex::kFtdiVendorId;
        usb.productId = kavex::kFtdiReaderProductId;
        usb.serial = "3120-UDEV";
        usb.serialReadable = true;
        usb.driverBound = true;
        Use({}, {usb}, {HidReader("1520-000042", "/nonexistent")});
    }
    void TearDown() override
    {
        kavex::SetDebugLogSinkForTesting(nullptr);
        kavex::SetFtd2xxLibraryForTesting("");
        UsbReaders::TearDown();
    }
    bool Logged(const std::string& text)
    {
        std::lock_guard<std::mutex> lock(mu_);
        return std::find(debug_.begin(), debug_.end(), text) != debug_.end();
    }

private:
    std::mutex mu_;
    Strings debug_;
};

} // namespace

TEST_F(FtdiLists, WithoutTheLibraryTheDeviceDatabaseListsFtdiReaders)
{
    kavex::SetFtd2xxLibraryForTesting("/nonexistent/libftd2xx.so");
    EXPECT_EQ(UsbList(), (Strings{"3120-UDEV", "1520-000042 HID"}));
    EXPECT_TRUE(Logged("FT_CreateDeviceInfoList ist nicht vorhanden!"));
}

TEST_F(FtdiLists, TheLibraryListsAndOpensTheFtdiDevicesNobodyHoldsOpen)
{
    SimReader r(Variant(0));
    void* fake = dlopen(KAVEX_FAKE_FTD2XX, RTLD_NOW);
    ASSERT_NE(fake, nullptr) << dlerror();
    auto setDevices = reinterpret_cast<void (*)(const char* const*, const int*, const char* const*, int)>(
        dlsym(fake, "FakeFtd2xx_SetDevices"));
    auto lastBaud = reinterpret_cast<uint32_t (*)()>(dlsym(fake, "FakeFtd2xx_LastBaud"));
    ASSERT_TRUE(setDevices && lastBaud);
    const char* serials[] = {"3120-D2XX", "3120-BUSY", "9999-OTHER"};
    const int open[] = {0, 1, 0};
    const char* ptys[] = {r.link.c_str(), "/nonexistent", "/nonexistent"};
    setDevices(serials, open, ptys, 3);
    kavex::SetFtd2xxLibraryForTesting(KAVEX_FAKE_FTD2XX);

    EXPECT_EQ(UsbList(), (Strings{"3120-D2XX", "1520-000042 HID"}));
    EXPECT_FALSE(Logged("FT_CreateDeviceInfoList ist nicht vorhanden!"));
    // The stand-in lacks most of the interface; the log names what is missing.
    EXPECT_TRUE(Logged("Fehler: Kann FT_W32_WaitCommEvent nicht initialisieren"));

    // No ttyUSB for it in the device database: the library opens it.
    const int h = Kavex_OpenPort("3120-D2XX", 38400, 500);
    ASSERT_GT(h, 0);
    EXPECT_LT(h, 10000);
    EXPECT_EQ(Kavex_IsUSB(h), 1);
    // Only port paths and COM names carry a line rate; a serial number
    // runs at 19200.
    EXPECT_EQ(lastBaud(), 19200u);
    EXPECT_EQ(UsbList(), (Strings{"1520-000042 HID"}));
    EXPECT_EQ(Kavex_ClosePort(h), 0);
    dlclose(fake);
}

TEST_F(FtdiLists, WithoutTheLibraryAnFtdiNameWithoutTtyDoesNotOpen)
{
    kavex::SetFtd2xxLibraryForTesting("/nonexistent/libftd2xx.so");
    EXPECT_EQ(Kavex_OpenPort("3120-UDEV", 19200, 100), KAVEX_OPEN_LINK_FAILED);
}

TEST(HidReportDescriptor, ReportLengthsIncludeTheReportIdByte)
{
    // Vendor page, 8-byte input and output reports without report IDs.
    const Bytes plain = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
                         0x95, 0x08, 0x09, 0x01, 0x81, 0x02, 0x95, 0x08, 0x09, 0x01, 0x91, 0x02, 0xC0};
    const kavex::HidReportLengths p = kavex::ParseReportDescriptor(plain);
    EXPECT_EQ(p.input, 9u);
    EXPECT_EQ(p.output, 9u);
    EXPECT_FALSE(p.numbered);

    // Report 1: 16 bytes in; report 2: 4 + 4 bytes out; the longest counts.
    const Bytes numbered = {0x85, 0x01, 0x75, 0x08, 0x95, 0x10, 0x81, 0x02, 0x85, 0x02, 0x95,
                            0x04, 0x91, 0x02, 0x91, 0x02, 0x85, 0x03, 0x95, 0x02, 0x91, 0x02};
    const kavex::HidReportLengths n = kavex::ParseReportDescriptor(numbered);
    EXPECT_EQ(n.input, 17u);
    EXPECT_EQ(n.output, 9u);
    EXPECT_TRUE(n.numbered);

    // Cut off inside an item, or claiming a huge report: no overrun, a bound.
    EXPECT_EQ(kavex::ParseReportDescriptor({0x75, 0x08, 0x97, 0xFF, 0xFF, 0xFF, 0x7F, 0x81, 0x02}).input, 65537u);
    EXPECT_EQ(
        kavex::ParseReportDescriptor({0x75, 0x08, 0x97, 0xFF, 0xFF, 0xFF, 0x7F, 0x91, 0x02, 0x91, 0x02, 0x91, 0x02})
            .output,
        65537u);
    EXPECT_EQ(kavex::ParseReportDescriptor({0x75}).input, 0u);
}
