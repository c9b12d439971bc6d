#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "app/session.h"
#include "incoming/find_tools.h"
#include "platform/string_grid.h"
#include "platform/text_file.h"

namespace tarvex::incoming {

// How long an empty file, or one ending in the middle of a line, must stay
// unchanged before it counts as finished.
inline constexpr std::int64_t kUnfinishedWaitMs = 60000;

inline constexpr const char* kNoIncomingFolder =
    "No Incomming Messages folder is set up, so no messages are received!";

// The incoming-message poll: every tick takes at most one "*.txt" file of the
// incoming-message folder, shows its messages in the grid and deletes it.
//
// The modem engine writes these files from another process at any time, so a
// file is taken only once a tick finds it with the same size and time of
// change as the tick before: a file still being written is left for later.
// A writer may also pause: an empty file, or one whose last line has no line
// end yet, waits until it has stayed so for kUnfinishedWaitMs. And a file is
// deleted only when it is still as it was when it was read to its end;
// otherwise nothing of it is shown and it is taken again once it settles. A file that cannot be
// read, or cannot be deleted after reading, is reported once (not every
// tick); it does not hold up the files behind it. One that was shown but
// stays is not read again while it is unchanged, its deletion is tried again
// on later ticks, and when it is written to meanwhile only what follows the
// part shown is shown (all of it when it was written anew).
class IncomingReceiver {
 public:
  IncomingReceiver(app::Session& session, platform::StringGrid& grid);

  struct Tick {
    int accepted = 0;  // messages added to the grid
    // The data row to show at the top of the grid, when it scrolls.
    std::optional<int> top_row;
  };
  // One poll (Timer3Timer). Does nothing when called again from inside
  // itself (a message box pumps window messages).
  Tick poll();

  // "Clear Received Messages": the grid and the counter start again.
  void clear();
  int counter() const { return counter_; }
  // "Message Count: " + counter
  std::string counter_caption() const;

  // How a file is read and deleted; tests put failing ones in.
  std::function<std::string(const std::string&)> read_file = [](const std::string& path) {
    return platform::read_file(path);
  };
  std::function<bool(const std::string&)> remove_file = platform::remove_file;

 private:
  std::string folder() const;
  void take(const ListedFile& file, const std::string& folder, Tick& tick);
  bool unchanged_for_a_while(const std::string& name) const;
  void report_once(const std::string& name, const std::string& text);

  app::Session& session_;
  platform::StringGrid& grid_;
  int counter_ = 0;
  bool busy_ = false;
  bool told_no_folder_ = false;
  // What the previous tick saw, to tell finished files from growing ones,
  // and since when the file has looked like that.
  struct Seen {
    ListedFile file;
    std::int64_t since_ms = 0;
  };
  std::map<std::string, Seen> seen_;
  // Files whose failure was reported; taken again only after the others.
  std::set<std::string> failed_;
  // Files read while their last line had no line end, as they were then.
  std::map<std::string, ListedFile> unfinished_;
  // Files shown that could not be deleted, as they were then, with what was
  // shown; their deletion is tried again on later ticks.
  struct Shown {
    ListedFile file;
    std::string bytes;
  };
  std::map<std::string, Shown> consumed_;
};

}  // namespace tarvex::incoming
