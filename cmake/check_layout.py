#!/usr/bin/env python3
"""Fails when a file under src/ includes what its room may not.

Rooms are the folders right under src/. The portable core (app, monitor, settings, mail, oauth,
imap, pop3, message, net) and the ground floor (text, ports, fake) include only the C++ standard library and the rooms
below them; each platform room (win32, linux, qt) may include its system's headers and any room
below it, and only a program's entry (main.cpp) includes the application it starts."""

import re
import sys
from pathlib import Path

# Which rooms each room may include, itself always among them.
BELOW = {
    "text": set(),
    "ports": set(),
    "fake": {"ports"},
    "net": {"text"},
    "message": {"net", "text"},
    "pop3": {"message", "net", "text"},
    "imap": {"message", "net", "text"},
    "monitor": {"ports", "text"},
    "oauth": {"net", "text", "ports"},
    "mail": {"oauth", "imap", "pop3", "message", "net", "text", "ports"},
    "settings": {"oauth", "mail", "message", "net", "text", "ports"},
    "app": {"monitor", "settings", "mail", "oauth", "imap", "pop3", "message", "net", "text", "ports"},
    "linux": {"net", "text", "ports"},
    "win32": {"net", "text", "ports"},
    "qt": {"linux", "net", "text", "ports"},
}
PLATFORMS = {"win32", "linux", "qt"}
ENTRY_REACHES = {"app", "settings"}  # main.cpp: the application and the file it keeps settings in

STANDARD = set("""
algorithm any array atomic barrier bit bitset cassert cctype cerrno cfenv cfloat charconv
chrono cinttypes climits clocale cmath codecvt compare complex concepts condition_variable
coroutine csetjmp csignal cstdarg cstddef cstdint cstdio cstdlib cstring ctime cuchar cwchar
cwctype deque exception execution expected filesystem format forward_list fstream functional
future initializer_list iomanip ios iosfwd iostream istream iterator latch limits list locale
map memory memory_resource mutex new numbers numeric optional ostream queue random ranges
ratio regex scoped_allocator semaphore set shared_mutex source_location span sstream stack
stdexcept stop_token streambuf string string_view syncstream system_error thread tuple
type_traits typeindex typeinfo unordered_map unordered_set utility valarray variant vector
version
""".split())

# Well-kept libraries a portable room may use beyond the standard one: header-only, on every
# platform the same.
LIBRARIES = {"oauth": {"nlohmann/json.hpp"}}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def faults(src: Path):
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        room = path.relative_to(src).parts[0]
        if room not in BELOW:
            yield f"{path}: a folder that is no room of the layout"
            continue
        allowed = BELOW[room] | {room}
        if path.name == "main.cpp" and room in PLATFORMS:
            allowed |= ENTRY_REACHES
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            found = INCLUDE.match(line)
            if not found:
                continue
            kind, name = found.groups()
            if kind == '"':
                target = name.split("/")[0]
                if target not in allowed:
                    yield f"{path}:{number}: {room}/ may not include {name}"
            elif room not in PLATFORMS and name not in STANDARD | LIBRARIES.get(room, set()):
                yield f"{path}:{number}: {room}/ is portable and may not include <{name}>"


def main() -> int:
    found = list(faults(Path(sys.argv[1])))
    for fault in found:
        print(fault, file=sys.stderr)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
