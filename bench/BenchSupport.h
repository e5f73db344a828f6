#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavorin::bench {

// The folder of the bundled sample images.
inline std::string DataDir() { return TAVORIN_SOURCE_DATA_DIR; }

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

// One of the bundled 8-bit band-sequential sample images as doubles.
inline std::vector<double> LoadSampleBands(const std::string& baseName) {
    const std::string bytes = ReadFileBytes(DataDir() + "/" + baseName + ".img");
    std::vector<double> values;
    values.reserve(bytes.size());
    for (const char byte : bytes) values.push_back(static_cast<unsigned char>(byte));
    return values;
}

// A fresh folder below the system's temporary folder that is the working directory while the
// object lives, for benchmarks of steps that write files.
class ScratchFolder {
  public:
    ScratchFolder() : previous_(std::filesystem::current_path()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavorin-bench-XXXXXX");
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch folder");
        path_ = pattern;
        std::filesystem::current_path(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

  private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

}  // namespace tavorin::bench
