#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "app/Form.h"
#include "app/Program.h"
#include "base/ChangeText.h"
#include "base/Text.h"
#include "net/ZezazurIrud.h"
#include "platform/Ui.h"
#include "widgets/ControlHost.h"
#include "widgets/ctlProgress.h"

namespace upgrade {

// What the status label says, and so what the window does next.
inline constexpr char16_t kFinishedText[] = u"下载结束...";

// The upgrade downloader: three seconds after it loads it fetches the installer the
// main window's manifest names into the program directory, shows the transfer as it
// goes, then starts the installer and ends the program.
class Formsj2 : public app::Form {
  // The bar's place on the running window; made before the bar that asks it.
  widgets::RunTimeHost barHost_;

 public:
  static constexpr app::FormId kId = app::FormId::Formsj2;

  explicit Formsj2(app::Program& program);
  ~Formsj2() override;

  void Form_Load() override;
  // Closing the window stops a running transfer; with no other window of the program
  // on the screen the run ends too, instead of going on with nothing to show.
  void Form_Unload() override;

  void T1_Timer();
  void DownState_Change();

  void wd_Progress(double dbFileSize, double dbFinished, double dbSpeed);
  void wd_Status(net::EngineStatus lStatus);
  void wd_Error(net::EngineError lErrorCode);
  void wd_DownloadEnd(bool bSuccess);

  // The download engine that fetches the installer; made by the load handler, the window
  // owns it for the rest of its life.
  std::unique_ptr<net::ZezazurIrud> wd;

  // The captions in front of the five read-out lines.
  std::array<base::Label, 5> LbMsg;
  // "Remote file": always the maker's site and "/download/Quorin.exe", whatever the
  // address fetched.
  base::Label DownForm;
  // "Saved to": the installer's full local path.
  base::Label DownTo;
  base::Label Downloading{u"0 of 0 bytes 当前进度(0%)"};
  base::Label DownSpeed{u"0.00 KB/s"};
  base::Label DownState;
  // Copies of the main window's Text6 (the installer's address) and Text7 (its file name)
  // taken at load; both boxes lie below the client area and are never seen.
  base::TextField Text1;
  base::TextField Text2;
  // Three seconds after the load it starts the download, once.
  platform::Timer& T1;
  widgets::ctlProgress myProgressBar1;

 private:
  static platform::Canvas& AddFrameAndBar(platform::Window& window);
  // The path under the program directory for a name from the manifest; nothing when the
  // name would leave the directory.
  std::optional<base::Text> LocalPath(base::TextView name);
  // Whether the installer may run: always without a configured key; with one, only when
  // the manifest's signature of it holds. A refused installer is deleted.
  bool MakerSigned(const base::Text& installer);

  // The main window's signature of the installer, copied at load with its address.
  base::Text signature_;
};

// Tells the program how to make the upgrade window.
void RegisterFormsj2(app::Program& program);

}  // namespace upgrade
