#include "platform/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavorin::platform {

TextFile::~TextFile() { Close(); }

bool TextFile::Open(const std::string& path, Mode mode) {
    Close();
    path_ = path;
    failed_ = false;
    // Non-blocking, so that a FIFO planted at the path fails at once instead of waiting for a
    // reader; only a regular file is written (no device, no FIFO).
    const int flags =
        O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | (mode == Mode::Truncate ? O_TRUNC : O_APPEND);
    const int descriptor = ::open(path.c_str(), flags, 0666);
    if (descriptor < 0) return false;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return false;
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    file_ = ::fdopen(descriptor, mode == Mode::Truncate ? "wb" : "ab");
    if (file_ == nullptr) ::close(descriptor);
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
