#pragma once

#include <mpi.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tavorin::mpi {

// What process 0 asks the other processes to do, in the order of a run.
enum class Command : long long {
    Read = 1,  // read your slice and send its summary
    Begin,     // payload: the searched pixels before each slice and in all
    Searched,  // send your slice's searched flags
    Evaluate,  // payload: a batch's centres; continue its sums
    Pixels,    // payload: pixel indices; send the samples of yours
    Label,     // payload: one solution's centres; send your slice's labels
    Band,      // send band `argument` of your searched pixels
    Stop,      // end with the exit status `argument`
};

struct CommandHeader {
    long long command = 0;
    long long count = 0;     // payload values
    long long argument = 0;  // values a solution, a band, an exit status
};

// Message tags of the point-to-point messages.
inline constexpr int kSumsTag = 1;      // running sums, slice to slice
inline constexpr int kFinishedTag = 2;  // finished sums, last slice to process 0
inline constexpr int kGatherTag = 3;    // anything gathered on process 0

// The messages of one process of a split run over one communicator. Every wait polls, so that
// a process asked to stop (SIGINT, SIGTERM, which mpirun sends when another process dies)
// leaves its wait with platform::RunInterrupted instead of blocking for ever.
class Channel {
  public:
    Channel(MPI_Comm communicator, const std::atomic<int>& interruption);
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    int rank() const { return rank_; }
    int size() const { return size_; }

    // From process 0 to every other: a command and its payload.
    void Broadcast(CommandHeader& header);
    void Broadcast(std::span<double> values);
    void Broadcast(std::span<long long> values);

    void Send(std::span<const double> values, int to, int tag);
    void Receive(std::span<double> values, int from, int tag);
    // Any number of bytes (also more than an int counts), as a count and then pieces.
    void SendBytes(std::span<const unsigned char> bytes, int to);
    std::vector<unsigned char> ReceiveBytes(int from);
    // Sends that may still be on their way; their buffers are kept until they have left.
    void SendLater(std::vector<double> values, int to, int tag);
    void FinishSends();

  private:
    void Wait(MPI_Request& request);
    // Broadcasts `count` values of `valueBytes` bytes each from process 0, in pieces whose
    // counts fit an int.
    void BroadcastPieces(void* data, std::size_t count, std::size_t valueBytes, MPI_Datatype type);

    MPI_Comm communicator_;
    const std::atomic<int>& interruption_;
    int rank_ = 0;
    int size_ = 1;
    std::vector<MPI_Request> pending_;
    std::vector<std::vector<double>> pendingValues_;
};

}  // namespace tavorin::mpi
