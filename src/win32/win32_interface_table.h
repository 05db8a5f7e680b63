#pragma once

#include "ports/interface_table.h"

#include <windows.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace kestrel {

// Where the system's records keep what is read, in bytes: GetIfTable's MIB_IFTABLE (a count,
// then MIB_IFROWs) and GetIfEntry2's MIB_IF_ROW2 on 64-bit Windows. The tests hold them
// against the SDK's structures.
namespace if_layout {
constexpr size_t FirstRow = 4;
constexpr size_t RowSize = 860;
constexpr size_t IndexAt = 512;
constexpr size_t TypeAt = 516;
constexpr size_t InOctetsAt = 552;
constexpr size_t OutOctetsAt = 576;
constexpr size_t DescriptionAt = 604;
constexpr size_t DescriptionSize = 256;
constexpr uint32_t LoopbackType = 24; // MIB_IF_TYPE_LOOPBACK

constexpr size_t Row2Size = 1352;
constexpr size_t Row2IndexAt = 8;
constexpr size_t Row2GuidAt = 12;
constexpr size_t Row2AliasAt = 28;
constexpr size_t Row2AliasChars = 257;
constexpr size_t Row2FlagsAt = 1152;
constexpr uint8_t HardwareFlag = 1; // the first of InterfaceAndOperStatusFlags' bits
constexpr size_t Row2InOctetsAt = 1208;
constexpr size_t Row2OutOctetsAt = 1280;
} // namespace if_layout

// A row of GetIfTable with the interface index that GetIfEntry2 is asked by.
struct IfTableRow {
    InterfaceRow row;
    uint32_t index = 0;
    bool operator==(const IfTableRow&) const = default;
};

// Reads the rows of a MIB_IFTABLE from a buffer, never past its end, whatever the count says.
std::vector<IfTableRow> ParseInterfaceTable(std::span<const uint8_t> buffer);

// What GetIfEntry2 tells of a row beyond GetIfTable: counters that do not wrap, the GUID that
// stays while rows come and go, the alias the user gave it, and whether hardware backs it.
struct WideCounters {
    uint64_t in = 0;
    uint64_t out = 0;
    std::string guid{};
    std::string alias{};
    bool hardware = false;
};

// The facts of a MIB_IF_ROW2 as GetIfEntry2 filled it; the alias in Windows-1252.
WideCounters ParseIfRow2(std::span<const uint8_t, if_layout::Row2Size> entry);
using WideLookup = std::function<std::optional<WideCounters>(uint32_t index)>;

// The rows, each with the facts the lookup gives for its index; a row it has none for keeps
// its 32-bit counters and is not known to be hardware.
std::vector<InterfaceRow> WithWideCounters(std::vector<IfTableRow> rows, const WideLookup& lookup);

// The two calls of iphlpapi.dll the table makes; the tests give stand-ins.
struct IfEntries {
    std::function<DWORD(void* table, ULONG* size, BOOL sort)> getIfTable;
    std::function<DWORD(void* row)> getIfEntry2;
};

// GetIfTable from iphlpapi.dll for the rows and their order, GetIfEntry2 (Vista on) for
// counters that do not wrap; both bound at run time, so that an older system still starts.
class Win32InterfaceTable : public InterfaceTable {
  public:
    static constexpr uint32_t InitialBufferSize = 8604; // the count and ten rows

    Win32InterfaceTable() = default;
    explicit Win32InterfaceTable(IfEntries entries) : entries_(std::move(entries)) {}

    void Load() override;
    // The list starts from the initial size and asks once more with the size the system asked
    // for; a sample asks once, with the size last given back.
    InterfaceReading Read(ReadingFor purpose) override;

  private:
    struct TableCall {
        DWORD status = 0;
        std::vector<InterfaceRow> rows; // none unless the low word is 0
    };
    // One GetIfTable into a buffer of bufferSize_ bytes; the size it gives back is kept.
    TableCall CallGetIfTable();

    IfEntries entries_;
    uint32_t bufferSize_ = InitialBufferSize;
};

} // namespace kestrel
