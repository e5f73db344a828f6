#include <clocale>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include "shell/CParameterDialog.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/TestSupport.h"

namespace tavorin::shell {
namespace {

using testing::EnsureApplication;
using testing::MessageBoxRecorder;

class ParameterDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { EnsureApplication(); }

    static QLineEdit* Edit(CParameterDialog& dialog, const char* name) {
        QLineEdit* edit = dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
        EXPECT_NE(edit, nullptr) << name;
        return edit;
    }

    static std::string Text(CParameterDialog& dialog, const char* name) {
        return Edit(dialog, name)->text().toStdString();
    }

    // Presses "OK" on a shown dialog; true when it closed with Accepted.
    static bool PressOk(CParameterDialog& dialog) {
        dialog.findChild<QPushButton*>(QStringLiteral("ok"))->click();
        return !dialog.isVisible() && dialog.result() == QDialog::Accepted;
    }
};

TEST_F(ParameterDialogTest, ShowsTheDefaultsAsThePlatformFormatsThem) {
    CParameterDialog dialog;
    EXPECT_EQ(dialog.windowTitle().toStdString(), "QUELDRA");
    EXPECT_EQ(Text(dialog, "inputPath"), "D:\\InputFile");
    EXPECT_EQ(Text(dialog, "outputPath"), "D:\\OutputFile");
    EXPECT_EQ(Text(dialog, "clusterNumber"), "5");
    EXPECT_EQ(Text(dialog, "popSize"), "30");
    EXPECT_EQ(Text(dialog, "iGenerations"), "50");
    EXPECT_EQ(Text(dialog, "FLS"), "0.5");
    EXPECT_EQ(Text(dialog, "GLS_delta0"), "0.01");
    EXPECT_EQ(Text(dialog, "GLS_delta1"), "0.1");
    EXPECT_EQ(Text(dialog, "GLS_delta2"), "1");
    EXPECT_EQ(Text(dialog, "GLS_delta3"), "10");
    EXPECT_TRUE(Edit(dialog, "inputPath")->isReadOnly());
    EXPECT_TRUE(Edit(dialog, "outputPath")->isReadOnly());
    EXPECT_FALSE(Edit(dialog, "popSize")->isReadOnly());
}

TEST_F(ParameterDialogTest, DisplayAndParsingIgnoreAGermanLocale) {
    // Qt's default locale always changes; the C library's only where the locale is installed.
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        MessageBoxRecorder recorder;
        CParameterDialog dialog;
        dialog.show();
        EXPECT_EQ(Text(dialog, "FLS"), "0.5");
        Edit(dialog, "FLS")->setText(QStringLiteral("0.25"));
        Edit(dialog, "GLS_delta3")->setText(QStringLiteral("0,5"));
        EXPECT_FALSE(PressOk(dialog));
        ASSERT_EQ(recorder.boxes.size(), 1u);
        EXPECT_EQ(recorder.boxes[0].text.toStdString(), "请键入一个数。");
        Edit(dialog, "GLS_delta3")->setText(QStringLiteral("1e1"));
        EXPECT_TRUE(PressOk(dialog));
        EXPECT_EQ(dialog.parameters().FLS, 0.25);
        EXPECT_EQ(dialog.parameters().GLS_delta[3], 10.0);
    }
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_ALL, previous.c_str());
}

TEST_F(ParameterDialogTest, ABadNumberShowsThePlatformMessageFocusesTheEditAndStaysOpen) {
    struct Case {
        const char* edit;
        const char* text;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"popSize", "abc", "请键入一个整数。"},
        {"popSize", "5x", "请键入一个整数。"},
        {"clusterNumber", "99999999999", "请键入一个整数。"},
        {"iGenerations", "", "请键入一个整数。"},
        {"iGenerations", "3.0", "请键入一个整数。"},
        {"FLS", "", "请键入一个数。"},
        {"FLS", "0.5.1", "请键入一个数。"},
        {"GLS_delta2", "1 2", "请键入一个数。"},
    };
    for (const Case& c : cases) {
        MessageBoxRecorder recorder;
        CParameterDialog dialog;
        dialog.show();
        Edit(dialog, c.edit)->setText(QString::fromUtf8(c.text));
        EXPECT_FALSE(PressOk(dialog)) << c.edit << " '" << c.text << "'";
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(recorder.boxes.size(), 1u) << c.edit << " '" << c.text << "'";
        EXPECT_EQ(recorder.boxes[0].text.toStdString(), c.message);
        EXPECT_EQ(dialog.focusWidget(), Edit(dialog, c.edit)) << c.edit;
        EXPECT_EQ(Edit(dialog, c.edit)->selectedText(), Edit(dialog, c.edit)->text());
    }
}

TEST_F(ParameterDialogTest, TheFirstBadTextInExchangeOrderIsReported) {
    MessageBoxRecorder recorder;
    CParameterDialog dialog;
    dialog.show();
    Edit(dialog, "GLS_delta0")->setText(QStringLiteral("x"));
    Edit(dialog, "iGenerations")->setText(QStringLiteral("y"));
    EXPECT_FALSE(PressOk(dialog));
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text.toStdString(), "请键入一个整数。");
    EXPECT_EQ(dialog.focusWidget(), Edit(dialog, "iGenerations"));
}

TEST_F(ParameterDialogTest, SurroundingSpacesAndLimitsAreAccepted) {
    MessageBoxRecorder recorder;
    CParameterDialog dialog;
    dialog.show();
    Edit(dialog, "clusterNumber")->setText(QStringLiteral("  19 "));
    Edit(dialog, "popSize")->setText(QStringLiteral("6"));
    Edit(dialog, "iGenerations")->setText(QStringLiteral("0"));
    Edit(dialog, "FLS")->setText(QStringLiteral(" 1 "));
    Edit(dialog, "GLS_delta0")->setText(QStringLiteral("0"));
    Edit(dialog, "GLS_delta1")->setText(QStringLiteral("2.5e-3"));
    EXPECT_TRUE(PressOk(dialog));
    EXPECT_TRUE(recorder.boxes.empty());
    EXPECT_EQ(dialog.parameters().clusterNumber, 19);
    EXPECT_EQ(dialog.parameters().popSize, 6);
    EXPECT_EQ(dialog.parameters().iGenerations, 0);
    EXPECT_EQ(dialog.parameters().FLS, 1.0);
    EXPECT_EQ(dialog.parameters().GLS_delta[0], 0.0);
    EXPECT_EQ(dialog.parameters().GLS_delta[1], 0.0025);
}

TEST_F(ParameterDialogTest, AValueOutOfRangeShowsTheProblemAndStaysOpen) {
    struct Case {
        const char* edit;
        const char* text;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"clusterNumber", "1", "Cluster Number must be an integer from 2 to 19, not 1."},
        {"clusterNumber", "20", "Cluster Number must be an integer from 2 to 19, not 20."},
        {"popSize", "5", "Pop Size must be an integer from 6 to 10000, not 5."},
        {"iGenerations", "-1", "iGenerations must be an integer from 0 to 1000000, not -1."},
        {"FLS", "1.5", "FLS must be a finite number from 0 to 1, not 1.5."},
        {"FLS", "nan", "FLS must be a finite number from 0 to 1, not nan."},
        {"GLS_delta2", "inf",
         "GLS_delta (value 3 of 4) must be a finite number of 0 or more, not inf."},
        {"GLS_delta3", "-0.5",
         "GLS_delta (value 4 of 4) must be a finite number of 0 or more, not -0.5."},
    };
    for (const Case& c : cases) {
        MessageBoxRecorder recorder;
        CParameterDialog dialog;
        dialog.show();
        Edit(dialog, c.edit)->setText(QString::fromUtf8(c.text));
        EXPECT_FALSE(PressOk(dialog)) << c.edit << " " << c.text;
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(recorder.boxes.size(), 1u);
        EXPECT_EQ(recorder.boxes[0].text.toStdString(), c.message);
        EXPECT_EQ(dialog.focusWidget(), Edit(dialog, c.edit)) << c.edit;
    }
}

TEST_F(ParameterDialogTest, CancelLeavesWithRejected) {
    CParameterDialog dialog;
    dialog.show();
    Edit(dialog, "popSize")->setText(QStringLiteral("zzz"));
    dialog.findChild<QPushButton*>(QStringLiteral("cancel"))->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(ParameterDialogTest, BrowsingSetsThePathAndMakesItsFolderCurrent) {
    testing::TempDir folder;
    const std::filesystem::path start = std::filesystem::current_path();
    const QString chosen = QString::fromStdString(folder.file("scene.img"));
    CParameterDialog dialog;
    dialog.SetFileChooser([&](QWidget*) { return std::optional<QString>(chosen); });
    dialog.findChild<QPushButton*>(QStringLiteral("browseInput"))->click();
    EXPECT_EQ(Edit(dialog, "inputPath")->text(), chosen);
    EXPECT_EQ(dialog.parameters().inputPath, chosen.toStdString());
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(folder.path()));

    const QString output = QString::fromStdString(folder.file("not-yet-there"));
    dialog.SetFileChooser([&](QWidget*) { return std::optional<QString>(output); });
    dialog.findChild<QPushButton*>(QStringLiteral("browseOutput"))->click();
    EXPECT_EQ(Edit(dialog, "outputPath")->text(), output);
    EXPECT_EQ(Edit(dialog, "inputPath")->text(), chosen);
    std::filesystem::current_path(start);
}

TEST_F(ParameterDialogTest, CancellingABrowseKeepsThePathAndTheFolder) {
    const std::filesystem::path start = std::filesystem::current_path();
    CParameterDialog dialog;
    dialog.SetFileChooser([](QWidget*) { return std::optional<QString>(); });
    dialog.findChild<QPushButton*>(QStringLiteral("browseOutput"))->click();
    EXPECT_EQ(Text(dialog, "outputPath"), "D:\\OutputFile");
    EXPECT_EQ(dialog.parameters().outputPath, "D:\\OutputFile");
    EXPECT_EQ(std::filesystem::current_path(), start);
}

TEST_F(ParameterDialogTest, BrowsingWithABadNumberReportsItButKeepsEveryTypedText) {
    testing::TempDir folder;
    const std::filesystem::path start = std::filesystem::current_path();
    MessageBoxRecorder recorder;
    CParameterDialog dialog;
    bool chooserOpened = false;
    const QString chosen = QString::fromStdString(folder.file("a.img"));
    dialog.SetFileChooser([&](QWidget*) {
        chooserOpened = true;
        return std::optional<QString>(chosen);
    });
    Edit(dialog, "popSize")->setText(QStringLiteral("5x"));
    Edit(dialog, "FLS")->setText(QStringLiteral("0.75"));
    dialog.findChild<QPushButton*>(QStringLiteral("browseInput"))->click();
    EXPECT_TRUE(chooserOpened);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text.toStdString(), "请键入一个整数。");
    EXPECT_EQ(Text(dialog, "inputPath"), chosen.toStdString());
    EXPECT_EQ(Text(dialog, "popSize"), "5x");
    EXPECT_EQ(Text(dialog, "FLS"), "0.75");
    std::filesystem::current_path(start);
}

TEST_F(ParameterDialogTest, EveryNewDialogStartsFromTheDefaults) {
    {
        CParameterDialog first;
        first.show();
        first.findChild<QLineEdit*>(QStringLiteral("popSize"))->setText(QStringLiteral("12"));
        ASSERT_TRUE(PressOk(first));
        EXPECT_EQ(first.parameters().popSize, 12);
    }
    CParameterDialog second;
    EXPECT_EQ(Text(second, "popSize"), "30");
    EXPECT_EQ(second.parameters().popSize, 30);
}

}  // namespace
}  // namespace tavorin::shell
