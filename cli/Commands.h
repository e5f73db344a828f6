#pragma once

#include <string>
#include <vector>

namespace tavorin::cli {

// What `--version` prints, without its line break.
inline constexpr const char* kVersionLine = "tavorin " TAVORIN_VERSION;

// `tavorin classify [options]`: the classification command. Returns the exit status.
int RunClassifyCommand(const std::vector<std::string>& arguments);

// `tavorin fcm [options]`: the fuzzy c-means of an image, by default the fixed test image.
int RunFcmCommand(const std::vector<std::string>& arguments);

}  // namespace tavorin::cli
