#include "report/FrontKnee.h"

#include <cmath>
#include <vector>

namespace tavorin {
namespace {

struct ScaledPoint {
    std::size_t member = 0;
    double x = 0.0;  // Jm scaled to [0, 1]
    double y = 0.0;  // the Xie–Beni index scaled to [0, 1]
};

// Maps `value` of [low, high] to [0, 1]; a range of one value maps to 0.
double Scaled(double value, double low, double high) {
    return high > low ? (value - low) / (high - low) : 0.0;
}

std::vector<ScaledPoint> ScaledFinitePoints(std::span<const FrontObjectives> front) {
    std::vector<ScaledPoint> points;
    double lowJm = INFINITY, highJm = -INFINITY, lowXb = INFINITY, highXb = -INFINITY;
    for (std::size_t j = 0; j < front.size(); ++j) {
        if (!std::isfinite(front[j].jm) || !std::isfinite(front[j].xbIndex)) continue;
        points.push_back({j, front[j].jm, front[j].xbIndex});
        lowJm = std::fmin(lowJm, front[j].jm);
        highJm = std::fmax(highJm, front[j].jm);
        lowXb = std::fmin(lowXb, front[j].xbIndex);
        highXb = std::fmax(highXb, front[j].xbIndex);
    }
    for (ScaledPoint& point : points) {
        point.x = Scaled(point.x, lowJm, highJm);
        point.y = Scaled(point.y, lowXb, highXb);
    }
    return points;
}

// True when `a` comes before `b` ordered by (first, second) coordinate, then member.
bool Before(const ScaledPoint& a, const ScaledPoint& b, bool byX) {
    const double a1 = byX ? a.x : a.y, b1 = byX ? b.x : b.y;
    const double a2 = byX ? a.y : a.x, b2 = byX ? b.y : b.x;
    if (a1 != b1) return a1 < b1;
    if (a2 != b2) return a2 < b2;
    return a.member < b.member;
}

}  // namespace

std::optional<std::size_t> BestXieBeniMember(std::span<const FrontObjectives> front) {
    if (front.empty()) return std::nullopt;
    std::size_t best = 0;
    for (std::size_t j = 1; j < front.size(); ++j) {
        const double index = front[j].xbIndex;
        const bool smaller =
            !std::isnan(index) && (std::isnan(front[best].xbIndex) || index < front[best].xbIndex);
        if (smaller) best = j;
    }
    return best;
}

std::optional<std::size_t> FrontKneeMember(std::span<const FrontObjectives> front) {
    const std::vector<ScaledPoint> points = ScaledFinitePoints(front);
    if (points.size() < 3) return BestXieBeniMember(front);
    ScaledPoint smallestJm = points[0];
    ScaledPoint smallestXb = points[0];
    for (const ScaledPoint& point : points) {
        if (Before(point, smallestJm, true)) smallestJm = point;
        if (Before(point, smallestXb, false)) smallestXb = point;
    }
    const double dx = smallestXb.x - smallestJm.x;
    const double dy = smallestXb.y - smallestJm.y;
    if (dx == 0.0 && dy == 0.0) return BestXieBeniMember(front);
    // The distance from the line times the line's length: the same order, exact ties.
    const auto distance = [&](const ScaledPoint& p) {
        return std::fabs(dx * (p.y - smallestJm.y) - dy * (p.x - smallestJm.x));
    };
    const ScaledPoint* knee = &points[0];
    double farthest = distance(points[0]);
    for (const ScaledPoint& point : points) {
        const double d = distance(point);
        const bool lowerIndex = front[point.member].xbIndex < front[knee->member].xbIndex;
        if (d > farthest || (d == farthest && lowerIndex)) {
            knee = &point;
            farthest = d;
        }
    }
    if (!(farthest > 0.0)) return BestXieBeniMember(front);
    return knee->member;
}

}  // namespace tavorin
