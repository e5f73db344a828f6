#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

namespace tavorin::shell {

// One class of a member's map as its run counted it.
struct SummaryClass {
    int label = 0;
    int legendClass = 0;
    long long pixels = 0;
    std::optional<double> hectares;
    std::optional<double> squareKilometres;
};

// One member of the final front as a run summary lists it.
struct SummaryMember {
    QString file;     // the map's name as the run wrote it
    QString mapPath;  // where it was found; empty when it is missing
    double xbIndex = 0.0;
    double jm = 0.0;
    // The legend class of labels 1..K (one land cover, one class across the front); empty when
    // the summary gives none, and every label is its own class.
    std::vector<int> legend;
    std::vector<SummaryClass> classes;  // empty when the summary gives none
};

// The ground size of one pixel.
struct PixelArea {
    double x = 0.0;
    double y = 0.0;
    QString units;
};

// What the results view takes from a run's "<output>_summary.json".
struct RunSummaryFile {
    QString path;
    QString inputPath;          // the input as the run named it
    QString resolvedInputPath;  // where it was found; empty when it is missing
    int samples = 0;
    int lines = 0;
    int bands = 0;
    int clusterNumber = 0;
    int popSize = 0;
    int iGenerations = 0;
    double fls = 0.0;
    std::optional<std::uint32_t> seed;
    std::vector<std::optional<double>> nodataValues;  // one a band, or none
    std::vector<SummaryMember> front;                 // in the order of "FinalPF.txt"
    std::optional<int> recommended;                   // an index into `front`
    std::optional<int> bestXieBeni;                   // an index into `front`
    std::optional<PixelArea> pixelArea;
    QStringList missingFiles;  // the input and maps named by the summary but not found
};

// Reads a run summary and looks for the files it names: as written, then beside the summary
// (a run started elsewhere names them relative to its own folder). Throws UserError naming the
// file when it cannot be read or is no run summary.
RunSummaryFile ReadRunSummaryFile(const QString& path);

// Whether File Open treats `path` as a run summary.
bool IsRunSummaryPath(const QString& path);

}  // namespace tavorin::shell
