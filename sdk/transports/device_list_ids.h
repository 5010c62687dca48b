// USB identities of the maker's readers and the article numbers their
// serial numbers begin with. The device lists, the driver check and the HID
// link all recognise readers by these values, so they live in one place.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kavex {

// The maker's own USB vendor ID: readers in virtual-COM mode and in HID mode.
constexpr uint16_t kMakerVendorId = 0x2C7A;
// Readers in virtual-COM mode (CDC ACM, /dev/ttyACMn with cdc_acm).
constexpr uint16_t kVirtualComProductId = 0x0310;
// The four HID-mode product IDs under the maker's vendor ID.
constexpr uint16_t kHidProductIds[] = {0x0320, 0x0321, 0x0322, 0x0323};

// One HID reader was built with a partner's USB interface and kept its ID.
constexpr uint16_t kSecondHidVendorId = 0x2F1D;
constexpr uint16_t kSecondHidProductId = 0x0107;

// Readers built around an FTDI USB-serial chip carry FTDI's vendor ID and a
// product ID FTDI assigned to the maker.
constexpr uint16_t kFtdiVendorId = 0x0403;
constexpr uint16_t kFtdiReaderProductId = 0xB5E8;

// Article numbers (the first four characters of a reader's USB serial
// number). A USB device whose name does not start with one of them is some
// other product on the same chip and is not offered as a reader.
struct ArticleRange {
    int first;
    int last; // inclusive
};
constexpr ArticleRange kArticleRanges[] = {
    {1410, 1419}, // desktop readers
    {1425, 1425}, // desktop reader with keypad
    {1520, 1539}, // desktop programmers
    {1610, 1610}, // OEM module on carrier board
    {2210, 2249}, // wall readers
    {2300, 2300}, // gate reader
    {3120, 3159}, // production programmers
};
constexpr size_t kArticleRangeCount = sizeof(kArticleRanges) / sizeof(kArticleRanges[0]);

// Name part of a HID reader whose serial number cannot be read. Its article
// number is a desktop programmer's, so such a reader still shows up in the
// list and can be opened by this name.
constexpr char kHidSerialPlaceholder[] = "1520-????";
constexpr char kHidNameSuffix[] = " HID";

constexpr bool IsAcceptedHidReader(uint16_t vendorId, uint16_t productId)
{
    if (vendorId == kSecondHidVendorId) return productId == kSecondHidProductId;
    if (vendorId != kMakerVendorId) return false;
    for (uint16_t id : kHidProductIds)
        if (id == productId) return true;
    return false;
}

} // namespace kavex
