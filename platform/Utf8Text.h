#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavorin::platform {

// The length of the well-formed UTF-8 sequence at the start of `text` (1 to 4), or 0 when it
// starts with none (an overlong form, a surrogate, a value past U+10FFFF, a cut sequence).
std::size_t Utf8SequenceLength(std::string_view text);

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view text);

// `text` itself when it is valid UTF-8; otherwise a valid UTF-8 text from which the bytes can
// be recovered: every backslash doubled and every byte that is not part of a well-formed
// sequence written as \xHH (two upper-case hex digits). File names on Linux are any bytes;
// JSON and the tools that read it need UTF-8.
std::string Utf8OrEscaped(std::string_view text);

}  // namespace tavorin::platform
