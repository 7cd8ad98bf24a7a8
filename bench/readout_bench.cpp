// The upgrade window's work per chunk of a download: after every KiB the engine raises
// its progress, the window sets two labels and the bar's value, and the engine runs one
// event pass. Measured on a real window on the X display, as the program runs:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/readout_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtUi.h"
#include "widgets/ControlHost.h"
#include "widgets/SavedProgressBar.h"
#include "widgets/ctlProgress.h"

namespace {

constexpr int kChunks = 65536;  // 64 MiB in 1 KiB chunks

platform::ControlSpec Control(std::u16string name, platform::Rect rect) {
  platform::ControlSpec spec;
  spec.name = std::move(name);
  spec.rect = rect;
  return spec;
}

base::Text Ascii(const char* text) {
  std::string s(text);
  return base::Text(s.begin(), s.end());
}

// The labels' texts of a 64 MiB download, made once so that formatting is not measured.
struct Texts {
  Texts() {
    done.reserve(kChunks);
    speed.reserve(kChunks);
    char buffer[64];
    for (int i = 0; i < kChunks; ++i) {
      const double kib = i + 1;
      std::snprintf(buffer, sizeof buffer, "%.2f KB ", kib);
      base::Text line = u"已下载: " + Ascii(buffer) + u"文件大小:65536.00 KB 当前进度:(";
      std::snprintf(buffer, sizeof buffer, "%.2f%%)", kib * 100 / kChunks);
      done.push_back(line + Ascii(buffer));
      std::snprintf(buffer, sizeof buffer, " %.1f KB /s", 20000 + (i * 7919) % 9000 / 10.0);
      speed.push_back(Ascii(buffer));
    }
  }
  std::vector<base::Text> done;
  std::vector<base::Text> speed;
};

const Texts& TheTexts() {
  static const Texts texts;
  return texts;
}

// The upgrade window's readout: two labels and the bar, shown.
struct UpgradeWindow {
  UpgradeWindow() {
    platform::WindowSpec spec;
    spec.name = u"frmUpgrade";
    spec.caption = u"升级";
    spec.clientWidth = 7515;
    spec.clientHeight = 3030;
    spec.style = platform::FrameStyle::FixedDialog;
    window = ui.CreateWindow(spec);
    done = &window->AddLabel(Control(u"DownTo", {240, 540, 6855, 180}), u"", base::kBlue);
    speed = &window->AddLabel(Control(u"DownSpeed", {240, 1980, 7215, 180}), u"", base::kRed);
    platform::Canvas& pic = window->AddCanvas(Control(u"ctlProgress1", {210, 1200, 7095, 375}));
    bar = std::make_unique<widgets::ctlProgress>(pic, host);
    bar->ReadProperties(widgets::SavedProgressBar());
    bar->Resize();
    window->Show();
    // Mapped and painted once before anything is measured.
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.start(10);
    while (clock.elapsed() < 300) loop.WaitEvents();
  }

  // The state of chunk i (wrapping round after a whole download).
  void Labels(int i) {
    const Texts& texts = TheTexts();
    done->SetText(texts.done[i % kChunks]);
    speed->SetText(texts.speed[i % kChunks]);
  }
  void Bar(int i) { bar->SetValue((i % kChunks + 1) * (100.0 / kChunks)); }

  platform::qt::QtEventLoop loop;
  platform::qt::QtUi ui;
  std::unique_ptr<platform::Window> window;
  platform::LabelView* done = nullptr;
  platform::LabelView* speed = nullptr;
  widgets::RunTimeHost host{7095, 375, std::make_shared<base::Font>()};
  std::unique_ptr<widgets::ctlProgress> bar;
};

void BM_DoEvents(benchmark::State& state) {
  UpgradeWindow w;
  for (auto _ : state) w.loop.DoEvents();
}

void BM_Labels(benchmark::State& state) {
  UpgradeWindow w;
  int i = 0;
  for (auto _ : state) w.Labels(i++);
}

void BM_LabelsAndDoEvents(benchmark::State& state) {
  UpgradeWindow w;
  int i = 0;
  for (auto _ : state) {
    w.Labels(i++);
    w.loop.DoEvents();
  }
}

void BM_Bar(benchmark::State& state) {
  UpgradeWindow w;
  int i = 0;
  for (auto _ : state) w.Bar(i++);
}

void BM_BarAndDoEvents(benchmark::State& state) {
  UpgradeWindow w;
  int i = 0;
  for (auto _ : state) {
    w.Bar(i++);
    w.loop.DoEvents();
  }
}

void BM_All(benchmark::State& state) {
  UpgradeWindow w;
  int i = 0;
  for (auto _ : state) {
    w.Labels(i);
    w.Bar(i++);
    w.loop.DoEvents();
  }
}

// One whole 64 MiB download on a fresh window; the time shown is per chunk.
void BM_Download64MiB(benchmark::State& state) {
  TheTexts();
  for (auto _ : state) {
    state.PauseTiming();
    {
      UpgradeWindow w;
      state.ResumeTiming();
      for (int i = 0; i < kChunks; ++i) {
        w.Labels(i);
        w.Bar(i);
        w.loop.DoEvents();
      }
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kChunks);
  state.counters["ns_per_chunk"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kChunks),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_DoEvents)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Labels)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_LabelsAndDoEvents)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Bar)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_BarAndDoEvents)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_All)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Download64MiB)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  // The real program's platform, not the offscreen one: painting goes to the X server.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TheTexts();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
