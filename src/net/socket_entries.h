#pragma once

// The entry table shared by both bindings: each row starts at its stub and is bound by name on
// its first call, so the library is only asked for what is used.

#include "net/exceptions.h"
#include "net/socket_errors.h"
#include "net/socket_library.h"

#include <atomic>
#include <cstring>
#include <string>

namespace kestrel::sockets {

struct EntryRow {
    const char* name;
    std::atomic<void*> target{nullptr};
};

// Supplied by each binding.
void* LibraryHandle();
void* LookUp(void* library, const char* name);

template <class Function> Function Bound(EntryRow& row) {
    void* target = row.target.load();
    if (!target) {
        void* library = LibraryHandle();
        if (!library)
            throw MissingSocketFunction(
                std::string("Fehler beim Aufruf einer Winsock2-Bibliotheksfunktion ") + row.name,
                NotInitialised, OsErrorText(NotInitialised));
        target = LookUp(library, row.name);
        row.target.store(target);
    }
    Function function;
    std::memcpy(&function, &target, sizeof function);
    return function;
}

} // namespace kestrel::sockets
