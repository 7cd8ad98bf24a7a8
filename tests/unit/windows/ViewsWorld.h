#pragma once

#include "AppWorld.h"
#include "app/Form2.h"
#include "windows/Form3.h"
#include "windows/Form4.h"
#include "windows/RegisterForms.h"

namespace viewstest {

using apptest::kManifestAddress;
using apptest::kPortal;
using apptest::kStartPage;
using apptest::StandardManifest;

inline const base::Text kLiveTv = kPortal + u"/yun/tv.html";
inline const base::Text kTorrentPage = kPortal + u"/yun/111";

// The program over the fake platform with the three views.
struct World : apptest::World {
  World() {
    windows::RegisterForms(program);
    web.SetDocument(kManifestAddress, StandardManifest());
  }
  fakes::FakeWindow* Window(const base::Text& name) { return ui.Find(name); }
  // The windows of the program on the screen, by name.
  std::vector<base::Text> OnScreen() {
    std::vector<base::Text> names;
    for (fakes::FakeWindow* window : ui.Windows())
      if (window->IsVisible()) names.push_back(window->Spec().name);
    return names;
  }
  // Runs what the event loop would run once the handlers have returned.
  void Settle() { loop.RunPosted(); }
};

}  // namespace viewstest
