#include "tests/support/TestSupport.h"

#include <unistd.h>
#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>

namespace tavorin::testing {
namespace {

class RecordingProgressView : public platform::IProgressView {
  public:
    explicit RecordingProgressView(RecordingUserInterface& owner) : owner_(owner) {}
    void Update(const platform::ProgressState& state) override {
        owner_.progressUpdates.push_back(state);
    }

  private:
    RecordingUserInterface& owner_;
};

}  // namespace

RecordingUserInterface::RecordingUserInterface() { platform::SetUserInterface(this); }

RecordingUserInterface::~RecordingUserInterface() { platform::SetUserInterface(nullptr); }

void RecordingUserInterface::ShowMessage(const std::string& text, platform::MessageKind kind) {
    messages.push_back({text, kind});
}

std::unique_ptr<platform::IProgressView> RecordingUserInterface::OpenProgress(
    const std::string& stageText) {
    openedStages.push_back(stageText);
    return std::make_unique<RecordingProgressView>(*this);
}

TempDir::TempDir(bool enter) {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("tavorin-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
    if (enter) {
        previousWorkingDirectory_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!previousWorkingDirectory_.empty()) {
        std::filesystem::current_path(previousWorkingDirectory_, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string DataDir() { return TAVORIN_SOURCE_DATA_DIR; }

}  // namespace tavorin::testing
