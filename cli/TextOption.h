#pragma once

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

namespace tavorin::cli {

// An option whose value is kept as given, checked later with the run's own messages rather
// than CLI11's: `target` holds it when the option appears.
inline void AddTextOption(CLI::App& app, const char* name, std::optional<std::string>& target,
                          const char* typeName, const std::string& description) {
    app.add_option_function<std::string>(
           name, [&target](const std::string& value) { target = value; }, description)
        ->type_name(typeName);
}

}  // namespace tavorin::cli
