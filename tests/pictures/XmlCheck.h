#pragma once

#include <string>
#include <string_view>

namespace tavorin::testing {

struct XmlCheckResult {
    bool wellFormed = false;
    std::string problem;  // the first problem found, with its byte offset
    std::string rootName;
};

// A small XML well-formedness check: valid UTF-8, an optional declaration, comments and a
// DOCTYPE without internal subset, exactly one root element, balanced tags, quoted unique
// attributes, and only the predefined or numeric character references.
XmlCheckResult CheckXmlWellFormed(std::string_view text);

// Runs `xmllint --noout` on a file when xmllint is installed; empty when it is absent.
struct XmllintResult {
    bool available = false;
    bool passed = false;
};
XmllintResult RunXmllint(const std::string& path);

}  // namespace tavorin::testing
