#include "driver/ParameterCheck.h"

#include <cmath>

#include "platform/NumberText.h"
#include "platform/UserError.h"

namespace tavorin {
namespace {

std::optional<ParameterProblem> checkInteger(ParameterField field, int value, int lowest,
                                             int highest) {
    if (value >= lowest && value <= highest) return std::nullopt;
    return ParameterProblem{field, 0, platform::formatInt(value),
                            "an integer from " + platform::formatInt(lowest) + " to " +
                                platform::formatInt(highest)};
}

}  // namespace

std::optional<ParameterProblem> FindParameterProblem(const RunParameters& parameters) {
    // K below 2 leaves the Xie-Beni separation undefined; K + 1 classes must fit the
    // twenty-colour table of the classification headers.
    if (auto problem = checkInteger(ParameterField::ClusterNumber, parameters.clusterNumber, 2, 19)) {
        return problem;
    }
    // The partner draw of the variation needs five members besides the current one.
    if (auto problem = checkInteger(ParameterField::PopSize, parameters.popSize, 6, 10000)) {
        return problem;
    }
    if (auto problem =
            checkInteger(ParameterField::IGenerations, parameters.iGenerations, 0, 1000000)) {
        return problem;
    }
    // Written so that NaN fails the test.
    if (!(std::isfinite(parameters.FLS) && parameters.FLS >= 0.0 && parameters.FLS <= 1.0)) {
        return ParameterProblem{ParameterField::FLS, 0, platform::formatGeneral(parameters.FLS),
                                "a finite number from 0 to 1"};
    }
    for (int i = 0; i < 4; ++i) {
        const double delta = parameters.GLS_delta[static_cast<std::size_t>(i)];
        if (!(std::isfinite(delta) && delta >= 0.0)) {
            return ParameterProblem{ParameterField::GLS_delta, i, platform::formatGeneral(delta),
                                    "a finite number of 0 or more"};
        }
    }
    return std::nullopt;
}

std::string ParameterLabel(ParameterField field) {
    switch (field) {
        case ParameterField::ClusterNumber: return "Cluster Number";
        case ParameterField::PopSize: return "Pop Size";
        case ParameterField::IGenerations: return "iGenerations";
        case ParameterField::FLS: return "FLS";
        case ParameterField::GLS_delta: return "GLS_delta";
    }
    return "";
}

void CheckRunParameters(const RunParameters& parameters) {
    const auto problem = FindParameterProblem(parameters);
    if (!problem) return;
    std::string name = ParameterLabel(problem->field);
    if (problem->field == ParameterField::GLS_delta) {
        name += " (value " + platform::formatInt(problem->index + 1) + " of 4)";
    }
    throw UserError(name + " must be " + problem->rangeText + ", not " + problem->value + ".");
}

}  // namespace tavorin
