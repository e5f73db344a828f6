#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <QStatusBar>
#include <QTableWidget>
#include <QThread>
#include <QWheelEvent>

#include "shell/CMainFrame.h"
#include "shell/ClassMap.h"
#include "shell/FrontPlotWidget.h"
#include "shell/MapView.h"
#include "shell/ResultsView.h"
#include "shell/RunLoader.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/TestSupport.h"

namespace tavorin::shell {
namespace {

using testing::EnsureApplication;
using testing::MessageBoxRecorder;
using testing::ProcessEventsUntil;

constexpr int kSamples = 4;
constexpr int kLines = 3;

// The run's three maps: the first with its labels as classes, the second with labels 1 and 2
// swapped by its legend; the third is missing.
const std::string kMap0{0, 1, 1, 2, 2, 3, 3, 1, 1, 2, 3, 3};
const std::string kMap1{0, 3, 3, 3, 1, 1, 2, 2, 2, 2, 2, 2};
const std::vector<int> kLegend1{2, 1, 3};  // legend class of labels 1, 2, 3 of the second map
const QColor kClassColours[] = {Qt::black, QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255)};

std::string EnviHeader(int samples, int lines, int bands, const std::string& extra = {}) {
    return "ENVI\ndescription = {results view test}\nsamples = " + std::to_string(samples) +
           "\nlines = " + std::to_string(lines) + "\nbands = " + std::to_string(bands) +
           "\nheader offset = 0\nfile type = ENVI Standard\ndata type = 1\ninterleave = bsq\n"
           "byte order = 0\n" +
           extra;
}

const std::string kMapHeaderClasses =
    "classes = 4\nclass lookup = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}\n"
    "class names = {Unclassified, Water, Forest, Field}\n";

// Band 1 of pixel p is 10 p + 10, band 2 is 200 - 10 p; pixel 0 is 0 in both, no data.
std::string InputBytes() {
    std::string bytes(2 * kSamples * kLines, '\0');
    for (int p = 1; p < kSamples * kLines; ++p) {
        bytes[static_cast<std::size_t>(p)] = static_cast<char>(10 * p + 10);
        bytes[static_cast<std::size_t>(kSamples * kLines + p)] = static_cast<char>(200 - 10 * p);
    }
    return bytes;
}

// A tiny run written by hand as a classification leaves it: input, maps, summary.
std::string WriteTinyRun(const testing::TempDir& folder) {
    testing::WriteFileBytes(folder.file("tiny.img"), InputBytes());
    testing::WriteFileBytes(folder.file("tiny.hdr"), EnviHeader(kSamples, kLines, 2));
    for (const auto& [name, labels] : {std::pair{"tiny_0", kMap0}, std::pair{"tiny_1", kMap1}}) {
        testing::WriteFileBytes(folder.file(name), labels);
        testing::WriteFileBytes(folder.file(std::string(name) + ".hdr"),
                                EnviHeader(kSamples, kLines, 1, kMapHeaderClasses));
    }
    const std::string summary = folder.file("tiny_summary.json");
    testing::WriteFileBytes(summary, R"({
  "tool": "TAVORIN",
  "parameters": {"inputPath": "tiny.img", "clusterNumber": 3, "popSize": 6,
                 "iGenerations": 2, "FLS": 0.5},
  "seed": 5,
  "image": {"samples": 4, "lines": 3, "bands": 2},
  "pixels": {"nodataValues": [0, 0], "pixelArea": {"x": 30, "y": 30, "units": "metres"}},
  "recommended": 1,
  "bestXieBeni": 1,
  "front": [
    {"file": "tiny_0", "xbIndex": 0.5, "jm": 100},
    {"file": "tiny_1", "xbIndex": 0.25, "jm": 200, "legend": [2, 1, 3],
     "classes": [{"label": 1, "legendClass": 2, "pixels": 2, "share": 0.18181818,
                  "hectares": 0.18, "squareKilometres": 0.0018},
                 {"label": 2, "legendClass": 1, "pixels": 6, "share": 0.54545454,
                  "hectares": 0.54, "squareKilometres": 0.0054},
                 {"label": 3, "legendClass": 3, "pixels": 3, "share": 0.27272727,
                  "hectares": 0.27, "squareKilometres": 0.0027}]},
    {"file": "tiny_2", "xbIndex": "inf", "jm": 300}
  ]
}
)");
    return summary;
}

std::vector<std::vector<std::string>> TableText(const QTableWidget& table) {
    std::vector<std::vector<std::string>> rows;
    for (int row = 0; row < table.rowCount(); ++row) {
        rows.emplace_back();
        for (int column = 0; column < table.columnCount(); ++column) {
            const QTableWidgetItem* item = table.item(row, column);
            rows.back().push_back(item ? item->text().toStdString() : "");
        }
    }
    return rows;
}

void Send(QWidget* widget, QEvent& event) { QApplication::sendEvent(widget, &event); }

void PressKey(QWidget* widget, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    Send(widget, press);
}

void MoveMouse(MapView* map, int line, int sample) {
    const QPointF point = map->WidgetPointOf(line, sample);
    QMouseEvent move(QEvent::MouseMove, point, map->mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    Send(map, move);
}

class ResultsViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApplication();
        frame_ = std::make_unique<CMainFrame>(ShellCommands{});
        frame_->resize(1000, 700);
        frame_->show();
        const std::string summary = WriteTinyRun(folder_);
        if (withoutInput_) std::filesystem::remove(folder_.file("tiny.img"));
        frame_->OpenDocument(QString::fromStdString(summary));
        WaitForLoading();
        results().opacitySlider()->setValue(100);  // the map alone where it has a class
    }

    ResultsView& results() { return frame_->results(); }

    void WaitForLoading() {
        ASSERT_TRUE(ProcessEventsUntil([this] { return !results().IsLoading(); }));
    }

    // The colour ("#rrggbb") the map view shows at the centre of every pixel, line by line.
    std::vector<std::string> ShownColours() {
        QApplication::processEvents();
        const QImage shown = results().mapView()->grab().toImage();
        std::vector<std::string> colours;
        for (int line = 0; line < kLines; ++line)
            for (int sample = 0; sample < kSamples; ++sample)
                colours.push_back(
                    QColor(shown.pixel(results().mapView()->WidgetPointOf(line, sample).toPoint()))
                        .name()
                        .toStdString());
        return colours;
    }

    // What the view should show of a map file: its class colours, the grey of a left-out
    // input pixel where the map has no class.
    static std::vector<std::string> ExpectedColours(const std::string& labels,
                                                    const std::vector<int>& legend) {
        std::vector<std::string> colours;
        for (const char byte : labels) {
            const int label = static_cast<unsigned char>(byte);
            const int legendClass = label > 0 && !legend.empty() ? legend[label - 1] : label;
            const QColor colour = label == 0 ? QColor(128, 128, 128) : kClassColours[legendClass];
            colours.push_back(colour.name().toStdString());
        }
        return colours;
    }

    bool withoutInput_ = false;
    testing::TempDir folder_;
    MessageBoxRecorder boxes_;
    std::unique_ptr<CMainFrame> frame_;
};

TEST_F(ResultsViewTest, OpensOnTheRecommendedMemberAndNamesTheMissingMap) {
    ASSERT_TRUE(results().HasRun());
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].text.toStdString(),
              "These files of the run are missing:\n\"tiny_2\"");
    EXPECT_EQ(results().selectedMember(), 1);
    EXPECT_EQ(results().frontPlot()->selected(), 1);
    EXPECT_EQ(results().frontPlot()->marked(), 1);
    const auto members = TableText(*results().memberTable());
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members[0], (std::vector<std::string>{"0", "tiny_0", "0.500000", "100.000000"}));
    EXPECT_EQ(members[1][0], "1 (recommended) (best Xie–Beni)");
    EXPECT_EQ(results().memberTable()->selectedItems().front()->row(), 1);
    EXPECT_EQ(results().frontPlot()->Description(0).toStdString(),
              "image 0: tiny_0\nxbIndex 0.500000\njm 100.000000");
    // The member with an infinite index is listed beside the plot, not placed in it.
    EXPECT_FALSE(results().frontPlot()->PointPosition(2).has_value());
    EXPECT_TRUE(results().notPlottedLabel()->text().contains(QStringLiteral("image 2")));

    ASSERT_TRUE(results().HasShownMap());
    EXPECT_EQ(ShownColours(), ExpectedColours(kMap1, kLegend1));
    // Counted from the map by hand: Water 6, Forest 2, Field 3 of 11 classified pixels of
    // 900 m² each, one left out; hectares and km² as the summary gives them.
    EXPECT_EQ(
        TableText(*results().legendTable()),
        (std::vector<std::vector<std::string>>{{"Water", "6", "54.55%", "5400", "0.54", "0.0054"},
                                               {"Forest", "2", "18.18%", "1800", "0.18", "0.0018"},
                                               {"Field", "3", "27.27%", "2700", "0.27", "0.0027"},
                                               {"Unclassified", "1", "—", "", "", ""}}));
    EXPECT_EQ(results().legendTable()->horizontalHeaderItem(3)->text().toStdString(), "Area (m²)");
}

TEST_F(ResultsViewTest, RowsPointsAndArrowKeysSelectTheMemberWhoseMapIsShown) {
    results().memberTable()->selectRow(0);
    WaitForLoading();
    EXPECT_EQ(results().selectedMember(), 0);
    EXPECT_EQ(results().frontPlot()->selected(), 0);
    EXPECT_EQ(ShownColours(), ExpectedColours(kMap0, {}));
    // Water 4, Forest 3, Field 4 by hand.
    const auto legend = TableText(*results().legendTable());
    ASSERT_EQ(legend.size(), 4u);
    EXPECT_EQ((std::vector<std::string>{legend[0][1], legend[1][1], legend[2][1], legend[3][1]}),
              (std::vector<std::string>{"4", "3", "4", "1"}));

    FrontPlotWidget* plot = results().frontPlot();
    const QPointF point = *plot->PointPosition(1);
    QMouseEvent click(QEvent::MouseButtonPress, point, plot->mapToGlobal(point), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    Send(plot, click);
    WaitForLoading();
    EXPECT_EQ(results().selectedMember(), 1);
    EXPECT_EQ(ShownColours(), ExpectedColours(kMap1, kLegend1));

    // Down to the member whose map is missing, and no further; up again from the map.
    PressKey(plot, Qt::Key_Down);
    WaitForLoading();
    EXPECT_EQ(results().selectedMember(), 2);
    EXPECT_FALSE(results().HasShownMap());
    EXPECT_EQ(results().legendTable()->rowCount(), 0);
    EXPECT_EQ(results().mapView()->message().toStdString(),
              "The classification image \"tiny_2\" is missing.");
    PressKey(plot, Qt::Key_Down);
    EXPECT_EQ(results().selectedMember(), 2);
    PressKey(results().mapView(), Qt::Key_Up);
    WaitForLoading();
    EXPECT_EQ(results().selectedMember(), 1);
    EXPECT_EQ(results().memberTable()->selectedItems().front()->row(), 1);
    PressKey(results().memberTable(), Qt::Key_Up);
    WaitForLoading();
    EXPECT_EQ(results().selectedMember(), 0);
    EXPECT_EQ(ShownColours(), ExpectedColours(kMap0, {}));
}

TEST_F(ResultsViewTest, TheWheelZoomsAboutTheCursorDraggingPansAndFitShowsAll) {
    MapView* map = results().mapView();
    const double fitted = map->zoom();
    const QPointF cursor = map->WidgetPointOf(1, 2);
    QWheelEvent wheel(cursor, map->mapToGlobal(cursor), QPoint(), QPoint(0, 240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    Send(map, wheel);
    EXPECT_DOUBLE_EQ(map->zoom(), fitted * 1.25 * 1.25);  // two notches
    EXPECT_EQ(map->PixelAt(cursor), QPoint(2, 1));

    const QPointF from = map->WidgetPointOf(0, 0);
    for (const auto& [type, point, buttons] :
         {std::tuple{QEvent::MouseButtonPress, from, Qt::LeftButton},
          std::tuple{QEvent::MouseMove, from + QPointF(30, 20), Qt::LeftButton},
          std::tuple{QEvent::MouseButtonRelease, from + QPointF(30, 20), Qt::NoButton}}) {
        QMouseEvent event(type, point, map->mapToGlobal(point), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        Send(map, event);
    }
    EXPECT_EQ(map->WidgetPointOf(0, 0), from + QPointF(30, 20));

    map->FitToWindow();
    EXPECT_DOUBLE_EQ(map->zoom(), fitted);
}

TEST_F(ResultsViewTest, StatusBarTellsClassAndBandsOfThePixelUnderTheCursor) {
    MapView* map = results().mapView();
    // Pixel 6: label 2, which the legend makes Water; bands 70 and 140.
    MoveMouse(map, 1, 2);
    EXPECT_EQ(frame_->statusBar()->currentMessage().toStdString(),
              "Line 2, sample 3: Water (label 2); bands 70, 140");
    MoveMouse(map, 0, 0);
    EXPECT_EQ(frame_->statusBar()->currentMessage().toStdString(),
              "Line 1, sample 1: left out, no data in every band; bands 0, 0");
    QEvent leave(QEvent::Leave);
    Send(map, leave);
    EXPECT_TRUE(frame_->statusBar()->currentMessage().isEmpty());
}

TEST_F(ResultsViewTest, TheShownMapIsExportedInItsLegendClassesAsPngAndGeoTiff) {
    // The second map in its legend classes: labels 1 and 2 swapped.
    const std::vector<std::uint8_t> classes{0, 3, 3, 3, 2, 2, 1, 1, 1, 1, 1, 1};
    std::vector<std::string> messages;
    QObject::connect(
        &results(), &ResultsView::exportFinished, [&](bool written, const QString& message) {
            messages.push_back((written ? "written: " : "failed: ") + message.toStdString());
        });
    const auto exportAs = [&](const std::string& name, MapExportFormat format) {
        const std::string path = folder_.file(name);
        messages.clear();
        EXPECT_TRUE(results().ExportShownMap(QString::fromStdString(path), format));
        EXPECT_TRUE(ProcessEventsUntil([&] { return !messages.empty(); }));
        EXPECT_EQ(messages,
                  (std::vector<std::string>{"written: Map written to \"" + path + "\"."}));
        return QString::fromStdString(path);
    };

    const QImage png(exportAs("shown.png", MapExportFormat::Png));
    ASSERT_EQ(png.size(), QSize(kSamples, kLines));
    const std::vector<std::string> expected = ExpectedColours(kMap1, kLegend1);
    for (int p = 0; p < kSamples * kLines; ++p) {
        const QColor colour = png.pixelColor(p % kSamples, p / kSamples);
        EXPECT_EQ(colour.alpha(), p == 0 ? 0 : 255) << p;
        if (p > 0) {
            EXPECT_EQ(colour.name().toStdString(), expected[static_cast<std::size_t>(p)]) << p;
        }
    }

    const QString tiff = exportAs("shown.tif", MapExportFormat::GeoTiff);
    EXPECT_EQ(ReadClassMap(tiff, kLines, kSamples).labels, classes);
}

class ResultsViewWithoutInputTest : public ResultsViewTest {
  protected:
    void SetUp() override {
        withoutInput_ = true;
        ResultsViewTest::SetUp();
    }
};

TEST_F(ResultsViewWithoutInputTest, AMissingInputIsNamedAndTheMapsAreShownAlone) {
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].text.toStdString(),
              "These files of the run are missing:\n\"tiny.img\"\n\"tiny_2\"");
    EXPECT_EQ(results().input(), nullptr);
    results().opacitySlider()->setValue(30);  // no input to show through
    std::vector<std::string> expected = ExpectedColours(kMap1, kLegend1);
    expected[0] = QColor(224, 224, 224).name().toStdString();  // the view's own background
    EXPECT_EQ(ShownColours(), expected);
    MoveMouse(results().mapView(), 1, 2);
    EXPECT_EQ(frame_->statusBar()->currentMessage().toStdString(),
              "Line 2, sample 3: Water (label 2)");
}

// A map wider than the overview reaches the view twice, overview first; every delivery comes
// from a worker thread, so reading never holds up the window.
TEST(RunLoaderTest, AWideMapArrivesAsAnOverviewFirstFromAWorkerThread) {
    EnsureApplication();
    testing::TempDir folder;
    const int samples = 2050, lines = 2;
    std::string labels(static_cast<std::size_t>(samples * lines), '\0');
    for (std::size_t p = 0; p < labels.size(); ++p) labels[p] = static_cast<char>(1 + p % 3);
    testing::WriteFileBytes(folder.file("wide_0"), labels);
    testing::WriteFileBytes(folder.file("wide_0.hdr"), EnviHeader(samples, lines, 1));
    testing::WriteFileBytes(folder.file("wide.img"), labels);
    testing::WriteFileBytes(folder.file("wide.hdr"), EnviHeader(samples, lines, 1));
    testing::WriteFileBytes(folder.file("wide_summary.json"),
                            R"({"parameters": {"inputPath": "wide.img", "clusterNumber": 3},
                                "image": {"samples": 2050, "lines": 2, "bands": 1},
                                "front": [{"file": "wide_0", "xbIndex": 1, "jm": 2}]})");

    struct Delivery {
        int overviewStep;
        bool full;
        bool onUserInterfaceThread;
    };
    std::mutex mutex;
    std::vector<Delivery> maps, inputs;
    std::shared_ptr<const RunSummaryFile> summary;
    const auto onUserInterfaceThread = [] {
        return QThread::currentThread() == QApplication::instance()->thread();
    };
    RunLoader loader;
    QObject::connect(
        &loader, &RunLoader::summaryLoaded, &loader,
        [&](std::shared_ptr<const RunSummaryFile> loaded, std::uint64_t) {
            const std::lock_guard lock(mutex);
            summary = std::move(loaded);
        },
        Qt::DirectConnection);
    QObject::connect(
        &loader, &RunLoader::mapLoaded, &loader,
        [&](std::shared_ptr<const LoadedMap> map, std::uint64_t) {
            const std::lock_guard lock(mutex);
            maps.push_back({map->overviewStep, !map->full.isNull(), onUserInterfaceThread()});
        },
        Qt::DirectConnection);
    QObject::connect(
        &loader, &RunLoader::inputLoaded, &loader,
        [&](std::shared_ptr<const LoadedInput> input, std::uint64_t) {
            const std::lock_guard lock(mutex);
            inputs.push_back({input->overviewStep, !input->full.isNull(), onUserInterfaceThread()});
        },
        Qt::DirectConnection);
    const auto locked = [&](auto condition) {
        return [&, condition] {
            const std::lock_guard lock(mutex);
            return condition();
        };
    };

    const std::uint64_t generation =
        loader.LoadSummary(QString::fromStdString(folder.file("wide_summary.json")));
    ASSERT_TRUE(ProcessEventsUntil(locked([&] { return summary != nullptr; })));
    loader.LoadMap(summary, 0, generation);
    loader.LoadInput(summary, generation);
    ASSERT_TRUE(ProcessEventsUntil(locked([&] { return maps.size() == 2 && inputs.size() == 2; })));
    for (const std::vector<Delivery>* deliveries : {&maps, &inputs}) {
        EXPECT_EQ((*deliveries)[0].overviewStep, 3);
        EXPECT_FALSE((*deliveries)[0].full);
        EXPECT_TRUE((*deliveries)[1].full);
        for (const Delivery& delivery : *deliveries) EXPECT_FALSE(delivery.onUserInterfaceThread);
    }
}

}  // namespace
}  // namespace tavorin::shell
