#pragma once

#include <array>
#include <cstddef>
#include <limits>
#include <string>

#include "evolution/RunParameters.h"

namespace tavorin {

// The parameters that have a range, in the order of the dialog and of the command line.
enum class ParameterField { ClusterNumber, PopSize, IGenerations, FLS, GLS_delta };

// One parameter with a range: its names in the dialog and on the command line and the values
// it accepts. The checks, refusals, dialog labels and option help texts are all made from it.
struct ParameterRule {
    ParameterField field;
    const char* label;        // the dialog's label
    const char* option;       // the command-line option
    const char* valueName;    // the option's value in the help
    const char* description;  // the option's help, before its range and default
    bool integer;             // an int; else a finite double
    double lowest;
    double highest;  // infinity when there is no upper bound
    int entries;     // values the field holds
};

// K below 2 leaves the Xie-Beni separation undefined, and K + 1 classes must fit the
// twenty-colour table of the classification headers. The partner draw of the variation needs
// five population members besides the current one.
inline constexpr std::array<ParameterRule, 5> kParameterRules{{
    {ParameterField::ClusterNumber, "Cluster Number", "--clusters", "K", "number of clusters", true,
     2, 19, 1},
    {ParameterField::PopSize, "Pop Size", "--pop-size", "N", "population size of the global search",
     true, 6, 10000, 1},
    {ParameterField::IGenerations, "iGenerations", "--generations", "G",
     "generations of the global search", true, 0, 1000000, 1},
    {ParameterField::FLS, "FLS", "--fls", "P",
     "probability of a local search per member and generation", false, 0, 1, 1},
    {ParameterField::GLS_delta, "GLS_delta", "--gls-delta", "A,B,C,D",
     "the four step sizes of the local search", false, 0, std::numeric_limits<double>::infinity(),
     4},
}};

constexpr std::size_t IndexOf(ParameterField field) { return static_cast<std::size_t>(field); }

constexpr const ParameterRule& RuleOf(ParameterField field) {
    return kParameterRules[IndexOf(field)];
}

// Where one entry of a field lives in a parameter set; exactly one pointer is set.
struct ParameterSlot {
    int* integer = nullptr;
    double* number = nullptr;
};

ParameterSlot SlotOf(RunParameters& parameters, ParameterField field, int entry);

// One entry of a field; integers convert exactly.
double ValueOf(const RunParameters& parameters, ParameterField field, int entry);

// Finite and within the rule's bounds (so NaN is refused).
bool IsAccepted(const ParameterRule& rule, double value);

// A value of the field as the messages show it ("5", "0.5", "-1", "nan").
std::string FormatValue(const ParameterRule& rule, double value);

// The accepted values in words: "an integer from 2 to 19", "a finite number of 0 or more".
std::string RangeInWords(const ParameterRule& rule);

// `name`, followed by " (value 2 of 4)" when the field holds several values.
std::string EntryName(const std::string& name, const ParameterRule& rule, int entry);

// "<name> must be <range in words>, not <shown>."
std::string RangeRefusal(const std::string& name, const ParameterRule& rule,
                         const std::string& shown);

// The option's help: "number of clusters, 2 to 19 (default: 5)".
std::string OptionHelp(const ParameterRule& rule, const RunParameters& defaults);

}  // namespace tavorin
