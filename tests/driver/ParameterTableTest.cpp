#include "driver/ParameterTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavorin {
namespace {

TEST(ParameterTable, NamesAndHelpOfEveryRowInDialogOrder) {
    const RunParameters defaults;
    std::vector<std::string> rows;
    for (const ParameterRule& rule : kParameterRules) {
        rows.push_back(std::string(rule.label) + " | " + rule.option + " " + rule.valueName +
                       " | " + OptionHelp(rule, defaults) + " | " + RangeInWords(rule));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{
                        "Cluster Number | --clusters K | number of clusters, 2 to 19 (default: 5) "
                        "| an integer from 2 to 19",
                        "Pop Size | --pop-size N | population size of the global search, 6 to "
                        "10000 (default: 30) | an integer from 6 to 10000",
                        "iGenerations | --generations G | generations of the global search, 0 to "
                        "1000000 (default: 50) | an integer from 0 to 1000000",
                        "FLS | --fls P | probability of a local search per member and generation, "
                        "0 to 1 (default: 0.5) | a finite number from 0 to 1",
                        "GLS_delta | --gls-delta A,B,C,D | the four step sizes of the local "
                        "search, each 0 or more (default: 0.01,0.1,1,10) | a finite number of 0 "
                        "or more"}));
}

TEST(ParameterTable, SlotsReachTheirFieldsAndRefusalsNameTheEntry) {
    RunParameters parameters;
    *SlotOf(parameters, ParameterField::IGenerations, 0).integer = 7;
    *SlotOf(parameters, ParameterField::GLS_delta, 3).number = 2.5;
    EXPECT_EQ(parameters.iGenerations, 7);
    EXPECT_EQ(parameters.GLS_delta[3], 2.5);
    EXPECT_EQ(SlotOf(parameters, ParameterField::FLS, 0).integer, nullptr);
    EXPECT_EQ(ValueOf(parameters, ParameterField::GLS_delta, 3), 2.5);

    const ParameterRule& delta = RuleOf(ParameterField::GLS_delta);
    EXPECT_EQ(RangeRefusal(EntryName("--gls-delta", delta, 1), delta, "\"x\""),
              "--gls-delta (value 2 of 4) must be a finite number of 0 or more, not \"x\".");
    const ParameterRule& clusters = RuleOf(ParameterField::ClusterNumber);
    EXPECT_EQ(EntryName("Cluster Number", clusters, 0), "Cluster Number");
    EXPECT_FALSE(IsAccepted(clusters, 1.0));
    EXPECT_TRUE(IsAccepted(clusters, 19.0));
    EXPECT_TRUE(IsAccepted(delta, 1e300));
}

}  // namespace
}  // namespace tavorin
