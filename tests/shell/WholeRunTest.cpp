#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include "platform/Random.h"
#include "shell/CMainFrame.h"
#include "shell/CParameterDialog.h"
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
    platform::srand(7);
    std::string raw(static_cast<std::size_t>(samples * lines * bands), '\0');
    for (int band = 0; band < bands; ++band)
        for (int pixel = 0; pixel < samples * lines; ++pixel) {
            const int blob = (pixel % samples) / 4;
            const int value = centres[blob][band] + platform::rand() % 21 - 10;
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

TEST(WholeRunTest, TheDialogRunGivesTheSameFilesAsTheCommandLineWithTheSameSeed) {
    EnsureApplication();
    testing::TempDir root;
    const fs::path start = fs::current_path();
    const fs::path guiFolder = root.path() / "gui";
    const fs::path cliFolder = root.path() / "cli";
    fs::create_directories(guiFolder);
    fs::create_directories(cliFolder);
    const std::string image = root.file("tiny");
    WriteTinyImage(image);

    MessageBoxRecorder recorder;
    RunOptions options;
    options.seed = kSeed;
    CMainFrame frame(DefaultShellCommands(), options);
    OnNextModalDialog([&](QWidget* widget) {
        auto* dialog = qobject_cast<CParameterDialog*>(widget);
        ASSERT_NE(dialog, nullptr);
        const auto choose = [dialog](const std::string& path, const char* button) {
            dialog->SetFileChooser(
                [path](QWidget*) { return std::optional<QString>(QString::fromStdString(path)); });
            dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        };
        choose(image + ".img", "browseInput");
        choose((guiFolder / "result").string(), "browseOutput");
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
    const bool finished = ProcessEventsUntil([&] { return !frame.IsCommandRunning(); },
                                             std::chrono::minutes(5));
    fs::current_path(start);
    ASSERT_TRUE(finished);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text.toStdString(), "Finish");

    const std::string command = "cd '" + cliFolder.string() + "' && '" +
                                std::string(TAVORIN_EXECUTABLE_PATH) +
                                "' classify --input '" + image + ".img' --output '" +
                                (cliFolder / "result").string() +
                                "' --clusters 3 --pop-size 6 --generations 4 --seed " +
                                std::to_string(kSeed) + " > '" + root.file("cli.log") +
                                "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << testing::ReadFileBytes(root.file("cli.log"));

    const std::set<std::string> guiFiles = FileNames(guiFolder);
    EXPECT_EQ(guiFiles, FileNames(cliFolder));
    EXPECT_TRUE(guiFiles.count("FinalPF.txt"));
    EXPECT_TRUE(guiFiles.count("result_0"));
    EXPECT_TRUE(guiFiles.count("result_0.hdr"));
    EXPECT_TRUE(guiFiles.count("nNonDominated.txt"));
    for (const std::string& name : guiFiles) {
        if (DiffersByNature(name)) continue;
        EXPECT_EQ(testing::ReadFileBytes((guiFolder / name).string()),
                  testing::ReadFileBytes((cliFolder / name).string()))
            << name;
    }
}

}  // namespace
}  // namespace tavorin::shell
