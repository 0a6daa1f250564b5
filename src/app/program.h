#pragma once

#include "app/sharedvalues.h"
#include "store/accounttable.h"
#include "store/settingsstore.h"

#include <memory>

class frmMainLd;

// The running program: its shared values, its account table, its settings store and one
// instance of each window, created on first use. It lives inside main() after QApplication,
// so nothing of it outlives the application object.
class Program
{
public:
    Program();
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // The program that is running now; there is exactly one while main() runs.
    static Program &current();

    // The start routine: sets the edition and loads the windows, all hidden.
    void Main();

    SharedValues shared;
    AccountTable table;
    SettingsStore store;

    // Windows, each created and loaded on first use.
    frmMainLd &mainLd();

private:
    static Program *s_current;
    std::unique_ptr<frmMainLd> m_frmMainLd;
};

// Windows by name, for the handlers of other windows.
namespace forms {
::frmMainLd &frmMainLd();
}
