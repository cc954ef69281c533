#pragma once
// Start-up of the program without its window: the intake, the inventory
// store and the checks that tell the administrator what would keep staff
// reports from arriving or being stored. The program entry drives it and the
// window shows what it reports; tests run it on its own.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "InventoryDatabase.h"
#include "InventoryLock.h"
#include "LocalAddressLookup.h"
#include "StartupOptions.h"

namespace vantrel::intake {
class HttpService;
class ReportHandler;
class ReportSink;
}  // namespace vantrel::intake

namespace vantrel::app {

// What the start-up steps found, for the window to show.
struct StartupReport {
    // Event log lines (GBK), in order.
    std::vector<std::string> logLines;
    // The message of the step that failed (for the error box); the steps
    // after it did not run. Empty when every step ran.
    std::string error;
    // Why reports cannot be stored although the store opened (for the error
    // box once the window has its rows); empty when they can.
    std::string notWritable;
    // The store is open: the window may show its rows.
    bool storeOpen = false;
    // The address staff are told, from which the sweep range is prefilled.
    std::string localAddress;
};

class ProgramStartup {
  public:
    // Asked with a question (GBK); true for yes.
    using Confirm = std::function<bool(const std::string& question)>;

    explicit ProgramStartup(StartupOptions options);
    // Stops the intake unless StopIntake did; when a connection thread
    // outlived the stop, leaves it what it uses.
    ~ProgramStartup();
    ProgramStartup(const ProgramStartup&) = delete;
    ProgramStartup& operator=(const ProgramStartup&) = delete;

    // Starts the report intake, posting to `sink` (which must outlive the
    // intake or StopIntake). Throws intake::PortInUseError when another
    // program holds the port and intake::IntakeError for any other failure.
    void StartIntake(intake::ReportSink& sink);

    // The steps, in order: the local address and the listening line, the
    // page check, db.mdb created on `confirm` when there is none, an Access
    // db.mdb converted, the store opened, its columns and its writability
    // checked. A step that fails ends the run; its message is in the report.
    StartupReport Run(const Confirm& confirm);

    // Stops the intake. False when a connection thread outlived the stop:
    // it may still be inside the report handler, so the caller should end
    // the process rather than destroy what the thread uses.
    bool StopIntake();

    // The database path in use: the option, or db.mdb beside the program.
    std::string DatabasePath() const;

    store::InventoryDatabase& Database() { return database_; }
    intake::HttpService& Intake() const { return *service_; }
    intake::ReportHandler& Handler() const { return *reportHandler_; }
    const LocalAddressLookup& AddressLookup() const { return addressLookup_; }

    // The texts start-up says, as GBK.
    static const std::string& CreateDatabaseQuestion();
    static const std::string& DatabaseCreatedLine();

  private:
    void RunSteps(StartupReport& report, const Confirm& confirm);

    StartupOptions options_;
    std::optional<bool> intakeStopped_;
    // Taken once the intake listens and released last: an import from the
    // command line is refused while the program runs.
    std::optional<InventoryLock> inventoryLock_;
    // In the order of creation; destroyed in reverse: the address watch
    // last (writing the history file), the service first.
    LocalAddressLookup addressLookup_;
    store::InventoryDatabase database_;
    std::unique_ptr<intake::ReportHandler> reportHandler_;
    std::unique_ptr<intake::HttpService> service_;
};

}  // namespace vantrel::app
