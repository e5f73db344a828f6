#include <cstddef>
#include <vector>

#include "evolution/CMemeticClustering.h"
#include "evolution/ParetoRanking.h"

namespace tavorin {

int CMemeticClustering::dominates(const CSolution& a, const CSolution& b) {
    if (a.xbIndex == b.xbIndex && a.jm == b.jm) return 4;
    if (a.xbIndex < b.xbIndex && a.jm < b.jm) return 1;
    return 0;
}

void RankNonDominated(std::span<CSolution> set) {
    const std::size_t count = set.size();
    std::vector<int> dominatedBy(count, 0);
    // For each member, the members it dominates, in the order they were found.
    std::vector<std::vector<int>> dominatedMembers(count);
    for (CSolution& member : set) {
        member.rank = -1;
        member.dominatesCount = 0;
    }

    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t g = 0; g < count; ++g) {
            if (g == i) continue;
            if (CMemeticClustering::dominates(set[g], set[i]) == 1) {
                dominatedBy[i] += 1;
            } else if (CMemeticClustering::dominates(set[i], set[g]) == 1) {
                set[i].dominatesCount += 1;
                dominatedMembers[i].push_back(static_cast<int>(g));
            }
        }
    }

    // Each pass places one front: the decrements of a pass only take effect in the next one.
    int level = 0;
    long long changes = 0;
    do {
        std::vector<int> next = dominatedBy;
        changes = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (set[i].rank != -1 || dominatedBy[i] != 0) continue;
            set[i].rank = level;
            for (const int g : dominatedMembers[i]) {
                next[static_cast<std::size_t>(g)] -= 1;
                changes += 1;
            }
        }
        dominatedBy = std::move(next);
        level += 1;
    } while (changes != 0);
}

void CMemeticClustering::Pareto_Rank() { RankNonDominated(combined); }

}  // namespace tavorin
