// The launch step with a maker's key configured: only a signed installer runs.
#include <gtest/gtest.h>

#include <string>

#include "UpgradeWorld.h"

namespace upgradetest {
namespace {

using apptest::Lines;
using platform::MsgBoxResult;
using platform::SignatureCheck;

const base::Text kKey = u"NEGK7IBFc5RfrmUgMnuVkimvN15Lc2NZDogOnuRokMg=";
const base::Text kSignature =
    u"zlCZvwvFGXM2dpUAcRcah6FaYckRXkpiSvMgqwlwCqqseoESimuqgEAGW2rV0gILd+Ye9xfe17XI55NZ2MPACw==";

base::Text SignedManifest(base::TextView version, base::TextView signature = kSignature) {
  return StandardManifest(version) + Lines({u"安装包签名", signature, u"签名结束"});
}

// Loads the main window with `manifest`, accepts its offer and returns the upgrade window.
upgrade::Formsj2& AcceptManifest(World& w, const base::Text& manifest) {
  w.web.SetDocument(kManifestAddress, manifest);
  w.ui.Answer(MsgBoxResult::Yes);
  w.program.form2();
  return w.Upgrade();
}

TEST(SignedUpgrade, WithoutAKeyNothingIsCheckedAndTheInstallerRuns) {
  for (const base::Text& manifest : {SignedManifest(u"3.3"), StandardManifest(u"3.3")}) {
    World w;  // no key configured
    AcceptManifest(w, manifest);
    w.shell.AddProgram(kInstaller);
    EXPECT_THROW(w.T1().Tick(), fakes::ProgramEnded);
    EXPECT_TRUE(w.signatures.calls.empty());
    EXPECT_EQ(w.shell.Launched(), std::vector<base::Text>{kInstaller});
    EXPECT_TRUE(w.files.Contents(kInstaller));
  }
}

TEST(SignedUpgrade, AValidSignatureOfTheFinishedFileLetsTheLaunchGoAhead) {
  World w(kKey);
  w.signatures.answer = SignatureCheck::Valid;
  // The offer is accepted inside the manifest read: the signature is there already.
  AcceptManifest(w, SignedManifest(u"3.3"));
  w.shell.AddProgram(kInstaller);
  bool finishedBeforeTheCheck = false;
  w.signatures.onVerify = [&] {
    finishedBeforeTheCheck = w.files.Contents(kInstaller) == std::string(5000, 'x') &&
                             w.files.OpenFiles() == 0 && w.shell.Launched().empty();
  };
  EXPECT_THROW(w.T1().Tick(), fakes::ProgramEnded);

  ASSERT_EQ(w.signatures.calls.size(), 1u);
  EXPECT_EQ(w.signatures.calls[0].publicKey, kKey);
  EXPECT_EQ(w.signatures.calls[0].signature, kSignature);
  EXPECT_EQ(w.signatures.calls[0].path, kInstaller);
  EXPECT_TRUE(finishedBeforeTheCheck);
  EXPECT_EQ(w.shell.Launched(), std::vector<base::Text>{kInstaller});
  EXPECT_EQ(w.shell.EndCount(), 1);
}

TEST(SignedUpgrade, AnythingButAValidSignatureDeletesTheFileAndShowsTheFailure) {
  for (SignatureCheck answer :
       {SignatureCheck::NoSignature, SignatureCheck::MalformedSignature,
        SignatureCheck::MalformedKey, SignatureCheck::Unreadable, SignatureCheck::Mismatch}) {
    SCOPED_TRACE(static_cast<int>(answer));
    World w(kKey);
    w.signatures.answer = answer;
    AcceptManifest(w, SignedManifest(u"3.3"));
    w.shell.AddProgram(kInstaller);
    w.T1().Tick();

    EXPECT_EQ(w.signatures.calls.size(), 1u);
    EXPECT_FALSE(w.files.Contents(kInstaller));
    EXPECT_TRUE(w.shell.Launched().empty());
    EXPECT_EQ(w.shell.EndCount(), 0);
    ASSERT_EQ(w.ui.MessageBoxes().size(), 2u);  // the offer, then the failure
    const auto& box = w.ui.MessageBoxes()[1];
    EXPECT_EQ(box.text, u"连接服务器失败！请访问官方网站下载最新版本！");
    EXPECT_EQ(box.title, u"自动升级下载失败！！！");
    EXPECT_EQ(box.buttons, platform::MsgBoxButtons::Ok);
    EXPECT_EQ(box.icon, platform::MsgBoxIcon::Error);
    // The program goes on with the window as it was, and nothing is tried again.
    EXPECT_EQ(w.Upgrade().DownState.GetText(), u"下载结束...");
    EXPECT_TRUE(w.UpgradeWindow().IsVisible());
    EXPECT_FALSE(w.T1().Enabled());
    EXPECT_FALSE(w.loop.QuitCalled());
    EXPECT_EQ(w.http.requests.size(), 1u);
  }
}

TEST(SignedUpgrade, AnUnsignedManifestGivesTheCheckAnEmptySignature) {
  World w(kKey);
  w.signatures.answer = SignatureCheck::NoSignature;
  AcceptManifest(w, StandardManifest(u"3.3"));
  w.shell.AddProgram(kInstaller);
  w.T1().Tick();
  ASSERT_EQ(w.signatures.calls.size(), 1u);
  EXPECT_EQ(w.signatures.calls[0].signature, u"");
  EXPECT_TRUE(w.shell.Launched().empty());
  EXPECT_FALSE(w.files.Contents(kInstaller));
}

TEST(SignedUpgrade, TheSignatureIsTheOneCopiedWithTheAddressAtLoad) {
  World w(kKey);
  w.signatures.answer = SignatureCheck::Valid;
  AcceptManifest(w, SignedManifest(u"3.3"));
  // A re-read of the main window's manifest before the tick changes its field only.
  w.program.form2().TextSig.SetText(u"other");
  w.shell.AddProgram(kInstaller);
  EXPECT_THROW(w.T1().Tick(), fakes::ProgramEnded);
  ASSERT_EQ(w.signatures.calls.size(), 1u);
  EXPECT_EQ(w.signatures.calls[0].signature, kSignature);
}

TEST(SignedUpgrade, ARefusedInstallerDownloadedUnderANewNameGoesToo) {
  World w(kKey);
  AcceptManifest(w, SignedManifest(u"3.3"));
  w.program.form2().Text7.SetText(u"Renamed.exe");  // the transfer takes this name
  w.T1().Tick();
  // The check is of the file the launch would start, which the transfer did not write.
  ASSERT_EQ(w.signatures.calls.size(), 1u);
  EXPECT_EQ(w.signatures.calls[0].path, kInstaller);
  EXPECT_FALSE(w.files.Contents(kDirectory + u"/Renamed.exe"));
  EXPECT_TRUE(w.shell.Launched().empty());
  EXPECT_EQ(w.ui.MessageBoxes().back().title, u"自动升级下载失败！！！");
}

TEST(SignedUpgrade, AFailedTransferIsNeverChecked) {
  World w(kKey);
  AcceptManifest(w, SignedManifest(u"3.3"));
  w.http.response.failAfter = 3000;  // 5000 announced
  w.T1().Tick();
  EXPECT_EQ(w.Upgrade().DownState.GetText(), u"下载被中止...");
  EXPECT_TRUE(w.signatures.calls.empty());
  EXPECT_EQ(w.ui.MessageBoxes().size(), 1u);
}

}  // namespace
}  // namespace upgradetest
