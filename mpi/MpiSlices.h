#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "clustering/SliceLink.h"
#include "driver/PixelSlices.h"
#include "mpi/MpiChannel.h"

namespace tavorin::mpi {

// The evaluation's link between the slices over MPI, the same on every process: sums arrive
// from the process before and leave for the next; the last passes them to process 0.
class MpiLink : public SliceLink {
  public:
    explicit MpiLink(Channel& channel) : channel_(channel) {}

    int processCount() const override { return channel_.size(); }
    void ShareBatch(const double* const* centres, std::size_t count, std::size_t values) override;
    void TakeSums(std::span<double> sums) override;
    void PassSums(std::span<const double> sums) override;
    void FinishedSums(std::span<double> sums) override;
    void GatherPixelSamples(std::span<const long long> pixels, int bands,
                            std::span<double> samples) override;

    // Where each process's searched pixels begin among all, and last how many there are.
    void SetPlaces(std::vector<long long> places);

    // The pipeline's times on this process: batches, their wall time, and the part of it spent
    // waiting for sums from another process.
    struct Times {
        long long batches = 0;
        double batchSeconds = 0.0;
        double waitSeconds = 0.0;
    };
    // Marks a batch's start and end on this process (process 0's batches end with their last
    // finished sums, which the link notices itself).
    void StartBatch();
    void EndBatch();
    Times times();
    // "process R of N: B batches, S s in them (M ms a batch), waiting W % of that; peak memory
    // P MiB".
    std::string TimesText();

  private:
    Channel& channel_;
    Times times_;
    double batchStart_ = -1.0;
    double lastFinished_ = -1.0;
    std::vector<long long> places_;
};

// Process 0's view of the other processes: commands broadcast, answers gathered in process
// order.
class MpiSlices : public PixelSlices {
  public:
    explicit MpiSlices(Channel& channel) : channel_(channel), link_(channel) {}

    int processCount() const override { return channel_.size(); }
    void StartReading() override;
    std::vector<SliceSummary> GatherSummaries(const SliceSummary& own) override;
    void Begin(std::span<const long long> searchedBefore, long long searched) override;
    std::vector<std::uint8_t> GatherSearched(std::span<const std::uint8_t> own) override;
    void GatherLabels(const CSolution& solution, std::span<const unsigned char> own,
                      unsigned char* labels) override;
    std::vector<unsigned char> GatherBand(int band, std::span<const unsigned char> own) override;
    SliceLink& link() override { return link_; }
    MpiLink& mpiLink() { return link_; }

    // Ends every other process with the exit status `status`.
    void Stop(int status);

  private:
    // Appends what every other process sends, in process order, to `gathered`.
    void appendFromOthers(std::vector<unsigned char>& gathered);

    Channel& channel_;
    MpiLink link_;
};

// Broadcasts a command of process 0 to every other process.
void SendCommand(Channel& channel, Command command, long long count = 0, long long argument = 0);

// A slice's summary as the bytes of one message, and back.
std::vector<unsigned char> SummaryBytes(const SliceSummary& summary);
SliceSummary SummaryFromBytes(std::span<const unsigned char> bytes);

}  // namespace tavorin::mpi
