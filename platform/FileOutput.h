#pragma once

#include <string>
#include <string_view>

// Writing result files completely or not at all, with one wording for the failures.
namespace tavorin::platform {

// "Cannot create the file "<path>"."
std::string CannotCreateFileMessage(const std::string& path);

// "Cannot write the whole file "<path>"."
std::string CannotWriteWholeFileMessage(const std::string& path);

// Removes a file left incomplete by a failed write (a link: the link alone); devices and
// folders are never touched.
void RemoveIncompleteFile(const std::string& path);

// Creates (or truncates) `path` and writes `bytes` to it. Throws a UserError with one of the
// messages above; an incomplete file is removed first.
void WriteWholeFile(const std::string& path, std::string_view bytes);

// WriteWholeFile for text: every '\n' of `text` is stored as CR LF, as in every text file the
// original program wrote.
void WriteWholeTextFile(const std::string& path, std::string_view text);

// `text` with every '\n' as CR LF.
std::string CrLfText(std::string_view text);

}  // namespace tavorin::platform
