#include "mpi/MpiChannel.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <thread>
#include <utility>

#include "platform/Interruption.h"

namespace tavorin::mpi {
namespace {

// Bytes of one piece of a large message: MPI counts are ints.
constexpr std::size_t kPieceBytes = std::size_t{1} << 30;

int countOf(std::size_t count) { return static_cast<int>(count); }

}  // namespace

Channel::Channel(MPI_Comm communicator, const std::atomic<int>& interruption)
    : interruption_(interruption) {
    MPI_Comm_dup(communicator, &communicator_);
    MPI_Comm_rank(communicator_, &rank_);
    MPI_Comm_size(communicator_, &size_);
}

Channel::~Channel() { MPI_Comm_free(&communicator_); }

void Channel::Wait(MPI_Request& request) {
    // Spins briefly, for the short waits between the slices of one batch; then yields the
    // core, which an oversubscribed machine gives to another process.
    int done = 0;
    for (int polls = 0;; ++polls) {
        MPI_Test(&request, &done, MPI_STATUS_IGNORE);
        if (done != 0) return;
        // The job then ends by MPI_Abort, which also ends the request.
        if (interruption_.load() != 0) throw platform::RunInterrupted();
        if (polls < 1000) {
            std::this_thread::yield();
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }
}

void Channel::Broadcast(CommandHeader& header) {
    long long values[3] = {header.command, header.count, header.argument};
    Broadcast(std::span<long long>(values));
    header = {values[0], values[1], values[2]};
}

void Channel::Broadcast(std::span<double> values) {
    BroadcastPieces(values.data(), values.size(), sizeof(double), MPI_DOUBLE);
}

void Channel::Broadcast(std::span<long long> values) {
    BroadcastPieces(values.data(), values.size(), sizeof(long long), MPI_LONG_LONG);
}

void Channel::BroadcastPieces(void* data, std::size_t count, std::size_t valueBytes,
                              MPI_Datatype type) {
    const std::size_t perPiece = kPieceBytes / valueBytes;
    for (std::size_t at = 0; at < count; at += perPiece) {
        MPI_Request request;
        MPI_Ibcast(static_cast<unsigned char*>(data) + at * valueBytes,
                   countOf(std::min(count - at, perPiece)), type, 0, communicator_, &request);
        Wait(request);
    }
}

void Channel::Send(std::span<const double> values, int to, int tag) {
    MPI_Request request;
    MPI_Isend(values.data(), countOf(values.size()), MPI_DOUBLE, to, tag, communicator_, &request);
    Wait(request);
}

void Channel::Receive(std::span<double> values, int from, int tag) {
    MPI_Request request;
    MPI_Irecv(values.data(), countOf(values.size()), MPI_DOUBLE, from, tag, communicator_,
              &request);
    Wait(request);
}

void Channel::SendBytes(std::span<const unsigned char> bytes, int to) {
    long long count = static_cast<long long>(bytes.size());
    MPI_Request request;
    MPI_Isend(&count, 1, MPI_LONG_LONG, to, kGatherTag, communicator_, &request);
    Wait(request);
    for (std::size_t at = 0; at < bytes.size(); at += kPieceBytes) {
        const std::size_t piece = std::min(bytes.size() - at, kPieceBytes);
        MPI_Isend(bytes.data() + at, countOf(piece), MPI_UNSIGNED_CHAR, to, kGatherTag,
                  communicator_, &request);
        Wait(request);
    }
}

std::vector<unsigned char> Channel::ReceiveBytes(int from) {
    long long count = 0;
    MPI_Request request;
    MPI_Irecv(&count, 1, MPI_LONG_LONG, from, kGatherTag, communicator_, &request);
    Wait(request);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(count));
    for (std::size_t at = 0; at < bytes.size(); at += kPieceBytes) {
        const std::size_t piece = std::min(bytes.size() - at, kPieceBytes);
        MPI_Irecv(bytes.data() + at, countOf(piece), MPI_UNSIGNED_CHAR, from, kGatherTag,
                  communicator_, &request);
        Wait(request);
    }
    return bytes;
}

void Channel::SendLater(std::vector<double> values, int to, int tag) {
    pendingValues_.push_back(std::move(values));
    const std::vector<double>& held = pendingValues_.back();
    MPI_Request request;
    MPI_Isend(held.data(), countOf(held.size()), MPI_DOUBLE, to, tag, communicator_, &request);
    pending_.push_back(request);
}

void Channel::FinishSends() {
    for (MPI_Request& request : pending_) Wait(request);
    pending_.clear();
    pendingValues_.clear();
}

}  // namespace tavorin::mpi
