#include "mpi/SliceWorker.h"

#include <cstddef>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <stdexcept>
#include <utility>

#include "cli/ClassifyOptions.h"
#include "clustering/Evaluator.h"
#include "driver/InputStage.h"
#include "driver/PixelSlices.h"
#include "mpi/MpiSlices.h"
#include "platform/UserError.h"

namespace tavorin::mpi {
namespace {

// What one process holds of the run: its slice and, once process 0 has placed the slices,
// the evaluation of its pixels.
struct WorkerState {
    cli::ClassifyCommandLine commandLine;
    CEnviImage description;
    SliceInput slice;
    std::unique_ptr<Evaluator> evaluator;
    long long searchedBefore = 0;
};

SliceSummary readSlice(WorkerState& state, int process, int processes) {
    SliceSummary summary;
    try {
        const RunParameters& parameters = state.commandLine.parameters;
        state.description = DescribeInputImage(parameters.inputPath);
        const std::vector<std::optional<double>> bandNodata =
            ApplyNodataRule(state.commandLine.options.nodata, state.description.bandNodata,
                            state.description.bands);
        state.slice = ReadSliceInput(
            state.description, OwnLines(state.description.lines, process, processes), bandNodata);
        summary = SummaryOf(state.slice, state.description.bands);
    } catch (const UserError& error) {
        summary.error = error.what();
    } catch (const std::bad_alloc&) {
        summary.error = "Not enough memory for this image and these parameters.";
    }
    return summary;
}

void begin(WorkerState& state, MpiLink& link, Channel& channel, std::size_t count) {
    std::vector<long long> places(count);
    channel.Broadcast(std::span<long long>(places));
    const long long searched = places.back();
    places.pop_back();
    state.searchedBefore = places.at(static_cast<std::size_t>(channel.rank()));
    link.SetPlaces(places, searched);
    EvaluationImage image{std::make_shared<const BandSamples>(std::move(state.slice.bandData)),
                          state.slice.searched(), state.description.bands,
                          state.commandLine.parameters.clusterNumber, searched};
    state.evaluator =
        std::make_unique<Evaluator>(std::move(image), state.commandLine.options.threads);
    state.evaluator->SetSliceLink(&link);
}

std::vector<double> receiveValues(Channel& channel, long long count) {
    std::vector<double> values(static_cast<std::size_t>(count));
    channel.Broadcast(std::span<double>(values));
    return values;
}

void evaluate(const WorkerState& state, Channel& channel, const CommandHeader& header) {
    const std::vector<double> centres = receiveValues(channel, header.count);
    const auto values = static_cast<std::size_t>(header.argument);
    std::vector<const double*> solutions;
    for (std::size_t at = 0; at < centres.size(); at += values) solutions.push_back(&centres[at]);
    state.evaluator->ContinueBatch(solutions.data(), solutions.size());
    channel.FinishSends();
}

// The samples of the asked pixels this slice holds, in the order asked.
void sendPixels(const WorkerState& state, Channel& channel, const CommandHeader& header) {
    std::vector<long long> asked(static_cast<std::size_t>(header.count));
    channel.Broadcast(std::span<long long>(asked));
    std::vector<long long> own;
    for (const long long pixel : asked) {
        const long long local = pixel - state.searchedBefore;
        if (local >= 0 && local < state.evaluator->image().pixelCount) own.push_back(local);
    }
    const std::vector<double> samples = state.evaluator->HeldPixelSamples(own);
    channel.SendBytes(
        {reinterpret_cast<const unsigned char*>(samples.data()), samples.size() * sizeof(double)},
        0);
}

void sendLabels(const WorkerState& state, Channel& channel, const CommandHeader& header) {
    CSolution solution;
    solution.centres = receiveValues(channel, header.count);
    std::vector<unsigned char> labels(static_cast<std::size_t>(state.slice.imagePixels));
    SliceLabels(state.slice, *state.evaluator, solution, labels.data());
    channel.SendBytes(labels, 0);
}

void sendBand(const WorkerState& state, Channel& channel, const CommandHeader& header) {
    const EvaluationImage& image = state.evaluator->image();
    const std::size_t bandBytes =
        static_cast<std::size_t>(image.pixelCount) * SampleBytes(image.bandData->type());
    const auto* first = static_cast<const unsigned char*>(image.bandData->data()) +
                        static_cast<std::size_t>(header.argument) * bandBytes;
    channel.SendBytes({first, bandBytes}, 0);
}

void sendSearched(const WorkerState& state, Channel& channel) {
    if (!state.slice.leftOut.searched.empty()) {
        channel.SendBytes(state.slice.leftOut.searched, 0);
        return;
    }
    const std::vector<unsigned char> all(static_cast<std::size_t>(state.slice.imagePixels), 1);
    channel.SendBytes(all, 0);
}

}  // namespace

int RunSliceWorker(const std::vector<std::string>& arguments, Channel& channel) {
    WorkerState state;
    state.commandLine = cli::ParseClassifyOptions(arguments);
    MpiLink link(channel);
    for (;;) {
        CommandHeader header;
        channel.Broadcast(header);
        switch (static_cast<Command>(header.command)) {
            case Command::Read:
                channel.SendBytes(SummaryBytes(readSlice(state, channel.rank(), channel.size())),
                                  0);
                break;
            case Command::Begin:
                begin(state, link, channel, static_cast<std::size_t>(header.count));
                break;
            case Command::Searched:
                sendSearched(state, channel);
                break;
            case Command::Evaluate:
                evaluate(state, channel, header);
                break;
            case Command::Pixels:
                sendPixels(state, channel, header);
                break;
            case Command::Label:
                sendLabels(state, channel, header);
                break;
            case Command::Band:
                sendBand(state, channel, header);
                break;
            case Command::Stop:
                channel.FinishSends();
                return static_cast<int>(header.argument);
            default:
                throw std::runtime_error("an unknown command from process 0");
        }
    }
}

}  // namespace tavorin::mpi
