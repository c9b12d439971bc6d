#pragma once

namespace tarvex::qt {
class QtUi;
}

namespace tarvex::shell {

class TForm1;

// Creates every window other than the main window, once, in start-up order,
// and registers each with the Ui under its class name.
void create_other_windows(TForm1& main_window, qt::QtUi& ui);

// Creates "COM Port Setup" (TForm17), registers it, and asks for a port at
// once when the stored one is outside 1..8.
void create_com_port_setup(TForm1& main_window, qt::QtUi& ui);

}  // namespace tarvex::shell
