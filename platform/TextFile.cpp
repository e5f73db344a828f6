#include "platform/TextFile.h"

#include "platform/FileOutput.h"
#include "platform/RegularFile.h"

namespace tavorin::platform {

TextFile::~TextFile() { Close(); }

bool TextFile::Open(const std::string& path, Mode mode) {
    Close();
    path_ = path;
    failed_ = false;
    // Only a regular file is written: a FIFO or device planted at the path fails at once.
    RegularFile opened =
        OpenRegularFile(path, mode == Mode::Truncate ? FileAccess::Truncate : FileAccess::Append);
    file_ = opened.file.release();
    return file_ != nullptr;
}

void TextFile::Write(std::string_view text) {
    if (file_ == nullptr) return;
    const std::string bytes = CrLfText(text);
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
