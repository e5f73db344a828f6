#pragma once

#include <cstdint>
#include <memory>

#include <QString>
#include <QWidget>

#include "shell/RunLoader.h"

class QLabel;
class QPushButton;
class QSlider;
class QStackedLayout;
class QTableWidget;

namespace tavorin::shell {

class FrontPlotWidget;
class MapView;

// The main window's view: empty until a run is opened; then the front plot with the members
// that cannot be placed listed beside it, the list of members, the selected member's map over
// the input with its opacity, and the map's legend. Every file is read by a RunLoader off the
// user-interface thread; the view shows each part as it arrives.
class ResultsView : public QWidget {
    Q_OBJECT

  public:
    explicit ResultsView(QWidget* parent = nullptr);
    ~ResultsView() override;

    // Shows the run of the summary at `path` (the view reports when it cannot).
    void OpenRun(const QString& path);
    // Back to the empty view.
    void Clear();

    bool HasRun() const { return summary_ != nullptr; }
    // Whether the summary, the input or the selected map is still being read.
    bool IsLoading() const;
    int selectedMember() const { return selected_; }
    // Shows member `member`'s map and highlights it in the plot and the list.
    void SelectMember(int member);
    // Writes the shown map (its full resolution) to `path`; reports when done.
    bool ExportShownMap(const QString& path, MapExportFormat format);
    bool HasShownMap() const { return shownMap_ != nullptr && !shownMap_->full.isNull(); }

    const RunSummaryFile* summary() const { return summary_.get(); }
    const LoadedMap* shownMap() const { return shownMap_.get(); }
    const LoadedInput* input() const { return input_.get(); }
    FrontPlotWidget* frontPlot() const { return frontPlot_; }
    QTableWidget* memberTable() const { return memberTable_; }
    QTableWidget* legendTable() const { return legendTable_; }
    QLabel* notPlottedLabel() const { return notPlotted_; }
    QLabel* parametersLabel() const { return parameters_; }
    MapView* mapView() const { return mapView_; }
    QSlider* opacitySlider() const { return opacity_; }

  signals:
    // The text for the status bar about the pixel under the cursor; empty when it left.
    void pixelText(const QString& text);
    // The summary at `path` was read and is shown.
    void runShown(const QString& path);
    // The summary at `path` could not be read (the message was shown).
    void runFailed(const QString& path);
    void loadingFinished();
    void shownMapChanged();
    void exportFinished(bool written, const QString& message);

  private:
    void CreateWidgets();
    void ShowSummary(std::shared_ptr<const RunSummaryFile> summary, std::uint64_t generation);
    void ShowInput(std::shared_ptr<const LoadedInput> input, std::uint64_t generation);
    void ShowMap(std::shared_ptr<const LoadedMap> map, std::uint64_t generation);
    void ShowMapFailure(int member, const QString& message, std::uint64_t generation);
    void ShowInputFailure(const QString& message, std::uint64_t generation);
    void ShowSummaryFailure(const QString& path, const QString& message, std::uint64_t generation);
    void FillLegend();
    void StepMember(int step);
    void ReportPixel(int line, int sample);
    void CheckLoadingFinished();

    RunLoader* loader_ = nullptr;
    std::uint64_t generation_ = 0;
    std::shared_ptr<const RunSummaryFile> summary_;
    std::shared_ptr<const LoadedInput> input_;
    std::shared_ptr<const LoadedMap> shownMap_;
    int selected_ = -1;
    bool summaryPending_ = false;
    bool inputPending_ = false;
    bool mapPending_ = false;
    bool updatingSelection_ = false;

    QStackedLayout* pages_ = nullptr;
    FrontPlotWidget* frontPlot_ = nullptr;
    QLabel* notPlotted_ = nullptr;
    QLabel* parameters_ = nullptr;
    QTableWidget* memberTable_ = nullptr;
    MapView* mapView_ = nullptr;
    QSlider* opacity_ = nullptr;
    QPushButton* fit_ = nullptr;
    QTableWidget* legendTable_ = nullptr;
};

}  // namespace tavorin::shell
