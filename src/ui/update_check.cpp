// The update check over THTTPGet (libcurl).
#include "ui/update_check.h"

#include <QByteArray>
#include <QPushButton>
#include <QUrl>
#include <cstdio>

#include "base/markup.h"
#include "ui/http_get.h"
#include "ui/main_window.h"
#include "ui/program_update.h"

namespace klarvex::ui {

namespace {

const std::string kVersion = KLARVEX_VERSION;

// The maker's site, ending in "/": the build's, or KLARVEX_WEBROOT from the
// environment (empty: no update check).
std::string WebRoot() {
  if (qEnvironmentVariableIsSet("KLARVEX_WEBROOT")) return qEnvironmentVariable("KLARVEX_WEBROOT").toStdString();
  return KLARVEX_WEBROOT;
}

enum class UpdateMode { Idle, VersionQuery, Download };

class HttpUpdateCheck : public UpdateCheck {
 public:
  explicit HttpUpdateCheck(TfMain& window) : window_(window) {
    HTTP.request.AcceptTypes = "*/*";
    HTTP.request.Agent = "Klarvex/" + kVersion + " (Linux)";
    HTTP.request.UseCache = false;
    HTTP.OnProgress = [](int64_t, int64_t) {};
    HTTP.OnDoneString = [this](const std::string& result) { HTTPDoneString(result); };
    HTTP.OnDoneFile = [this](const std::string& name, int64_t size) { HTTPDoneFile(name, size); };
    HTTP.OnError = [this] { HTTPError(); };
  }

  void queryVersion() override {
    webRoot_ = WebRoot();
    if (webRoot_.empty()) return;
    HTTP.request.URL = webRoot_ + "sw.php";
    HTTP.request.PostQuery = "ver=" + QUrl::toPercentEncoding(QString::fromStdString(kVersion)).toStdString();
    mode_ = UpdateMode::VersionQuery;
    HTTP.DownloadString();
  }

  void bGetNewClick() override {
    window_.dlog0("Downloading file...");
    window_.slog("Please wait! Klarvex will restart.", 1);
    program_ = window_.programPath.toStdString();
    HTTP.request.URL = webRoot_ + answer_.folder + answer_.fileName;
    HTTP.request.PostQuery.clear();
    // Fetched beside the program and put in its place only once it is
    // known to be complete: the running program stays untouched till then.
    HTTP.request.FileName = program_ + ".download";
    HTTP.request.BinaryData = true;
    mode_ = UpdateMode::Download;
    HTTP.DownloadFile();
  }

 private:
  void HTTPDoneString(const std::string& result) {
    if (mode_ == UpdateMode::VersionQuery && !result.empty()) {
      if (const std::optional<VersionAnswer> answer = ParseVersionAnswer(result)) {
        answer_ = *answer;
        const bool newer = SortsAfter(answer_.latest, kVersion);
        window_.bGetNew->show();
        window_.bGetNew->setEnabled(newer);
        if (newer) window_.dlog(NewVersionMessage(answer_.latest));
      }
    }
    mode_ = UpdateMode::Idle;
  }

  void HTTPDoneFile(const std::string& fileName, int64_t fileSize) {
    if (mode_ == UpdateMode::Download) {
      HTTP.request.BinaryData = false;
      const std::string reason = ReplaceProgram(program_, fileName, fileSize);
      if (reason.empty()) {
        window_.log2("Download complete.");
        window_.startProgram(QString::fromStdString(program_));
        window_.close();
      } else {
        window_.log(Literal(reason));
        window_.erlog("HTTP error");
      }
    }
    mode_ = UpdateMode::Idle;
  }

  void HTTPError() {
    if (mode_ != UpdateMode::Download) return;
    HTTP.request.BinaryData = false;
    std::remove(HTTP.request.FileName.c_str());  // what arrived is no program
    window_.erlog("HTTP error");
  }

  TfMain& window_;
  THTTPGet HTTP;
  UpdateMode mode_ = UpdateMode::Idle;
  VersionAnswer answer_;
  std::string webRoot_;
  std::string program_;
};

}  // namespace

std::unique_ptr<UpdateCheck> MakeUpdateCheck(TfMain& window) { return std::make_unique<HttpUpdateCheck>(window); }

}  // namespace klarvex::ui
