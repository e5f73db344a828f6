#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

#include "clustering/LiteralEvaluation.h"
#include "clustering/SquaresKernel.h"
#include "platform/Random.h"
#include "tests/clustering/EvaluatedImage.h"
#include "tests/evolution/AlgorithmSetup.h"

namespace tavorin {
namespace {

using squares::VectorWidth;

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

using testing::EvaluatedImage;
using testing::PixelCentres;
using testing::RandomCentres;

squares::PixelBands pixelsOf(const EvaluatedImage& algorithm) {
    const RunGlobals& g = algorithm.globals;
    return {g.bandData->data(), static_cast<std::size_t>(g.pixelCount()),
            static_cast<std::size_t>(g.bandCount), static_cast<std::size_t>(g.clusterNumber),
            g.bandData->type()};
}

double literalJm(const EvaluatedImage& algorithm, const std::vector<double>& centres) {
    const RunGlobals& g = algorithm.globals;
    const detail::LiteralImage image{g.bandData.get(), g.pixelCount(), g.bandCount};
    return detail::LiteralEvaluate(image, g.clusterNumber, centres, 2.0,
                                   detail::PowerMode::Products)
        .jm;
}

// Every vector width this processor runs gives the literal sum's bits, one solution at a time
// and in batches of 1, 4 and 5 (a whole and a partial group of side-by-side sums) that mix it
// with a shifted copy.
void expectEveryWidthMatchesLiteral(const EvaluatedImage& algorithm,
                                    const std::vector<double>& centres) {
    std::vector<double> shifted = centres;
    for (double& value : shifted) value += 0.75;
    const double expected = literalJm(algorithm, centres);
    const double expectedShifted = literalJm(algorithm, shifted);
    for (const VectorWidth width : {VectorWidth::Sse2, VectorWidth::Avx2, VectorWidth::Avx512}) {
        if (!squares::IsAvailable(width)) continue;
        const double jm = squares::Jm(pixelsOf(algorithm), centres.data(), width);
        EXPECT_TRUE(sameBits(jm, expected))
            << "width " << static_cast<int>(width) << ": " << jm << " vs " << expected;
        for (const std::size_t size : {1, 4, 5}) {
            std::vector<const double*> batch;
            for (std::size_t i = 0; i < size; ++i) {
                batch.push_back(i % 2 == 0 ? centres.data() : shifted.data());
            }
            std::vector<double> jms(size);
            squares::BatchJm(pixelsOf(algorithm), batch, jms.data(), width);
            for (std::size_t i = 0; i < size; ++i) {
                EXPECT_TRUE(sameBits(jms[i], i % 2 == 0 ? expected : expectedShifted))
                    << "width " << static_cast<int>(width) << ", batch " << size << ", entry " << i;
            }
        }
    }
}

TEST(SquaresKernelTest, FastestWidthIsAvailable) {
    EXPECT_TRUE(squares::IsAvailable(VectorWidth::Sse2));
    EXPECT_TRUE(squares::IsAvailable(squares::FastestWidth()));
}

TEST(SquaresKernelTest, EveryWidthGivesTheLiteralBitsOnTheScenes) {
    for (const auto& [name, side] : {std::pair{"small", 100}, std::pair{"landsat_scene01", 400}}) {
        testing::SampleImage image = testing::LoadSampleImage(name, side, side, 6);
        for (const int clusters : {2, 5, 9, 20}) {
            EvaluatedImage algorithm(clusters, side, side, 6, image.bandData);
            platform::Random15 random(static_cast<std::uint32_t>(31 * clusters + side));
            expectEveryWidthMatchesLiteral(algorithm, RandomCentres(algorithm, random));
            expectEveryWidthMatchesLiteral(algorithm, RandomCentres(algorithm, random));
            std::vector<long long> onPixels;
            for (int j = 0; j < clusters; ++j)
                onPixels.push_back((j * 104729LL + 5) % (side * side));
            expectEveryWidthMatchesLiteral(algorithm, PixelCentres(algorithm, onPixels));
            onPixels[1] = onPixels[0];
            expectEveryWidthMatchesLiteral(algorithm, PixelCentres(algorithm, onPixels));
        }
    }
}

TEST(SquaresKernelTest, EveryWidthHandlesPartialVectorsAndSpecialValues) {
    platform::Random15 random(99);
    std::vector<double> data;
    for (int i = 0; i < 2 * 263; ++i) data.push_back(random.Next() / 128.0 - 50.0);
    data[17] = std::numeric_limits<double>::quiet_NaN();  // a NaN pixel takes the last cluster
    data[300] = 1e-160;                                   // 1 / D^2 overflows near it
    for (const int pixels : {1, 2, 3, 5, 127, 129, 130, 131, 257, 263}) {
        std::vector<double> part(data.begin(), data.begin() + pixels);
        part.insert(part.end(), data.begin() + 263, data.begin() + 263 + pixels);
        EvaluatedImage algorithm(3, 1, pixels, 2, part);
        expectEveryWidthMatchesLiteral(algorithm, RandomCentres(algorithm, random));
        expectEveryWidthMatchesLiteral(algorithm,
                                       PixelCentres(algorithm, {pixels - 1, 0, pixels / 2}));
        expectEveryWidthMatchesLiteral(algorithm, {0.0, 0.0, 1e-160, 0.0, 3.0, 4.0});
    }
}

// The K neighbours of a member, neighbour c with centre c moved by `shift` in every band.
std::vector<CSolution> neighboursOf(const CSolution& member, int clusters, int bands,
                                    double shift) {
    std::vector<CSolution> neighbours(static_cast<std::size_t>(clusters), member);
    for (std::size_t c = 0; c < neighbours.size(); ++c) {
        for (std::size_t k = 0; k < static_cast<std::size_t>(bands); ++k) {
            neighbours[c].centres[c * static_cast<std::size_t>(bands) + k] +=
                shift * static_cast<double>(k + 1);
        }
    }
    return neighbours;
}

void expectNeighboursMatchEvaluate(const EvaluatedImage& algorithm, const CSolution& member,
                                   std::vector<CSolution> neighbours) {
    std::vector<CSolution> expected = neighbours;
    for (CSolution& s : expected) algorithm.Evaluate(s);
    std::vector<CSolution*> pointers;
    for (CSolution& s : neighbours) pointers.push_back(&s);
    algorithm.evaluator.EvaluateNeighbours(member, pointers);
    for (std::size_t c = 0; c < neighbours.size(); ++c) {
        EXPECT_TRUE(sameBits(neighbours[c].jm, expected[c].jm))
            << c << ": " << neighbours[c].jm << " vs " << expected[c].jm;
        EXPECT_TRUE(sameBits(neighbours[c].xbIndex, expected[c].xbIndex)) << c;
    }
}

TEST(EvaluateNeighboursTest, SameBitsAsEvaluateOnTheScenesForAnyThreadCount) {
    for (const auto& [name, side] : {std::pair{"small", 100}, std::pair{"landsat_scene01", 400}}) {
        testing::SampleImage image = testing::LoadSampleImage(name, side, side, 6);
        for (const int clusters : {2, 5}) {
            EvaluatedImage algorithm(clusters, side, side, 6, image.bandData);
            platform::Random15 random(static_cast<std::uint32_t>(7 * clusters + side));
            CSolution member;
            member.centres = RandomCentres(algorithm, random);
            for (const int threads : {1, 2, 3}) {
                algorithm.evaluator.SetThreadCount(threads);
                expectNeighboursMatchEvaluate(algorithm, member,
                                              neighboursOf(member, clusters, 6, 2.5));
            }
            // A move onto a pixel, and a move onto another centre (infinite index).
            std::vector<CSolution> special = neighboursOf(member, clusters, 6, 0.0);
            const std::vector<double> onPixel = PixelCentres(algorithm, {side * side / 2});
            std::copy(onPixel.begin(), onPixel.end(), special[0].centres.begin());
            std::copy(member.centres.begin(), member.centres.begin() + 6,
                      special[1].centres.begin() + 6);
            expectNeighboursMatchEvaluate(algorithm, member, special);
            CSolution check = special[1];
            algorithm.Evaluate(check);
            EXPECT_EQ(check.xbIndex, std::numeric_limits<double>::infinity());
        }
    }
}

TEST(EvaluateNeighboursTest, OtherVariantsFallBackToEvaluate) {
    testing::SampleImage image = testing::LoadSampleImage("small", 100, 100, 6);
    EvaluatedImage algorithm(4, 100, 100, 6, std::move(image.bandData));
    platform::Random15 random(5);
    CSolution member;
    member.centres = RandomCentres(algorithm, random);
    std::vector<CSolution> neighbours = neighboursOf(member, 4, 6, 1.0);
    neighbours[1].centres[0] += 3.0;                       // two centres moved
    neighbours[2].centres[0] = -neighbours[2].centres[0];  // centre 0 changed as well
    neighbours.push_back(neighbours[0]);                   // a fifth: no centre 4 to move
    expectNeighboursMatchEvaluate(algorithm, member, neighbours);
}

}  // namespace
}  // namespace tavorin
