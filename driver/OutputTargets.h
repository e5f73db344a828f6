#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "driver/MapFormat.h"
#include "evolution/RunParameters.h"

namespace tavorin {

// The folder of the result files named by `outputPath`; "." when it names none.
std::string OutputFolder(const std::string& outputPath);

// Refuses, before the search starts, an output that could not be written at its end: a run
// of many minutes must not end with nothing but a message, and a refusal leaves every file
// as it was. Checked for every name the run may write (a map and its header for each of up to
// popSize front members, "FinalPF.txt", the summary and, when asked, the pictures): its length, a
// folder in its way, and whether it would replace the input image or its header. Throws UserError.
void CheckOutputTargets(const RunParameters& parameters, bool pictures,
                        MapFormat format = MapFormat::Envi);

// Refuses an output folder whose file system reports less free space than one map of
// `pixelCount` bytes with its header needs: the front holds at least one member, so such a run
// could never put its results in place. Nothing is checked when the space is not reported.
void CheckFreeSpace(const std::string& outputPath, long long pixelCount);

// The refusal of CheckFreeSpace for `available` free bytes, or none when they suffice.
std::optional<std::string> FreeSpaceProblem(const std::string& folder, long long available,
                                            long long pixelCount);

// The files in the folder of `outputPath` named as a run with this output path names its maps
// ("<output>_<j>", "<output>_<j>.hdr", "<output>_<j>.tif", "<output>_<j>.tif.aux.xml" and the
// picture "<output>_<j>.png", j in decimal) that are not among `written`, the files this run
// put in place: maps left from an earlier run, ordered by j, then as listed above.
std::vector<std::string> EarlierRunMapFiles(const std::string& outputPath,
                                            const std::set<std::string>& written);

// The warning naming such files (the first ten of them), or none when there are none.
std::optional<std::string> EarlierRunMapsWarning(const std::vector<std::string>& files);

}  // namespace tavorin
