#include <gtest/gtest.h>

#include "AppWorld.h"
#include "app/Form2.h"

namespace apptest {
namespace {

using app::ExtractField;

TEST(ExtractField, TakesTheTextBetweenSkipAndTheFirstEndMarker) {
  const base::Text body = Lines({u"文件名下载", u"setup.exe", u"文件名结束"});
  EXPECT_EQ(ExtractField(body, u"文件名下载", 7, u"文件名结束"), u"setup.exe\r\n");
}

TEST(ExtractField, EdgeCases) {
  struct Case {
    const char* what;
    base::Text body;
    std::optional<base::Text> expected;
  };
  const Case cases[] = {
      {"end marker on the start marker's line", u"文件名下载文件名结束\r\n", std::nullopt},
      {"end marker missing", Lines({u"文件名下载", u"setup.exe"}), std::nullopt},
      {"empty line value", Lines({u"文件名下载", u"", u"文件名结束"}), u"\r\n"},
      // Without its start marker the value runs from the position equal to the skip.
      {"start marker missing", u"0123456789文件名结束", u"6789"},
      {"start marker missing, end marker too early", u"01文件名结束", std::nullopt},
      {"only the first blocks count",
       Lines({u"文件名下载", u"a.exe", u"文件名结束", u"文件名下载", u"b.exe", u"文件名结束"}),
       u"a.exe\r\n"},
      // The end marker is searched from the start: one before the value cuts it short.
      {"end marker before the start marker", u"文件名结束" + Lines({u"文件名下载", u"a.exe"}),
       std::nullopt},
      {"value starting past the body's end", u"文件名下载", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractField(c.body, u"文件名下载", 7, u"文件名结束"), c.expected) << c.what;
  }
}

TEST(ExtractField, ValueCutShortByTheBodyEnd) {
  // n is E - p; the value is whatever of it the body still holds.
  EXPECT_EQ(ExtractField(u"abEND", u"a", 1, u"END"), u"b");
  EXPECT_EQ(ExtractField(u"abEND", u"b", 1, u"END"), u"");
}

TEST(ReadManifest, StoresTheFourValuesOfACompleteManifest) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.3"));
  app::Form2& form = w.program.form2();
  EXPECT_EQ(form.Text8.GetText(), u"QuorinSetup.exe");
  EXPECT_EQ(form.Text7.GetText(), u"Quorin.exe");
  EXPECT_EQ(form.Text9.GetText(), u"http://files.test/dl/");
  EXPECT_EQ(form.Text6.GetText(), u"http://files.test/dl/QuorinSetup.exe");
  EXPECT_EQ(form.shengji.GetText(), u"3.3\r\n");
  EXPECT_EQ(form.Text10.GetText(), u"Text10");
  EXPECT_EQ(form.Text4.GetText(), u"");
  // The manifest's browser runs no scripts; the portal's does.
  EXPECT_FALSE(w.ManifestBrowser().ScriptsEnabled());
  EXPECT_TRUE(w.Portal().ScriptsEnabled());
}

TEST(ReadManifest, StoresInOrderAndFinishesEachChangeBeforeTheNextValue) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.3", u"http://h/", u"s.exe", u"q.exe"));
  w.program.form2();
  // The views mirror every stored text, so their log shows the order of the stores
  // and of the cleaning they raise. It begins with the creation texts.
  const fakes::TextLog expected = {
      {u"shengji", u"0"},
      {u"Text8", u"Text8"},
      {u"Text7", u"Text7"},
      {u"Text9", u"Text9"},
      {u"Text6", u"Text6"},
      {u"Text4", u""},
      {u"Text10", u"Text10"},
      {u"TextSig", u""},
      {u"Text8", u"s.exe\r\n"},
      {u"Text8", u"s.exe"},
      {u"Text7", u"q.exe\r\n"},
      {u"Text7", u"q.exe"},
      {u"Text9", u"\r\nhttp://h/\r\n"},
      {u"Text9", u"http://h/"},
      {u"Text6", u"http://h/s.exe"},
      {u"shengji", u"3.3\r\n"},
  };
  EXPECT_EQ(w.ui.TextBoxLog(), expected);
}

TEST(ReadManifest, ServerBlockFirstGivesTheVersionFieldTheServerAddress) {
  World w;
  w.web.SetDocument(kManifestAddress, Lines({u"服务器一下载开始", u"http://h/", u"服务器一下载结束",
                                             u"下载开始", u"3.3", u"下载结束"}));
  app::Form2& form = w.program.form2();
  // The version markers are the tail of the server markers.
  EXPECT_EQ(form.shengji.GetText(), u"http://h/\r\n服务器一");
  EXPECT_EQ(form.Text9.GetText(), u"http://h/");
}

TEST(ReadManifest, ValuesOverTwoLinesAndEmptyValuesAreCleaned) {
  World w;
  w.web.SetDocument(kManifestAddress, Lines({u"文件名下载", u"set", u"up.exe", u"文件名结束",
                                             u"改文件名", u"", u"完成文件", u"服务器一下载开始",
                                             u"http://h/ a b/", u"服务器一下载结束"}));
  app::Form2& form = w.program.form2();
  EXPECT_EQ(form.Text8.GetText(), u"setup.exe");
  EXPECT_EQ(form.Text7.GetText(), u"");
  EXPECT_EQ(form.Text9.GetText(), u"http://h/ a b/");  // spaces stay
  EXPECT_EQ(form.Text6.GetText(), u"http://h/ a b/setup.exe");
  // No version block: the version markers are found inside the server markers.
  EXPECT_EQ(form.shengji.GetText(), u"http://h/ a b/\r\n服务器一");
}

TEST(ReadManifest, UnreachableOrUnreadableManifestChangesNothing) {
  for (bool unreadable : {false, true}) {
    World w;
    if (unreadable) w.web.SetUnreadable(kManifestAddress);  // otherwise: the error page
    app::Form2& form = w.program.form2();
    EXPECT_EQ(form.Text6.GetText(), u"Text6");
    EXPECT_EQ(form.Text7.GetText(), u"Text7");
    EXPECT_EQ(form.Text8.GetText(), u"Text8");
    EXPECT_EQ(form.Text9.GetText(), u"Text9");
    EXPECT_EQ(form.shengji.GetText(), u"0");
    EXPECT_EQ(form.TextSig.GetText(), u"");
    EXPECT_EQ(w.ui.TextBoxLog().size(), 8u);  // the creation texts only
    // The portal still shows.
    EXPECT_EQ(w.Portal().Address(), kStartPage);
  }
}

TEST(ReadManifest, WaitsForTheDocumentWithoutPollingTheLoopDry) {
  World w;
  w.web.SetPassesToComplete(5);
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.3"));
  app::Form2& form = w.program.form2();
  // One pass per event: the wait ends on the pass that completes the document.
  EXPECT_EQ(w.loop.Passes(), 5);
  EXPECT_EQ(form.shengji.GetText(), u"3.3\r\n");
  EXPECT_EQ(w.http.calls + w.files.calls, 0);
}

// An installer signature as the manifest carries it: 88 characters of base64.
const base::Text kSignature =
    u"zlCZvwvFGXM2dpUAcRcah6FaYckRXkpiSvMgqwlwCqqseoESimuqgEAGW2rV0gILd+Ye9xfe17XI55NZ2MPACw==";

base::Text SignatureBlock(base::TextView signature = kSignature) {
  return Lines({u"安装包签名", signature, u"签名结束"});
}

// The standard manifest's four blocks with the signature block placed before block
// `position` (0 to 4; 4 places it last). It belongs anywhere after the version block,
// the first.
base::Text SignedManifest(std::size_t position) {
  const base::Text blocks[] = {
      Lines({u"下载开始", u"3.3", u"下载结束"}),
      Lines({u"服务器一下载开始", u"http://files.test/dl/", u"服务器一下载结束"}),
      Lines({u"文件名下载", u"QuorinSetup.exe", u"文件名结束"}),
      Lines({u"改文件名", u"Quorin.exe", u"完成文件"}),
  };
  base::Text text;
  for (std::size_t i = 0; i < 4; ++i) {
    if (i == position) text += SignatureBlock();
    text += blocks[i];
  }
  if (position == 4) text += SignatureBlock();
  return text;
}

TEST(SignatureBlock, TheFourValuesReadTheSameWithItAsWithout) {
  // The reading of a program that knows nothing of the block: no marker of theirs
  // occurs in it, so it changes none of their values.
  struct Row {
    const char16_t* start;
    int skip;
    const char16_t* end;
  };
  const Row rows[] = {{u"文件名下载", 7, u"文件名结束"},
                      {u"改文件名", 6, u"完成文件"},
                      {u"服务器一下载开始", 8, u"服务器一下载结束"},
                      {u"下载开始", 6, u"下载结束"}};
  const base::Text plain = StandardManifest(u"3.3");
  for (std::size_t position = 1; position <= 4; ++position) {
    SCOPED_TRACE(position);
    const base::Text withBlock = SignedManifest(position);
    ASSERT_NE(withBlock.find(kSignature), base::Text::npos);
    for (const Row& row : rows) {
      SCOPED_TRACE(base::ToUtf8(row.start));
      const auto value = ExtractField(withBlock, row.start, row.skip, row.end);
      ASSERT_TRUE(value);
      EXPECT_EQ(value, ExtractField(plain, row.start, row.skip, row.end));
    }
  }
}

TEST(SignatureBlock, IsReadIntoItsOwnFieldCleanedOfLineBreaks) {
  for (std::size_t position = 1; position <= 4; ++position) {
    SCOPED_TRACE(position);
    World w;
    w.web.SetDocument(kManifestAddress, SignedManifest(position));
    app::Form2& form = w.program.form2();
    EXPECT_EQ(form.TextSig.GetText(), kSignature);
    EXPECT_EQ(form.Text8.GetText(), u"QuorinSetup.exe");
    EXPECT_EQ(form.Text7.GetText(), u"Quorin.exe");
    EXPECT_EQ(form.Text6.GetText(), u"http://files.test/dl/QuorinSetup.exe");
    EXPECT_EQ(form.shengji.GetText(), u"3.3\r\n");
  }
}

TEST(SignatureBlock, IsStoredBeforeTheVersionWhoseChangeMayOpenTheUpgradeWindow) {
  World w;
  w.web.SetDocument(kManifestAddress, SignedManifest(4));
  w.program.form2();
  const fakes::TextLog& log = w.ui.TextBoxLog();
  const fakes::TextLog tail(log.end() - 3, log.end());
  const fakes::TextLog expected = {
      {u"TextSig", kSignature + u"\r\n"}, {u"TextSig", kSignature}, {u"shengji", u"3.3\r\n"}};
  EXPECT_EQ(tail, expected);
}

TEST(SignatureBlock, ASignatureOverTwoLinesIsJoined) {
  World w;
  w.web.SetDocument(kManifestAddress,
                    StandardManifest(u"3.1") + Lines({u"安装包签名", kSignature.substr(0, 40),
                                                      kSignature.substr(40), u"签名结束"}));
  EXPECT_EQ(w.program.form2().TextSig.GetText(), kSignature);
}

TEST(SignatureBlock, AManifestWithoutItLeavesTheFieldAsItIs) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.1") + SignatureBlock());
  app::Form2& form = w.program.form2();
  ASSERT_EQ(form.TextSig.GetText(), kSignature);
  // A re-read of a manifest that has lost its block keeps the signature read before.
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.1"));
  form.ReadManifest();
  EXPECT_EQ(form.TextSig.GetText(), kSignature);
  // A block whose end marker is missing counts as absent.
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.1") + Lines({u"安装包签名", u"x"}));
  form.ReadManifest();
  EXPECT_EQ(form.TextSig.GetText(), kSignature);
  // An empty block empties it.
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.1") + SignatureBlock(u""));
  form.ReadManifest();
  EXPECT_EQ(form.TextSig.GetText(), u"");
}

TEST(FormLoad, NavigatesThePortalSilentlyThenReadsTheManifest) {
  World w;
  w.program.form2();
  EXPECT_EQ(w.Portal().Navigations(), std::vector<base::Text>{kStartPage});
  EXPECT_TRUE(w.Portal().Silent());
  EXPECT_TRUE(w.ManifestBrowser().Silent());
  EXPECT_EQ(w.web.Requests(), (std::vector<base::Text>{kStartPage, kManifestAddress}));
}

}  // namespace
}  // namespace apptest

namespace apptest {
namespace {

// Ticks the main window's manifest clock at every pass, as its one-second timer would.
void KeepTicking(World& w, int& ticks) {
  w.loop.Schedule([&w, &ticks] {
    if (!w.ui.Find(u"Form2")) return;
    ++ticks;
    w.MainWindow().Timer(u"ManifestClock").Tick();
    KeepTicking(w, ticks);
  });
}

TEST(ManifestWait, AManifestThatNeverComesFailsAfterThirtySecondsAndTheWindowGoesOn) {
  World w;
  w.web.SetPassesToComplete(1000000);  // the server accepted and stays silent
  int ticks = 0;
  KeepTicking(w, ticks);
  app::Form2& form = w.program.form2();
  EXPECT_EQ(ticks, app::Form2::kManifestSeconds);
  // A failed read: the fields keep their texts and the load is stopped.
  EXPECT_EQ(form.Text6.GetText(), u"Text6");
  EXPECT_EQ(form.shengji.GetText(), u"0");
  EXPECT_EQ(w.ManifestBrowser().Address(), u"about:blank");
  EXPECT_FALSE(w.MainWindow().Timer(u"ManifestClock").Enabled());

  // Closing reads again, fails the same way, and the window goes.
  w.program.Unload(form);
  EXPECT_EQ(ticks, 2 * app::Form2::kManifestSeconds);
  EXPECT_FALSE(w.program.IsLoaded(form));
  w.loop.RunPosted();
  EXPECT_TRUE(w.loop.QuitCalled());
}

}  // namespace
}  // namespace apptest
