#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>

namespace kestrel {

// NoticeChosen: the user took a notification's action.
enum class TrayMouse { LeftButtonUp, RightButtonUp, Other, NoticeChosen };

// A 16 x 16 tray picture: a 1-bit mask (2 bytes a row, top row first, leftmost column in the
// high bit) and 8-bit colour indexes (16 bytes a row, top row first).
struct IconRaster {
    std::array<uint8_t, 32> mask{};
    std::array<uint8_t, 256> colour{};
    bool operator==(const IconRaster&) const = default;
};

// A named picture from the program's resources ("NO", "MAIL") or one drawn at run time.
using TrayPicture = std::variant<std::string, IconRaster>;

// The most UTF-16 units of a tooltip, a notification's title and its text, as the system's
// tray record holds them with their terminators.
inline constexpr size_t TooltipUnits = 127;
inline constexpr size_t NoticeTitleUnits = 63;
inline constexpr size_t NoticeTextUnits = 255;

struct TrayIconRecord {
    int id;
    int callbackMessage;
    TrayPicture picture;
    std::string tooltip{}; // UTF-8, at most TooltipUnits
};

// The notification area. Results are not examined by the application.
class Tray {
  public:
    virtual ~Tray() = default;
    virtual void Add(const TrayIconRecord& record) = 0;
    virtual void Modify(const TrayIconRecord& record) = 0;
    virtual void Delete(const TrayIconRecord& record) = 0;
    // A passing message at that icon; nothing where the desktop has no way to show one.
    virtual void Notify(const TrayIconRecord& record, const std::string& title,
                        const std::string& text) = 0;
};

} // namespace kestrel
