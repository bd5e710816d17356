// KindNames: the kind names the engine gives a behaviour, the names of the animation directions and
// mirror positions, and the map numbers with a meaning of their own.
//
// A tile kind is named by its DNA's worldFTileIDString; most names are free, these are not. Every
// rule that looks at a name or a special map number takes it from here, so a new behaviour kind or
// special map is one line in this file plus its rule. Shared by the engine, its world frame and the
// makers' tools. Depends on nothing.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace world {

// ---- kind names with a behaviour (worldFTileIDString values) ------------------------------------
namespace kind {
inline constexpr std::string_view None = "NOPE"; // a text value that names nothing (like "")

// Transport tiles turn what touches them into one direction.
inline constexpr std::string_view WalkDown = "WALKDOWN";
inline constexpr std::string_view WalkUp = "WALKUP";
inline constexpr std::string_view WalkLeft = "WALKLEFT";
inline constexpr std::string_view WalkRight = "WALKRIGHT";

// What a player meets: a catcher (back to the title map), a chair (nothing), a door (to the map its
// worldFTileID names).
inline constexpr std::string_view Catcher = "NOGO";
inline constexpr std::string_view Chair = "STUHL";
inline constexpr std::string_view Door = "FASS";

// Effect kinds expire with their effect time; the fire kinds leave the shooter at its far corner.
inline constexpr std::string_view Defly = "DEFLY";
inline constexpr std::string_view BlueFire = "BLUEFIRE";
inline constexpr std::string_view RedFire = "REDFIRE";
inline constexpr std::string_view GreenFire = "GREENFIRE";
inline constexpr std::string_view GreenFirefly = "GREENFIREFLY";

// A skeleton has its own touch hook; a light-blue mover never makes what it touches transparent.
inline constexpr std::string_view Skeleton = "DEFAULTSKELETON";
inline constexpr std::string_view LightBlue = "LIGHTBLUE";
} // namespace kind

inline constexpr std::array<std::string_view, 4> kTransportKinds = {kind::WalkDown, kind::WalkUp,
                                                                    kind::WalkLeft, kind::WalkRight};
inline constexpr std::array<std::string_view, 4> kEffectKinds = {kind::Defly, kind::BlueFire, kind::RedFire,
                                                                 kind::GreenFirefly};
// Projectiles of these kinds start at the shooter's far corner; all others at its centre.
inline constexpr std::array<std::string_view, 3> kCornerShotKinds = {kind::BlueFire, kind::RedFire,
                                                                     kind::GreenFire};

template <std::size_t N>
constexpr bool isOneOf(std::string_view name, const std::array<std::string_view, N>& set) {
    return std::find(set.begin(), set.end(), name) != set.end();
}
constexpr bool isTransportKind(std::string_view name) {
    return isOneOf(name, kTransportKinds);
}
constexpr bool isEffectKind(std::string_view name) {
    return isOneOf(name, kEffectKinds);
}
// "" and "NOPE" name no file, no kind and no folder.
constexpr bool isNoneName(std::string_view value) {
    return value.empty() || value == kind::None;
}

// ---- animation directions (sub-folders of an animation container, in frame-table order) ----------
inline constexpr std::array<std::string_view, 5> kDirectionNames = {"DEFAULT", "RIGHT", "LEFT", "UP", "DOWN"};

// ---- mirror positions (worldFTileMirrorAt) --------------------------------------------------------
namespace mirror {
inline constexpr std::string_view Left = "LEFT";
inline constexpr std::string_view Right = "RIGHT";
inline constexpr std::string_view Top = "TOP";
inline constexpr std::string_view Down = "DOWN";
inline constexpr std::string_view Floor = "FLOOR";
} // namespace mirror

// ---- map numbers with a meaning ------------------------------------------------------------------
inline constexpr std::int32_t kNoMap = -1000;     // actualMapId before the first load
inline constexpr std::int32_t kFirstLevelMap = 0; // where Space on a title map leads
inline constexpr std::int32_t kTitleMapA = 999;   // second title map
inline constexpr std::int32_t kTitleMap = 1000;   // the title map; catchers lead here
inline constexpr std::int32_t kIntroMap = 1001;   // switches to the title map after SCRSWITCHMS
// Maps from here on are screens: no overview, pause or delay key, no object sounds, no bloom, and
// the level music at full volume (half on levels).
inline constexpr std::int32_t kFirstScreenMap = 1000;

// The fixed links between maps that the title rules make: (from, to).
inline constexpr std::array<std::array<std::int32_t, 2>, 3> kTitleLinks = {
    {{kIntroMap, kTitleMap}, {kTitleMap, kFirstLevelMap}, {kTitleMapA, kFirstLevelMap}}};

// A map of more records than this loads with the loading pictures, music and progress bar.
inline constexpr std::int32_t kLargeMapRecords = 500;

} // namespace world
