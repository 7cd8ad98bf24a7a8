#pragma once

#include <memory>
#include <string>

#include "AppWorld.h"
#include "app/Form2.h"
#include "fakes/FakeCanvas.h"
#include "fakes/FakeCharset.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakeHttpClient.h"
#include "fakes/FakeSignatureVerifier.h"
#include "upgrade/Formsj2.h"

namespace upgradetest {

using apptest::kManifestAddress;
using apptest::StandardManifest;

inline const base::Text kInstallerAddress = u"http://files.test/dl/QuorinSetup.exe";
inline const base::Text kDirectory = u"/opt/quorin";
inline const base::Text kInstaller = kDirectory + u"/Quorin.exe";

// The program over the fake platform, with a downloading HTTP client and file system;
// installers are checked against `updatePublicKey` when it is not empty.
struct World {
  explicit World(base::Text updatePublicKey = u"")
      : program{platform, app::Config{apptest::kPortal, u"http://maker.test", u"http://video.test",
                                      u"http://filehost.test", std::move(updatePublicKey)}} {
    ui.SetCanvasFactory([] { return std::make_unique<fakes::FakeCanvas>(); });
    files.AddDirectory(u"/");
    files.AddDirectory(u"/opt");
    files.AddDirectory(kDirectory);
    shell.SetProgramDirectory(kDirectory);
    upgrade::RegisterFormsj2(program);
    web.SetDocument(kManifestAddress, StandardManifest(u"3.1"));
    http.response = fakes::FakeHttpClient::Ok(std::string(5000, 'x'));
  }

  // Loads the main window with a manifest offering `version` and answers the offer.
  upgrade::Formsj2& Accept(base::TextView version = u"3.3") {
    web.SetDocument(kManifestAddress, StandardManifest(version));
    ui.Answer(platform::MsgBoxResult::Yes);
    program.form2();
    return Upgrade();
  }
  upgrade::Formsj2& Upgrade() { return program.Reference<upgrade::Formsj2>(); }
  fakes::FakeWindow& UpgradeWindow() { return *ui.Find(u"Formsj2"); }
  fakes::FakeTimer& T1() { return UpgradeWindow().Timer(u"T1"); }
  fakes::FakeCanvas& Bar() {
    return static_cast<fakes::FakeCanvas&>(UpgradeWindow().Canvas(u"myProgressBar1"));
  }

  fakes::FakeEventLoop loop;
  fakes::FakeWeb web{loop};
  fakes::FakeUi ui{web};
  fakes::FakeHttpClient http;
  fakes::FakeFileSystem files;
  fakes::FakeClock clock{36000.0, 0.5};
  fakes::FakeShell shell;
  fakes::FakeCharset charset;
  fakes::FakeSignatureVerifier signatures;
  platform::Platform platform{ui, loop, http, files, clock, shell, charset, signatures};
  app::Program program;
};

}  // namespace upgradetest
