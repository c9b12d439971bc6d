#pragma once

#include <cstdio>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_faults.h"

// Runs an operation once to count its file operations, then once for each of
// them failing with each error, and once stopped dead at each (before the
// operation, that is right after the one before it; a write also torn half
// way), checking an invariant after every run.
namespace tarvex::testing {

struct FileFault {
  enum class Kind { None, Fail, Crash, TornWrite };
  Kind kind = Kind::None;
  int index = 0;  // 1-based number of the operation it hits
  int error = 0;  // errno, for Fail
  // The operation hit, filled in by the run.
  platform::FileOp op = platform::FileOp::Open;
  std::string path;
  bool read_side = false;  // a read, or the close of a stream that was only read

  bool failed() const { return kind == Kind::Fail; }
  bool crashed() const { return kind == Kind::Crash || kind == Kind::TornWrite; }
};

std::ostream& operator<<(std::ostream& out, const FileFault& fault);

// Installed for its lifetime: counts every operation and hits the planned one.
class FileFaultPlan final : public platform::FileFaultInjector {
 public:
  // record: where the kinds of the operations go, in order.
  explicit FileFaultPlan(FileFault& fault, std::vector<platform::FileOp>* record = nullptr);
  ~FileFaultPlan() override;
  FileFaultPlan(const FileFaultPlan&) = delete;
  FileFaultPlan& operator=(const FileFaultPlan&) = delete;

  int at(platform::FileOp op, std::string_view path) override;
  void opened(std::FILE* file) override { open_.insert(file); }
  void closed(std::FILE* file) override { open_.erase(file); }

  int operations() const { return count_; }
  bool dead() const { return dead_; }
  bool hit() const { return hit_; }
  // Streams still open (after a crash: let go without writing their buffers).
  std::size_t still_open() const { return open_.size(); }
  void let_go_of_streams();

 private:
  FileFault& fault_;
  std::vector<platform::FileOp>* record_;
  int count_ = 0;
  bool dead_ = false;
  bool hit_ = false;
  std::string last_opened_;
  bool written_ = false;
  std::set<std::FILE*> open_;
};

// Whether the run under way has crashed. Code a run goes on with after a
// crash at a close (which can not throw) asks it to stop where the dead
// process would have stopped, before an effect that lives only in memory.
bool run_has_crashed();

struct FileFaultCounts {
  int operations = 0;    // of the clean run
  int faults = 0;        // failing runs
  int crash_points = 0;  // crashed runs
};

std::ostream& operator<<(std::ostream& out, const FileFaultCounts& counts);

// setup() puts the files (and anything else) in their state before the
// operation; it runs, uninstrumented, before every run. run() is the
// operation: a SimulatedCrash out of it is caught here. check() is called
// after every run, the clean one first (kind None).
FileFaultCounts enumerate_file_faults(const std::function<void()>& setup,
                                      const std::function<void()>& run,
                                      const std::function<void(const FileFault&)>& check);

// Installed for its lifetime: operations of a kind on a path that ends as
// given fail with EIO (the first `times` of them; all when times < 0).
// Faults that come together, as a read that fails and the putting back
// after it.
class FailingPaths final : public platform::FileFaultInjector {
 public:
  struct Rule {
    platform::FileOp op;
    std::string path_end;
    int times = -1;
  };
  explicit FailingPaths(std::vector<Rule> rules);
  ~FailingPaths() override;
  FailingPaths(const FailingPaths&) = delete;
  FailingPaths& operator=(const FailingPaths&) = delete;

  int at(platform::FileOp op, std::string_view path) override;
  void opened(std::FILE*) override {}
  void closed(std::FILE*) override {}

 private:
  std::vector<Rule> rules_;
};

}  // namespace tarvex::testing
