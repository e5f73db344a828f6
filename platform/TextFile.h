#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tavorin::platform {

// A text file written as the original program's text-mode files: every '\n' is stored as
// CR LF. Write errors are remembered, so `Close` tells whether the whole text reached the disk.
class TextFile {
  public:
    enum class Mode { Truncate, Append };

    TextFile() = default;
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Opens `path` for writing; false when it cannot be created or opened.
    bool Open(const std::string& path, Mode mode);
    bool IsOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }

    // Writes `text`, line feeds as CR LF. Does nothing on a file that is not open.
    void Write(std::string_view text);
    void Flush();

    // Closes the file; true when it was open and every write, the flush and the close succeeded.
    bool Close();

  private:
    std::FILE* file_ = nullptr;
    std::string path_;
    bool failed_ = false;
};

}  // namespace tavorin::platform
