#pragma once

#include "ports/interface_table.h"

#include <windows.h>

namespace kestrel {

// GetIfTable from iphlpapi.dll, bound at run time.
class Win32InterfaceTable : public InterfaceTable {
  public:
    void Load() override;
    InterfaceReading Read(uint32_t& bufferSize) override;

  private:
    using GetIfTableEntry = DWORD(WINAPI*)(void* table, ULONG* size, BOOL sort);
    GetIfTableEntry getIfTable_ = nullptr;
};

} // namespace kestrel
