#include "win32/win32_interface_table.h"

#include "text/utf8.h"
#include "win32/win32_text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace kestrel {

using namespace if_layout;

namespace {

using GetIfTableEntry = DWORD(WINAPI*)(void* table, ULONG* size, BOOL sort);
using GetIfEntry2Entry = DWORD(WINAPI*)(void* row);

// Only the status's low word tells a failure.
bool Failed(DWORD status) {
    return (status & 0xFFFF) != 0;
}

uint32_t Word(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
           static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

uint64_t Word64(std::span<const uint8_t> bytes, size_t at) {
    return Word(bytes, at) | static_cast<uint64_t>(Word(bytes, at + 4)) << 32;
}

// The GUID as Windows writes it: its first three parts are little-endian numbers.
std::string GuidText(std::span<const uint8_t> bytes, size_t at) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    static constexpr int Order[] = {3,  2, 1, 0,  -1, 5,  4,  -1, 7,  6,
                                    -1, 8, 9, -1, 10, 11, 12, 13, 14, 15};
    std::string text = "{";
    for (int i : Order) {
        if (i < 0) {
            text += '-';
            continue;
        }
        const uint8_t b = bytes[at + static_cast<size_t>(i)];
        text += Digits[b >> 4];
        text += Digits[b & 15];
    }
    text += '}';
    return text;
}

} // namespace

WideCounters ParseIfRow2(std::span<const uint8_t, Row2Size> entry) {
    std::wstring alias;
    for (size_t i = 0; i < Row2AliasChars; ++i) {
        const auto c =
            static_cast<wchar_t>(entry[Row2AliasAt + 2 * i] | entry[Row2AliasAt + 2 * i + 1] << 8);
        if (c == 0)
            break;
        alias += c;
    }
    return {Word64(entry, Row2InOctetsAt), Word64(entry, Row2OutOctetsAt),
            GuidText(entry, Row2GuidAt), Utf8(alias),
            (entry[Row2FlagsAt] & HardwareFlag) != 0};
}

std::vector<IfTableRow> ParseInterfaceTable(std::span<const uint8_t> buffer) {
    std::vector<IfTableRow> rows;
    if (buffer.size() < FirstRow)
        return rows;
    const size_t fitting = (buffer.size() - FirstRow) / RowSize;
    const size_t count = std::min<size_t>(Word(buffer, 0), fitting);
    for (size_t i = 0; i < count; ++i) {
        const auto row = buffer.subspan(FirstRow + i * RowSize, RowSize);
        const auto description = row.subspan(DescriptionAt, DescriptionSize);
        const auto end = std::find(description.begin(), description.end(), uint8_t{0});
        InterfaceRow shown{Utf8OrCp1252(std::string(description.begin(), end)), Word(row, InOctetsAt),
                           Word(row, OutOctetsAt)};
        shown.loopback = Word(row, TypeAt) == LoopbackType;
        rows.push_back({std::move(shown), Word(row, IndexAt)});
    }
    return rows;
}

std::vector<InterfaceRow> WithWideCounters(std::vector<IfTableRow> rows, const WideLookup& lookup) {
    std::vector<InterfaceRow> widened;
    widened.reserve(rows.size());
    for (IfTableRow& r : rows) {
        if (const auto counters = lookup(r.index)) {
            r.row.inOctets = counters->in;
            r.row.outOctets = counters->out;
            r.row.wide = true;
            r.row.identity = counters->guid;
            r.row.name = counters->alias;
            r.row.hardware = counters->hardware;
        }
        widened.push_back(std::move(r.row));
    }
    return widened;
}

void Win32InterfaceTable::Load() {
    HMODULE library = LoadLibraryA("iphlpapi.dll");
    if (!library)
        return;
    entries_.getIfTable = reinterpret_cast<GetIfTableEntry>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetIfTable")));
    entries_.getIfEntry2 = reinterpret_cast<GetIfEntry2Entry>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetIfEntry2")));
}

InterfaceReading Win32InterfaceTable::Read(ReadingFor purpose) {
    if (purpose == ReadingFor::InterfaceList)
        bufferSize_ = InitialBufferSize;
    TableCall call = CallGetIfTable();
    // More than ten interfaces do not fit the first buffer: ask again with the size the system
    // asked for, so that every interface can be chosen. A sample does not: a table grown since
    // fails this tick and is read whole on the next.
    if (purpose == ReadingFor::InterfaceList && call.status != 0 && bufferSize_ > InitialBufferSize)
        call = CallGetIfTable();
    if (Failed(call.status))
        return std::nullopt;
    return std::move(call.rows);
}

Win32InterfaceTable::TableCall Win32InterfaceTable::CallGetIfTable() {
    if (!entries_.getIfTable)
        return {ERROR_NOT_SUPPORTED, {}};
    std::vector<uint8_t> buffer(bufferSize_, 0);
    ULONG size = bufferSize_;
    const DWORD status = entries_.getIfTable(buffer.data(), &size, TRUE);
    bufferSize_ = size;
    if (Failed(status))
        return {status, {}};
    const auto lookup = [this](uint32_t index) -> std::optional<WideCounters> {
        if (!entries_.getIfEntry2)
            return std::nullopt;
        // A zero LUID makes GetIfEntry2 go by the index.
        alignas(8) std::array<uint8_t, Row2Size> entry{};
        std::memcpy(entry.data() + Row2IndexAt, &index, sizeof index);
        if (entries_.getIfEntry2(entry.data()) != NO_ERROR)
            return std::nullopt;
        return ParseIfRow2(entry);
    };
    return {status, WithWideCounters(ParseInterfaceTable(buffer), lookup)};
}

} // namespace kestrel
