#include "driver/AssignLabels.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavorin {
namespace {

// A distance of exactly 0, or one that is not a number, counts as the pixel lying on the centre.
bool coincides(double distance) { return distance == 0.0 || std::isnan(distance); }

}  // namespace

void AssignLabels(const RunGlobals& globals, const CSolution& solution, unsigned char* labels) {
    const auto pixels = static_cast<std::size_t>(globals.pixelCount());
    const auto imagePixels = static_cast<std::size_t>(globals.imagePixelCount());
    const std::uint8_t* searched = globals.leftOut ? globals.leftOut->searched.data() : nullptr;
    const auto bands = static_cast<std::size_t>(globals.bandCount);
    const auto clusters = static_cast<std::size_t>(globals.clusterNumber);
    const std::vector<double>& image = *globals.bandData;
    const std::vector<double>& centres = solution.centres;

    // Each pixel's label depends on that pixel alone, so one row of distances and
    // memberships is all the working storage needed.
    std::vector<double> distance(clusters);
    std::vector<double> squaredDistance(clusters);
    std::vector<double> membership(clusters);
    // p counts the searched pixels, whose samples bandData holds; q the pixels of the map.
    std::size_t q = 0;
    for (std::size_t p = 0; p < pixels; ++p, ++q) {
        if (searched != nullptr) {
            // Left-out pixels are unclassified.
            while (searched[q] == 0) labels[q++] = 0;
        }
        for (std::size_t j = 0; j < clusters; ++j) {
            double sum = 0.0;
            for (std::size_t b = 0; b < bands; ++b) {
                const double difference = image[b * pixels + p] - centres[j * bands + b];
                sum += difference * difference;
            }
            distance[j] = std::sqrt(sum);
        }

        // On a centre: membership 1 there, 0 elsewhere; the last such centre wins.
        bool onCentre = false;
        for (std::size_t j = 0; j < clusters; ++j) {
            if (!coincides(distance[j])) continue;
            onCentre = true;
            for (std::size_t l = 0; l < clusters; ++l) membership[l] = 0.0;
            membership[j] = 1.0;
        }
        if (!onCentre) {
            // The square of the rounded distance serves both the sum and the memberships.
            double inverseSum = 0.0;
            for (std::size_t l = 0; l < clusters; ++l) {
                squaredDistance[l] = distance[l] * distance[l];
                inverseSum += 1.0 / squaredDistance[l];
            }
            for (std::size_t j = 0; j < clusters; ++j) {
                membership[j] = 1.0 / (squaredDistance[j] * inverseSum);
            }
        }

        // The first largest membership names the class; none above 0 leaves it unclassified.
        double best = 0.0;
        unsigned char label = 0;
        for (std::size_t j = 0; j < clusters; ++j) {
            if (membership[j] > best) {
                best = membership[j];
                label = static_cast<unsigned char>(j + 1);
            }
        }
        labels[q] = label;
    }
    for (; q < imagePixels; ++q) labels[q] = 0;
}

}  // namespace tavorin
