#include "cli/UnknownOption.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cstddef>

namespace tavorin::cli {
namespace {

// The name of an option without its dashes, its value ("--a=1") and its case.
std::string Bare(const std::string& option) {
    const std::size_t start = option.find_first_not_of('-');
    if (start == std::string::npos) return {};
    std::string name = option.substr(start, option.find('=') - start);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

// Edits from `a` to `b`, an exchange of two neighbouring letters counting as one.
std::size_t EditDistance(const std::string& a, const std::string& b) {
    const std::size_t columns = b.size() + 1;
    std::vector<std::size_t> d((a.size() + 1) * columns);
    const auto at = [&](std::size_t i, std::size_t j) -> std::size_t& {
        return d[i * columns + j];
    };
    for (std::size_t i = 0; i <= a.size(); ++i) at(i, 0) = i;
    for (std::size_t j = 0; j <= b.size(); ++j) at(0, j) = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
            }
        }
    }
    return at(a.size(), b.size());
}

}  // namespace

std::optional<std::string> NearestOption(const std::string& given,
                                         const std::vector<std::string>& known) {
    const std::string name = Bare(given);
    if (name.empty()) return std::nullopt;
    const std::size_t allowed = std::max<std::size_t>(2, name.size() / 3);
    std::optional<std::string> nearest;
    std::size_t nearestDistance = 0;
    for (const std::string& option : known) {
        const std::string candidate = Bare(option);
        std::size_t distance = EditDistance(name, candidate);
        if (candidate.rfind(name, 0) == 0) distance = std::min(distance, allowed);
        if (distance <= allowed && (!nearest || distance < nearestDistance)) {
            nearest = option;
            nearestDistance = distance;
        }
    }
    return nearest;
}

std::string UnknownOptionMessage(const std::vector<std::string>& extras, const CLI::App& app) {
    std::string message = "unknown option or argument:";
    for (const std::string& extra : extras) message += " " + extra;
    std::vector<std::string> known;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_lnames()) known.push_back("--" + name);
    }
    for (const std::string& extra : extras) {
        if (extra.size() < 2 || extra[0] != '-') continue;
        if (const std::optional<std::string> nearest = NearestOption(extra, known)) {
            message += " (did you mean " + *nearest + "?)";
        }
        break;
    }
    return message;
}

}  // namespace tavorin::cli
