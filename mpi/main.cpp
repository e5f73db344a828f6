#include <mpi.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "mpi/MpiChannel.h"
#include "mpi/MpiSlices.h"
#include "mpi/SliceWorker.h"
#include "platform/Interruption.h"

namespace {

void PrintUsage(std::FILE* stream) {
    std::fputs(
        "Usage: mpirun -np R tavorin-mpi classify [options]\n"
        "\n"
        "The classification of 'tavorin classify', its pixels split among R processes: each\n"
        "reads and evaluates one slice of the image's lines, process 0 runs the search and\n"
        "writes every result. The files are byte for byte those of 'tavorin classify'.\n"
        "\n"
        "Run 'tavorin-mpi classify --help' for the options.\n",
        stream);
}

// Ends every process of the job: after a failure or an interruption the others may be
// waiting on messages that never come.
[[noreturn]] void AbortJob(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    MPI_Abort(MPI_COMM_WORLD, status == 0 ? 1 : status);
    std::_Exit(status);
}

// Set in the environment, every process prints its pipeline times when the run ends.
bool TimesReportAsked() {
    const char* value = std::getenv("TAVORIN_MPI_TIMES");
    return value != nullptr && *value != '\0' && std::string(value) != "0";
}

int RunProcess(const std::vector<std::string>& arguments, const std::atomic<int>& interruption) {
    tavorin::mpi::Channel channel(MPI_COMM_WORLD, interruption);
    const bool timesReport = TimesReportAsked();
    if (channel.rank() != 0) {
        return tavorin::mpi::RunSliceWorker(arguments, channel, timesReport);
    }
    tavorin::mpi::MpiSlices slices(channel);
    const int status = tavorin::cli::RunClassifyCommand(arguments, &slices);
    // An interrupted run may have left the others mid-message.
    if (interruption.load() != 0) AbortJob(status);
    slices.Stop(status);
    if (timesReport && channel.size() > 1) {
        std::fprintf(stderr, "tavorin-mpi: %s\n", slices.mpiLink().TimesText().c_str());
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // The evaluation's threads never call MPI; only the main thread sends and receives.
    int provided = 0;
    MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided);
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    const std::atomic<int>& interruption = tavorin::platform::InstallInterruptionHandlers();

    const std::string command = argc >= 2 ? argv[1] : "";
    if (command != "classify") {
        const bool help = command == "--help" || command == "-h" || command == "help";
        if (rank == 0) {
            if (command == "--version") {
                std::printf("%s\n", "tavorin-mpi " TAVORIN_VERSION);
            } else {
                if (!help && !command.empty()) {
                    std::fprintf(stderr, "tavorin-mpi: unknown command '%s'\n\n", command.c_str());
                }
                PrintUsage(help ? stdout : stderr);
            }
        }
        MPI_Finalize();
        return help || command == "--version" ? 0 : 2;
    }

    const std::vector<std::string> arguments(argv + 2, argv + argc);
    int status = 0;
    try {
        status = RunProcess(arguments, interruption);
    } catch (const tavorin::platform::RunInterrupted&) {
        AbortJob(128 + interruption.load());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tavorin-mpi: process %d: %s\n", rank, error.what());
        AbortJob(1);
    }
    MPI_Finalize();
    return status;
}
