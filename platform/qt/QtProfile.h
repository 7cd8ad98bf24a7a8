#pragma once

#include <QString>

class QWebEngineProfile;

namespace platform::qt {

// Where the browsers keep what lasts from one run to the next.
struct ProfileFolders {
  QString data;   // cookies, local storage, IndexedDB, and the lock of the copy using them
  QString cache;  // the HTTP cache
};

// The application's own folders as Qt reads the XDG rules: $XDG_DATA_HOME/quorin and
// $XDG_CACHE_HOME/quorin (~/.local/share and ~/.cache when unset) once the application is
// named "quorin".
ProfileFolders UserProfileFolders();

// How a copy of the program keeps what its browsers store.
enum class ProfileStorage {
  Disk,    // in the folders, for the next run too: this copy holds their lock
  Memory,  // for this run only: another copy holds the folders, they cannot be made
           // private to the user, or none were asked for
};

// The browsers' profiles of one copy of the program. The shown browsers share one: the
// user's sign-in, site storage and cache. A hidden browser reads for the program itself
// (the update manifest) and gets a profile of its own, off the record and without any
// HTTP cache, so that every read reaches the server. Made before any browser and
// destroyed after every page (windows left to deferred deletion are deleted first).
class QtProfile {
 public:
  // Everything in memory.
  QtProfile();
  // On disk in the folders when this copy can have them to itself, in memory otherwise.
  explicit QtProfile(const ProfileFolders& folders);
  ~QtProfile();
  QtProfile(const QtProfile&) = delete;
  QtProfile& operator=(const QtProfile&) = delete;

  ProfileStorage Storage() const { return storage_; }
  // The profile of a shown browser, or of a hidden one.
  QWebEngineProfile* For(bool shown) const { return shown ? shown_ : hidden_; }

 private:
  void MakeHidden();

  ProfileStorage storage_ = ProfileStorage::Memory;
  int lock_ = -1;  // the open lock file while this copy holds the folders
  QWebEngineProfile* shown_ = nullptr;
  QWebEngineProfile* hidden_ = nullptr;
};

}  // namespace platform::qt
