// The upgrade window assigns its bar's value once per KiB received; each assignment
// clears the bar, measures and prints the percentage and lays the fill over it.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <memory>

#include "platform/qt/QtCanvas.h"
#include "widgets/ControlHost.h"
#include "widgets/SavedProgressBar.h"
#include "widgets/ctlProgress.h"

namespace {

struct UpgradeBar {
  UpgradeBar() {
    bar.ReadProperties(widgets::SavedProgressBar());
    bar.Resize();
    pic.show();
    QApplication::processEvents();
  }
  platform::qt::QtCanvas pic;
  widgets::RunTimeHost host{7095, 375, std::make_shared<base::Font>()};
  widgets::ctlProgress bar{pic, host};
};

// Values that change the caption at every step, as a download does.
double Next(double& v) {
  v += 0.37;
  if (v > 100) v -= 100;
  return v;
}

void BM_ValueAssignment(benchmark::State& state) {
  UpgradeBar upgrade;
  double v = 0;
  for (auto _ : state) upgrade.bar.SetValue(Next(v));
}
BENCHMARK(BM_ValueAssignment)->Repetitions(9)->ReportAggregatesOnly(true);

// The same with the repaint it schedules, as the engine's event pass after each chunk.
void BM_ValueAssignmentAndRepaint(benchmark::State& state) {
  UpgradeBar upgrade;
  double v = 0;
  for (auto _ : state) {
    upgrade.bar.SetValue(Next(v));
    QApplication::processEvents();
  }
}
BENCHMARK(BM_ValueAssignmentAndRepaint)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
