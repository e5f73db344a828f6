#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include "shell/ClassMap.h"
#include "shell/MapLegend.h"
#include "shell/RasterImages.h"
#include "shell/RunSummaryFile.h"

namespace tavorin::shell {

// The input of an opened run, with its picture: a small overview first, then (in a second
// delivery of the same input) the full picture.
struct LoadedInput {
    std::shared_ptr<const std::vector<double>> bandData;  // band-sequential, for the readout
    int bands = 0;
    int lines = 0;
    int samples = 0;
    std::vector<LeftOutReason> leftOut;  // empty: none
    QImage overview;
    int overviewStep = 1;
    QImage full;  // null until the full picture is made
};

// One member's map, ready to be shown: first with its overview only, then with the full
// picture.
struct LoadedMap {
    int member = 0;
    QString path;
    ClassMap map;
    std::vector<int> legendOfLabel;         // the legend class of labels 0..255
    std::vector<ClassColour> labelColours;  // the colour labels 0..255 are drawn in
    MapLegend legend;
    QImage overview;
    int overviewStep = 1;
    QImage full;  // null until the full picture is made
};

enum class MapExportFormat { GeoTiff, Png };

// Reads an opened run's files on worker threads and hands every result to the user-interface
// thread by queued signals (connect them with Qt::QueuedConnection or from an object living
// on that thread). Every request carries the generation it belongs to; opening another run
// makes the older requests stale, and they stop at their next step.
class RunLoader : public QObject {
    Q_OBJECT

  public:
    explicit RunLoader(QObject* parent = nullptr);
    ~RunLoader() override;  // waits for the running requests

    // Starts a new generation and reads the summary at `path`.
    std::uint64_t LoadSummary(const QString& path);
    // Reads the input of `summary` (of generation `generation`).
    void LoadInput(std::shared_ptr<const RunSummaryFile> summary, std::uint64_t generation);
    // Reads member `member`'s map; a newer map request makes an older one stale.
    void LoadMap(std::shared_ptr<const RunSummaryFile> summary, int member,
                 std::uint64_t generation);
    // Writes the shown map as a GeoTIFF (with its ".aux.xml") or a PNG at `path`.
    void ExportMap(std::shared_ptr<const LoadedMap> map, const QString& path,
                   MapExportFormat format);
    // Makes every request stale.
    void Cancel();

  signals:
    void summaryLoaded(std::shared_ptr<const RunSummaryFile> summary, std::uint64_t generation);
    void summaryFailed(QString path, QString message, std::uint64_t generation);
    void inputLoaded(std::shared_ptr<const LoadedInput> input, std::uint64_t generation);
    void inputFailed(QString message, std::uint64_t generation);
    void mapLoaded(std::shared_ptr<const LoadedMap> map, std::uint64_t generation);
    void mapFailed(int member, QString message, std::uint64_t generation);
    void exportFinished(bool written, QString message);

  private:
    bool IsStale(std::uint64_t generation) const { return generation != generation_.load(); }

    std::atomic<std::uint64_t> generation_{0};
    std::atomic<std::uint64_t> mapRequest_{0};
    QThreadPool pool_;
};

}  // namespace tavorin::shell
