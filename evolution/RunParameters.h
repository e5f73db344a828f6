#pragma once

#include <array>
#include <string>

namespace tavorin {

// The values of the parameter dialog, with its defaults.
struct RunParameters {
    std::string inputPath = "D:\\InputFile";    // raw image; its header is found beside it
    std::string outputPath = "D:\\OutputFile";  // base path of the classification images
    int clusterNumber = 5;                      // K
    int popSize = 30;                           // population size of the global search
    int iGenerations = 50;                      // generations of the global search
    double FLS = 0.5;  // per member and generation, probability of a local search
    std::array<double, 4> GLS_delta{0.01, 0.1, 1.0, 10.0};  // candidate local-search step sizes
};

}  // namespace tavorin
