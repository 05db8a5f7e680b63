#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// Header lines exactly as received, with name lookups that ignore case and unfold
// continuation lines.
class HeaderList {
  public:
    std::vector<std::string> Lines;

    void Add(std::string line) { Lines.push_back(std::move(line)); }
    void Clear() { Lines.clear(); }
    int Count() const { return static_cast<int>(Lines.size()); }

    // The upper-cased name before the first colon; empty without one.
    std::string NameAt(int index) const;
    // The first line of that name, or -1.
    int LineOfName(std::string_view name) const;
    // The trimmed value after the colon, joined with its continuation lines.
    std::string ValueAt(int index) const;
    std::string ValueOf(std::string_view name) const { return ValueAt(LineOfName(name)); }
};

} // namespace kestrel
