#include "mpi/MpiSlices.h"

#include <sys/resource.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

namespace tavorin::mpi {
namespace {

template <class T>
void appendValue(std::vector<unsigned char>& bytes, const T& value) {
    const auto* from = reinterpret_cast<const unsigned char*>(&value);
    bytes.insert(bytes.end(), from, from + sizeof(T));
}

// Reads the values of a message in the order they were appended.
class ByteReader {
  public:
    explicit ByteReader(std::span<const unsigned char> bytes) : bytes_(bytes) {}
    template <class T>
    T next() {
        if (at_ + sizeof(T) > bytes_.size()) throw std::runtime_error("a message too short");
        T value;
        std::memcpy(&value, bytes_.data() + at_, sizeof(T));
        at_ += sizeof(T);
        return value;
    }

  private:
    std::span<const unsigned char> bytes_;
    std::size_t at_ = 0;
};

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void SendCommand(Channel& channel, Command command, long long count, long long argument) {
    CommandHeader header{static_cast<long long>(command), count, argument};
    channel.Broadcast(header);
}

std::vector<unsigned char> SummaryBytes(const SliceSummary& summary) {
    std::vector<unsigned char> bytes;
    appendValue(bytes, summary.searched);
    appendValue(bytes, summary.nodata);
    appendValue(bytes, summary.nonFinite);
    appendValue(bytes, static_cast<long long>(summary.bounds.lower.size()));
    for (const double value : summary.bounds.lower) appendValue(bytes, value);
    for (const double value : summary.bounds.upper) appendValue(bytes, value);
    appendValue(bytes, static_cast<long long>(summary.error.size()));
    bytes.insert(bytes.end(), summary.error.begin(), summary.error.end());
    return bytes;
}

SliceSummary SummaryFromBytes(std::span<const unsigned char> bytes) {
    ByteReader reader(bytes);
    SliceSummary summary;
    summary.searched = reader.next<long long>();
    summary.nodata = reader.next<long long>();
    summary.nonFinite = reader.next<long long>();
    const auto bands = static_cast<std::size_t>(reader.next<long long>());
    for (std::size_t b = 0; b < bands; ++b) summary.bounds.lower.push_back(reader.next<double>());
    for (std::size_t b = 0; b < bands; ++b) summary.bounds.upper.push_back(reader.next<double>());
    const auto length = static_cast<std::size_t>(reader.next<long long>());
    for (std::size_t i = 0; i < length; ++i) summary.error.push_back(reader.next<char>());
    return summary;
}

void MpiLink::SetPlaces(std::vector<long long> places) { places_ = std::move(places); }

void MpiLink::StartBatch() { batchStart_ = secondsNow(); }

void MpiLink::EndBatch() {
    if (batchStart_ < 0.0) return;
    ++times_.batches;
    times_.batchSeconds += secondsNow() - batchStart_;
    batchStart_ = -1.0;
}

MpiLink::Times MpiLink::times() {
    // Process 0's last batch ended with its last finished sums.
    if (batchStart_ >= 0.0 && lastFinished_ >= batchStart_) {
        ++times_.batches;
        times_.batchSeconds += lastFinished_ - batchStart_;
        batchStart_ = -1.0;
    }
    return times_;
}

std::string MpiLink::TimesText() {
    const Times t = times();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    char text[240];
    std::snprintf(text, sizeof text,
                  "process %d of %d: %lld batches, %.3f s in them (%.3f ms a batch), waiting "
                  "%.1f %% of that; peak memory %.0f MiB",
                  channel_.rank(), channel_.size(), t.batches, t.batchSeconds,
                  t.batches > 0 ? 1000.0 * t.batchSeconds / static_cast<double>(t.batches) : 0.0,
                  t.batchSeconds > 0.0 ? 100.0 * t.waitSeconds / t.batchSeconds : 0.0,
                  static_cast<double>(usage.ru_maxrss) / 1024.0);
    return text;
}

void MpiLink::ShareBatch(const double* const* centres, std::size_t count, std::size_t values) {
    times();
    StartBatch();
    channel_.FinishSends();
    SendCommand(channel_, Command::Evaluate, static_cast<long long>(count * values),
                static_cast<long long>(values));
    std::vector<double> all;
    all.reserve(count * values);
    for (std::size_t s = 0; s < count; ++s) all.insert(all.end(), centres[s], centres[s] + values);
    channel_.Broadcast(std::span<double>(all));
}

void MpiLink::TakeSums(std::span<double> sums) {
    const double start = secondsNow();
    channel_.Receive(sums, channel_.rank() - 1, kSumsTag);
    times_.waitSeconds += secondsNow() - start;
}

void MpiLink::PassSums(std::span<const double> sums) {
    const bool last = channel_.rank() == channel_.size() - 1;
    channel_.SendLater(std::vector<double>(sums.begin(), sums.end()),
                       last ? 0 : channel_.rank() + 1, last ? kFinishedTag : kSumsTag);
}

void MpiLink::FinishedSums(std::span<double> sums) {
    const double start = secondsNow();
    channel_.Receive(sums, channel_.size() - 1, kFinishedTag);
    lastFinished_ = secondsNow();
    times_.waitSeconds += lastFinished_ - start;
}

void MpiLink::GatherPixelSamples(std::span<const long long> pixels, int bands,
                                 std::span<double> samples) {
    SendCommand(channel_, Command::Pixels, static_cast<long long>(pixels.size()), bands);
    std::vector<long long> asked(pixels.begin(), pixels.end());
    channel_.Broadcast(std::span<long long>(asked));
    for (int process = 1; process < channel_.size(); ++process) {
        const auto index = static_cast<std::size_t>(process);
        const std::vector<unsigned char> bytes = channel_.ReceiveBytes(process);
        std::vector<double> answer(bytes.size() / sizeof(double));
        std::memcpy(answer.data(), bytes.data(), answer.size() * sizeof(double));
        PlacePixelSamples(pixels, places_[index], places_[index + 1], bands, answer, samples);
    }
}

void MpiSlices::StartReading() { SendCommand(channel_, Command::Read); }

void MpiSlices::appendFromOthers(std::vector<unsigned char>& gathered) {
    for (int process = 1; process < channel_.size(); ++process) {
        const std::vector<unsigned char> bytes = channel_.ReceiveBytes(process);
        gathered.insert(gathered.end(), bytes.begin(), bytes.end());
    }
}

std::vector<SliceSummary> MpiSlices::GatherSummaries(const SliceSummary& own) {
    std::vector<SliceSummary> summaries{own};
    for (int process = 1; process < channel_.size(); ++process) {
        summaries.push_back(SummaryFromBytes(channel_.ReceiveBytes(process)));
    }
    return summaries;
}

void MpiSlices::Begin(std::span<const long long> searchedBefore, long long searched) {
    std::vector<long long> places(searchedBefore.begin(), searchedBefore.end());
    places.push_back(searched);
    SendCommand(channel_, Command::Begin, static_cast<long long>(places.size()));
    channel_.Broadcast(std::span<long long>(places));
    link_.SetPlaces(std::move(places));
}

std::vector<std::uint8_t> MpiSlices::GatherSearched(std::span<const std::uint8_t> own) {
    SendCommand(channel_, Command::Searched);
    std::vector<unsigned char> searched(own.begin(), own.end());
    appendFromOthers(searched);
    return {searched.begin(), searched.end()};
}

void MpiSlices::GatherLabels(const CSolution& solution, std::span<const unsigned char> own,
                             unsigned char* labels) {
    SendCommand(channel_, Command::Label, static_cast<long long>(solution.centres.size()));
    std::vector<double> centres = solution.centres;
    channel_.Broadcast(std::span<double>(centres));
    std::memcpy(labels, own.data(), own.size());
    std::size_t at = own.size();
    for (int process = 1; process < channel_.size(); ++process) {
        const std::vector<unsigned char> bytes = channel_.ReceiveBytes(process);
        std::memcpy(labels + at, bytes.data(), bytes.size());
        at += bytes.size();
    }
}

std::vector<unsigned char> MpiSlices::GatherBand(int band, std::span<const unsigned char> own) {
    SendCommand(channel_, Command::Band, 0, band);
    std::vector<unsigned char> gathered(own.begin(), own.end());
    appendFromOthers(gathered);
    return gathered;
}

void MpiSlices::Stop(int status) {
    channel_.FinishSends();
    SendCommand(channel_, Command::Stop, 0, status);
}

}  // namespace tavorin::mpi
