#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace tarvex::testing {

// A Ui for tests: records every message and dialog in order and answers from
// queues. An empty answer queue answers No / cancels the dialog.
class ScriptedUi final : public platform::Ui {
 public:
  void message(const std::string& text) override {
    messages.push_back(text);
    if (on_message) on_message(text);
  }
  void beep() override { ++beeps; }
  platform::Answer question(const std::string& text, bool with_cancel) override;
  std::optional<std::string> open_file(const platform::FileDialogRequest& request) override;
  std::optional<std::string> save_file(const platform::FileDialogRequest& request) override;
  std::optional<std::string> pick_folder(const std::string& title,
                                         const std::string& start_folder) override;
  int show_modal(const std::string& window_name) override;
  std::optional<std::string> shell_open(const std::string& program,
                                        const std::string& working_folder) override;

  std::vector<std::string> messages;
  // Runs while a message is "shown", to look at what is behind it.
  std::function<void(const std::string&)> on_message;
  int beeps = 0;
  std::vector<std::string> questions;
  std::deque<platform::Answer> answers;
  // Runs while a question is "open", before it answers.
  std::function<void()> on_question;

  // Answers for open_file, save_file and pick_folder, in the order asked.
  std::deque<std::optional<std::string>> dialog_answers;
  std::vector<platform::FileDialogRequest> file_dialogs;
  std::vector<std::pair<std::string, std::string>> folder_dialogs;  // title, start folder
  // Runs while any file or folder dialog is "open", before it answers.
  std::function<void()> on_dialog;

  std::vector<std::string> modal_windows;
  // Runs when a window is shown modally; returns the window's result.
  std::function<int(const std::string& window_name)> on_modal;

  std::vector<std::pair<std::string, std::string>> shell_opened;  // program, folder
  // The reason shell_open gives for a program that does not start; none: it starts.
  std::optional<std::string> shell_open_failure;

 private:
  std::optional<std::string> next_dialog_answer();
};

}  // namespace tarvex::testing
