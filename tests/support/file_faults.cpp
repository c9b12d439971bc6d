#include "support/file_faults.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace tarvex::testing {

using platform::FileOp;

std::ostream& operator<<(std::ostream& out, const FileFault& fault) {
  switch (fault.kind) {
    case FileFault::Kind::None:
      return out << "no fault";
    case FileFault::Kind::Fail:
      out << std::strerror(fault.error) << " failing";
      break;
    case FileFault::Kind::Crash:
      out << "crash before";
      break;
    case FileFault::Kind::TornWrite:
      out << "crash half way through";
      break;
  }
  return out << " operation " << fault.index << " (" << platform::file_op_name(fault.op) << " "
             << fault.path << ")";
}

std::ostream& operator<<(std::ostream& out, const FileFaultCounts& counts) {
  return out << counts.operations << " operations, " << counts.faults << " faults injected, "
             << counts.crash_points << " crash points";
}

FileFaultPlan::FileFaultPlan(FileFault& fault, std::vector<FileOp>* record)
    : fault_(fault), record_(record) {
  platform::set_file_fault_injector(this);
}

FileFaultPlan::~FileFaultPlan() {
  platform::set_file_fault_injector(nullptr);
  let_go_of_streams();
}

int FileFaultPlan::at(FileOp op, std::string_view path) {
  ++count_;
  if (record_) record_->push_back(op);
  // Streams are written one after the other: a read, write, flush or close
  // is on the file opened last.
  if (op == FileOp::Open) {
    last_opened_ = std::string(path);
    written_ = false;
  } else if (path.empty()) {
    path = last_opened_;
  }
  if (op == FileOp::Write) written_ = true;
  if (dead_) return platform::kFileOpDead;
  if (fault_.kind == FileFault::Kind::None || count_ != fault_.index) return 0;
  hit_ = true;
  fault_.op = op;
  fault_.path = std::string(path);
  fault_.read_side = (op == FileOp::Read || op == FileOp::Close) && !written_;
  if (fault_.kind == FileFault::Kind::Fail) return fault_.error;
  dead_ = true;
  if (fault_.kind == FileFault::Kind::TornWrite && op == FileOp::Write)
    return platform::kFileOpTorn;
  // A close runs in destructors, where nothing may be thrown: the run goes
  // on, but no operation of it has any effect any more.
  if (op == FileOp::Close) return platform::kFileOpDead;
  throw platform::SimulatedCrash{};
}

bool run_has_crashed() {
  const auto* plan =
      dynamic_cast<const FileFaultPlan*>(platform::detail::file_fault_injector.load());
  return plan && plan->dead();
}

void FileFaultPlan::let_go_of_streams() {
  // What a dying process leaves in its buffers never reaches the file.
  for (std::FILE* file : open_) platform::discard_file(file);
  open_.clear();
}

namespace {

void run_once(FileFault& fault, const std::function<void()>& setup,
              const std::function<void()>& run, const std::function<void(const FileFault&)>& check,
              std::vector<FileOp>* ops) {
  setup();
  {
    FileFaultPlan plan(fault, ops);
    try {
      run();
    } catch (const platform::SimulatedCrash&) {
    } catch (...) {
      if (!plan.dead()) throw;
    }
    if (fault.kind != FileFault::Kind::None) {
      EXPECT_TRUE(plan.hit()) << "the run ended before " << fault;
    }
    if (!fault.crashed()) {
      EXPECT_EQ(plan.still_open(), 0u) << "a file was left open, " << fault;
    }
  }
  check(fault);
}

}  // namespace

FileFaultCounts enumerate_file_faults(const std::function<void()>& setup,
                                      const std::function<void()>& run,
                                      const std::function<void(const FileFault&)>& check) {
  FileFaultCounts counts;
  std::vector<FileOp> ops;
  FileFault clean;
  run_once(clean, setup, run, check, &ops);
  counts.operations = static_cast<int>(ops.size());
  for (int index = 1; index <= counts.operations; ++index) {
    for (int error : {EIO, ENOSPC, EACCES}) {
      FileFault fault{FileFault::Kind::Fail, index, error};
      run_once(fault, setup, run, check, nullptr);
      ++counts.faults;
    }
    FileFault crash{FileFault::Kind::Crash, index};
    run_once(crash, setup, run, check, nullptr);
    ++counts.crash_points;
    if (ops[static_cast<std::size_t>(index - 1)] == FileOp::Write) {
      FileFault torn{FileFault::Kind::TornWrite, index};
      run_once(torn, setup, run, check, nullptr);
      ++counts.crash_points;
    }
  }
  return counts;
}

FailingPaths::FailingPaths(std::vector<Rule> rules) : rules_(std::move(rules)) {
  platform::set_file_fault_injector(this);
}

FailingPaths::~FailingPaths() {
  platform::set_file_fault_injector(nullptr);
}

int FailingPaths::at(FileOp op, std::string_view path) {
  for (Rule& rule : rules_)
    if (rule.op == op && rule.times != 0 && path.size() >= rule.path_end.size() &&
        path.compare(path.size() - rule.path_end.size(), rule.path_end.size(), rule.path_end) ==
            0) {
      if (rule.times > 0) --rule.times;
      return EIO;
    }
  return 0;
}

}  // namespace tarvex::testing
