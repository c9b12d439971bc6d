#include "qt/qt_ui.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QStringList>

#include "qt/text_convert.h"

namespace tarvex::qt {

namespace {
QString app_title() {
  return QApplication::applicationDisplayName().isEmpty() ? QApplication::applicationName()
                                                          : QApplication::applicationDisplayName();
}
void select_filter(QFileDialog& dialog, const platform::FileDialogRequest& request) {
  const QStringList filters = QtUi::qt_filter(request.filter).split(";;", Qt::SkipEmptyParts);
  if (request.filter_index >= 1 && request.filter_index <= filters.size())
    dialog.selectNameFilter(filters[request.filter_index - 1]);
}
}  // namespace

void QtUi::register_window(const std::string& name, QDialog* dialog) {
  windows_[name] = dialog;
}

QDialog* QtUi::window(const std::string& name) const {
  auto it = windows_.find(name);
  return it == windows_.end() ? nullptr : it->second.data();
}

void QtUi::message(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, app_title(), message_text(text), QMessageBox::Ok,
                  main_window_);
  box.setObjectName("MessageBox");
  box.exec();
}

void QtUi::beep() {
  QApplication::beep();
}

platform::Answer QtUi::question(const std::string& text, bool with_cancel) {
  auto buttons = QMessageBox::Yes | QMessageBox::No;
  if (with_cancel) buttons |= QMessageBox::Cancel;
  QMessageBox box(QMessageBox::Warning, app_title(), message_text(text), buttons, main_window_);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return platform::Answer::Yes;
    case QMessageBox::No:
      return platform::Answer::No;
    default:
      return with_cancel ? platform::Answer::Cancel : platform::Answer::No;
  }
}

QString QtUi::qt_filter(const std::string& filter) {
  const QStringList parts = latin1(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    // Programs on Linux rarely carry an extension; let the ".exe" filter show
    // them as well.
    if (patterns.trimmed() == "*.exe") patterns += " *";
    out << parts[i] + " (" + patterns + ")";
  }
  return out.join(";;");
}

std::optional<std::string> QtUi::open_file(const platform::FileDialogRequest& request) {
  QFileDialog dialog(main_window_, latin1(request.title), path_text(request.folder),
                     qt_filter(request.filter));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  select_filter(dialog, request);
  if (!request.default_ext.empty()) dialog.setDefaultSuffix(latin1(request.default_ext));
  if (!request.proposed_name.empty()) dialog.selectFile(path_text(request.proposed_name));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return path_bytes(dialog.selectedFiles().first());
}

std::optional<std::string> QtUi::save_file(const platform::FileDialogRequest& request) {
  QFileDialog dialog(main_window_, latin1(request.title), path_text(request.folder),
                     qt_filter(request.filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  select_filter(dialog, request);
  if (!request.default_ext.empty()) dialog.setDefaultSuffix(latin1(request.default_ext));
  if (!request.proposed_name.empty()) dialog.selectFile(path_text(request.proposed_name));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return path_bytes(dialog.selectedFiles().first());
}

std::optional<std::string> QtUi::pick_folder(const std::string& title,
                                             const std::string& start_folder) {
  const QString folder =
      QFileDialog::getExistingDirectory(main_window_, latin1(title), path_text(start_folder));
  if (folder.isEmpty()) return std::nullopt;
  return path_bytes(folder);
}

int QtUi::show_modal(const std::string& window_name) {
  QDialog* dialog = window(window_name);
  if (!dialog) return 0;
  // The window system does not always hand the keyboard back when a modal
  // window closes; without it Alt keys do nothing until a click.
  const QPointer<QWidget> opener = QApplication::activeWindow();
  const QPointer<QWidget> focus = QApplication::focusWidget();
  const int result = dialog->exec();
  if (opener && opener->isVisible()) {
    opener->activateWindow();
    if (focus && focus->window() == opener) focus->setFocus(Qt::ActiveWindowFocusReason);
  }
  return result;
}

std::optional<std::string> QtUi::shell_open(const std::string& program,
                                            const std::string& working_folder) {
  QProcess process;
  process.setProgram(path_text(program));
  process.setWorkingDirectory(path_text(working_folder));
  if (process.startDetached()) return std::nullopt;
  return process.errorString().toStdString();
}

}  // namespace tarvex::qt
