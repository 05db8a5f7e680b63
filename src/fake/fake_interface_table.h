#pragma once

#include "ports/interface_table.h"

#include <deque>

namespace kestrel {

// A scripted interface table: the rows as they stand, failures to serve first, and the buffer
// rule of the real one (a table larger than the buffer fails and asks for more).
class FakeInterfaceTable : public InterfaceTable {
  public:
    std::vector<InterfaceRow> rows;
    std::deque<uint32_t> failures; // statuses the next readings return, one each
    bool loaded = false;
    int reads = 0;

    static uint32_t SizeFor(size_t rowCount) { return 4 + 860 * static_cast<uint32_t>(rowCount); }

    void Load() override { loaded = true; }
    InterfaceReading Read(uint32_t& bufferSize) override {
        ++reads;
        if (!failures.empty()) {
            const uint32_t status = failures.front();
            failures.pop_front();
            return {status, {}};
        }
        if (SizeFor(rows.size()) > bufferSize) {
            bufferSize = SizeFor(rows.size());
            return {122, {}}; // the buffer is too small
        }
        return {0, rows};
    }
};

} // namespace kestrel
