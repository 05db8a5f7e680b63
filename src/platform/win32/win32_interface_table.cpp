#include "platform/win32/win32_interface_table.h"

#include <vector>

namespace kestrel {

void Win32InterfaceTable::Load() {
    HMODULE library = LoadLibraryA("iphlpapi.dll");
    if (library)
        getIfTable_ = reinterpret_cast<GetIfTableEntry>(
            reinterpret_cast<void*>(GetProcAddress(library, "GetIfTable")));
}

InterfaceReading Win32InterfaceTable::Read(uint32_t& bufferSize) {
    if (!getIfTable_)
        return {ERROR_NOT_SUPPORTED, {}};
    std::vector<uint8_t> buffer(bufferSize, 0);
    ULONG size = bufferSize;
    const DWORD status = getIfTable_(buffer.data(), &size, TRUE);
    bufferSize = size;
    if ((status & 0xFFFF) != 0)
        return {status, {}};
    return {status, ParseInterfaceTable(buffer)};
}

} // namespace kestrel
