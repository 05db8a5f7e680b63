#include "win32/win32_interface_table.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

namespace kestrel {

namespace {

constexpr size_t RowSize = 860;
constexpr size_t FirstRow = 4;
constexpr size_t InOctetsAt = 552;
constexpr size_t OutOctetsAt = 576;
constexpr size_t DescriptionAt = 604;
constexpr size_t DescriptionSize = 256;

uint32_t Word(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
           static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

// Reads the rows of a MIB_IFTABLE (a 32-bit count, then 860-byte rows) from a buffer, never
// past its end, whatever the count says.
std::vector<InterfaceRow> ParseInterfaceTable(std::span<const uint8_t> buffer) {
    std::vector<InterfaceRow> rows;
    if (buffer.size() < FirstRow)
        return rows;
    const size_t fitting = (buffer.size() - FirstRow) / RowSize;
    const size_t count = std::min<size_t>(Word(buffer, 0), fitting);
    for (size_t i = 0; i < count; ++i) {
        const auto row = buffer.subspan(FirstRow + i * RowSize, RowSize);
        const auto description = row.subspan(DescriptionAt, DescriptionSize);
        const auto end = std::find(description.begin(), description.end(), uint8_t{0});
        rows.push_back(
            {std::string(description.begin(), end), Word(row, InOctetsAt), Word(row, OutOctetsAt)});
    }
    return rows;
}

} // namespace

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
