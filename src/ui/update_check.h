// The update check: at start-up the maker's server is asked for the latest
// version; when a newer one exists the log says so and "Get new version"
// fetches it, puts it in place of the running program and starts it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace klarvex::ui {

class TfMain;

class UpdateCheck {
 public:
  virtual ~UpdateCheck() = default;
  // The version query (the last step of reading the settings).
  virtual void queryVersion() = 0;
  virtual void bGetNewClick() = 0;
};

// The update check of this build: none when it was built without one.
std::unique_ptr<UpdateCheck> MakeUpdateCheck(TfMain& window);

// The server's answer "folder|file name|version|...": at least three fields.
struct VersionAnswer {
  std::string folder, fileName, latest;
};
std::optional<VersionAnswer> ParseVersionAnswer(const std::string& body);
// Versions sort byte by byte: 0.63 and 0.629b both come after 0.629.
bool SortsAfter(const std::string& latest, const std::string& running);
// "A new release ([b]v0.630[/b]) is available." ("beta version" for a "b").
std::string NewVersionMessage(const std::string& latest);

}  // namespace klarvex::ui
