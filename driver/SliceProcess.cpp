#include "driver/SliceProcess.h"

#include <optional>
#include <utility>

#include "driver/InputStage.h"
#include "platform/UserError.h"

namespace tavorin {

SliceProcess::SliceProcess(RunParameters parameters, RunOptions options, int process, int processes)
    : parameters_(std::move(parameters)),
      options_(options),
      process_(process),
      processes_(processes) {}

SliceSummary SliceProcess::Read() {
    try {
        description_ = DescribeInputImage(parameters_.inputPath);
    } catch (const UserError& error) {
        SliceSummary refused;
        refused.error = error.what();
        return refused;
    }
    return ReadSlice(description_,
                     ApplyNodataRule(options_.nodata, description_.bandNodata, description_.bands),
                     process_, processes_, slice_);
}

void SliceProcess::Begin(std::span<const long long> places, SliceLink& link) {
    searchedBefore_ = places[static_cast<std::size_t>(process_)];
    EvaluationImage image{std::make_shared<const BandSamples>(std::move(slice_.bandData)),
                          slice_.searched(), description_.bands, parameters_.clusterNumber,
                          places.back()};
    evaluator_ = std::make_unique<Evaluator>(std::move(image), options_.threads);
    evaluator_->SetSliceLink(&link);
    evaluator_->termsAheadBytes = termsAheadBytes;
}

std::vector<std::uint8_t> SliceProcess::Searched() const { return SearchedFlags(slice_); }

void SliceProcess::Evaluate(std::span<const double> centres, std::size_t values) const {
    std::vector<const double*> solutions;
    for (std::size_t at = 0; at + values <= centres.size(); at += values) {
        solutions.push_back(centres.data() + at);
    }
    evaluator_->ContinueBatch(solutions.data(), solutions.size());
}

std::vector<double> SliceProcess::Samples(std::span<const long long> pixels) const {
    std::vector<long long> own;
    for (const long long pixel : pixels) {
        const long long local = pixel - searchedBefore_;
        if (local >= 0 && local < evaluator_->image().pixelCount) own.push_back(local);
    }
    return evaluator_->HeldPixelSamples(own);
}

std::vector<unsigned char> SliceProcess::Labels(std::vector<double> centres) const {
    CSolution solution;
    solution.centres = std::move(centres);
    std::vector<unsigned char> labels(static_cast<std::size_t>(slice_.imagePixels));
    SliceLabels(slice_, *evaluator_, solution, labels.data());
    return labels;
}

std::vector<unsigned char> SliceProcess::Band(int band) const {
    const EvaluationImage& image = evaluator_->image();
    const std::size_t bandBytes =
        static_cast<std::size_t>(image.pixelCount) * SampleBytes(image.bandData->type());
    const auto* first = static_cast<const unsigned char*>(image.bandData->data()) +
                        static_cast<std::size_t>(band) * bandBytes;
    return {first, first + bandBytes};
}

}  // namespace tavorin
