#include "mpi/SliceWorker.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <stdexcept>

#include "cli/ClassifyOptions.h"
#include "driver/SliceProcess.h"
#include "mpi/MpiSlices.h"

namespace tavorin::mpi {
namespace {

template <class T>
std::vector<T> receivePayload(Channel& channel, long long count) {
    std::vector<T> values(static_cast<std::size_t>(count));
    channel.Broadcast(std::span<T>(values));
    return values;
}

std::span<const unsigned char> bytesOf(const std::vector<double>& values) {
    return {reinterpret_cast<const unsigned char*>(values.data()), values.size() * sizeof(double)};
}

}  // namespace

int RunSliceWorker(const std::vector<std::string>& arguments, Channel& channel, bool timesReport) {
    const cli::ClassifyCommandLine commandLine = cli::ParseClassifyOptions(arguments);
    SliceProcess process(commandLine.parameters, commandLine.options, channel.rank(),
                         channel.size());
    // A process may be given less (or more) memory for the terms it computes ahead.
    if (const char* bytes = std::getenv("TAVORIN_MPI_TERMS_AHEAD")) {
        process.termsAheadBytes = std::atoll(bytes);
    }
    MpiLink link(channel);
    for (;;) {
        CommandHeader header;
        channel.Broadcast(header);
        switch (static_cast<Command>(header.command)) {
            case Command::Read:
                channel.SendBytes(SummaryBytes(process.Read()), 0);
                break;
            case Command::Begin: {
                std::vector<long long> places = receivePayload<long long>(channel, header.count);
                process.Begin(places, link);
                link.SetPlaces(std::move(places));
                break;
            }
            case Command::Searched:
                channel.SendBytes(process.Searched(), 0);
                break;
            case Command::Evaluate: {
                const std::vector<double> centres = receivePayload<double>(channel, header.count);
                link.StartBatch();
                process.Evaluate(centres, static_cast<std::size_t>(header.argument));
                link.EndBatch();
                channel.FinishSends();
                break;
            }
            case Command::Pixels:
                channel.SendBytes(
                    bytesOf(process.Samples(receivePayload<long long>(channel, header.count))), 0);
                break;
            case Command::Label:
                channel.SendBytes(process.Labels(receivePayload<double>(channel, header.count)), 0);
                break;
            case Command::Band:
                channel.SendBytes(process.Band(static_cast<int>(header.argument)), 0);
                break;
            case Command::Stop:
                channel.FinishSends();
                if (timesReport)
                    std::fprintf(stderr, "tavorin-mpi: %s\n", link.TimesText().c_str());
                return static_cast<int>(header.argument);
            default:
                throw std::runtime_error("an unknown command from process 0");
        }
    }
}

}  // namespace tavorin::mpi
