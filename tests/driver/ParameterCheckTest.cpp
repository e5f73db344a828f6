#include "driver/ParameterCheck.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/UserError.h"

namespace tavorin {
namespace {

std::string RefusalOf(const RunParameters& parameters) {
    try {
        CheckRunParameters(parameters);
    } catch (const UserError& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(RunParameters, DefaultsOfTheDialog) {
    const RunParameters defaults;
    EXPECT_EQ(defaults.inputPath, "D:\\InputFile");
    EXPECT_EQ(defaults.outputPath, "D:\\OutputFile");
    EXPECT_EQ(defaults.clusterNumber, 5);
    EXPECT_EQ(defaults.popSize, 30);
    EXPECT_EQ(defaults.iGenerations, 50);
    EXPECT_EQ(defaults.FLS, 0.5);
    EXPECT_EQ(defaults.GLS_delta, (std::array<double, 4>{0.01, 0.1, 1.0, 10.0}));
    EXPECT_EQ(FindParameterProblem(defaults), std::nullopt);
}

TEST(ParameterCheck, AcceptsTheEndsOfEveryRange) {
    RunParameters low;
    low.clusterNumber = 2;
    low.popSize = 6;
    low.iGenerations = 0;
    low.FLS = 0.0;
    low.GLS_delta = {0.0, 0.0, 0.0, 0.0};
    EXPECT_EQ(RefusalOf(low), "(accepted)");
    RunParameters high;
    high.clusterNumber = 19;
    high.popSize = 10000;
    high.iGenerations = 1000000;
    high.FLS = 1.0;
    high.GLS_delta = {1e300, 1e300, 1e300, 1e300};
    EXPECT_EQ(RefusalOf(high), "(accepted)");
}

TEST(ParameterCheck, RefusesWithLabelValueAndRange) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const auto refusal = [](auto change) {
        RunParameters parameters;
        change(parameters);
        return RefusalOf(parameters);
    };
    EXPECT_EQ(refusal([](RunParameters& p) { p.clusterNumber = 1; }),
              "Cluster Number must be an integer from 2 to 19, not 1.");
    EXPECT_EQ(refusal([](RunParameters& p) { p.clusterNumber = 20; }),
              "Cluster Number must be an integer from 2 to 19, not 20.");
    EXPECT_EQ(refusal([](RunParameters& p) { p.popSize = 5; }),
              "Pop Size must be an integer from 6 to 10000, not 5.");
    EXPECT_EQ(refusal([](RunParameters& p) { p.popSize = 10001; }),
              "Pop Size must be an integer from 6 to 10000, not 10001.");
    EXPECT_EQ(refusal([](RunParameters& p) { p.iGenerations = -1; }),
              "iGenerations must be an integer from 0 to 1000000, not -1.");
    EXPECT_EQ(refusal([](RunParameters& p) { p.iGenerations = 1000001; }),
              "iGenerations must be an integer from 0 to 1000000, not 1000001.");
    EXPECT_EQ(refusal([](RunParameters& p) { p.FLS = 1.5; }),
              "FLS must be a finite number from 0 to 1, not 1.5.");
    EXPECT_EQ(refusal([](RunParameters& p) { p.FLS = -0.001; }),
              "FLS must be a finite number from 0 to 1, not -0.001.");
    EXPECT_EQ(refusal([&](RunParameters& p) { p.FLS = nan; }),
              "FLS must be a finite number from 0 to 1, not nan.");
    EXPECT_EQ(refusal([&](RunParameters& p) { p.GLS_delta[2] = -1.0; }),
              "GLS_delta (value 3 of 4) must be a finite number of 0 or more, not -1.");
    EXPECT_EQ(refusal([&](RunParameters& p) { p.GLS_delta[0] = inf; }),
              "GLS_delta (value 1 of 4) must be a finite number of 0 or more, not inf.");
    EXPECT_EQ(refusal([&](RunParameters& p) { p.GLS_delta[3] = nan; }),
              "GLS_delta (value 4 of 4) must be a finite number of 0 or more, not nan.");
}

TEST(ParameterCheck, ReportsTheFirstProblemInDialogOrder) {
    RunParameters parameters;
    parameters.GLS_delta[1] = -2.0;
    parameters.GLS_delta[3] = -3.0;
    parameters.FLS = 2.0;
    parameters.popSize = 0;
    auto problem = FindParameterProblem(parameters);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->field, ParameterField::PopSize);
    EXPECT_EQ(problem->value, "0");
    EXPECT_EQ(problem->rangeText, "an integer from 6 to 10000");

    parameters.popSize = 30;
    parameters.FLS = 0.5;
    problem = FindParameterProblem(parameters);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->field, ParameterField::GLS_delta);
    EXPECT_EQ(problem->index, 1);
    EXPECT_EQ(problem->value, "-2");
}

TEST(ParameterCheck, LabelsOfTheDialog) {
    EXPECT_EQ(ParameterLabel(ParameterField::ClusterNumber), "Cluster Number");
    EXPECT_EQ(ParameterLabel(ParameterField::GLS_delta), "GLS_delta");
}

}  // namespace
}  // namespace tavorin
