#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "driver/CClassificationDriver.h"
#include "platform/NumberText.h"
#include "tavorin/tavorin.h"
#include "tests/support/TestSupport.h"

namespace tavorin {
namespace {

ClassifyOptions SmallOptions() {
    ClassifyOptions options;
    options.clusters = 4;
    options.popSize = 8;
    options.generations = 3;
    options.seed = 11;
    return options;
}

// The library's front is the command's: the same maps and "FinalPF.txt" lines, with no file
// written by the library itself.
TEST(ClassifyTest, FrontEqualsTheFilesOfTheCommandAndWritesNothing) {
    testing::TempDir dir(true);
    const std::string input = testing::DataDir() + "/small.img";
    std::vector<int> percents;
    ClassifyOptions options = SmallOptions();
    options.progress = [&](const std::string&, int percent) { percents.push_back(percent); };
    const ClassifyResult result = Classify(ReadEnviImage(input), options);
    EXPECT_EQ(result.seed, 11u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.front(), 0);

    RunParameters parameters;
    parameters.inputPath = input;
    parameters.outputPath = dir.file("out");
    parameters.clusterNumber = 4;
    parameters.popSize = 8;
    parameters.iGenerations = 3;
    RunOptions runOptions;
    runOptions.seed = 11;
    runOptions.pictures = false;
    testing::RecordingUserInterface ui;
    ASSERT_TRUE(CClassificationDriver().Run(parameters, runOptions, ui));

    std::string frontList;
    for (std::size_t j = 0; j < result.front.size(); ++j) {
        const FrontMember& member = result.front[j];
        frontList += platform::formatFixed(member.xbIndex) + "\t" +
                     platform::formatFixed(member.jm) + "\r\n";
        const std::string map = testing::ReadFileBytes(dir.file("out_" + std::to_string(j)));
        EXPECT_EQ(std::string(member.labels.begin(), member.labels.end()), map) << j;
        EXPECT_EQ(member.centres.size(), 4u * 6u);
    }
    EXPECT_EQ(testing::ReadFileBytes("FinalPF.txt"), frontList);
}

TEST(ClassifyTest, RefusalsCarryTheCommandsMessages) {
    Image image = ReadEnviImage(testing::DataDir() + "/small.img");
    ClassifyOptions options = SmallOptions();
    options.clusters = 20;
    try {
        Classify(image, options);
        FAIL() << "no refusal";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("Cluster Number"), std::string::npos)
            << error.what();
    }
    image.bandData.pop_back();
    EXPECT_THROW(Classify(image, SmallOptions()), Error);
    EXPECT_THROW(ReadEnviImage(testing::DataDir() + "/absent.img"), Error);
}

}  // namespace
}  // namespace tavorin
