#include <gtest/gtest.h>

#include "AppWorld.h"
#include "app/Form2.h"

namespace apptest {
namespace {

// Only a form that names its own id and is made from the program can be registered or
// referenced by type: anything else does not compile.
struct NotAForm {
  static constexpr app::FormId kId = app::FormId::Form3;
  explicit NotAForm(app::Program&) {}
};
struct FormWithANumberForItsId : app::Form {
  static constexpr int kId = 2;
  explicit FormWithANumberForItsId(app::Program& program) : Form(program, {}) {}
};
struct FormMadeFromMore : app::Form {
  static constexpr app::FormId kId = app::FormId::Form3;
  FormMadeFromMore(app::Program& program, int) : Form(program, {}) {}
};
static_assert(app::FormType<app::Form2>);
static_assert(!app::FormType<NotAForm>);
static_assert(!app::FormType<FormWithANumberForItsId>);
static_assert(!app::FormType<FormMadeFromMore>);

TEST(Program, RunShowsTheMainWindowAndEndsWhenItCloses) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest());
  // The load completes on the first pass; the user closes the window once it shows.
  w.loop.ScheduleOnPass(2, [&] {
    ASSERT_TRUE(w.MainWindow().IsVisible());
    w.MainWindow().RequestClose();
  });
  EXPECT_EQ(w.program.Run(), 0);
  EXPECT_EQ(w.program.LoadedCount(), 0u);
  // Closing read the manifest once more; the window is gone.
  EXPECT_EQ(w.web.RequestCount(kManifestAddress), 2);
  EXPECT_EQ(w.ui.Find(u"Form2"), nullptr);
  EXPECT_EQ(w.http.calls + w.files.calls + w.shell.EndCount(), 0);
}

TEST(Program, ReferenceLoadsOnceAndUnloadGivesAFreshInstance) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.1", u"http://h/", u"s.exe"));
  app::Form2& first = w.program.form2();
  EXPECT_EQ(&w.program.form2(), &first);
  EXPECT_EQ(w.ui.CreatedCount(u"Form2"), 1);

  w.program.Unload(first);
  EXPECT_FALSE(w.program.IsLoaded(first));
  EXPECT_FALSE(w.loop.QuitCalled());  // decided at the top of the loop
  w.loop.RunPosted();                 // destroys the retired window; none is left
  EXPECT_EQ(w.ui.Find(u"Form2"), nullptr);
  EXPECT_TRUE(w.loop.QuitCalled());

  app::Form2& second = w.program.form2();
  EXPECT_EQ(w.ui.CreatedCount(u"Form2"), 2);
  EXPECT_EQ(second.Text8.GetText(), u"s.exe");  // loaded afresh, manifest read again
  EXPECT_EQ(w.web.RequestCount(kManifestAddress), 3);
}

TEST(Program, UnloadReadsTheManifestWhileTheWindowStillExists) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.1"));
  app::Form2& form = w.program.form2();
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.2"));
  w.program.Unload(form);
  // The re-read stored the new version before the form went away.
  EXPECT_EQ(form.shengji.GetText(), u"3.2\r\n");
  EXPECT_TRUE(w.MainWindow().Closed());
  w.loop.RunPosted();
}

TEST(Program, EndProgramEndsAtOnceWithoutUnloading) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest());
  w.program.form2();
  EXPECT_THROW(w.program.EndProgram(), fakes::ProgramEnded);
  EXPECT_EQ(w.web.RequestCount(kManifestAddress), 1);
  EXPECT_EQ(w.program.LoadedCount(), 1u);
}

// Events handled during the waits: a close, a second close, a menu click.

TEST(Reentrancy, CloseDuringTheStartupWait) {
  World w;
  w.web.SetPassesToComplete(3);
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.3"));
  w.loop.ScheduleOnPass(1, [&] { w.MainWindow().RequestClose(); });
  EXPECT_EQ(w.program.Run(), 0);
  // The unload's own read superseded the load's; the load then finished on it.
  EXPECT_EQ(w.web.RequestCount(kManifestAddress), 2);
  EXPECT_TRUE(w.loop.QuitCalled());
  EXPECT_EQ(w.ui.Find(u"Form2"), nullptr);
}

TEST(Reentrancy, SecondCloseDuringTheUnloadWaitIsIgnored) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest());
  app::Form2& form = w.program.form2();
  w.web.SetPassesToComplete(2);
  w.loop.Schedule([&] { w.MainWindow().RequestClose(); });
  w.MainWindow().RequestClose();
  EXPECT_EQ(w.web.RequestCount(kManifestAddress), 2);
  EXPECT_FALSE(w.program.IsLoaded(form));
  w.loop.RunPosted();
  EXPECT_EQ(w.ui.Find(u"Form2"), nullptr);
}

TEST(Reentrancy, FormUnloadedInsideItsOwnHandlerGoesOnSafely) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.1"));
  app::Form2& form = w.program.form2();
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.3", u"http://n/", u"n.exe"));
  w.web.SetPassesToComplete(2);
  // Text4's handler waits for the manifest; the window is closed during that wait,
  // and the handler then stores into the unloaded form.
  w.loop.Schedule([&] { w.MainWindow().RequestClose(); });
  form.Text4.SetText(u"go");
  EXPECT_FALSE(w.program.IsLoaded(form));
  EXPECT_EQ(form.Text6.GetText(), u"http://n/n.exe");
  w.loop.RunPosted();  // only now is the form destroyed
  EXPECT_EQ(w.ui.Find(u"Form2"), nullptr);
}

TEST(Reentrancy, MenuClickDuringTheManifestWait) {
  World w;
  w.web.SetPassesToComplete(3);
  w.web.SetDocument(kManifestAddress, StandardManifest());
  w.loop.ScheduleOnPass(1, [&] { w.MainWindow().ClickMenu(u"DZ"); });
  app::Form2& form = w.program.form2();
  EXPECT_EQ(w.Portal().Address(), kPortal + u"/yun/move/list.asp?dir=1.html");
  EXPECT_EQ(form.Text8.GetText(), u"QuorinSetup.exe");
}

TEST(Reentrancy, SecondReadStartedDuringTheWait) {
  World w;
  w.web.SetPassesToComplete(3);
  w.web.SetDocument(kManifestAddress, StandardManifest());
  // A re-read starts in the middle of the load's read; both end, nothing is lost.
  w.loop.ScheduleOnPass(1, [&] { w.program.form2().Text4.SetText(u"again"); });
  app::Form2& form = w.program.form2();
  EXPECT_EQ(w.web.RequestCount(kManifestAddress), 2);
  EXPECT_EQ(form.Text6.GetText(), u"http://files.test/dl/QuorinSetup.exe");
}

}  // namespace
}  // namespace apptest
