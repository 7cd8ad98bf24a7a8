#include <gtest/gtest.h>

#include "AppWorld.h"
#include "app/Form2.h"

namespace apptest {
namespace {

struct FieldsTest : ::testing::Test {
  World w;
  app::Form2* form = nullptr;
  void SetUp() override {
    w.web.SetDocument(kManifestAddress, StandardManifest());
    form = &w.program.form2();
  }
};

TEST_F(FieldsTest, CleaningRemovesEveryCrAndLfAndNothingElse) {
  struct Case {
    base::Text stored;
    base::Text cleaned;
  };
  const Case cases[] = {
      {u"a\rb\nc", u"abc"},   {u"\r\n\r\nx\r\n", u"x"}, {u"\n\r", u""},
      {u" a\tb ", u" a\tb "}, {u"\r\r\n\n", u""},       {u"名\r\n字", u"名字"},
  };
  for (base::TextField* field : {&form->Text7, &form->Text8, &form->Text9, &form->TextSig}) {
    for (const Case& c : cases) {
      field->SetText(c.stored);
      EXPECT_EQ(field->GetText(), c.cleaned);
    }
  }
}

TEST_F(FieldsTest, ChangeNestingEndsWithinThreeLevels) {
  int raised = 0;
  auto& log = w.ui.TextBoxLog();
  const std::size_t before = log.size();
  form->Text7.SetText(u"a\r\nb\rc\nd");
  for (std::size_t i = before; i < log.size(); ++i)
    if (log[i].first == u"Text7") ++raised;
  // Stored once, then one nested store for each of the three removals that changed it.
  EXPECT_EQ(raised, 4);
  EXPECT_EQ(form->Text7.GetText(), u"abcd");
}

TEST_F(FieldsTest, ServerPrefixComposesTheDownloadAddress) {
  form->Text8.SetText(u"setup.exe");
  form->Text9.SetText(u"\r\n/files/\r\n");
  EXPECT_EQ(form->Text9.GetText(), u"/files/");
  EXPECT_EQ(form->Text6.GetText(), u"/files/setup.exe");
}

TEST_F(FieldsTest, OnlyTheServerPrefixRecomputesTheAddress) {
  const base::Text address = form->Text6.GetText();
  form->Text8.SetText(u"other.exe");
  form->Text7.SetText(u"renamed.exe");
  EXPECT_EQ(form->Text6.GetText(), address);
  form->Text9.SetText(u"http://mirror.test/");
  EXPECT_EQ(form->Text6.GetText(), u"http://mirror.test/other.exe");
}

TEST_F(FieldsTest, ReReadWithANewFileNameButNoServerBlockKeepsTheOldAddress) {
  // Text9 is not found, so it does not change and Text6 is not recomputed.
  w.web.SetDocument(kManifestAddress, Lines({u"文件名下载", u"v2.exe", u"文件名结束"}));
  form->Text4.SetText(u"x");
  EXPECT_EQ(form->Text8.GetText(), u"v2.exe");
  EXPECT_EQ(form->Text6.GetText(), u"http://files.test/dl/QuorinSetup.exe");
}

TEST_F(FieldsTest, Text4ChangeReReadsTheManifestAndLeavesThePortalAlone) {
  const auto portalNavigations = w.Portal().Navigations();
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.3", u"http://b/", u"b.exe", u"b2.exe"));
  form->Text4.SetText(u"anything");
  EXPECT_EQ(w.web.RequestCount(kManifestAddress), 2);
  EXPECT_EQ(form->Text7.GetText(), u"b2.exe");
  EXPECT_EQ(form->Text6.GetText(), u"http://b/b.exe");
  EXPECT_EQ(form->shengji.GetText(), u"3.3\r\n");
  EXPECT_EQ(w.Portal().Navigations(), portalNavigations);
  // The same text again raises nothing.
  form->Text4.SetText(u"anything");
  EXPECT_EQ(w.web.RequestCount(kManifestAddress), 2);
}

TEST_F(FieldsTest, ReReadOfAnUnchangedManifestLeavesTheVersionAlone) {
  const auto& log = w.ui.TextBoxLog();
  const std::size_t before = log.size();
  const base::Text address = form->Text6.GetText();
  form->Text4.SetText(u"again");
  // The cleaned fields take the raw values (with their line breaks) and clean them
  // again; the version text is stored as it stands, so it raises nothing.
  int versionStores = 0, fileStores = 0;
  for (std::size_t i = before; i < log.size(); ++i) {
    if (log[i].first == u"shengji") ++versionStores;
    if (log[i].first == u"Text8") ++fileStores;
  }
  EXPECT_EQ(versionStores, 0);
  EXPECT_EQ(fileStores, 2);
  EXPECT_EQ(form->Text6.GetText(), address);
  EXPECT_EQ(form->shengji.GetText(), u"3.1\r\n");
}

}  // namespace
}  // namespace apptest
