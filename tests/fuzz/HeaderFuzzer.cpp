// Feeds arbitrary bytes to the ENVI header reader and the raw reader, the same reading path
// the commands use: the input becomes "scene.hdr" beside a small raw file "scene.img".
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>

#include "image/CEnviImage.h"
#include "platform/UserError.h"

namespace {

const std::filesystem::path& WorkFolder() {
    static const std::filesystem::path folder = [] {
        auto path =
            std::filesystem::temp_directory_path() / ("tavorin-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::ofstream raw(path / "scene.img", std::ios::binary);
        for (int i = 0; i < 4096; ++i) raw.put(static_cast<char>((i * 37) & 0xFF));
        return path;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto& folder = WorkFolder();
    {
        std::ofstream header(folder / "scene.hdr", std::ios::binary | std::ios::trunc);
        header.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    try {
        tavorin::CEnviImage image;
        image.ReadHeader((folder / "scene.img").string());
        const auto samples = image.ReadBandData();
        volatile double sink = samples.empty() ? 0.0 : samples.front();
        (void)sink;
    } catch (const tavorin::UserError&) {
        // A refused header is the expected outcome for most inputs.
    }
    return 0;
}
