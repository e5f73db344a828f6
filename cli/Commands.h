#pragma once

#include <string>
#include <vector>

namespace tavorin {
class PixelSlices;
}

namespace tavorin::cli {

// What `--version` prints, without its line break.
inline constexpr const char* kVersionLine = "tavorin " TAVORIN_VERSION;

// `tavorin classify [options]`: the classification command. Returns the exit status. With
// `slices`, this process is process 0 of a run whose pixels are split among processes
// (`tavorin-mpi classify`).
int RunClassifyCommand(const std::vector<std::string>& arguments, PixelSlices* slices = nullptr);

// `tavorin fcm [options]`: the fuzzy c-means of an image, by default the fixed test image.
int RunFcmCommand(const std::vector<std::string>& arguments);

}  // namespace tavorin::cli
