#include "support/scripted_ui.h"

namespace tarvex::testing {

platform::Answer ScriptedUi::question(const std::string& text, bool) {
  questions.push_back(text);
  if (on_question) on_question();
  if (answers.empty()) return platform::Answer::No;
  auto a = answers.front();
  answers.pop_front();
  return a;
}

std::optional<std::string> ScriptedUi::next_dialog_answer() {
  if (on_dialog) on_dialog();
  if (dialog_answers.empty()) return std::nullopt;
  auto a = dialog_answers.front();
  dialog_answers.pop_front();
  return a;
}

std::optional<std::string> ScriptedUi::open_file(const platform::FileDialogRequest& request) {
  file_dialogs.push_back(request);
  return next_dialog_answer();
}

std::optional<std::string> ScriptedUi::save_file(const platform::FileDialogRequest& request) {
  file_dialogs.push_back(request);
  return next_dialog_answer();
}

std::optional<std::string> ScriptedUi::pick_folder(const std::string& title,
                                                   const std::string& start_folder) {
  folder_dialogs.emplace_back(title, start_folder);
  return next_dialog_answer();
}

int ScriptedUi::show_modal(const std::string& window_name) {
  modal_windows.push_back(window_name);
  return on_modal ? on_modal(window_name) : 0;
}

std::optional<std::string> ScriptedUi::shell_open(const std::string& program,
                                                  const std::string& working_folder) {
  shell_opened.emplace_back(program, working_folder);
  return shell_open_failure;
}

}  // namespace tarvex::testing
