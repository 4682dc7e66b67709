#pragma once
// The names of the skin pictures in the program folder's Skins folder: the
// configuration names one of them, the T/F area swaps between them, the
// machine type follows from the name, and the skin generator writes them.
#include <string_view>

namespace vos::design {

// The milling machine's skin; any other name (case counts) is a lathe.
inline constexpr const char* kSkinMilling = "num760f.jpg";
inline constexpr const char* kSkinLathe = "num760t.jpg";

// Their double-size pictures, for screens of twice the design density: the
// same names with "@2x" before the extension, where the picture loader looks
// for them (platform/qt/picture_loader.h).
inline constexpr const char* kSharpSkinMilling = "num760f@2x.jpg";
inline constexpr const char* kSharpSkinLathe = "num760t@2x.jpg";

namespace skins_detail {
constexpr bool isSharpNameOf(std::string_view sharp, std::string_view skin) {
    const std::string_view ext = skin.substr(skin.rfind('.'));
    const std::string_view stem = skin.substr(0, skin.size() - ext.size());
    return sharp.size() == stem.size() + 3 + ext.size() && sharp.substr(0, stem.size()) == stem &&
           sharp.substr(stem.size(), 3) == "@2x" && sharp.substr(stem.size() + 3) == ext;
}
}  // namespace skins_detail
static_assert(skins_detail::isSharpNameOf(kSharpSkinMilling, kSkinMilling) &&
                  skins_detail::isSharpNameOf(kSharpSkinLathe, kSkinLathe),
              "a double-size picture is named after its skin, with @2x before the extension");

}  // namespace vos::design
