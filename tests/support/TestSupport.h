#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/UserInterface.h"

namespace tavorin::testing {

// A user interface that records every message and progress update instead of showing it.
class RecordingUserInterface : public platform::IUserInterface {
  public:
    struct Message {
        std::string text;
        platform::MessageKind kind;
    };

    RecordingUserInterface();            // installs itself
    ~RecordingUserInterface() override;  // installs the silent interface again

    void ShowMessage(const std::string& text, platform::MessageKind kind) override;
    void ShowNote(const std::string& text) override { notes.push_back(text); }
    std::unique_ptr<platform::IProgressView> OpenProgress(const std::string& stageText) override;

    std::vector<Message> messages;
    std::vector<std::string> notes;
    // Every progress update, in order, of every window.
    std::vector<platform::ProgressState> progressUpdates;
    std::vector<std::string> openedStages;
};

// A fresh empty folder below the system's temporary folder, removed with the object. The
// process's working directory is moved into it while `enter` was asked for.
class TempDir {
  public:
    explicit TempDir(bool enter = false);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
    std::filesystem::path previousWorkingDirectory_;
};

// The whole content of a file as bytes; empty when it does not exist.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// The folder of the bundled sample images.
std::string DataDir();

}  // namespace tavorin::testing
