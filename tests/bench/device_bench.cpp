#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/session.h"
#include "device/device_file.h"
#include "device/device_files.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "qt/string_grid_view.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::device {
namespace {

constexpr int kRows = 10000;

// A start-up folder with a device file of kRows rows, and the main window's
// table shown in a grid view.
struct BigDevice {
  BigDevice() : table(kTableColumns, 2), view(table) {
    session.settings.device_folder = "Devices";
    session.settings.function_folder = "Functions";
    session.settings.hardware_types = {"K71 Morvane"};
    table.set_editable(true);
    view.resize(1000, 600);
    view.show();
    std::vector<std::string> lines;
    for (int r = 1; r <= kRows; ++r)
      lines.push_back("Message number " + std::to_string(r) + "\xFE" + std::to_string(r % 1000) +
                      "\xFE" + "32\xFE#\xFE" + "Text of the setting " + std::to_string(r) + "\xFE");
    for (const char* line : {"+27821234567", "1234", "00000Big unit", "\xFDK71 Morvane",
                             "\xFC"
                             "1",
                             "\xFB"
                             "Big.fun",
                             ""})
      lines.push_back(line);
    platform::create_folders(dir.file("Devices"));
    platform::write_lines(path(), lines);
  }
  std::string path() const { return dir.file("Devices/big.dev"); }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session{ui, scheduler, dir.path()};
  Device device;
  platform::StringGrid table;
  qt::StringGridView view;
  DeviceLineReader reader;
  DeviceContext context{session, device, table, reader};
};

void BM_OpenDeviceFillsTheTable(benchmark::State& state) {
  BigDevice big;
  for (auto _ : state) {
    big.ui.dialog_answers.push_back(big.path());
    const OpenResult result = open_device(big.context, DeviceFileKind::Device);
    QApplication::processEvents();  // the view repaints once
    if (!result.opened || big.table.row_count() != kRows + 1)
      state.SkipWithError("the device did not load");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_OpenDeviceFillsTheTable)->Unit(benchmark::kMillisecond);

void BM_SaveDevice(benchmark::State& state) {
  BigDevice big;
  big.ui.dialog_answers.push_back(big.path());
  open_device(big.context, DeviceFileKind::Device);
  const std::string target = big.dir.file("Devices/saved.dev");
  for (auto _ : state) {
    big.ui.dialog_answers.push_back(target);
    if (!save_device(big.context, DeviceFileKind::Device))
      state.SkipWithError("the device was not saved");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SaveDevice)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvex::device
