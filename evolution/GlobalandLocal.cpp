#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "evolution/CMemeticClustering.h"
#include "evolution/LocalSearchStep.h"
#include "platform/Clock.h"
#include "platform/NumberText.h"
#include "platform/TextFile.h"
#include "platform/UserInterface.h"

namespace tavorin {
namespace {

constexpr double kMinutesPerSecond = 0.016666666666666666;

double minutesBetween(std::int64_t fromTicks, std::int64_t toTicks) {
    return platform::secondsBetween(fromTicks, toTicks) * kMinutesPerSecond;
}

// The logs are diagnostic: one that cannot be opened is reported and the search goes on.
void openLog(platform::IUserInterface& ui, platform::TextFile& log, const std::string& name,
             platform::TextFile::Mode mode) {
    if (!log.Open(name, mode)) {
        ui.ShowMessage("Cannot open the run log \"" + name + "\"; the search goes on without it.",
                       platform::MessageKind::Error);
    }
}

void closeLog(platform::IUserInterface& ui, platform::TextFile& log) {
    if (!log.IsOpen()) return;
    if (!log.Close()) {
        ui.ShowMessage("Cannot write the whole run log \"" + log.path() + "\".",
                       platform::MessageKind::Error);
    }
}

}  // namespace

void CMemeticClustering::GlobalandLocal(LocalSearchStep& localSearch) {
    using platform::TextFile;
    std::vector<double> pLS(4, 0.25);
    std::vector<int> LS_count(4, 0);
    std::vector<double> AS(4, 0.0);
    std::vector<int> lsMask(static_cast<std::size_t>(popSize), 0);
    const double localSearchFrequency = run_.globals.FLS;
    platform::IUserInterface& ui = run_.ui;

    TextFile nonDominatedLog;
    if (run_.writeRunLogs) {
        openLog(ui, nonDominatedLog, "nNonDominated.txt", TextFile::Mode::Truncate);
    }
    nonDominatedLog.Write("The number of non-dominated solution in PF for each generation\n");
    const std::int64_t start = platform::tickMilliseconds();
    TextFile timeLog;
    TextFile paramLog;
    if (run_.writeRunLogs) {
        openLog(ui, timeLog, "ComputingTime.txt", TextFile::Mode::Append);
        openLog(ui, paramLog, "ParamterOfLS.txt", TextFile::Mode::Append);
    }
    paramLog.Write(
        "the parameters in Local search including LS_count, AS, pLS\n"
        "LS_count(1-4)\t\t\t\t\t\t\tAS(1-4)\t\t\t\t\t\tpLS(1-4\n");

    std::optional<platform::ProgressWindow> progress;
    progress.emplace(ui, "QUELDRA_GlobalandLocal", 0, iGenerations + 2, 1);

    for (int g = 0; g < iGenerations; ++g) {
        run_.ThrowIfInterrupted();
        progress->Step();
        if (g == iGenerations / 2) progress->Step();

        int frontSize = 0;
        for (const CSolution& member : population) {
            if (member.rank == 0) ++frontSize;
        }
        nonDominatedLog.Write(platform::formatInt(frontSize) + "\n");
        nonDominatedLog.Flush();

        timeLog.Write("\n\ncurrent generation=" + platform::formatInt(g) + "\n");
        const std::int64_t t0 = platform::tickMilliseconds();
        DE_MuCr();
        const std::int64_t t1 = platform::tickMilliseconds();
        timeLog.Write("DE_MuCr_time=" + platform::formatFixed(platform::secondsBetween(t0, t1)) +
                      " seconds\n");
        Pareto_Rank();
        const std::int64_t t2 = platform::tickMilliseconds();
        timeLog.Write("Pareto_Rank_time=" +
                      platform::formatFixed(platform::secondsBetween(t1, t2)) + " seconds\n");
        eval_dens();
        const std::int64_t t3 = platform::tickMilliseconds();
        timeLog.Write("eval_dens_time=" + platform::formatFixed(platform::secondsBetween(t2, t3)) +
                      " seconds\n");

        for (int i = 0; i < popSize; ++i) {
            lsMask[static_cast<std::size_t>(i)] = 0;
            if (run_.random.rand01() < localSearchFrequency)
                lsMask[static_cast<std::size_t>(i)] = 1;
        }
        localSearch.LocalSearch(population, lsMask, pLS, LS_count, AS, timeLog, paramLog);
        const std::int64_t t4 = platform::tickMilliseconds();
        timeLog.Write("LS_time=" + platform::formatFixed(minutesBetween(t3, t4)) + " minutes\n");
    }

    progress.reset();
    const std::int64_t end = platform::tickMilliseconds();
    timeLog.Write(platform::formatFixed(minutesBetween(start, end)) + " minutes\n");
    closeLog(ui, nonDominatedLog);
    closeLog(ui, timeLog);
    closeLog(ui, paramLog);
}

}  // namespace tavorin
