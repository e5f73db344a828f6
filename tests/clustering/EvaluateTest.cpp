#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <stdexcept>
#include <vector>

#include "clustering/Evaluator.h"
#include "clustering/LiteralEvaluation.h"
#include "platform/Random.h"
#include "tests/clustering/EvaluatedImage.h"
#include "tests/evolution/AlgorithmSetup.h"
#include "tests/support/SliceChain.h"

namespace tavorin {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using testing::EvaluatedImage;

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

CSolution withCentres(std::vector<double> centres) {
    CSolution s;
    s.centres = std::move(centres);
    s.F = 0.25;
    s.rank = 5;
    return s;
}

detail::ObjectivePair literal(const EvaluatedImage& algorithm, const CSolution& s) {
    const detail::LiteralImage image{algorithm.globals.bandData.get(),
                                     algorithm.globals.pixelCount(), algorithm.globals.bandCount};
    return detail::LiteralEvaluate(image, algorithm.globals.clusterNumber, s.centres,
                                   algorithm.evaluator.fuzzifier, detail::PowerMode::Products);
}

TEST(EvaluateTest, OneBandHandValues) {
    // Pixels 0, 1, 3; centres 0 and 2. Pixel 0 sits on centre 0 (adds 0); pixel 1 has
    // memberships 1/2, 1/2 (adds 0.25 + 0.25); pixel 3 has D = 3, 1, S = 10/9, memberships
    // 0.1, 0.9 (adds 0.01 * 9 + 0.81 * 1). jm = 1.4, sep = 4, xb = 1.4 / 12.
    EvaluatedImage algorithm(2, 1, 3, 1, {0, 1, 3});
    CSolution s = withCentres({0, 2});
    algorithm.Evaluate(s);
    EXPECT_DOUBLE_EQ(s.jm, 1.4);
    EXPECT_DOUBLE_EQ(s.xbIndex, 1.4 / 12.0);
    EXPECT_EQ(s.F, 0.25);  // nothing else is touched
    EXPECT_EQ(s.rank, 5);
}

TEST(EvaluateTest, TwoBandsHandValues) {
    // Pixels (0, 0) and (3, 4), band-sequential; centres (0, 0) and (3, 0). The second pixel:
    // q = 25, 16; S = 1/25 + 1/16 = 41/400; memberships 16/41, 25/41;
    // jm = (256 * 25 + 625 * 16) / 1681 = 400/41; sep = 9; xb = (400/41) / (2 * 9).
    EvaluatedImage algorithm(2, 1, 2, 2, {0, 3, 0, 4});
    CSolution s = withCentres({0, 0, 3, 0});
    algorithm.Evaluate(s);
    EXPECT_DOUBLE_EQ(s.jm, 400.0 / 41.0);
    EXPECT_DOUBLE_EQ(s.xbIndex, 400.0 / 41.0 / 18.0);
    const detail::ObjectivePair reference = literal(algorithm, s);
    EXPECT_TRUE(sameBits(s.jm, reference.jm));
    EXPECT_TRUE(sameBits(s.xbIndex, reference.xbIndex));
}

TEST(EvaluateTest, CoincidingCentresGiveAnInfiniteIndex) {
    // Pixel 0 sits on both identical centres: membership 1 to the later one, 0 to the
    // earlier, nothing added. Pixel 4: both at distance 4, memberships 1/2: adds 2 * 0.25 * 16.
    EvaluatedImage algorithm(2, 1, 2, 1, {0, 4});
    CSolution s = withCentres({0, 0});
    algorithm.Evaluate(s);
    EXPECT_EQ(s.jm, 8.0);
    EXPECT_EQ(s.xbIndex, kInf);

    // Every pixel on the one centre: jm = 0 and 0 / 0.
    EvaluatedImage flat(2, 1, 2, 1, {5, 5});
    CSolution same = withCentres({5, 5});
    flat.Evaluate(same);
    EXPECT_EQ(same.jm, 0.0);
    EXPECT_TRUE(std::isnan(same.xbIndex));
}

TEST(EvaluateTest, SeparationIsTheSmallestCentreGap) {
    // Three centres at 0, 10, 13 in one band: gaps 100, 169, 9 -> sep = 9 (found after the
    // first pair). With K = 2 it is the one gap.
    EvaluatedImage three(3, 1, 1, 1, {10});
    CSolution s = withCentres({0, 10, 13});
    three.Evaluate(s);
    EXPECT_EQ(s.jm, 0.0);  // the pixel sits on centre 1
    EXPECT_EQ(s.xbIndex, 0.0);

    EvaluatedImage withJm(3, 1, 2, 1, {1, 12});
    CSolution t = withCentres({0, 10, 13});
    withJm.Evaluate(t);
    EXPECT_TRUE(sameBits(t.xbIndex, t.jm / (2.0 * 9.0)));
}

TEST(EvaluateTest, NotANumberPixelOrCentre) {
    // A NaN sample passes the coincidence test for every centre; its jm term is NaN.
    EvaluatedImage algorithm(2, 1, 3, 1, {0, kNaN, 3});
    CSolution s = withCentres({0, 2});
    algorithm.Evaluate(s);
    EXPECT_TRUE(std::isnan(s.jm));
    EXPECT_TRUE(std::isnan(s.xbIndex));

    // A NaN centre value replaces the separation however large the other gaps are.
    EvaluatedImage three(3, 1, 2, 1, {1, 2});
    CSolution nanCentre = withCentres({0, 5, kNaN});
    three.Evaluate(nanCentre);
    EXPECT_TRUE(std::isnan(nanCentre.xbIndex));
    const detail::ObjectivePair reference = literal(three, nanCentre);
    EXPECT_TRUE(std::isnan(reference.xbIndex));
}

TEST(EvaluateTest, TinyDistanceWhoseInverseSquareOverflows) {
    // D = 1e-160 is not a coincidence, yet 1 / (D * D) overflows: the sum of inverses is
    // infinite, both memberships of that pixel are 1 / inf = 0 and it adds nothing. The pixel
    // at 5 adds 2 * 0.25 * 25.
    EvaluatedImage algorithm(2, 1, 2, 1, {1e-160, 5});
    CSolution s = withCentres({0, 10});
    algorithm.Evaluate(s);
    EXPECT_EQ(s.jm, 12.5);
    EXPECT_EQ(s.xbIndex, 0.0625);
    const detail::ObjectivePair reference = literal(algorithm, s);
    EXPECT_TRUE(sameBits(s.jm, reference.jm));
}

TEST(EvaluateTest, RefusesMismatchedSizes) {
    EvaluatedImage algorithm(2, 1, 3, 1, {0, 1, 3});
    CSolution shortCentres = withCentres({0});
    EXPECT_THROW(algorithm.Evaluate(shortCentres), std::invalid_argument);
}

CSolution randomCentres(const EvaluatedImage& image, platform::Random15& random) {
    CSolution s;
    s.centres = testing::RandomCentres(image, random);
    return s;
}

CSolution pixelCentres(const EvaluatedImage& image, const std::vector<long long>& pixels) {
    CSolution s;
    s.centres = testing::PixelCentres(image, pixels);
    return s;
}

void expectMatchesLiteral(const EvaluatedImage& algorithm, CSolution s) {
    algorithm.Evaluate(s);
    const detail::ObjectivePair reference = literal(algorithm, s);
    EXPECT_TRUE(sameBits(s.jm, reference.jm)) << s.jm << " vs " << reference.jm;
    EXPECT_TRUE(sameBits(s.xbIndex, reference.xbIndex)) << s.xbIndex << " vs " << reference.xbIndex;
    CSolution again = s;
    algorithm.Evaluate(again);
    EXPECT_TRUE(sameBits(again.jm, s.jm));
    EXPECT_TRUE(sameBits(again.xbIndex, s.xbIndex));
}

class SceneEvaluateTest : public ::testing::TestWithParam<const char*> {};

TEST_P(SceneEvaluateTest, BitIdenticalToTheLiteralEvaluation) {
    const std::string name = GetParam();
    const int side = name == "small" ? 100 : 400;
    testing::SampleImage image = testing::LoadSampleImage(name, side, side, 6);
    ASSERT_EQ(image.bandData.size(), static_cast<std::size_t>(side * side * 6));
    for (const int clusters : {2, 5, 7}) {
        EvaluatedImage algorithm(clusters, side, side, 6, image.bandData);
        platform::Random15 random(static_cast<std::uint32_t>(clusters * 1000 + side));
        for (int trial = 0; trial < 3; ++trial) {
            expectMatchesLiteral(algorithm, randomCentres(algorithm, random));
        }

        std::vector<long long> onPixels;
        for (int j = 0; j < clusters; ++j) onPixels.push_back((j * 7919LL + 11) % (side * side));
        expectMatchesLiteral(algorithm, pixelCentres(algorithm, onPixels));

        // Two coinciding centres on a pixel: infinite index, the later centre takes the pixel.
        onPixels[1] = onPixels[0];
        CSolution coinciding = pixelCentres(algorithm, onPixels);
        expectMatchesLiteral(algorithm, coinciding);
        algorithm.Evaluate(coinciding);
        EXPECT_EQ(coinciding.xbIndex, kInf);
        EXPECT_TRUE(std::isfinite(coinciding.jm));
    }
}

INSTANTIATE_TEST_SUITE_P(SampleImages, SceneEvaluateTest,
                         ::testing::Values("small", "landsat_scene01"));

TEST(EvaluateTest, OddPixelCountsAcrossBlocksMatchTheLiteralEvaluation) {
    // 3 x 131 pixels of random 3-band values: several blocks, the last one of odd length, with
    // the centres placed on pixels deep inside later blocks and on the very last pixel.
    platform::Random15 random(4242);
    std::vector<double> data;
    for (int i = 0; i < 3 * 393; ++i) data.push_back(random.Next() / 64.0 - 100.0);
    EvaluatedImage algorithm(4, 3, 131, 3, data);
    expectMatchesLiteral(algorithm, pixelCentres(algorithm, {300, 392, 129, 257}));
    expectMatchesLiteral(algorithm, pixelCentres(algorithm, {392, 392, 7, 391}));
    expectMatchesLiteral(algorithm, randomCentres(algorithm, random));
    for (const int pixels : {1, 2, 127, 128, 129, 255, 256, 257}) {
        EvaluatedImage part(3, 1, pixels, 3,
                            std::vector<double>(data.begin(), data.begin() + 3 * pixels));
        expectMatchesLiteral(part, pixelCentres(part, {pixels - 1, 0, pixels / 2}));
        expectMatchesLiteral(part, randomCentres(part, random));
    }
}

TEST(EvaluateTest, OtherFuzzifiersUseTheGeneralPower) {
    // With m = 3 the exponents are 2 / (m - 1) = 1 and m = 3: compare with the literal
    // evaluation through pow, and by hand on one band: pixels 0, 1, 3, centres 0 and 2.
    EvaluatedImage algorithm(2, 1, 3, 1, {0, 1, 3});
    algorithm.evaluator.fuzzifier = 3.0;
    CSolution s = withCentres({0, 2});
    algorithm.Evaluate(s);
    // Pixel 1: u = 1/2 each, adds 2 * (1/8) * 1; pixel 3: D = 3, 1, S = 4/3, u = 1/4, 3/4,
    // adds (1/64) * 9 + (27/64) * 1 = 36/64.
    EXPECT_DOUBLE_EQ(s.jm, 0.25 + 36.0 / 64.0);
    const detail::LiteralImage image{algorithm.globals.bandData.get(),
                                     algorithm.globals.pixelCount(), algorithm.globals.bandCount};
    const detail::ObjectivePair reference =
        detail::LiteralEvaluate(image, 2, s.centres, 3.0, detail::PowerMode::LibraryPow);
    EXPECT_TRUE(sameBits(s.jm, reference.jm));
    EXPECT_TRUE(sameBits(s.xbIndex, reference.xbIndex));
}

TEST(EvaluateAllTest, ThreadsGiveTheSequentialResults) {
    testing::SampleImage image = testing::LoadSampleImage("small", 100, 100, 6);
    EvaluatedImage algorithm(4, 100, 100, 6, std::move(image.bandData));
    platform::Random15 random(77);
    std::vector<CSolution> sequential;
    for (int i = 0; i < 9; ++i) sequential.push_back(randomCentres(algorithm, random));
    std::vector<CSolution> parallel = sequential;
    for (CSolution& s : sequential) algorithm.Evaluate(s);
    std::vector<CSolution*> pointers;
    for (CSolution& s : parallel) pointers.push_back(&s);
    algorithm.evaluator.SetThreadCount(3);
    algorithm.evaluator.EvaluateAll(pointers);
    for (std::size_t i = 0; i < sequential.size(); ++i) {
        EXPECT_TRUE(sameBits(parallel[i].jm, sequential[i].jm)) << i;
        EXPECT_TRUE(sameBits(parallel[i].xbIndex, sequential[i].xbIndex)) << i;
    }
}

// The pixels first .. first + count - 1 of a band-sequential image of `pixels` pixels.
std::shared_ptr<const BandSamples> slicePixels(const std::vector<double>& image, int bands,
                                               std::size_t pixels, std::size_t first,
                                               std::size_t count) {
    std::vector<double> slice;
    for (std::size_t b = 0; b < static_cast<std::size_t>(bands); ++b) {
        const auto from = image.begin() + static_cast<std::ptrdiff_t>(b * pixels + first);
        slice.insert(slice.end(), from, from + static_cast<std::ptrdiff_t>(count));
    }
    return std::make_shared<const BandSamples>(std::move(slice));
}

TEST(EvaluateAllTest, SlicesChainedInOrderGiveTheWholeImagesResults) {
    // small.img's 10,000 pixels in three slices, the middle one empty; the last computes only
    // two chunks of its terms ahead, and two of its threads share the rest.
    testing::SampleImage sample = testing::LoadSampleImage("small", 100, 100, 6);
    const std::vector<double> pixels = sample.bandData;
    EvaluatedImage whole(5, 100, 100, 6, std::move(sample.bandData));
    const std::size_t cuts[] = {0, 3300, 3300, 10000};
    testing::SliceChain chain(3);
    std::vector<std::unique_ptr<Evaluator>> slices;
    std::vector<std::unique_ptr<testing::SliceChainLink>> links;
    for (int r = 0; r < 3; ++r) {
        const auto at = static_cast<std::size_t>(r);
        const std::size_t count = cuts[at + 1] - cuts[at];
        slices.push_back(std::make_unique<Evaluator>(
            EvaluationImage{slicePixels(pixels, 6, 10000, cuts[at], count),
                            static_cast<long long>(count), 6, 5, 10000},
            r == 2 ? 2 : 1));
        links.push_back(std::make_unique<testing::SliceChainLink>(chain, r));
        slices.back()->SetSliceLink(links.back().get());
        chain.places.push_back(static_cast<long long>(cuts[at]));
    }
    chain.places.push_back(10000);
    slices[2]->termsAheadBytes = 2 * squares::kChunkPixels * 5 * sizeof(double);
    chain.evaluateOthers = [&] {
        std::vector<const double*> centres;
        for (std::size_t at = 0; at < chain.batch.size(); at += chain.values) {
            centres.push_back(&chain.batch[at]);
        }
        for (int r = 1; r < 3; ++r)
            slices[static_cast<std::size_t>(r)]->ContinueBatch(centres.data(), centres.size());
    };
    chain.samplesOf = [&](int r, std::span<const long long> asked) {
        std::vector<long long> own;
        const auto at = static_cast<std::size_t>(r);
        for (const long long p : asked) {
            if (p >= chain.places[at] && p < chain.places[at + 1])
                own.push_back(p - chain.places[at]);
        }
        return slices[at]->HeldPixelSamples(own);
    };

    platform::Random15 random(91);
    for (const std::size_t batch : {std::size_t{1}, std::size_t{5}, std::size_t{11}}) {
        std::vector<CSolution> expected, split;
        for (std::size_t i = 0; i < batch; ++i) expected.push_back(randomCentres(whole, random));
        split = expected;
        std::vector<CSolution*> pointers;
        for (CSolution& s : split) pointers.push_back(&s);
        for (CSolution& s : expected) whole.Evaluate(s);
        slices[0]->EvaluateAll(pointers);
        for (std::size_t i = 0; i < batch; ++i) {
            EXPECT_TRUE(sameBits(split[i].jm, expected[i].jm)) << batch << ", " << i;
            EXPECT_TRUE(sameBits(split[i].xbIndex, expected[i].xbIndex)) << batch << ", " << i;
        }
    }
    const std::vector<long long> asked = {9999, 0, 3300, 3299, 5000};
    EXPECT_EQ(slices[0]->PixelSamples(asked), whole.evaluator.PixelSamples(asked));
}

}  // namespace
}  // namespace tavorin
