#pragma once

#include <cstddef>

#include "clustering/FcmCentreSums.h"

// The general passes of the fuzzy c-means runner, for any cluster count and fuzzifier: the
// membership update of a pixel range and the centre sums of a cluster range. Internal to the
// runner.
namespace tavorin::fcm::detail {

// Pixels per block of the membership update: the block's scratch rows stay in the L1 cache.
inline constexpr std::size_t kPixelBlock = 256;

// What the general membership pass reads and writes.
struct MembershipPass {
    const double* pixels;   // N x d
    const double* centres;  // K x d
    double* memberships;    // N x K, written
    std::size_t clusters;
    std::size_t bands;
    int fuzzifier;  // m, at least 2
};

// New memberships of the pixels begin..end-1, any cluster count and fuzzifier.
void MembershipsRange(const MembershipPass& pass, std::size_t begin, std::size_t end);

// Sets the centre sums of clusters clusterBegin..clusterEnd-1, each summed over all pixels in
// index order, in `sums` (sized for every cluster); the entries of other clusters stay as they
// are, so threads can fill disjoint cluster ranges of one result.
void AccumulateCentreSums(const double* membership, const double* pixels, std::size_t pixelCount,
                          std::size_t clusters, std::size_t bands, int fuzzifier,
                          std::size_t clusterBegin, std::size_t clusterEnd, CentreSums& sums);

}  // namespace tavorin::fcm::detail
