#include <algorithm>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <vector>

#include "evolution/CMemeticClustering.h"
#include "platform/ThreadPool.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavorin {
namespace {

// Pixels handled together: the block's distances and terms for every cluster stay in the
// first-level cache, and every loop over the block runs over contiguous doubles.
constexpr std::size_t kBlockPixels = 128;

// x to the exponent of the memberships. With the fuzzifier 2 every exponent is 2, and the
// correctly rounded square is the product x * x.
// A zero or NaN distance makes the squares' sum of 1 / D^2 infinite or NaN, so a finite sum
// rules a coincidence out; a general exponent gives no such guarantee.
struct SquarePower {
    static constexpr bool kFiniteSumRulesOutCoincidence = true;
    double operator()(double x, double) const { return x * x; }
};
struct GeneralPower {
    static constexpr bool kFiniteSumRulesOutCoincidence = false;
    double operator()(double x, double exponent) const { return std::pow(x, exponent); }
};

struct ImageView {
    const double* bands;  // band k of pixel p at k * pixelCount + p
    std::size_t pixelCount;
    std::size_t bandCount;
    std::size_t clusterNumber;
};

// Working rows of one block, cluster-major: entry j * kBlockPixels + p.
struct BlockScratch {
    explicit BlockScratch(std::size_t clusters)
        : squaredDistance(clusters * kBlockPixels), work(clusters * kBlockPixels),
          inverseSum(kBlockPixels) {}
    std::vector<double> squaredDistance;
    std::vector<double> work;
    std::vector<double> inverseSum;
};

// q[j][p] = sum over bands, in band order, of (x_pk - v_jk)^2 for the pixels p0..p0+count-1.
void computeSquaredDistances(const ImageView& image, const double* centres, std::size_t p0,
                             std::size_t count, double* q) {
    for (std::size_t j = 0; j < image.clusterNumber; ++j) {
        double* row = q + j * kBlockPixels;
        const double* centre = centres + j * image.bandCount;
        for (std::size_t k = 0; k < image.bandCount; ++k) {
            const double* x = image.bands + k * image.pixelCount + p0;
            const double v = centre[k];
            if (k == 0) {
                for (std::size_t p = 0; p < count; ++p) {
                    const double diff = x[p] - v;
                    row[p] = diff * diff;
                }
            } else {
                for (std::size_t p = 0; p < count; ++p) {
                    const double diff = x[p] - v;
                    row[p] = row[p] + diff * diff;
                }
            }
        }
    }
}

// Whether some distance of pixel p is zero or NaN (sqrt keeps both, so q tells).
bool hasCoincidence(const double* q, std::size_t p, std::size_t clusters) {
    for (std::size_t j = 0; j < clusters; ++j) {
        const double squared = q[j * kBlockPixels + p];
        if (squared == 0.0 || std::isnan(squared)) return true;
    }
    return false;
}

// The jm contribution of a pixel whose distance row has a zero or a NaN somewhere: the last
// coinciding cluster takes membership 1, all others 0. Returns the new running sum.
template <typename Power>
double addCoincidingPixel(double jm, const double* q, std::size_t p, std::size_t clusters,
                          double fuzzifier, Power power) {
    std::size_t coinciding = clusters;
    for (std::size_t j = 0; j < clusters; ++j) {
        const double distance = std::sqrt(q[j * kBlockPixels + p]);
        if (distance == 0.0 || std::isnan(distance)) coinciding = j;
    }
    for (std::size_t j = 0; j < clusters; ++j) {
        const double u = j == coinciding ? 1.0 : 0.0;
        jm += power(u, fuzzifier) * q[j * kBlockPixels + p];
    }
    return jm;
}

template <typename Power>
double computeJm(const ImageView& image, const double* centres, double fuzzifier) {
    const double exponent = 2.0 / (fuzzifier - 1.0);
    const Power power;
    const std::size_t clusters = image.clusterNumber;
    BlockScratch scratch(clusters);
    double* q = scratch.squaredDistance.data();
    double* w = scratch.work.data();
    double* s = scratch.inverseSum.data();

    // One running sum over pixels (outer) and clusters (inner).
    double jm = 0.0;
    for (std::size_t p0 = 0; p0 < image.pixelCount; p0 += kBlockPixels) {
        const std::size_t count = std::min(kBlockPixels, image.pixelCount - p0);
        computeSquaredDistances(image, centres, p0, count, q);

        // w = D^e with D the rounded distance; s = sum over clusters of 1 / D^e.
        std::fill(s, s + count, 0.0);
        for (std::size_t j = 0; j < clusters; ++j) {
            const double* qRow = q + j * kBlockPixels;
            double* wRow = w + j * kBlockPixels;
            for (std::size_t p = 0; p < count; ++p) {
                const double powered = power(std::sqrt(qRow[p]), exponent);
                wRow[p] = powered;
                s[p] = s[p] + 1.0 / powered;
            }
        }
        // w = u^m * q with the membership u = 1 / (D^e * s).
        for (std::size_t j = 0; j < clusters; ++j) {
            const double* qRow = q + j * kBlockPixels;
            double* wRow = w + j * kBlockPixels;
            for (std::size_t p = 0; p < count; ++p) {
                const double u = 1.0 / (wRow[p] * s[p]);
                wRow[p] = power(u, fuzzifier) * qRow[p];
            }
        }
        for (std::size_t p = 0; p < count; ++p) {
            const bool mayCoincide =
                !Power::kFiniteSumRulesOutCoincidence || !std::isfinite(s[p]);
            if (!mayCoincide || !hasCoincidence(q, p, clusters)) {
                for (std::size_t j = 0; j < clusters; ++j) jm += w[j * kBlockPixels + p];
            } else {
                jm = addCoincidingPixel(jm, q, p, clusters, fuzzifier, power);
            }
        }
    }
    return jm;
}

#if defined(__SSE2__)
// jm for the fuzzifier 2, two pixels at a time in the two lanes of an SSE2 register. Each lane
// operation is the correctly rounded double operation of the scalar formula and the running
// sum takes the terms pixel by pixel, cluster by cluster, so the result is bit for bit that of
// the scalar loop.
//
// The work is software-pipelined over blocks of pixels so that its three kinds overlap: the
// square roots and divisions of one block (the bottleneck, all on the divider) share their
// loops with the band arithmetic of the next block's distances (beside the square roots) and
// with the running sum of the previous block's terms (beside the second divisions), a chain of
// dependent additions.
class SquaresPipeline {
public:
    SquaresPipeline(const ImageView& image, const double* centres)
        : image_(image), clusters_(image.clusterNumber), bands_(image.bandCount),
          centreValue_(2 * clusters_ * bands_), currentSquared_(clusters_ * kBlockPixels),
          nextSquared_(clusters_ * kBlockPixels), powered_(clusters_ * kBlockPixels),
          inverseSum_(kBlockPixels), terms_(clusters_ * kBlockPixels),
          previousTerms_(clusters_ * kBlockPixels) {
        for (std::size_t g = 0; g < clusters_ * bands_; ++g) {
            centreValue_[2 * g] = centres[g];
            centreValue_[2 * g + 1] = centres[g];
        }
    }

    double Run() {
        const std::size_t pixels = image_.pixelCount;
        computeDistances(0, std::min(kBlockPixels, pixels), currentSquared_.data());
        for (std::size_t p0 = 0; p0 < pixels; p0 += kBlockPixels) {
            const std::size_t count = std::min(kBlockPixels, pixels - p0);
            const std::size_t next = p0 + kBlockPixels;
            const std::size_t nextCount = next < pixels ? std::min(kBlockPixels, pixels - next) : 0;
            powersAndNextDistances(count, next, nextCount);
            termsAndPreviousSum(count);
            fixCoincidingPixels(count);
            std::swap(currentSquared_, nextSquared_);
            std::swap(terms_, previousTerms_);
            previousTermCount_ = count * clusters_;
            previousCursor_ = 0;
        }
        addRemainingPreviousTerms();
        return jm_;
    }

private:
    static std::size_t pairCount(std::size_t count) { return (count + 1) / 2; }

    // Squared distances of the pixels first + p and first + p + 1 to centre j; with
    // `both` false only the first pixel is read and the second lane is meaningless.
    template <bool both>
    __m128d squaredDistancePair(std::size_t first, std::size_t p, std::size_t j) const {
        const double* x = image_.bands + first + p;
        const double* centre = centreValue_.data() + 2 * j * bands_;
        const auto load = [](const double* at) { return both ? _mm_loadu_pd(at) : _mm_load_sd(at); };
        __m128d diff = _mm_sub_pd(load(x), _mm_loadu_pd(centre));
        __m128d sum = _mm_mul_pd(diff, diff);
        for (std::size_t k = 1; k < bands_; ++k) {
            diff = _mm_sub_pd(load(x + k * image_.pixelCount), _mm_loadu_pd(centre + 2 * k));
            sum = _mm_add_pd(sum, _mm_mul_pd(diff, diff));
        }
        return sum;
    }

    __m128d squaredDistancePair(std::size_t first, std::size_t p, std::size_t count,
                                std::size_t j) const {
        return p + 1 < count ? squaredDistancePair<true>(first, p, j)
                             : squaredDistancePair<false>(first, p, j);
    }

    void computeDistances(std::size_t first, std::size_t count, double* squared) const {
        for (std::size_t j = 0; j < clusters_; ++j) {
            for (std::size_t p = 0; p < count; p += 2) {
                _mm_storeu_pd(squared + j * kBlockPixels + p, squaredDistancePair(first, p, count, j));
            }
        }
    }

    // Two more terms of the previous block's running sum, in pixel-then-cluster order.
    void addPreviousTerms() {
        if (previousCursor_ + 2 <= previousTermCount_) {
            jm_ += previousTerms_[previousCursor_];
            jm_ += previousTerms_[previousCursor_ + 1];
            previousCursor_ += 2;
        }
    }

    void addRemainingPreviousTerms() {
        for (; previousCursor_ < previousTermCount_; ++previousCursor_) {
            jm_ += previousTerms_[previousCursor_];
        }
    }

    // powered = D * D with D = sqrt(q); inverseSum = sum over clusters of 1 / powered;
    // meanwhile the distances of the next block.
    void powersAndNextDistances(std::size_t count, std::size_t next, std::size_t nextCount) {
        const __m128d one = _mm_set1_pd(1.0);
        const std::size_t pairs = pairCount(count);
        const std::size_t nextPairs = pairCount(nextCount);
        for (std::size_t t = 0; t < pairs; ++t) _mm_storeu_pd(&inverseSum_[2 * t], _mm_setzero_pd());
        for (std::size_t j = 0; j < clusters_; ++j) {
            const double* q = currentSquared_.data() + j * kBlockPixels;
            double* powered = powered_.data() + j * kBlockPixels;
            double* nextRow = nextSquared_.data() + j * kBlockPixels;
            for (std::size_t t = 0; t < pairs; ++t) {
                const __m128d distance = _mm_sqrt_pd(_mm_loadu_pd(q + 2 * t));
                const __m128d square = _mm_mul_pd(distance, distance);
                _mm_storeu_pd(powered + 2 * t, square);
                const __m128d sum =
                    _mm_add_pd(_mm_loadu_pd(&inverseSum_[2 * t]), _mm_div_pd(one, square));
                _mm_storeu_pd(&inverseSum_[2 * t], sum);
                if (t < nextPairs) {
                    _mm_storeu_pd(nextRow + 2 * t, squaredDistancePair(next, 2 * t, nextCount, j));
                }
            }
            for (std::size_t t = pairs; t < nextPairs; ++t) {
                _mm_storeu_pd(nextRow + 2 * t, squaredDistancePair(next, 2 * t, nextCount, j));
            }
        }
    }

    // terms (pixel-major) = u * u * q with u = 1 / (powered * inverseSum); meanwhile the
    // running sum of the previous block's terms.
    void termsAndPreviousSum(std::size_t count) {
        const __m128d one = _mm_set1_pd(1.0);
        const std::size_t pairs = pairCount(count);
        for (std::size_t j = 0; j < clusters_; ++j) {
            const double* q = currentSquared_.data() + j * kBlockPixels;
            const double* powered = powered_.data() + j * kBlockPixels;
            for (std::size_t t = 0; t < pairs; ++t) {
                const std::size_t p = 2 * t;
                const __m128d u = _mm_div_pd(
                    one, _mm_mul_pd(_mm_loadu_pd(powered + p), _mm_loadu_pd(&inverseSum_[p])));
                const __m128d term = _mm_mul_pd(_mm_mul_pd(u, u), _mm_loadu_pd(q + p));
                _mm_storel_pd(&terms_[p * clusters_ + j], term);
                if (p + 1 < count) _mm_storeh_pd(&terms_[(p + 1) * clusters_ + j], term);
                addPreviousTerms();
            }
        }
        addRemainingPreviousTerms();
    }

    // A zero or NaN distance makes the inverse sum infinite or NaN; such pixels get the terms
    // of the coincidence rule (the last coinciding cluster has membership 1, the others 0).
    void fixCoincidingPixels(std::size_t count) {
        for (std::size_t p = 0; p < count; ++p) {
            if (std::isfinite(inverseSum_[p])) continue;
            std::size_t coinciding = clusters_;
            for (std::size_t j = 0; j < clusters_; ++j) {
                const double q = currentSquared_[j * kBlockPixels + p];
                if (q == 0.0 || std::isnan(q)) coinciding = j;
            }
            if (coinciding == clusters_) continue;
            for (std::size_t j = 0; j < clusters_; ++j) {
                const double u = j == coinciding ? 1.0 : 0.0;
                terms_[p * clusters_ + j] = (u * u) * currentSquared_[j * kBlockPixels + p];
            }
        }
    }

    const ImageView& image_;
    std::size_t clusters_;
    std::size_t bands_;
    std::vector<double> centreValue_;  // every centre value twice, one per lane
    // Cluster-major rows of the block: entry j * kBlockPixels + p.
    std::vector<double> currentSquared_;
    std::vector<double> nextSquared_;
    std::vector<double> powered_;
    std::vector<double> inverseSum_;
    // Pixel-major terms u^2 q of a block: entry p * K + j, the order of the running sum.
    std::vector<double> terms_;
    std::vector<double> previousTerms_;
    std::size_t previousTermCount_ = 0;
    std::size_t previousCursor_ = 0;
    double jm_ = 0.0;
};
#endif

// The smallest squared distance between two different centres, starting from the pair (0, 1);
// a NaN on either side replaces the value.
double computeSeparation(const double* centres, std::size_t clusters, std::size_t bands) {
    const auto squaredDistance = [&](std::size_t a, std::size_t b) {
        double sum = 0.0;
        for (std::size_t k = 0; k < bands; ++k) {
            const double diff = centres[a * bands + k] - centres[b * bands + k];
            sum += diff * diff;
        }
        return sum;
    };
    double separation = squaredDistance(0, 1);
    for (std::size_t j = 0; j < clusters; ++j) {
        for (std::size_t l = j + 1; l < clusters; ++l) {
            const double candidate = squaredDistance(j, l);
            if (candidate < separation || std::isnan(candidate) || std::isnan(separation)) {
                separation = candidate;
            }
        }
    }
    return separation;
}

}  // namespace

void CMemeticClustering::Evaluate(CSolution& s) const {
    if (clusterNumber < 2 || bandCount < 1 || lineCount < 1 || sampleCount < 1) {
        throw std::invalid_argument("Evaluate: needs at least two clusters, one band and one pixel");
    }
    const ImageView image{bandData ? bandData->data() : nullptr,
                          static_cast<std::size_t>(pixelCount()),
                          static_cast<std::size_t>(bandCount),
                          static_cast<std::size_t>(clusterNumber)};
    if (!bandData || bandData->size() < image.pixelCount * image.bandCount) {
        throw std::invalid_argument("Evaluate: the image holds fewer values than its geometry");
    }
    if (s.centres.size() < image.clusterNumber * image.bandCount) {
        throw std::invalid_argument("Evaluate: the solution holds fewer centre values than K * d");
    }

    const double* centres = s.centres.data();
    double jm = 0.0;
    if (fuzzifier == 2.0) {
#if defined(__SSE2__)
        jm = SquaresPipeline(image, centres).Run();
#else
        jm = computeJm<SquarePower>(image, centres, fuzzifier);
#endif
    } else {
        jm = computeJm<GeneralPower>(image, centres, fuzzifier);
    }
    const double separation = computeSeparation(centres, image.clusterNumber, image.bandCount);
    s.xbIndex = jm / (static_cast<double>(image.pixelCount) * separation);
    s.jm = jm;
}

void CMemeticClustering::EvaluateAll(std::span<CSolution* const> solutions) const {
    const int count = static_cast<int>(solutions.size());
    const int threads = std::min(threadCount, count);
    if (threads <= 1) {
        for (CSolution* solution : solutions) Evaluate(*solution);
        return;
    }
    // Each solution is evaluated whole by one thread and written only by it, so the results
    // are those of the sequential loop.
    platform::ThreadPool pool(threads);
    pool.Run(count, [&](int i) { Evaluate(*solutions[static_cast<std::size_t>(i)]); });
}

}  // namespace tavorin
