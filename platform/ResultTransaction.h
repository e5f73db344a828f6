#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavorin::platform {

// The result files of one run, written whole or not at all. Each file is written under a
// temporary name in the folder of its final name, created exclusively (so nothing planted
// there is followed), and Commit renames them all into place in the order they were written.
// Renaming replaces whatever stands at a final name (a planted link is replaced, its target
// untouched). A transaction destroyed before Commit removes its temporary files, so a failed or
// interrupted run leaves the earlier results as they were.
class ResultTransaction {
  public:
    ResultTransaction() = default;
    ~ResultTransaction();
    ResultTransaction(const ResultTransaction&) = delete;
    ResultTransaction& operator=(const ResultTransaction&) = delete;

    // Writes `bytes` as the future content of `finalPath`. Throws UserError with the one
    // writer's wording ("Cannot create the file ..." / "Cannot write the whole file ..."),
    // naming `finalPath`.
    void Write(const std::string& finalPath, std::string_view bytes);

    // Where the content of `finalPath` waits until Commit; empty when it was not written.
    std::string TemporaryPathOf(const std::string& finalPath) const;

    // Puts every file in place. Throws UserError naming the first file that could not be put
    // in place; the files before it are in place, the others removed.
    void Commit();

    // Removes every temporary file; the final names are left as they were.
    void Abandon();

  private:
    std::vector<std::string> temporaryPaths_;
    std::vector<std::string> finalPaths_;
};

}  // namespace tavorin::platform
