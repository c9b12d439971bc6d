#pragma once

namespace tarvex::qt {
class QtUi;
}

namespace tarvex::app {

class TForm1;

// Creates every window other than the main window, once, in start-up order,
// and registers each with the Ui under its class name.
void create_other_windows(TForm1& main_window, qt::QtUi& ui);

}  // namespace tarvex::app
