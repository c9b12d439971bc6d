#pragma once

#include <QDialog>

#include "app/session.h"

class QLineEdit;
class QPushButton;

namespace tarvex::exporting {

// "Text Insert": the text put before every function character when the
// control panel is saved as a spreadsheet. The text is kept in the session
// and offered again next time.
class TForm11 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm11(app::Session& session, QWidget* parent = nullptr);
  TForm11(const TForm11&) = delete;
  TForm11& operator=(const TForm11&) = delete;

  QLineEdit* Edit1 = nullptr;
  QPushButton* Button1 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  app::Session& session_;
};

}  // namespace tarvex::exporting
