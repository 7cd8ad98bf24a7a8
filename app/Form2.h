#pragma once

#include <optional>

#include "app/Form.h"
#include "app/Program.h"
#include "base/ChangeText.h"
#include "base/Text.h"
#include "platform/Browser.h"
#include "platform/Ui.h"

namespace app {

// The value between a start marker and an end marker of the update manifest: the text
// from 1-based position S + skip up to the first end marker, where S is the first start
// marker's position (0 when absent). Nothing when the end marker comes before that
// position or is absent.
std::optional<base::Text> ExtractField(base::TextView body, base::TextView startMarker, int skip,
                                       base::TextView endMarker);

// What the version check offers.
enum class UpgradeOffer {
  None,        // nothing to do; the program goes on as it is
  Optional,    // the user may upgrade or go on
  Compulsory,  // the user upgrades or the program ends
};

// The portal's rule: the difference between the server's version and ours, written as
// text, compared ordinally with "0.2". Below gives nothing, exactly "0.2" an optional
// offer, above a compulsory one (so 3.2 gives nothing and 3.11 is compulsory against
// 3.1: the portal's servers rely on exactly this).
UpgradeOffer OfferFor(double localVersion, base::TextView serverVersion);

// The main window: the portal browser, the hidden manifest browser and the text fields
// that hold what the manifest says.
class Form2 : public Form {
 public:
  static constexpr FormId kId = FormId::Form2;

  explicit Form2(Program& program);

  void Form_Load() override;
  void Form_Unload() override;

  // Loads the manifest into WebBrowser2, waits for it and stores its values.
  void ReadManifest();

  // The portal page the user sees.
  platform::Browser& WebBrowser1;
  // Hidden: reads the update manifest.
  platform::Browser& WebBrowser2;
  // Switched on when no upgrade is taken; nothing happens when it ticks.
  platform::Timer& Timer1;
  // Counts the seconds of manifest waits; one that lasts kManifestSeconds has failed.
  platform::Timer& ManifestClock;
  static constexpr int kManifestSeconds = 30;

  // The hidden fields keep the names the portal's manifest format was made for. Each starts
  // with its design text, which stays when the manifest cannot be read.
  // The latest version on the server ("3.3" and the line break after it); its change
  // runs the version check.
  base::TextField shengji{u"0"};
  // The installer's file name on the server.
  base::TextField Text8{u"Text8"};
  // The file name the installer is saved as; the upgrade window reads it.
  base::TextField Text7{u"Text7"};
  // The installer's address up to its file name.
  base::TextField Text9{u"Text9"};
  // The installer's whole address, Text9 followed by Text8; the upgrade window reads it.
  base::TextField Text6{u"Text6"};
  // Nothing writes it; a change would read the manifest again.
  base::TextField Text4{u""};
  // Kept with its design text; nothing reads or writes it.
  base::TextField Text10{u"Text10"};
  // The manifest's signature of the installer (base64), cleaned like the file names.
  // Starts empty: an unsigned manifest leaves it so, and a configured key refuses it.
  base::TextField TextSig{u""};

  // The program's own version.
  double localVersion = 0;

 private:
  int manifestWaits_ = 0;     // manifest reads waiting, nested ones included
  long manifestSeconds_ = 0;  // seconds counted while any of them waits

 public:
 private:
  void AddMenu();
  void AddField(base::TextField& field, const base::Text& name, platform::Rect rect);
  void Navigate(const base::Text& path);
  // Removes every CR LF, then every CR, then every LF, one assignment each.
  static void Clean(base::TextField& field);

  void tv_Click();
  void yun_Click();
  void shengji_Change();
  void Text7_Change();
  void Text8_Change();
  void Text9_Change();
  void TextSig_Change();
  void Text4_Change();
  void WebBrowser1_DownloadBegin();

  void move_Click();
  void DZ_Click();
  void xj_Click();
  void aq_Click();
  void kf_Click();
  void kb_Click();
  void jq_Click();
  void dh_Click();
  void zy_Click();
  void cn_Click();
  void hk_Click();
  void rh_Click();
  void usa_Click();
};

}  // namespace app
