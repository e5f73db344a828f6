#include "platform/FileOutput.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/UserError.h"

namespace tavorin::platform {

std::string CannotCreateFileMessage(const std::string& path) {
    return "Cannot create the file \"" + path + "\".";
}

std::string CannotWriteWholeFileMessage(const std::string& path) {
    return "Cannot write the whole file \"" + path + "\".";
}

void RemoveIncompleteFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    // A link is removed itself, never its target.
    if (fs::is_regular_file(path, ignored) || fs::is_symlink(fs::symlink_status(path, ignored))) {
        fs::remove(path, ignored);
    }
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw UserError(CannotCreateFileMessage(path));
    bool complete =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    complete = std::fflush(file) == 0 && complete;
    complete = std::fclose(file) == 0 && complete;
    if (!complete) {
        RemoveIncompleteFile(path);
        throw UserError(CannotWriteWholeFileMessage(path));
    }
}

std::string CrLfText(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16 + 1);
    for (const char c : text) {
        if (c == '\n') bytes.push_back('\r');
        bytes.push_back(c);
    }
    return bytes;
}

void WriteWholeTextFile(const std::string& path, std::string_view text) {
    WriteWholeFile(path, CrLfText(text));
}

}  // namespace tavorin::platform
