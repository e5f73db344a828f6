#pragma once

#include <string>
#include <vector>

namespace tavorin::cli {

// `tavorin classify [options]`: the classification command. Returns the exit status.
int RunClassifyCommand(const std::vector<std::string>& arguments);

// `tavorin fcm [options]`: the four-cluster fuzzy c-means on the fixed test image.
int RunFcmCommand(const std::vector<std::string>& arguments);

}  // namespace tavorin::cli
