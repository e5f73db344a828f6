// The time one group's sums take from one process to the next through the channel tavorin-mpi
// uses (its polling included): half the mean round trip of eight doubles between processes 0
// and 1, over many trips. Prints "latency_us <microseconds>" on process 0.
// Usage: mpirun -np 2 mpi_latency [trips]
#include <mpi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "mpi/MpiChannel.h"

int main(int argc, char** argv) {
    MPI_Init(&argc, &argv);
    const int trips = argc > 1 ? std::atoi(argv[1]) : 20000;
    const std::atomic<int> never{0};
    {
        tavorin::mpi::Channel channel(MPI_COMM_WORLD, never);
        std::vector<double> sums(8, 1.0);
        const int other = 1 - channel.rank();
        const auto start = std::chrono::steady_clock::now();
        for (int trip = 0; trip < trips && channel.size() == 2; ++trip) {
            if (channel.rank() == 0) {
                channel.Send(sums, other, tavorin::mpi::kSumsTag);
                channel.Receive(sums, other, tavorin::mpi::kSumsTag);
            } else {
                channel.Receive(sums, other, tavorin::mpi::kSumsTag);
                channel.Send(sums, other, tavorin::mpi::kSumsTag);
            }
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (channel.rank() == 0) std::printf("latency_us %.2f\n", 1e6 * seconds / trips / 2.0);
    }
    MPI_Finalize();
    return 0;
}
