#pragma once

#include <string>
#include <string_view>

namespace tavorin::platform {

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view text);

// `text` itself when it is valid UTF-8; otherwise a valid UTF-8 text from which the bytes can
// be recovered: every backslash doubled and every byte that is not part of a well-formed
// sequence written as \xHH (two upper-case hex digits). File names on Linux are any bytes;
// JSON and the tools that read it need UTF-8.
std::string Utf8OrEscaped(std::string_view text);

}  // namespace tavorin::platform
