#include "device/function_file.h"

#include "platform/text_file.h"

namespace tarvex::device {

namespace {
bool has_line_break(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}
}  // namespace

std::vector<FunctionEntry> parse_functions(const std::vector<std::string>& lines) {
  std::vector<FunctionEntry> functions;
  for (std::size_t i = 3; i < lines.size(); ++i) {
    const auto cut = lines[i].find(kFunctionSeparator);
    if (cut == std::string::npos) continue;
    functions.push_back({lines[i].substr(0, cut), lines[i].substr(cut + 1)});
  }
  return functions;
}

FunctionFile read_function_file(const std::string& path) {
  platform::LineReader reader = platform::LineReader::from_file(path);
  FunctionFile file;
  file.unit_number = reader.read_line();
  file.password = reader.read_line();
  file.description = reader.read_line();
  file.functions = parse_functions(reader.lines());
  return file;
}

std::string function_file_text(const FunctionFile& file) {
  std::string text = file.unit_number + "\r\n" + file.password + "\r\n" + file.description + "\r\n";
  for (const FunctionEntry& f : file.functions)
    text += f.description + kFunctionSeparator + f.command + "\r\n";
  return text + "\r\n";
}

std::optional<std::string> function_file_problem(const FunctionFile& file) {
  for (const std::string* field : {&file.unit_number, &file.password, &file.description})
    if (has_line_break(*field)) return "The unit fields can not hold a line break.";
  for (std::size_t i = 0; i < file.functions.size(); ++i) {
    const FunctionEntry& f = file.functions[i];
    const std::string row = "Function " + std::to_string(i + 1) + ": ";
    if (has_line_break(f.description) || has_line_break(f.command))
      return row + "a function can not hold a line break.";
    if (f.description.find(kFunctionSeparator) != std::string::npos)
      return row + "a description can not hold the character \"" +
             std::string(1, kFunctionSeparator) + "\".";
  }
  return std::nullopt;
}

}  // namespace tarvex::device
