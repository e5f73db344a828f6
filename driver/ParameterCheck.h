#pragma once

#include <optional>
#include <string>

#include "driver/ParameterTable.h"
#include "evolution/RunParameters.h"

namespace tavorin {

// The first parameter outside its accepted range.
struct ParameterProblem {
    ParameterField field;
    int index = 0;          // entry of GLS_delta (0..3); 0 for the other fields
    std::string value;      // the refused value as text
    std::string rangeText;  // the accepted range in words, e.g. "an integer from 2 to 19"
};

// Checks every entry of every field against kParameterRules (K in 2..19, popSize in 6..10000,
// iGenerations in 0..1000000, FLS a finite number in [0, 1], every GLS_delta a finite number
// >= 0); the first problem in dialog order, if any.
std::optional<ParameterProblem> FindParameterProblem(const RunParameters& parameters);

// The dialog label of a field ("Cluster Number", "Pop Size", "iGenerations", "FLS", "GLS_delta").
std::string ParameterLabel(ParameterField field);

// Throws a UserError naming the dialog label, the value and the range of the first problem.
void CheckRunParameters(const RunParameters& parameters);

}  // namespace tavorin
