#pragma once

#include "ports/interface_table.h"

namespace kestrel {

// A scripted interface table: the rows as they stand, and a number of readings to fail first.
class FakeInterfaceTable : public InterfaceTable {
  public:
    std::vector<InterfaceRow> rows;
    int failures = 0; // the next readings that fail, one each
    bool loaded = false;
    std::vector<ReadingFor> reads;

    void Load() override { loaded = true; }
    InterfaceReading Read(ReadingFor purpose) override {
        reads.push_back(purpose);
        if (failures > 0) {
            --failures;
            return std::nullopt;
        }
        return rows;
    }
};

} // namespace kestrel
