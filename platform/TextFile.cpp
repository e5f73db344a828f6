#include "platform/TextFile.h"

namespace tavorin::platform {

TextFile::~TextFile() { Close(); }

bool TextFile::Open(const std::string& path, Mode mode) {
    Close();
    path_ = path;
    failed_ = false;
    file_ = std::fopen(path.c_str(), mode == Mode::Truncate ? "wb" : "ab");
    return file_ != nullptr;
}

void TextFile::Write(std::string_view text) {
    if (file_ == nullptr) return;
    std::string bytes;
    bytes.reserve(text.size() + 16);
    for (char c : text) {
        if (c == '\n') bytes.push_back('\r');
        bytes.push_back(c);
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
}

void TextFile::Flush() {
    if (file_ != nullptr && std::fflush(file_) != 0) failed_ = true;
}

bool TextFile::Close() {
    if (file_ == nullptr) return false;
    const bool flushed = std::fflush(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return flushed && closed && !failed_;
}

}  // namespace tavorin::platform
