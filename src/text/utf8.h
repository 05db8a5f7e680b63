#pragma once

// UTF-8, the encoding of every text in the core: decoded headers, list lines, status texts,
// tooltips, form fields and the program's own texts.

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrel {

// The character at text[at] and the bytes it takes; U+FFFD and one byte for a byte that starts
// no well-formed sequence (overlong forms and surrogates included).
struct Utf8Step {
    char32_t c;
    size_t length;
};
Utf8Step Utf8At(std::string_view text, size_t at);

void AppendUtf8(std::string& out, char32_t c);
std::string Utf8Of(std::u32string_view text);
bool IsUtf8(std::string_view bytes);
bool IsAscii(std::string_view bytes);
// Windows-1252 bytes as UTF-8; every byte survives the way there and back.
std::string Utf8OfCp1252(std::string_view bytes);
// Bytes of unknown encoding, as a header or a server has them: UTF-8 where they are, else 1252.
std::string Utf8OrCp1252(std::string_view bytes);
// The 1252 bytes of a text; '?' for a character 1252 lacks. Whether every character fits.
std::string Cp1252Of(std::string_view utf8, bool* fits = nullptr);

// Where the character group (a character with its combining marks, variation selectors, emoji
// modifiers and joined emoji) that starts at text[at] ends.
size_t GroupEnd(std::string_view text, size_t at);
// The first groups of a text: at most count of them, within maxBytes bytes, within maxUnits
// UTF-16 units (what a Windows text field counts). Never a part of a group.
std::string CutText(std::string_view text, size_t count, size_t maxBytes = std::string::npos,
                    size_t maxUnits = std::string::npos);
size_t GroupCount(std::string_view text);

// A text whose bidirectional characters cannot reorder what stands around it: wrapped in
// FIRST STRONG ISOLATE and POP DIRECTIONAL ISOLATE when it holds any right-to-left character
// or directional control, else as it is.
std::string IsolatedDirection(std::string_view text);

} // namespace kestrel
