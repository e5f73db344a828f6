#pragma once

#include <string>
#include <vector>

#include "mpi/MpiChannel.h"

namespace tavorin::mpi {

// A process other than 0 of `tavorin-mpi classify`: reads its slice of the image the
// arguments name and answers process 0's commands until it is told to stop. Returns the exit
// status process 0 gives; throws for a failure after its slice was read. With `timesReport`,
// prints the pipeline's times on this process when it stops.
int RunSliceWorker(const std::vector<std::string>& arguments, Channel& channel, bool timesReport);

}  // namespace tavorin::mpi
