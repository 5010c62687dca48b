// Kavex_ListBluetoothPorts: the maker's USB Bluetooth adapters, known only
// through their USBXpress library. Modules on serial ports are not listed
// here; they open by their port's name followed by " BT".
#include "kavex.h"
#include "sdk/transports/name_list.h"
#include "sdk/transports/usbxpress.h"

extern "C" {

KAVEX_API int Kavex_ListBluetoothPorts(char* buffer, int size)
{
    try {
        std::vector<std::string> names;
        if (const kavex::usbxpress::Api* api = kavex::usbxpress::Library())
            for (const std::string& serial : kavex::usbxpress::AdapterSerials(*api)) names.push_back(serial + " BT");
        return kavex::WriteNameList(names, buffer, size);
    } catch (...) {
        return kavex::WriteNameList({}, buffer, size);
    }
}

} // extern "C"
