#pragma once

#include "fake/fake_record.h"
#include "ports/list_boxes.h"

#include <algorithm>

namespace kestrel {

// The list boxes' lines as the fake keeps them, sorted where the control sorts.
class FakeListBoxes : public ListBoxes {
  public:
    explicit FakeListBoxes(FakeRecord& desk) : desk_(desk) {}

    void ListAdd(ControlName list, const std::string& text) override {
        FakeRecord::Control* c = desk_.Find(list);
        if (!c)
            return;
        auto at = c->items.end();
        if (c->definition.traits & TraitSorted)
            at = std::upper_bound(c->items.begin(), c->items.end(), text);
        c->items.insert(at, text);
    }
    void ListSelect(ControlName list, int index) override {
        FakeRecord::Control* c = desk_.Find(list);
        if (!c)
            return;
        const bool inRange = index >= 0 && index < static_cast<int>(c->items.size());
        c->selection = inRange ? index : -1;
    }
    int ListSelection(ControlName list) override {
        FakeRecord::Control* c = desk_.Find(list);
        return c ? c->selection : -1;
    }
    void ListReset(ControlName list) override {
        desk_.log.push_back("reset " + NameOf(list));
        if (FakeRecord::Control* c = desk_.Find(list)) {
            c->items.clear();
            c->selection = -1;
        }
    }
    void ListInsert(ControlName list, int index, const std::string& text) override {
        FakeRecord::Control* c = desk_.Find(list);
        if (!c)
            return;
        // A list box keeps a line's text up to its first zero byte.
        const std::string kept = text.substr(0, text.find('\0'));
        if (index < 0 || index > static_cast<int>(c->items.size()))
            c->items.push_back(kept);
        else
            c->items.insert(c->items.begin() + index, kept);
        if (!c->filling)
            ++c->shownInserts;
    }
    void ListDelete(ControlName list, int index) override {
        FakeRecord::Control* c = desk_.Find(list);
        if (!c || index < 0 || index >= static_cast<int>(c->items.size()))
            return;
        c->items.erase(c->items.begin() + index);
        if (c->selection >= static_cast<int>(c->items.size()))
            c->selection = -1;
    }
    void BeginListFill(ControlName list) override {
        if (FakeRecord::Control* c = desk_.Find(list))
            c->filling = true;
    }
    void EndListFill(ControlName list) override {
        if (FakeRecord::Control* c = desk_.Find(list)) {
            c->filling = false;
            ++c->repaintsAfterFill;
        }
    }

  private:
    FakeRecord& desk_;
};

} // namespace kestrel
