#include "incoming/unit_log.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "incoming/incoming_message.h"
#include "platform/file_api.h"

namespace tarvex::incoming {

namespace {

// Positions of the first three commas (npos where there is none).
struct Commas {
  std::size_t at[3] = {std::string_view::npos, std::string_view::npos, std::string_view::npos};
  int count = 0;
};

Commas commas_of(std::string_view line) {
  Commas c;
  std::size_t from = 0;
  while (c.count < 3) {
    const std::size_t at = line.find(',', from);
    if (at == std::string_view::npos) break;
    c.at[c.count++] = at;
    from = at + 1;
  }
  return c;
}

bool digits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

int number(std::string_view text) {
  int value = 0;
  for (char ch : text) value = value * 10 + (ch - '0');
  return value;
}

bool contains(std::string_view haystack, const std::string& needle) {
  return !needle.empty() && haystack.find(needle) != std::string_view::npos;
}

}  // namespace

std::string_view unit_field(std::string_view line) {
  return line.substr(0, line.find(','));
}

std::string_view message_field(std::string_view line) {
  const Commas c = commas_of(line);
  if (c.count == 3) return line.substr(c.at[2] + 1);
  const std::size_t last = line.rfind(',');
  return last == std::string_view::npos ? line : line.substr(last + 1);
}

std::string_view stamp_field(std::string_view line) {
  const Commas c = commas_of(line);
  if (c.count < 2) return {};
  if (c.count == 2) return line.substr(c.at[1] + 1);
  return line.substr(c.at[1] + 1, c.at[2] - c.at[1] - 1);
}

std::optional<int> line_date(std::string_view line) {
  const std::string_view stamp = stamp_field(line);
  if (stamp.size() < 10) return std::nullopt;
  const std::string_view year = stamp.substr(0, 4), month = stamp.substr(5, 2),
                         day = stamp.substr(8, 2);
  if (!digits(year) || !digits(month) || !digits(day)) return std::nullopt;
  return number(year) * 10000 + number(month) * 100 + number(day);
}

std::vector<std::string> log_row(std::string_view line) {
  const std::string_view stamp = stamp_field(line);
  return {std::string(unit_field(line)), std::string(stamp.substr(0, 10)),
          std::string(stamp.size() > 10 ? stamp.substr(10) : std::string_view()),
          std::string(message_field(line))};
}

bool line_matches(const LogCriteria& criteria, std::string_view line) {
  if (criteria.unit_number && !contains(unit_field(line), *criteria.unit_number)) return false;
  if (criteria.text && !contains(message_field(line), *criteria.text)) return false;
  if (criteria.from || criteria.to) {
    const std::optional<int> date = line_date(line);
    if (!date) return false;
    if (criteria.from && *date < *criteria.from) return false;
    if (criteria.to && *date > *criteria.to) return false;
  }
  return true;
}

CriteriaCheck check_criteria(const CriteriaInputs& in, platform::Ui& ui) {
  CriteriaCheck check;
  if (!in.from_ticked && !in.to_ticked && !in.unit_ticked && !in.text_ticked) {
    ui.message(kNoSearchCriteria);
    return check;
  }
  if ((in.from_ticked && !in.from_date) || (in.to_ticked && !in.to_date)) {
    ui.message(kDateFormatIncompatible);
    check.clear_date_boxes = true;
    return check;
  }
  LogCriteria criteria;
  if (in.from_ticked) criteria.from = date_bound(*in.from_date);
  if (in.to_ticked) criteria.to = date_bound(*in.to_date);
  if (in.unit_ticked) criteria.unit_number = in.unit_number;
  if (in.text_ticked) criteria.text = in.text;
  check.criteria = std::move(criteria);
  return check;
}

namespace {

// How common a byte is in unit log lines: the lower, the more common. Bytes
// not listed (capitals, most punctuation) are rare.
int commonness_rank(unsigned char byte) {
  static constexpr std::string_view kCommonFirst = " e0123456789,:/taoinsrhldcumfpgwybvk+.-";
  const std::size_t at = kCommonFirst.find(static_cast<char>(byte));
  return at == std::string_view::npos ? 1000 : static_cast<int>(at);
}

// Finds a text quickly: memchr (which scans many bytes at a time) looks for
// the text's rarest byte, and only where that byte stands is the whole text
// compared, as grep does.
class TextFinder {
 public:
  explicit TextFinder(std::string needle) : needle_(std::move(needle)) {
    for (std::size_t i = 0; i < needle_.size(); ++i)
      if (commonness_rank(static_cast<unsigned char>(needle_[i])) >=
          commonness_rank(static_cast<unsigned char>(needle_[rare_])))
        rare_ = i;
  }

  // The first occurrence in [from, end), or end.
  const char* find(const char* from, const char* end) const {
    const std::size_t n = needle_.size();
    for (const char* probe = from + rare_; probe < end;) {
      const void* hit = std::memchr(probe, needle_[rare_], static_cast<std::size_t>(end - probe));
      if (!hit) break;
      const char* start = static_cast<const char*>(hit) - rare_;
      if (static_cast<std::size_t>(end - start) < n) break;
      if (std::memcmp(start, needle_.data(), n) == 0) return start;
      probe = static_cast<const char*>(hit) + 1;
    }
    return end;
  }

 private:
  std::string needle_;
  std::size_t rare_ = 0;  // where the rarest byte stands in the text
};

// Walks the complete lines of one block and lists those that match. With a
// search text it jumps from one occurrence of the text to the next and tests
// only the lines those fall in; lines without the text cannot match and are
// never looked at.
class BlockScanner {
 public:
  BlockScanner(const LogCriteria& criteria, platform::StringGrid& grid)
      : criteria_(criteria), grid_(grid) {
    // An empty criterion text matches nothing, so no line needs reading.
    hopeless_ = (criteria.text && criteria.text->empty()) ||
                (criteria.unit_number && criteria.unit_number->empty());
    const std::optional<std::string>& key = criteria.text ? criteria.text : criteria.unit_number;
    if (key && !hopeless_) finder_.emplace(*key);
  }

  bool hopeless() const { return hopeless_; }
  int found() const { return found_; }

  void scan(const char* begin, const char* end) {
    if (hopeless_) return;
    if (!finder_) {
      for (const char* p = begin; p < end;) {
        const char* eol = line_end(p, end);
        test(p, eol);
        p = eol + 1;
      }
      return;
    }
    for (const char* p = begin; p < end;) {
      const char* hit = finder_->find(p, end);
      if (hit == end) return;
      const char* start = hit;
      while (start > p && start[-1] != '\n') --start;
      const char* eol = line_end(hit, end);
      test(start, eol);
      p = eol + 1;
    }
  }

 private:
  static const char* line_end(const char* from, const char* end) {
    const void* nl = std::memchr(from, '\n', static_cast<std::size_t>(end - from));
    return nl ? static_cast<const char*>(nl) : end;
  }

  void test(const char* start, const char* eol) {
    std::string_view line(start, static_cast<std::size_t>(eol - start));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line_matches(criteria_, line)) return;
    append_message_row(grid_, log_row(line));
    ++found_;
  }

  const LogCriteria& criteria_;
  platform::StringGrid& grid_;
  std::optional<TextFinder> finder_;
  bool hopeless_ = false;
  int found_ = 0;
};

}  // namespace

SearchResult search_unit_log(const LogSearch& search) {
  SearchResult result;
  clear_message_grid(search.grid);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::open_file(search.path, "rb"),
                                                       &platform::close_file);
  if (!file) {
    search.ui.message(kCannotOpenLog);
    result.failed = true;
    return result;
  }
  std::setvbuf(file.get(), nullptr, _IONBF, 0);  // blocks go straight into our buffer

  SearchProgress progress;
  std::error_code size_ec;
  progress.total_bytes = std::filesystem::file_size(platform::to_fs_path(search.path), size_ec);
  BlockScanner scanner(search.criteria, search.grid);
  // The grid hears of the rows found once per progress report, not per row.
  auto batch = std::make_unique<platform::GridUpdate>(search.grid);
  // The first block is reported at once, so the window shows its progress
  // from the start.
  std::int64_t last_report = search.scheduler.now_ms() - search.progress_interval_ms;
  auto report = [&]() {
    batch.reset();
    progress.found = scanner.found();
    const bool go_on = !search.progress || search.progress(progress);
    batch = std::make_unique<platform::GridUpdate>(search.grid);
    return go_on;
  };

  const std::size_t block = std::max<std::size_t>(search.block_size, 64);
  std::vector<char> buffer(block);
  std::size_t carried = 0;  // the start of a line that the last block cut off
  bool at_end = scanner.hopeless();
  while (!at_end) {
    if (buffer.size() - carried < block / 2) buffer.resize(buffer.size() * 2);  // a very long line
    int error = 0;
    const std::size_t got =
        platform::read_bytes(file.get(), buffer.data() + carried, buffer.size() - carried, error);
    if (error) {
      batch.reset();
      search.ui.message(kCannotOpenLog);
      result.failed = true;
      break;
    }
    progress.bytes_read += got;
    at_end = got == 0 || std::feof(file.get());
    const char* begin = buffer.data();
    const char* filled = begin + carried + got;
    // Complete lines only, except at the end of the file.
    const char* cut = filled;
    if (!at_end) {
      while (cut > begin && cut[-1] != '\n') --cut;
    }
    scanner.scan(begin, cut);
    carried = static_cast<std::size_t>(filled - cut);
    std::memmove(buffer.data(), cut, carried);
    if (at_end) break;
    const std::int64_t now = search.scheduler.now_ms();
    if (now - last_report >= search.progress_interval_ms) {
      last_report = now;
      if (!report()) {
        result.stopped = true;
        break;
      }
    }
  }
  batch.reset();
  result.found = scanner.found();
  if (!result.failed && !result.stopped) {
    progress.bytes_read = std::max(progress.bytes_read, progress.total_bytes);
    progress.found = result.found;
    if (search.progress) search.progress(progress);
  }
  return result;
}

}  // namespace tarvex::incoming
