#pragma once

// Windows-1252, the code page of every text in the core: what header decoding produces and what
// the front ends show.

namespace kestrel {

// The character of a byte. The five bytes 1252 leaves open are the C1 controls of the same
// value, as Windows maps them, so that every byte survives the way there and back.
char32_t Cp1252Char(unsigned char byte);
// The byte of a character; '?' for one that 1252 lacks.
char Cp1252Byte(char32_t c);

} // namespace kestrel
