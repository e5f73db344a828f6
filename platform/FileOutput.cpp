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
    std::error_code ignored;
    if (std::filesystem::is_regular_file(path, ignored)) std::filesystem::remove(path, ignored);
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw UserError(CannotCreateFileMessage(path));
    bool complete = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    complete = std::fflush(file) == 0 && complete;
    complete = std::fclose(file) == 0 && complete;
    if (!complete) {
        RemoveIncompleteFile(path);
        throw UserError(CannotWriteWholeFileMessage(path));
    }
}

}  // namespace tavorin::platform
