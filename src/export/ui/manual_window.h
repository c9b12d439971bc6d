#pragma once

#include <QDialog>

#include "app/session.h"

class QPushButton;
class QTextEdit;

namespace tarvex::exporting {

// "Dralmora Manual": Manual.rtf of the start-up folder, read-only.
class TForm15 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm15(app::Session& session, QWidget* parent = nullptr);
  TForm15(const TForm15&) = delete;
  TForm15& operator=(const TForm15&) = delete;

  // Shows the window (not modally) and loads the manual afresh; a manual that
  // cannot be read is reported and the view stays empty.
  void show_manual();

  QTextEdit* RichEdit1 = nullptr;
  QPushButton* Button1 = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  app::Session& session_;
};

}  // namespace tarvex::exporting
