#pragma once

#include <cstddef>
#include <span>

#include "image/SampleType.h"

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
    const void* bands;  // band k of pixel p at k * pixelCount + p, samples of `type`
    std::size_t pixelCount;
    std::size_t bandCount;
    std::size_t clusterNumber;
    SampleType type = SampleType::Float64;  // converted to doubles block by block
};

// Jm of one solution: `centres` holds K * d values, band k of centre j at j * d + k.
double Jm(const PixelBands& image, const double* centres, VectorWidth width);

// Jm of a batch of solutions, solution s with the K * d values centres[s]; writes jm[s], each
// exactly the value Jm gives for it. Each block of pixels is loaded once for the whole batch,
// and the batch's running sums advance side by side.
// The crisp labels of the pixels of chunk `chunk` (labels[0] for its first pixel) for the
// solution `centres`: 1 + the cluster of largest membership, the first of equals, or 1 + the
// last cluster a pixel lies on; 0 when no membership is positive. `scratch` holds
// ChunkScratchSize(image) doubles.
void ChunkLabels(const PixelBands& image, const double* centres, std::size_t chunk,
                 unsigned char* labels, double* scratch, VectorWidth width);

void BatchJm(const PixelBands& image, std::span<const double* const> centres, double* jm,
             VectorWidth width);
// The same sums continued: adds the image's terms from chunk `firstChunk` on to the running sums
// jm[s], so that an image cut into consecutive parts gives, part after part, the sums of the
// whole image bit for bit.
void ContinueBatchJm(const PixelBands& image, std::span<const double* const> centres, double* jm,
                     VectorWidth width, std::size_t firstChunk = 0);

// The same work cut into chunks of pixels, for threads that share one batch: the terms of a
// chunk may be computed in any order and by any thread, and their sums added chunk after
// chunk, which gives the sums of BatchJm bit for bit.
inline constexpr std::size_t kChunkPixels = 1024;

// Chunks of an image of `pixelCount` pixels.
inline std::size_t ChunkCount(std::size_t pixelCount) {
    return (pixelCount + kChunkPixels - 1) / kChunkPixels;
}

// Doubles of the terms of one chunk of a batch of `solutions`, and of the scratch memory the
// computation of those terms needs.
std::size_t ChunkTermsSize(const PixelBands& image, std::size_t solutions);
std::size_t ChunkScratchSize(const PixelBands& image);

// The terms of chunk `chunk` of the batch `centres` into `terms`.
void ChunkTerms(const PixelBands& image, std::span<const double* const> centres, std::size_t chunk,
                double* terms, double* scratch, VectorWidth width);

// Adds the terms of chunk `chunk` to the batch's running sums `sums` (one per solution, 0 to
// begin with), pixel by pixel and cluster by cluster.
void AddChunkTerms(const PixelBands& image, std::size_t solutions, std::size_t chunk,
                   const double* terms, double* sums);

}  // namespace tavorin::squares
