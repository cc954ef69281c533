#pragma once
// The program: start-up, the intake and the main window, and their order of
// creation and ending.

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "ProgramOptions.h"

namespace vantrel::intake {
class HttpService;
class ReportSink;
}  // namespace vantrel::intake

namespace vantrel::app {

class MainWindow;
class ProgramStartup;
class WindowSink;

class Program {
  public:
    // Creates the window and starts the intake, which posts its log lines
    // and online-list marks to the window. Throws what
    // ProgramStartup::StartIntake throws; the window is not shown.
    explicit Program(ProgramOptions options);
    // Stops the intake unless Stop did; when a connection thread outlived
    // the stop, leaves it what it uses.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Runs the start-up steps (asking before db.mdb is created) and lets the
    // window show what they report.
    void Start();
    // Stops posting to the window, then stops the intake; false as
    // ProgramStartup::StopIntake.
    bool Stop();

    MainWindow& Window() const { return *window_; }
    ProgramStartup& Startup() const { return *startup_; }
    intake::HttpService& Intake() const;
    // Where connection threads post log lines and online-list marks.
    intake::ReportSink& Sink() const;

  private:
    ProgramOptions options_;
    // Created in this order and ended in reverse, but for the sink, which
    // goes only once the intake has stopped.
    std::unique_ptr<ProgramStartup> startup_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<WindowSink> sink_;
};

// Sets the application name, creates the program, runs start-up, shows the
// window and runs the message loop. Returns the exit status: 0 after the
// window was closed, 1 when the program could not start; that error is
// reported first, in the box "Vantrel 已在运行（端口 8899 已被占用）" when
// the port is taken, otherwise through options.dialogs->ShowApplicationError.
// A QApplication must exist. `started` runs once the intake listens.
int RunProgram(const ProgramOptions& options, const std::function<void()>& started = {});

// The box told when the port is taken by another copy (GBK).
std::string AlreadyRunningText(unsigned port);

// Raises the soft limit on open descriptors to the hard limit: every open
// connection of the intake holds one, and idle ones must not starve new
// reports. Returns the soft limit in force afterwards.
unsigned long long RaiseDescriptorLimit();

// The report of an error that ends the program: it names the error's type
// and carries its message.
std::string ApplicationErrorText(const std::exception& error);

}  // namespace vantrel::app
