#include "fake/fake_list_boxes.h"

#include "fake/fake_desktop.h"

#include <algorithm>

namespace kestrel {

void FakeListBoxes::ListAdd(ControlName list, const std::string& text) {
    FakeDesktop::Control* c = desk_.Find(list);
    if (!c)
        return;
    auto at = c->items.end();
    if (c->spec.traits & TraitSorted)
        at = std::upper_bound(c->items.begin(), c->items.end(), text);
    c->items.insert(at, text);
}

void FakeListBoxes::ListSelect(ControlName list, int index) {
    FakeDesktop::Control* c = desk_.Find(list);
    if (!c)
        return;
    const bool inRange = index >= 0 && index < static_cast<int>(c->items.size());
    c->selection = inRange ? index : -1;
}

int FakeListBoxes::ListSelection(ControlName list) {
    FakeDesktop::Control* c = desk_.Find(list);
    return c ? c->selection : -1;
}

void FakeListBoxes::ListReset(ControlName list) {
    desk_.log.push_back("reset " + NameOf(list));
    if (FakeDesktop::Control* c = desk_.Find(list)) {
        c->items.clear();
        c->selection = -1;
    }
}

void FakeListBoxes::ListInsert(ControlName list, int index, const std::string& text) {
    FakeDesktop::Control* c = desk_.Find(list);
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

void FakeListBoxes::ListDelete(ControlName list, int index) {
    FakeDesktop::Control* c = desk_.Find(list);
    if (!c || index < 0 || index >= static_cast<int>(c->items.size()))
        return;
    c->items.erase(c->items.begin() + index);
    if (c->selection >= static_cast<int>(c->items.size()))
        c->selection = -1;
}

void FakeListBoxes::BeginListFill(ControlName list) {
    if (FakeDesktop::Control* c = desk_.Find(list))
        c->filling = true;
}

void FakeListBoxes::EndListFill(ControlName list) {
    if (FakeDesktop::Control* c = desk_.Find(list)) {
        c->filling = false;
        ++c->repaintsAfterFill;
    }
}

} // namespace kestrel
