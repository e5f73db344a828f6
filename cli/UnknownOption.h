#pragma once

#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace tavorin::cli {

// The known option nearest to `given` ("--pop-sise" -> "--pop-size"): the one that needs the
// fewest single-character edits (insertion, removal, change, or exchange of two neighbours),
// dashes and case aside; the first in `known` among equally near ones. None when even the
// nearest needs more than a third of the given name's letters changed (at least two allowed),
// unless `given` begins one of them.
std::optional<std::string> NearestOption(const std::string& given,
                                         const std::vector<std::string>& known);

// "unknown option or argument: A B", naming the known option nearest to the first unknown
// option among `extras` as "(did you mean --x?)".
std::string UnknownOptionMessage(const std::vector<std::string>& extras, const CLI::App& app);

}  // namespace tavorin::cli
