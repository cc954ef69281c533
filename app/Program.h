#pragma once
// The program from its window's creation to the end of its message loop.

#include <exception>
#include <functional>
#include <string>

#include "MainWindowOptions.h"

namespace vantrel::app {

// Sets the application title, creates the main window (which starts the HTTP
// service and runs the start-up steps), shows it and runs the message loop.
// Returns the exit status: 0 after the window was closed, 1 when the window
// could not be created; that error is reported first through
// options.dialogs->ShowApplicationError. A QApplication must exist.
// `started` runs once the window exists, i.e. once the service listens.
int RunProgram(const MainWindowOptions& options, const std::function<void()>& started = {});

// Raises the soft limit on open descriptors to the hard limit: every open
// connection of the intake holds one, and idle ones must not starve new
// reports. Returns the soft limit in force afterwards.
unsigned long long RaiseDescriptorLimit();

// The report of an error that ends the program: it names the error's type
// and carries its message.
std::string ApplicationErrorText(const std::exception& error);

}  // namespace vantrel::app
