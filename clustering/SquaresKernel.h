#pragma once

#include <cstddef>
#include <span>

// The Jm sum of the fuzzifier 2 over a band-sequential image, vectorised across pixels.
// Every lane operation is the correctly rounded double operation of the scalar formula (no
// fused operations), and the one running sum takes the terms pixel by pixel, cluster by
// cluster, so every vector width gives the same bits as the plain scalar loop.
namespace tavorin::squares {

enum class VectorWidth {
    Sse2,    // two doubles per register (scalar code on processors without SSE2)
    Avx2,    // four doubles per register
    Avx512,  // eight doubles per register
};

// Whether this processor runs the given width; Sse2 always.
bool IsAvailable(VectorWidth width);
// The widest width this processor runs, chosen once at run time.
VectorWidth FastestWidth();

struct PixelBands {
    const double* bands;  // band k of pixel p at k * pixelCount + p
    std::size_t pixelCount;
    std::size_t bandCount;
    std::size_t clusterNumber;
};

// Jm of one solution: `centres` holds K * d values, band k of centre j at j * d + k.
double Jm(const PixelBands& image, const double* centres, VectorWidth width);

// Jm of a batch of solutions in one pass over the pixels, solution s with the K * d values
// centres[s]; writes jm[s], each exactly the value Jm gives for it.
void BatchJm(const PixelBands& image, std::span<const double* const> centres, double* jm,
             VectorWidth width);

// One centre of a solution moved elsewhere: cluster `cluster` has the d values `values`.
struct MovedCentre {
    std::size_t cluster;
    const double* values;
};

// Jm of several variants of one solution, variant v being `memberCentres` with the centre of
// moves[v] replaced. The distances to the unchanged centres are shared by all variants, so
// only the moved centre's square root and reciprocal are computed per variant; each variant's
// sum is exactly that of Jm on its own centres. Writes jm[v] for every variant.
void NeighbourJm(const PixelBands& image, const double* memberCentres,
                 std::span<const MovedCentre> moves, double* jm, VectorWidth width);

}  // namespace tavorin::squares
