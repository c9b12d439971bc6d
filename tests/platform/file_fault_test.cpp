// Every rewrite of an operator file, and the event log's append, run once
// for each file operation failing (EIO, ENOSPC, EACCES) and once stopped dead
// at each: the file is always the old one or the new one, byte for byte, and
// a failure is told to the operator (a message, or the error the window's
// handler reports).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>

#include "../device/device_fixture.h"
#include "app/accounts.h"
#include "app/event_log.h"
#include "app/settings_files.h"
#include "device/device_files.h"
#include "eeprom/map_generator.h"
#include "export/semicolon_table.h"
#include "outbound/bulk_messages.h"
#include "outbound/control_panel.h"
#include "outbound/email_security.h"
#include "outbound/email_settings.h"
#include "platform/file_api.h"
#include "platform/text_file.h"
#include "support/file_faults.h"

namespace tarvex {
namespace {

using platform::FileOp;
using testing::FileFault;

const std::string kOld = "the old contents\r\nsecond line\r\n";

std::string contents_or_missing(const std::string& path) {
  return platform::file_exists(path) ? platform::read_file(path) : std::string("<missing>");
}

// The state before a run, put there without a file operation of the program.
void put(const std::string& path, const std::string& bytes) {
  std::ofstream(platform::to_fs_path(path), std::ios::binary) << bytes;
}

std::vector<std::string> names_in(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(platform::to_fs_path(folder), ec), end;
       !ec && it != end; it.increment(ec))
    names.push_back(platform::from_fs_path(it->path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

// Takes away what crashed runs left in folder beside the names it held first.
void remove_leftovers(const std::string& folder, const std::vector<std::string>& first) {
  for (const std::string& name : names_in(folder))
    if (!std::binary_search(first.begin(), first.end(), name)) {
      std::error_code ec;
      std::filesystem::remove_all(platform::to_fs_path(platform::join_path(folder, name)), ec);
    }
}

// Runs rewrite (which tells whether a fault reached the operator) under every
// single fault and crash, with path holding old_bytes before each run.
void expect_old_or_new(
    const std::string& what, const std::string& path, const std::string& old_bytes,
    const std::function<bool()>& rewrite, const std::function<void()>& setup = [] {}) {
  std::string new_bytes;
  bool told = false;
  const std::string folder = platform::folder_of(path);
  put(path, old_bytes);
  const std::vector<std::string> first = names_in(folder);
  const auto counts = testing::enumerate_file_faults(
      [&] {
        remove_leftovers(folder, first);
        put(path, old_bytes);
        told = false;
        setup();
      },
      [&] { told = rewrite(); },
      [&](const FileFault& fault) {
        const std::string now = contents_or_missing(path);
        if (fault.kind == FileFault::Kind::None) {
          new_bytes = now;
          EXPECT_NE(now, old_bytes) << what << ": the clean run wrote nothing";
          EXPECT_FALSE(told) << what << ": the clean run reported a fault";
          return;
        }
        EXPECT_TRUE(now == old_bytes || now == new_bytes) << what << ", " << fault << ":\n" << now;
        if (!fault.failed()) return;
        // A stream that was read whole may fail to close, and a remove of
        // what is not there may fail: neither changes what was written.
        const bool on_the_file = fault.path.rfind(path, 0) == 0 && fault.op != FileOp::Remove &&
                                 !(fault.op == FileOp::Close && fault.read_side);
        if (now != new_bytes || on_the_file) {
          EXPECT_TRUE(told) << what << ", " << fault << ": not told";
        }
        EXPECT_EQ(names_in(folder), first) << what << ", " << fault << ": a file left behind";
      });
  remove_leftovers(folder, first);
  std::cout << "[ faults   ] " << what << ": " << counts << "\n";
  EXPECT_GT(counts.operations, 0);
}

// What a throwing rewrite tells: whether it threw the file error.
bool throws_file_error(const std::function<void()>& rewrite) {
  try {
    rewrite();
    return false;
  } catch (const platform::FileError&) {
    return true;
  }
}

TEST(FileFaults, SettingsFilesAreOldOrNew) {
  testing::TempFolder dir;
  expect_old_or_new("setup.txt", dir.file("setup.txt"), kOld, [&] {
    return throws_file_error([&] { app::rewrite_setup_line(dir.path(), 3, "Incoming folder"); });
  });
  expect_old_or_new("setup.txt column widths", dir.file("setup.txt"), kOld, [&] {
    return throws_file_error([&] { app::save_form_settings(dir.path(), {100, 60, 60, 60, 300}); });
  });
  expect_old_or_new("eset.ini", dir.file("eset.ini"), kOld, [&] {
    return throws_file_error([&] {
      outbound::write_email_settings(
          dir.file("eset.ini"), {"Owner", "012", "a@b.c", "smtp.example.com", "me", "42", "p@b.c"});
    });
  });
  expect_old_or_new("email_security.ini", dir.file(outbound::kEmailSecurityFile), kOld, [&] {
    return throws_file_error([&] {
      outbound::write_email_security(
          dir.file(outbound::kEmailSecurityFile),
          {outbound::SmtpSecurity::StartTls, 2587, "anna@provider.example", "secret", ""});
    });
  });
}

TEST(FileFaults, AccountsAndClearedEventLogAreOldOrNew) {
  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session(ui, scheduler, dir.path());
  session.current_operator = "admin";
  platform::StringGrid users(2, 2);
  app::init_user_grid(users);
  users.set_cell(0, 1, "admin");
  users.set_cell(1, 1, "1234");
  const auto clear_messages = [&] { ui.messages.clear(); };
  expect_old_or_new(
      "user.dat", dir.file("user.dat"), kOld,
      [&] { return !app::SaveUsers(ui, users, dir.file("user.dat")) || !ui.messages.empty(); },
      clear_messages);
  expect_old_or_new("prpl.dat cleared", dir.file("prpl.dat"), kOld,
                    [&] { return throws_file_error([&] { app::clear_event_log(session); }); });
}

TEST(FileFaults, EventLogAppendKeepsEveryEarlierEntryWhole) {
  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session(ui, scheduler, dir.path());
  session.current_operator = "admin";
  app::write_log(session, "first event");
  app::write_log(session, "second event");
  const std::string earlier = dir.read("prpl.dat");
  const std::string log = dir.file("prpl.dat");
  std::string with_entry;
  bool told = false;
  const auto counts = testing::enumerate_file_faults(
      [&] {
        put(log, earlier);
        told = false;
      },
      [&] { told = throws_file_error([&] { app::write_log(session, "third event"); }); },
      [&](const FileFault& fault) {
        const std::string now = dir.read("prpl.dat");
        if (fault.kind == FileFault::Kind::None) {
          with_entry = now;
          ASSERT_EQ(app::read_event_log(log).size(), 3u);
          return;
        }
        ASSERT_EQ(now.substr(0, earlier.size()), earlier) << fault;
        const auto entries = app::read_event_log(log);
        ASSERT_GE(entries.size(), 2u) << fault;
        EXPECT_EQ(entries[0].event, "first event") << fault;
        EXPECT_EQ(entries[1].event, "second event") << fault;
        if (fault.kind == FileFault::Kind::TornWrite) return;  // the new entry cut short
        EXPECT_TRUE(now == earlier || now == with_entry) << fault;
        if (fault.failed()) {
          EXPECT_EQ(told, now != with_entry) << fault;
        }
      });
  std::cout << "[ faults   ] prpl.dat append: " << counts << "\n";
}

TEST(FileFaults, DeviceFileHistoryAndTemplateAreOldOrNew) {
  device::DeviceFixture f;
  f.device.unit_number = "+2782";
  f.device.password = "1234";
  f.device.function_file = "K71.fun";
  f.device.hardware_type = "K71 Morvane";
  f.rows({{"Zone 1", "Z1", "20", "", "Front door", "Unselected"}});
  const std::string device_path = f.dir.file("Devices/+2782.dev");
  platform::create_folders(f.dir.file("Devices"));
  expect_old_or_new(
      "device file", device_path, kOld,
      [&] {
        const bool saved =
            device::save_device(f.context, device::DeviceFileKind::Device).has_value();
        return !saved || !f.ui.messages.empty();
      },
      [&] {
        f.ui.messages.clear();
        f.ui.dialog_answers = {device_path};
        f.device.modified = true;
      });
  expect_old_or_new(
      "History.ini", f.dir.file("History.ini"), kOld,
      [&] {
        (void)device::update_history(f.session, device_path);
        return !f.ui.messages.empty();
      },
      [&] { f.ui.messages.clear(); });
  eeprom::MapFileRequest request;
  request.type_name = "K71 Morvane";
  expect_old_or_new(
      "EEPROM template", f.dir.file("t.dtp"), kOld,
      [&] { return !eeprom::create_map_file(f.ui, f.dir.file("t.dtp"), request); },
      [&] { f.ui.messages.clear(); });
}

TEST(FileFaults, FunctionGroupAndExportFilesAreOldOrNew) {
  device::DeviceFixture f;
  platform::create_folders(f.dir.file("Functions"));
  platform::create_folders(f.dir.file("Groups"));
  const auto answer = [&](const std::string& path) {
    return [&f, path] {
      f.ui.messages.clear();
      f.ui.dialog_answers = {path};
    };
  };
  const std::string function_path = f.dir.file("Functions/K71.fun");
  expect_old_or_new(
      "function file", function_path, kOld,
      [&] {
        return !outbound::save_function_file(
            f.session, {"+2782", "1234", "Gate", {{"Arm", "ARM"}, {"Disarm", "DISARM"}}});
      },
      answer(function_path));
  const std::string group_path = f.dir.file("Groups/Gate.grp");
  expect_old_or_new(
      "group file", group_path, kOld,
      [&] {
        const bool saved =
            outbound::save_group(f.session, {"+27821234567", "+27731112222"}).has_value();
        return !saved || !f.ui.messages.empty();
      },
      answer(group_path));
  platform::StringGrid results(4, 2);
  results.set_cell(0, 1, "+2782");
  const std::string export_path = f.dir.file("log.xls");
  expect_old_or_new(
      "export", export_path, kOld,
      [&] { return !exporting::export_unit_log(f.session, results, "+2782"); },
      answer(export_path));
}

}  // namespace
}  // namespace tarvex
