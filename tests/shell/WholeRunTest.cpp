#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include "platform/Random.h"
#include "shell/CMainFrame.h"
#include "shell/CParameterDialog.h"
#include "shell/ResultsView.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/TestSupport.h"

namespace tavorin::shell {
namespace {

namespace fs = std::filesystem;
using testing::EnsureApplication;
using testing::MessageBoxRecorder;
using testing::OnNextModalDialog;
using testing::ProcessEventsUntil;

constexpr std::uint32_t kSeed = 20240607;

// A 12 x 9 image of 3 byte bands with three blobs of noisy values, drawn from a fixed seed.
void WriteTinyImage(const std::string& basePath) {
    const int samples = 12, lines = 9, bands = 3;
    const int centres[3][3] = {{30, 200, 90}, {120, 40, 160}, {220, 140, 20}};
    platform::Random15 random(7);
    std::string raw(static_cast<std::size_t>(samples * lines * bands), '\0');
    for (int band = 0; band < bands; ++band)
        for (int pixel = 0; pixel < samples * lines; ++pixel) {
            const int blob = (pixel % samples) / 4;
            const int value = centres[blob][band] + random.Next() % 21 - 10;
            raw[static_cast<std::size_t>(band * samples * lines + pixel)] =
                static_cast<char>(static_cast<unsigned char>(value));
        }
    testing::WriteFileBytes(basePath + ".img", raw);
    testing::WriteFileBytes(basePath + ".hdr",
                            "ENVI\ndescription = {tiny test image}\nsamples = 12\nlines = 9\n"
                            "bands = 3\nheader offset = 0\nfile type = ENVI Standard\n"
                            "data type = 1\ninterleave = bsq\nbyte order = 0\n");
}

std::set<std::string> FileNames(const fs::path& folder) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Files that hold times or the folder of the run, and so differ between any two runs.
bool DiffersByNature(const std::string& name) {
    return name == "ComputingTime.txt" || name == "result_summary.json" ||
           name == "result_report.html";
}

// One classification through the parameter dialog of `frame`, writing into `folder`.
void RunFromTheDialog(CMainFrame& frame, const std::string& image, const fs::path& folder) {
    MessageBoxRecorder recorder;
    const fs::path start = fs::current_path();
    OnNextModalDialog([&](QWidget* widget) {
        auto* dialog = qobject_cast<CParameterDialog*>(widget);
        ASSERT_NE(dialog, nullptr);
        const auto choose = [dialog](const std::string& path, const char* button) {
            dialog->SetFileChooser(
                [path](QWidget*) { return std::optional<QString>(QString::fromStdString(path)); });
            dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        };
        choose(image + ".img", "browseInput");
        choose((folder / "result").string(), "browseOutput");
        const auto type = [dialog](const char* name, const char* text) {
            dialog->findChild<QLineEdit*>(QString::fromLatin1(name))
                ->setText(QString::fromLatin1(text));
        };
        type("clusterNumber", "3");
        type("popSize", "6");
        type("iGenerations", "4");
        dialog->findChild<QPushButton*>(QStringLiteral("ok"))->click();
    });
    frame.classifyAction()->trigger();
    const bool finished =
        ProcessEventsUntil([&] { return !frame.IsCommandRunning(); }, std::chrono::minutes(5));
    fs::current_path(start);
    ASSERT_TRUE(finished);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text.toStdString(), "Finish");
}

// The finished run is shown: its summary, and the map of the member first selected as the
// file holds it.
void ExpectRunShown(const CMainFrame& frame, const fs::path& folder) {
    const ResultsView& results = frame.results();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !results.IsLoading(); }));
    ASSERT_NE(results.summary(), nullptr);
    EXPECT_EQ(results.summary()->path.toStdString(), (folder / "result_summary.json").string());
    ASSERT_TRUE(results.HasShownMap());
    const std::vector<std::uint8_t>& labels = results.shownMap()->map.labels;
    EXPECT_EQ(std::string(labels.begin(), labels.end()),
              testing::ReadFileBytes(
                  (folder / ("result_" + std::to_string(results.selectedMember()))).string()));
}

void ExpectSameFiles(const fs::path& folder, const fs::path& reference) {
    const std::set<std::string> names = FileNames(folder);
    EXPECT_EQ(names, FileNames(reference));
    EXPECT_TRUE(names.count("FinalPF.txt"));
    EXPECT_TRUE(names.count("result_0"));
    EXPECT_TRUE(names.count("result_0.hdr"));
    EXPECT_TRUE(names.count("nNonDominated.txt"));
    for (const std::string& name : names) {
        if (DiffersByNature(name)) continue;
        EXPECT_EQ(testing::ReadFileBytes((folder / name).string()),
                  testing::ReadFileBytes((reference / name).string()))
            << name;
    }
}

// Every run of the desktop application, not only the first, repeats the command line's run
// in a fresh process with the same seed.
TEST(WholeRunTest, EveryDialogRunGivesTheSameFilesAsTheCommandLineWithTheSameSeed) {
    EnsureApplication();
    testing::TempDir root;
    const fs::path cliFolder = root.path() / "cli";
    const std::vector<fs::path> guiFolders{root.path() / "gui1", root.path() / "gui2"};
    fs::create_directories(cliFolder);
    for (const fs::path& folder : guiFolders) fs::create_directories(folder);
    const std::string image = root.file("tiny");
    WriteTinyImage(image);

    RunOptions options;
    options.seed = kSeed;
    CMainFrame frame(DefaultShellCommands(), options);
    // Boxes after a run's own, while its results are read; there should be none.
    MessageBoxRecorder laterBoxes;
    for (const fs::path& folder : guiFolders) {
        RunFromTheDialog(frame, image, folder);
        ExpectRunShown(frame, folder);
    }
    EXPECT_TRUE(laterBoxes.boxes.empty());

    const std::string command = "cd '" + cliFolder.string() + "' && '" +
                                std::string(TAVORIN_EXECUTABLE_PATH) + "' classify --input '" +
                                image + ".img' --output '" + (cliFolder / "result").string() +
                                "' --clusters 3 --pop-size 6 --generations 4 --seed " +
                                std::to_string(kSeed) + " > '" + root.file("cli.log") + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << testing::ReadFileBytes(root.file("cli.log"));
    for (const fs::path& folder : guiFolders) {
        SCOPED_TRACE(folder.filename().string());
        ExpectSameFiles(folder, cliFolder);
    }
}

}  // namespace
}  // namespace tavorin::shell
