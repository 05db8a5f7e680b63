#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kestrel {

// The SHA-256 digest of the bytes (FIPS 180-4).
std::array<uint8_t, 32> Sha256(std::string_view bytes);

} // namespace kestrel
