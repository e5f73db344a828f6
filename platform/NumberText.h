#pragma once

#include <optional>
#include <string>
#include <string_view>

// Number formatting and parsing that never depend on the user's locale: the decimal point is
// always '.', and infinity and NaN have one spelling each ("inf", "-inf", "nan").
namespace tavorin::platform {

// As C's "%f": fixed notation with six digits after the point.
std::string formatFixed(double value);

// As C's "%.*g" with `significantDigits` digits ("0.5", "0.01", "10" for 15 digits).
std::string formatGeneral(double value, int significantDigits = 15);

// As C's "%d".
std::string formatInt(long long value);

// Shortest text that reads back to the same double (for machine-readable files).
std::string formatRoundTrip(double value);

// The whole text, surrounding spaces allowed, as a decimal integer within the 32-bit range.
std::optional<int> parseInt32(std::string_view text);

// The whole text, surrounding spaces allowed, as a decimal floating-point number (an optional
// sign, digits with an optional point, an optional exponent; "inf" and "nan" are accepted and
// left to the caller's range checks).
std::optional<double> parseDouble(std::string_view text);

}  // namespace tavorin::platform
