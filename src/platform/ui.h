#pragma once

#include <optional>
#include <string>

namespace tarvex::platform {

enum class Answer { Yes, No, Cancel };

// What an open-file or save-file dialog is asked with. The filter uses the
// "Caption|*.ext|Caption2|*.x" form; the dialog shows the captions.
struct FileDialogRequest {
  std::string title;
  std::string folder;
  std::string filter;
  // Which filter (1 = the first) the dialog starts with.
  int filter_index = 1;
  std::string default_ext;
  std::string proposed_name;
};

// Everything the program says to the operator or asks of them passes here, so
// that every rule can run without a display.
class Ui {
 public:
  virtual ~Ui() = default;

  // A modal message box with a fixed text and an OK button.
  virtual void message(const std::string& text) = 0;
  // The exclamation sound that goes before an error box.
  virtual void beep() {}
  // A modal warning that asks; with_cancel adds the Cancel button to Yes and No.
  virtual Answer question(const std::string& text, bool with_cancel = true) = 0;
  // An empty optional means the operator cancelled.
  virtual std::optional<std::string> open_file(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> save_file(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> pick_folder(const std::string& title,
                                                 const std::string& start_folder) = 0;
  // Shows a window of the program modally, by its class name ("TForm7"), and
  // returns its result (non-zero when it was accepted).
  virtual int show_modal(const std::string& window_name) = 0;
  // The shell's "open" of a program: started detached in working_folder.
  // Returns nothing when it started, otherwise the platform's reason why not.
  virtual std::optional<std::string> shell_open(const std::string& program,
                                                const std::string& working_folder) = 0;
};

}  // namespace tarvex::platform
