#pragma once

#include <cstddef>
#include <optional>
#include <span>

namespace tavorin {

// The two objectives of one front member.
struct FrontObjectives {
    double xbIndex = 0.0;
    double jm = 0.0;
};

// The member with the smallest Xie–Beni index; the first of equal ones, and a NaN index only
// when every index is NaN. None for an empty front.
std::optional<std::size_t> BestXieBeniMember(std::span<const FrontObjectives> front);

// The knee of the front, the map to look at first: with both objectives scaled to [0, 1] over
// the members whose objectives are both finite, the member farthest from the straight line
// through the two extreme members (the one of smallest Jm and the one of smallest Xie–Beni
// index). Of equally far members, the one with the smaller Xie–Beni index, then the first. When
// fewer than three members are finite, or the line or every distance is degenerate, there is
// no knee to speak of and the member with the smallest Xie–Beni index is chosen. None for an
// empty front.
std::optional<std::size_t> FrontKneeMember(std::span<const FrontObjectives> front);

}  // namespace tavorin
