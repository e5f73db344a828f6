#include "driver/ParameterCheck.h"

#include "platform/UserError.h"

namespace tavorin {

std::optional<ParameterProblem> FindParameterProblem(const RunParameters& parameters) {
    for (const ParameterRule& rule : kParameterRules) {
        for (int entry = 0; entry < rule.entries; ++entry) {
            const double value = ValueOf(parameters, rule.field, entry);
            if (!IsAccepted(rule, value)) {
                return ParameterProblem{rule.field, entry, FormatValue(rule, value),
                                        RangeInWords(rule)};
            }
        }
    }
    return std::nullopt;
}

std::string ParameterLabel(ParameterField field) { return RuleOf(field).label; }

void CheckRunParameters(const RunParameters& parameters) {
    const auto problem = FindParameterProblem(parameters);
    if (!problem) return;
    const ParameterRule& rule = RuleOf(problem->field);
    throw UserError(
        RangeRefusal(EntryName(rule.label, rule, problem->index), rule, problem->value));
}

}  // namespace tavorin
