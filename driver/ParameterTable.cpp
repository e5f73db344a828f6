#include "driver/ParameterTable.h"

#include <cmath>
#include <tuple>

#include "platform/NumberText.h"

namespace tavorin {
namespace {

// RuleOf indexes the table by the enum.
constexpr bool TableIsInEnumOrder() {
    for (std::size_t i = 0; i < kParameterRules.size(); ++i) {
        if (IndexOf(kParameterRules[i].field) != i) return false;
    }
    return true;
}
static_assert(TableIsInEnumOrder());
static_assert(RuleOf(ParameterField::GLS_delta).entries ==
              static_cast<int>(std::tuple_size_v<decltype(RunParameters::GLS_delta)>));

bool HasUpperBound(const ParameterRule& rule) { return std::isfinite(rule.highest); }

}  // namespace

ParameterSlot SlotOf(RunParameters& parameters, ParameterField field, int entry) {
    switch (field) {
        case ParameterField::ClusterNumber:
            return {&parameters.clusterNumber, nullptr};
        case ParameterField::PopSize:
            return {&parameters.popSize, nullptr};
        case ParameterField::IGenerations:
            return {&parameters.iGenerations, nullptr};
        case ParameterField::FLS:
            return {nullptr, &parameters.FLS};
        case ParameterField::GLS_delta:
            return {nullptr, &parameters.GLS_delta[static_cast<std::size_t>(entry)]};
    }
    return {};
}

double ValueOf(const RunParameters& parameters, ParameterField field, int entry) {
    // Only read through the slot, so the one field switch serves both.
    const ParameterSlot slot = SlotOf(const_cast<RunParameters&>(parameters), field, entry);
    return slot.integer ? static_cast<double>(*slot.integer) : *slot.number;
}

bool IsAccepted(const ParameterRule& rule, double value) {
    // Written so that NaN fails the test.
    return std::isfinite(value) && value >= rule.lowest && value <= rule.highest;
}

std::string FormatValue(const ParameterRule& rule, double value) {
    if (rule.integer) return platform::formatInt(static_cast<long long>(value));
    return platform::formatGeneral(value);
}

std::string RangeInWords(const ParameterRule& rule) {
    const std::string kind = rule.integer ? "an integer" : "a finite number";
    if (!HasUpperBound(rule)) return kind + " of " + FormatValue(rule, rule.lowest) + " or more";
    return kind + " from " + FormatValue(rule, rule.lowest) + " to " +
           FormatValue(rule, rule.highest);
}

std::string EntryName(const std::string& name, const ParameterRule& rule, int entry) {
    if (rule.entries == 1) return name;
    return name + " (value " + platform::formatInt(entry + 1) + " of " +
           platform::formatInt(rule.entries) + ")";
}

std::string RangeRefusal(const std::string& name, const ParameterRule& rule,
                         const std::string& shown) {
    return name + " must be " + RangeInWords(rule) + ", not " + shown + ".";
}

std::string OptionHelp(const ParameterRule& rule, const RunParameters& defaults) {
    std::string range = FormatValue(rule, rule.lowest);
    range += HasUpperBound(rule) ? " to " + FormatValue(rule, rule.highest) : " or more";
    if (rule.entries > 1) range = "each " + range;
    std::string defaultText;
    for (int entry = 0; entry < rule.entries; ++entry) {
        if (entry > 0) defaultText += ",";
        defaultText += FormatValue(rule, ValueOf(defaults, rule.field, entry));
    }
    return std::string(rule.description) + ", " + range + " (default: " + defaultText + ")";
}

}  // namespace tavorin
