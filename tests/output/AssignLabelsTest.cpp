#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "clustering/CSolution.h"
#include "driver/AssignLabels.h"
#include "driver/ClassificationSearch.h"
#include "tests/localsearch/SmallRun.h"

namespace tavorin {
namespace {

CSolution Member(double jm, int rank, double xbIndex = 1.0) {
    CSolution s;
    s.jm = jm;
    s.rank = rank;
    s.xbIndex = xbIndex;
    return s;
}

std::vector<unsigned char> Labels(const RunGlobals& globals, const std::vector<double>& centres,
                                  int pixels, unsigned char fill = 0) {
    CSolution solution;
    solution.centres = centres;
    std::vector<unsigned char> labels(static_cast<std::size_t>(pixels), fill);
    const Evaluator evaluator(EvaluationImage{globals.bandData, globals.pixelCount(),
                                              globals.bandCount, globals.clusterNumber});
    AssignLabels(globals, evaluator, solution, labels.data());
    return labels;
}

TEST(AssignLabelsTest, NearestCentreCoincidenceAndNaN) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Six pixels of two bands (band-sequential), three centres: (0,0), (10,0), (10,0).
    //  p0 (1,1)   nearest centre 0
    //  p1 (9,1)   equally near centres 1 and 2: equal memberships, the lower number wins
    //  p2 (0,0)   on centre 0
    //  p3 (10,0)  on centres 1 and 2: the highest-numbered wins
    //  p4 (nan,5) a NaN distance counts as lying on every centre: label K
    //  p5 (4,0)   memberships 1/16 : 1/36 : 1/36 of their sum, centre 0
    const std::vector<double> image{1, 9, 0, 10, nan, 4,  //
                                    1, 1, 0, 0,  5,   0};
    const RunGlobals globals =
        testing::SmallRunGlobals(2, 3, 2, image, 3, 6, 0, 0.5, {0.01, 0.1, 1.0, 10.0});
    EXPECT_EQ(Labels(globals, {0, 0, 10, 0, 10, 0}, 6),
              (std::vector<unsigned char>{1, 2, 1, 3, 3, 1}));
    // With distinct centres (0,0), (10,0), (9,1): p1 lies on centre 3.
    EXPECT_EQ(Labels(globals, {0, 0, 10, 0, 9, 1}, 6),
              (std::vector<unsigned char>{1, 3, 1, 2, 3, 1}));
}

TEST(AssignLabelsTest, PixelWithoutPositiveMembershipIsUnclassified) {
    // Pixel 0 (1e300, 1e300): both distances overflow to infinity, every membership is NaN
    // and none is above 0. The buffer held another label before; the pixel must come out 0.
    // Pixel 1 (2, 2) is at a finite distance from centre 0 only.
    const std::vector<double> image{1e300, 2.0, 1e300, 2.0};
    const RunGlobals globals =
        testing::SmallRunGlobals(1, 2, 2, image, 2, 6, 0, 0.5, {0.01, 0.1, 1.0, 10.0});
    EXPECT_EQ(Labels(globals, {0, 0, -1e300, 0}, 2, 7), (std::vector<unsigned char>{0, 1}));
}

TEST(FrontOrderTest, FirstFrontLargestJmFirst) {
    const std::vector<CSolution> population{Member(5.0, 0), Member(100.0, 1), Member(9.0, 0),
                                            Member(7.0, 0), Member(1.0, 2)};
    const std::vector<CSolution> front = SortedFirstFront(population);
    ASSERT_EQ(front.size(), 3u);
    EXPECT_EQ(front[0].jm, 9.0);
    EXPECT_EQ(front[1].jm, 7.0);
    EXPECT_EQ(front[2].jm, 5.0);
}

TEST(FrontOrderTest, TiesFollowTheExchangeProcedure) {
    // 5a, 5b, 9: slot 0 is exchanged with the 9, which sends 5a behind 5b.
    const std::vector<CSolution> population{Member(5.0, 0, 0.1), Member(5.0, 0, 0.2),
                                            Member(9.0, 0, 0.3)};
    const std::vector<CSolution> front = SortedFirstFront(population);
    ASSERT_EQ(front.size(), 3u);
    EXPECT_EQ(front[0].xbIndex, 0.3);
    EXPECT_EQ(front[1].xbIndex, 0.2);
    EXPECT_EQ(front[2].xbIndex, 0.1);
    // A NaN jm is never exchanged.
    const std::vector<CSolution> withNan{Member(std::nan(""), 0, 0.1), Member(4.0, 0, 0.2)};
    EXPECT_EQ(SortedFirstFront(withNan)[0].xbIndex, 0.1);
}

}  // namespace
}  // namespace tavorin
