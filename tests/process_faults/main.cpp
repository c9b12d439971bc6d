// process_faults: the modem-engine stand-in and the SMS gateway bridge (in
// front of the real gammu-smsd) as whole processes, under libfiu's POSIX
// preload library with I/O failures injected at random and under SIGKILL at
// random moments, for a number of rounds. After each round a clean restart
// finishes the hand-over, and then every message must have been passed on
// exactly once: each outbox file answered once (the stand-in) or given to
// the phone at most once and never lost (the bridge), and each message the
// phone received, each sent record and each delivery report in exactly one
// incoming file and once in the unit log. scripts/test-process-faults builds
// and runs it; the settings come from the environment:
//   ROUNDS (10), SEED (from the clock; printed), ROUND (only that round),
//   PROBABILITY (0.05: of each POSIX I/O and stdio call failing),
//   TOOLS ("standin,bridge"), KEEP (1: keep every round's folders; those of a
//   failing round are always kept).
// Exits 1 when any invariant was broken, 2 when it could not run.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "outbound/outbox_message_file.h"
#include "platform/file_api.h"
#include "platform/text_file.h"
#include "support/child_process.h"
#include "support/gammu_daemon.h"

namespace {

using namespace tarvex;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr const char* kFiuFolder = "/usr/lib/fiu";
constexpr const char* kJunk = "junk_99.txt";

std::string env_or(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool starts_with(const std::string& text, const std::string& start) {
  return text.rfind(start, 0) == 0;
}

std::string digits(int n, int width) {
  std::string text = std::to_string(n);
  const std::size_t width_wanted = static_cast<std::size_t>(width);
  return std::string(width_wanted > text.size() ? width_wanted - text.size() : 0, '0') + text;
}

int occurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

std::string file_or_empty(const std::string& path) {
  return platform::file_exists(path) ? platform::read_file(path) : "";
}

struct Settings {
  int rounds = 10;
  int only_round = -1;
  unsigned long long seed = 0;
  double probability = 0.05;
  bool standin = true;
  bool bridge = true;
  bool keep = false;
  std::string binaries;
  std::string tally_library;
};

// What one round found.
struct Outcome {
  int messages = 0;  // outbox files, messages received, reports
  int faults = 0;
  std::map<std::string, int> fault_points;
  int kills = 0;
  int starts = 0;
  int self_exits = 0;  // ended by themselves under faults (refused to start)
  std::vector<std::string> violations;
  std::vector<std::string> litter;  // files a killed write left behind
};

// One tool as a process: started under the fault preload or clean, killed,
// started again.
class Tool {
 public:
  Tool(const Settings& settings, std::string name, std::string program,
       std::vector<std::string> arguments, std::string folder, std::string round_folder,
       std::uint64_t seed, Outcome& outcome)
      : settings_(settings),
        name_(std::move(name)),
        program_(std::move(program)),
        arguments_(std::move(arguments)),
        folder_(std::move(folder)),
        round_folder_(std::move(round_folder)),
        seed_(seed),
        outcome_(outcome) {}
  ~Tool() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  std::string tally_path() const { return platform::join_path(round_folder_, name_ + ".faults"); }
  std::string output_path() const { return platform::join_path(round_folder_, name_ + ".out"); }

  void start(bool faulty) {
    std::vector<std::string> environment;
    if (faulty) {
      // What fiu-run -x -f '' -c 'enable_random ...' sets, and the tally.
      const std::string p = std::to_string(settings_.probability);
      environment = {
          "LD_PRELOAD=" + std::string(kFiuFolder) + "/fiu_run_preload.so " + kFiuFolder +
              "/fiu_posix_preload.so " + settings_.tally_library,
          "FIU_ENABLE=enable_random name=posix/io/*,probability=" + p +
              "\nenable_random name=posix/stdio/*,probability=" + p,
          "FIU_CTRL_FIFO=", "FIU_PRNG_SEED=" + std::to_string((seed_ + starts_) & 0x7fffffff),
          "TARVEX_FAULT_TALLY=" + tally_path()};
    }
    faulty_ = faulty;
    ++starts_;
    ++outcome_.starts;
    pid_ = testing::start_program(program_, arguments_, folder_, environment, output_path());
    if (pid_ <= 0) outcome_.violations.push_back(name_ + " could not be started");
  }

  // Looks whether it ended by itself; true while it runs.
  bool running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
    pid_ = -1;
    judge(status, "by itself");
    ++outcome_.self_exits;
    return false;
  }

  void kill_now() {
    if (!running()) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    ++outcome_.kills;
  }

  // SIGTERM; it must end within 20 s with exit code 0.
  void stop() {
    if (!running()) return;
    kill(pid_, SIGTERM);
    int status = 0;
    const bool ended =
        testing::wait_until([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, 20);
    if (!ended) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      outcome_.violations.push_back(name_ + " did not stop within 20 s of SIGTERM");
    } else if (WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) {
      // Still starting, before it took SIGTERM in hand: it ends as asked.
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      judge(status, "on SIGTERM");
      if (WIFEXITED(status))
        outcome_.violations.push_back(name_ + " stopped with exit code " +
                                      std::to_string(WEXITSTATUS(status)));
    }
    pid_ = -1;
  }

 private:
  // A tool under faults may refuse to start (exit code 1); dying of a
  // signal it was not sent is a crash.
  void judge(int status, const char* how) {
    if (WIFSIGNALED(status))
      outcome_.violations.push_back(name_ + " died of signal " + std::to_string(WTERMSIG(status)) +
                                    " " + how + (faulty_ ? " (under faults)" : "") + "; see " +
                                    output_path());
    else if (WIFEXITED(status) && WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 1)
      outcome_.violations.push_back(name_ + " ended with exit code " +
                                    std::to_string(WEXITSTATUS(status)) + " " + how);
  }

  const Settings& settings_;
  std::string name_, program_;
  std::vector<std::string> arguments_;
  std::string folder_, round_folder_;
  std::uint64_t seed_;
  Outcome& outcome_;
  pid_t pid_ = -1;
  int starts_ = 0;
  bool faulty_ = false;
};

// Real time since the start of a phase.
class Stopwatch {
 public:
  std::int64_t ms() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
  }

 private:
  Clock::time_point start_ = Clock::now();
};

struct Action {
  std::int64_t at_ms;
  std::function<void()> run;
};

// The program's side of the incoming-message folder: every "*.txt" taken,
// its lines kept, the file deleted.
class Receiver {
 public:
  explicit Receiver(std::string folder) : folder_(std::move(folder)) {}
  void take() {
    for (const std::string& name : platform::list_files(folder_, "*.txt")) {
      const std::string path = platform::join_path(folder_, name);
      for (auto& line : platform::read_lines(path)) lines.push_back(std::move(line));
      platform::remove_file(path);
    }
  }
  std::vector<std::string> lines;

 private:
  std::string folder_;
};

// The faulty phase: the actions at their moments, the receiver taking what
// comes, the tool started again at once when killed and after a moment when
// it ended by itself; then SIGTERM. The clean phase: a start without faults
// (once its log tells it has started) until done() holds (at most 120 s),
// then SIGTERM.
void run_phases(Tool& tool, const std::string& tool_log, std::vector<Action> actions,
                std::int64_t faulty_ms, Receiver& receiver, const std::function<bool()>& done,
                Outcome& outcome) {
  std::sort(actions.begin(), actions.end(),
            [](const Action& a, const Action& b) { return a.at_ms < b.at_ms; });
  tool.start(true);
  Stopwatch watch;
  std::size_t next = 0;
  std::int64_t ended_at = -1;
  while (watch.ms() < faulty_ms || next < actions.size()) {
    while (next < actions.size() && actions[next].at_ms <= watch.ms()) actions[next++].run();
    if (!tool.running()) {
      if (ended_at < 0) ended_at = watch.ms();
      if (watch.ms() - ended_at >= 100) {
        tool.start(true);
        ended_at = -1;
      }
    }
    receiver.take();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  tool.stop();
  const auto starts_logged = [&] { return occurrences(file_or_empty(tool_log), " started;"); };
  const int earlier_starts = starts_logged();
  tool.start(false);
  if (!testing::wait_until([&] { return starts_logged() > earlier_starts; }, 30))
    outcome.violations.push_back("the clean restart did not log its start within 30 s");
  const bool finished = testing::wait_until(
      [&] {
        receiver.take();
        return done();
      },
      120);
  tool.stop();
  receiver.take();
  if (!finished)
    outcome.violations.push_back("the clean restart did not finish the hand-over in 120 s");
  for (const std::string& point : platform::file_exists(tool.tally_path())
                                      ? platform::read_lines(tool.tally_path())
                                      : std::vector<std::string>{}) {
    ++outcome.faults;
    ++outcome.fault_points[point];
  }
}

// Kill moments: at random in the faulty phase, or a little after a random
// write, when the file has settled and is being handed on.
std::vector<std::int64_t> kill_moments(std::mt19937_64& random, int kills, std::int64_t phase_ms,
                                       const std::vector<std::int64_t>& writes) {
  std::vector<std::int64_t> moments;
  for (int k = 0; k < kills; ++k) {
    if (!writes.empty() && random() % 2)
      moments.push_back(writes[random() % writes.size()] + 400 + random() % 700);
    else
      moments.push_back(static_cast<std::int64_t>(random() % phase_ms));
  }
  return moments;
}

// The file kJunk, no message, written at a random moment of the first
// window_ms, and 2 to 5 kills, each followed by a start under faults.
void add_junk_and_kills(std::vector<Action>& actions, std::mt19937_64& random, Tool& tool,
                        const std::string& outbox, std::int64_t window_ms, std::int64_t phase_ms,
                        const std::vector<std::int64_t>& writes) {
  actions.push_back({static_cast<std::int64_t>(random() % window_ms), [outbox] {
                       platform::write_file(platform::join_path(outbox, kJunk), "no separator");
                     }});
  for (std::int64_t at : kill_moments(random, 2 + static_cast<int>(random() % 4), phase_ms, writes))
    actions.push_back({at, [&tool] {
                         tool.kill_now();
                         tool.start(true);
                       }});
}

// Lines of the form "<number>,<field2>,<time>,<text>": how many end in text
// for each expected (number, field 2); the rest are strays.
struct LineCount {
  std::map<std::string, int> counted;
  std::vector<std::string> strays;
};

LineCount count_lines(const std::vector<std::string>& lines,
                      const std::map<std::string, std::string>& expected) {
  LineCount result;
  for (const auto& [key, text] : expected) result.counted[key] = 0;
  for (const std::string& line : lines) {
    bool known = false;
    for (const auto& [key, text] : expected)
      if (starts_with(line, key) && ends_with(line, text)) {
        ++result.counted[key];
        known = true;
        break;
      }
    if (!known) result.strays.push_back(line);
  }
  return result;
}

void check_once(const LineCount& count, const char* where, Outcome& outcome) {
  for (const auto& [key, n] : count.counted)
    if (n != 1)
      outcome.violations.push_back(std::string(where) + " holds " + std::to_string(n) +
                                   " lines for " + key + ", not 1");
  for (const std::string& line : count.strays)
    outcome.violations.push_back(std::string(where) + " holds a line of nothing sent: " + line);
}

std::vector<std::string> files_in(const std::string& folder) {
  return platform::list_files(folder, "*");
}

void note_litter(const std::string& folder, const std::vector<std::string>& expected,
                 Outcome& outcome) {
  for (const std::string& name : files_in(folder))
    if (std::find(expected.begin(), expected.end(), name) == expected.end())
      outcome.litter.push_back(platform::join_path(folder, name));
}

void prepare(const std::string& site, const std::string& setup) {
  for (const char* sub : {"Outbox", "Incoming"})
    platform::create_folders(platform::join_path(site, sub));
  platform::write_file(platform::join_path(site, "setup.txt"), setup);
}

outbound::OutboxMessageFile outbox_message(int i, const std::string& number) {
  // Rows of a programming run (a delivery report asked for) and commands
  // ("Report:N", CR LF) in turn.
  return i % 2 ? outbound::programming_message(number, i, "row" + std::to_string(i))
               : outbound::command_message(number, i, "*", "1234", "c" + std::to_string(i));
}

std::string outbox_text(int i) {
  return i % 2 ? "row" + std::to_string(i) : "*1234c" + std::to_string(i);
}

Outcome standin_round(const Settings& settings, const std::string& folder,
                      std::mt19937_64& random) {
  Outcome outcome;
  const std::string site = platform::join_path(folder, "site");
  const std::string outbox = platform::join_path(site, "Outbox");
  const std::string incoming = platform::join_path(site, "Incoming");
  prepare(site, "Outbox\r\nDevices\r\nIncoming\r\nengine\r\n");
  Tool tool(settings, "standin", platform::join_path(settings.binaries, "tarvex-modem-engine"), {},
            site, folder, random(), outcome);
  Receiver receiver(incoming);

  const int messages = 10 + static_cast<int>(random() % 6);
  constexpr std::int64_t kPhaseMs = 4500;
  std::vector<Action> actions;
  std::vector<std::int64_t> writes;
  std::map<std::string, std::string>
      expected;  // "<number>,standin," -> ",OK, message <i> received"
  std::vector<std::string> names;
  for (int i = 1; i <= messages; ++i) {
    const std::string number = "+27820" + digits(i, 6);
    const auto file = outbox_message(i, number);
    expected[number + ",standin,"] = ",OK, message " + std::to_string(i) + " received";
    names.push_back(file.file_name());
    writes.push_back(static_cast<std::int64_t>(random() % 3000));
    actions.push_back(
        {writes.back(), [outbox, file] { outbound::write_outbox_file(outbox, file); }});
  }
  // And one file that is no message: set aside as bad, never answered.
  add_junk_and_kills(actions, random, tool, outbox, 3000, kPhaseMs, writes);
  outcome.messages = messages + 1;

  const auto done = [&] {
    return platform::list_files(outbox, "*.txt").empty() &&
           platform::list_files(outbox, "*.sending").empty() &&
           platform::list_files(incoming, "*.answers").empty() &&
           platform::list_files(incoming, "*.txt").empty();
  };
  run_phases(tool, platform::join_path(site, "modem-engine.log"), std::move(actions), kPhaseMs,
             receiver, done, outcome);

  for (const std::string& name : names) {
    const std::string path = platform::join_path(outbox, name);
    if (platform::file_exists(path + ".bad"))
      outcome.violations.push_back(name + " was refused as bad");
  }
  if (!platform::file_exists(platform::join_path(outbox, std::string(kJunk) + ".bad")))
    outcome.violations.push_back(std::string(kJunk) + " was not set aside as bad");
  check_once(count_lines(receiver.lines, expected), "the incoming files", outcome);
  note_litter(site, {"setup.txt", "modem-engine.log"}, outcome);
  note_litter(outbox, {std::string(kJunk) + ".bad"}, outcome);
  note_litter(incoming, {}, outcome);
  return outcome;
}

Outcome bridge_round(const Settings& settings, const std::string& folder, std::mt19937_64& random) {
  Outcome outcome;
  pid_t daemon = -1;
  if (const std::string why = testing::start_gammu_daemon(folder, daemon); !why.empty()) {
    outcome.violations.push_back("gammu-smsd: " + why);
    return outcome;
  }
  const std::string site = platform::join_path(folder, "site");
  const std::string outbox = platform::join_path(site, "Outbox");
  const std::string incoming = platform::join_path(site, "Incoming");
  const std::string gw = platform::join_path(folder, "gw");
  const auto gw_folder = [&](const char* name) { return platform::join_path(gw, name); };
  prepare(site, "Outbox\r\nDevices\r\nIncoming\r\nbridge\r\nUnitLog.msg\r\n");
  Tool tool(settings, "bridge", platform::join_path(settings.binaries, "tarvex-sms-bridge"),
            {platform::join_path(folder, "smsdrc")}, site, folder, random(), outcome);
  Receiver receiver(incoming);

  constexpr std::int64_t kPhaseMs = 6000;
  const int sends = 6 + static_cast<int>(random() % 4);
  const int receipts = 3 + static_cast<int>(random() % 3);
  const int reports = 1 + static_cast<int>(random() % 3);
  std::vector<Action> actions;
  std::vector<std::int64_t> writes;
  std::map<std::string, std::string> expected;
  std::vector<std::pair<std::string, std::string>> sent;  // number, text
  std::vector<std::string> names;
  for (int i = 1; i <= sends; ++i) {
    const std::string number = "+27821" + digits(i, 6);
    const auto file = outbox_message(i, number);
    expected[number + ",sent,"] = ",Sent: " + outbox_text(i);
    sent.emplace_back(number, outbox_text(i));
    names.push_back(file.file_name());
    writes.push_back(static_cast<std::int64_t>(random() % 4000));
    actions.push_back(
        {writes.back(), [outbox, file] { outbound::write_outbox_file(outbox, file); }});
  }
  for (int j = 1; j <= receipts + reports; ++j) {
    const bool report = j > receipts;
    const std::string number = (report ? "+27823" : "+27822") + digits(j, 6);
    const std::string text = (report ? "report" : "answer") + std::to_string(j);
    expected[number + (report ? ",report," : ",received,")] =
        "," + std::string(report ? "Delivery report: " : "") + text;
    // A time of its own for each: the daemon names its inbox files by it.
    const std::string sent_at = "20261209T0107" + digits(j, 2);
    actions.push_back({static_cast<std::int64_t>(random() % 4000), [=] {
                         // The dummy phone reads locations: names that are numbers.
                         testing::give_phone_message(folder, std::to_string(j), number, text,
                                                     report, sent_at);
                       }});
  }
  // And one file that is no message: set aside as bad and told once as not sent.
  expected["junk,failed,"] = ",Not sent: no \",7,\" in " + std::string(kJunk);
  add_junk_and_kills(actions, random, tool, outbox, 4000, kPhaseMs, writes);
  outcome.messages = sends + receipts + reports + 1;

  const std::string state = platform::join_path(site, "sms-bridge.state");
  const auto done = [&] {
    for (const char* pattern : {"*.txt", "*.sending", "*.handed"})
      if (!platform::list_files(outbox, pattern).empty()) return false;
    return platform::list_files(gw_folder("outbox"), "OUT*").empty() &&
           files_in(gw_folder("sent")).empty() && files_in(gw_folder("error")).empty() &&
           files_in(gw_folder("inbox")).empty() &&
           files_in(platform::join_path(folder, "phone/sms/1")).empty() &&
           platform::list_files(incoming, "*.pending").empty() &&
           platform::list_files(incoming, "*.txt").empty() && !platform::file_exists(state);
  };
  run_phases(tool, platform::join_path(site, "sms-bridge.log"), std::move(actions), kPhaseMs,
             receiver, done, outcome);
  testing::stop_program(daemon);

  // Given to the phone at most once, and never lost: once, unless still in
  // the programming folder.
  const std::string daemon_log = file_or_empty(platform::join_path(folder, "smsd.log"));
  for (std::size_t i = 0; i < sent.size(); ++i) {
    const auto& [number, text] = sent[i];
    const int given =
        occurrences(daemon_log, "sms to \"" + number + "\" with text \"" + text + "\"");
    const std::string path = platform::join_path(outbox, names[i]);
    const bool waiting = platform::file_exists(path) ||
                         !platform::list_files(outbox, names[i] + ".*.sending").empty();
    if (given > 1)
      outcome.violations.push_back(names[i] + " was given to the phone " + std::to_string(given) +
                                   " times");
    if (given == 0 && !waiting) outcome.violations.push_back(names[i] + " was lost");
    if (!platform::list_files(outbox, names[i] + "*.bad").empty())
      outcome.violations.push_back(names[i] + " was refused as bad");
  }
  const auto set_aside = platform::list_files(outbox, std::string(kJunk) + "*.bad");
  if (set_aside.empty())
    outcome.violations.push_back(std::string(kJunk) + " was not set aside as bad");
  const std::string unit_log = platform::join_path(site, "UnitLog.msg");
  check_once(count_lines(receiver.lines, expected), "the incoming files", outcome);
  check_once(count_lines(platform::file_exists(unit_log) ? platform::read_lines(unit_log)
                                                         : std::vector<std::string>{},
                         expected),
             "the unit log", outcome);
  note_litter(site, {"setup.txt", "sms-bridge.log", "UnitLog.msg"}, outcome);
  std::vector<std::string> kept = set_aside;
  kept.push_back("sms-bridge.lock");
  note_litter(outbox, kept, outcome);
  note_litter(incoming, {}, outcome);
  note_litter(gw_folder("outbox"), {"tarvex-sms-bridge.lock"}, outcome);
  return outcome;
}

std::string describe_points(const std::map<std::string, int>& points) {
  std::vector<std::pair<int, std::string>> sorted;
  for (const auto& [point, n] : points) sorted.emplace_back(n, point);
  std::sort(sorted.rbegin(), sorted.rend());
  std::string text;
  for (const auto& [n, point] : sorted) {
    if (!text.empty()) text += ", ";
    text += point.substr(point.find('/') + 1) + " " + std::to_string(n);
  }
  return text;
}

Settings read_settings(const char* program) {
  Settings s;
  s.rounds = std::stoi(env_or("ROUNDS", "10"));
  s.only_round = std::stoi(env_or("ROUND", "-1"));
  s.seed = std::stoull(env_or(
      "SEED",
      std::to_string(std::chrono::system_clock::now().time_since_epoch().count() % 1000000)));
  s.probability = std::stod(env_or("PROBABILITY", "0.05"));
  const std::string tools = env_or("TOOLS", "standin,bridge");
  s.standin = tools.find("standin") != std::string::npos;
  s.bridge = tools.find("bridge") != std::string::npos;
  s.keep = env_or("KEEP", "0") == "1";
  s.binaries = env_or("BINARIES", platform::folder_of(fs::absolute(program).string()));
  s.tally_library = platform::join_path(s.binaries, "libfault_tally.so");
  return s;
}

}  // namespace

int main(int, char** argv) {
  const Settings settings = read_settings(argv[0]);
  for (const std::string& needed :
       {std::string(kFiuFolder) + "/fiu_run_preload.so",
        std::string(kFiuFolder) + "/fiu_posix_preload.so", settings.tally_library,
        platform::join_path(settings.binaries, "tarvex-modem-engine"),
        platform::join_path(settings.binaries, "tarvex-sms-bridge")})
    if (!platform::file_exists(needed)) {
      std::fprintf(stderr, "process_faults: %s is missing\n", needed.c_str());
      return 2;
    }
  std::printf(
      "seed %llu, %d rounds, probability %g of each POSIX I/O and stdio call failing\n"
      "  (each faulty start is what fiu-run -x -f '' -c 'enable_random "
      "name=posix/io/*,probability=%g' -c 'enable_random name=posix/stdio/*,probability=%g' "
      "does, with a tally of the failures preloaded too)\n"
      "  repeat: SEED=%llu ROUNDS=%d scripts/test-process-faults; one round: SEED=%llu ROUND=n\n",
      settings.seed, settings.rounds, settings.probability, settings.probability,
      settings.probability, settings.seed, settings.rounds, settings.seed);
  std::fflush(stdout);
  const std::string base = platform::join_path(
      fs::temp_directory_path().string(), "tarvex-process-faults-" + std::to_string(settings.seed));
  struct Total {
    int rounds = 0, messages = 0, faults = 0, kills = 0, starts = 0, self_exits = 0, violations = 0,
        litter = 0;
    std::map<std::string, int> points;
  };
  std::map<std::string, Total> totals;
  const auto whole = Clock::now();
  for (int round = 1; round <= settings.rounds; ++round) {
    if (settings.only_round > 0 && round != settings.only_round) continue;
    for (const char* which : {"standin", "bridge"}) {
      const bool standin = std::string(which) == "standin";
      if (standin ? !settings.standin : !settings.bridge) continue;
      // The same round of the same seed draws the same numbers.
      std::seed_seq seeds{static_cast<unsigned>(settings.seed),
                          static_cast<unsigned>(settings.seed >> 32), static_cast<unsigned>(round),
                          standin ? 1u : 2u};
      std::mt19937_64 random(seeds);
      const std::string folder =
          platform::join_path(base, "round-" + std::to_string(round) + "-" + which);
      fs::remove_all(folder);
      platform::create_folders(folder);
      const auto start = Clock::now();
      const Outcome outcome = standin ? standin_round(settings, folder, random)
                                      : bridge_round(settings, folder, random);
      const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      Total& total = totals[which];
      ++total.rounds;
      total.messages += outcome.messages;
      total.faults += outcome.faults;
      total.kills += outcome.kills;
      total.starts += outcome.starts;
      total.self_exits += outcome.self_exits;
      total.violations += static_cast<int>(outcome.violations.size());
      total.litter += static_cast<int>(outcome.litter.size());
      for (const auto& [point, n] : outcome.fault_points) total.points[point] += n;
      std::printf(
          "round %d %-7s %5.1f s: %2d messages, %3d faults, %d kills, %2d starts, "
          "%zu violations%s\n",
          round, which, seconds, outcome.messages, outcome.faults, outcome.kills, outcome.starts,
          outcome.violations.size(),
          outcome.violations.empty() ? "" : (" (kept in " + folder + ")").c_str());
      for (const std::string& v : outcome.violations) std::printf("  VIOLATION: %s\n", v.c_str());
      for (const std::string& l : outcome.litter)
        std::printf("  left behind: %s\n", l.substr(folder.size() + 1).c_str());
      std::fflush(stdout);
      if (outcome.violations.empty() && !settings.keep) fs::remove_all(folder);
    }
  }
  std::error_code ec;
  fs::remove(base, ec);  // only when empty
  int violations = 0;
  std::printf("\nsummary (%.0f s):\n", std::chrono::duration<double>(Clock::now() - whole).count());
  for (const auto& [which, t] : totals) {
    std::printf(
        "  %-7s %d rounds, %d messages, %d faults injected, %d kills, %d starts "
        "(%d ended by themselves under faults), %d files left behind, %d violations\n",
        which.c_str(), t.rounds, t.messages, t.faults, t.kills, t.starts, t.self_exits, t.litter,
        t.violations);
    if (!t.points.empty()) std::printf("          faults: %s\n", describe_points(t.points).c_str());
    violations += t.violations;
  }
  return violations ? 1 : 0;
}
