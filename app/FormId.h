#pragma once

#include <cstddef>

namespace app {

// The program's windows. Each has at most one loaded instance per run.
enum class FormId : std::size_t {
  Form2,    // the main window: the portal and the update manifest
  Formsj2,  // the upgrade downloader
  Form3,    // the live-TV window
  Form4,    // the torrent player window
  Count,    // not a window: how many there are
};

inline constexpr std::size_t kFormCount = static_cast<std::size_t>(FormId::Count);

}  // namespace app
