#pragma once
// What the prober and the sweep need from the window. Every call is made on
// the main thread. Texts are code page 936 bytes.

#include <string>

namespace vantrel::scan {

class NodeStatusProber;
class OnlineList;

class ScanWindow {
  public:
    virtual ~ScanWindow() = default;

    // the online list view's cells; OnlineListChanged shows them anew.
    virtual OnlineList& List() = 0;
    virtual void OnlineListChanged() = 0;
    // `prober` received a node-status answer from `address` that gave
    // `name` and `mac` (as the list shows them); called after the list has
    // its row.
    virtual void AnswerReceived(const NodeStatusProber& /*prober*/, const std::string& /*name*/,
                                const std::string& /*address*/, const std::string& /*mac*/) {}
    // probeAddressLabel: the address being probed.
    virtual void SetProbeAddressText(const std::string& text) = 0;
    // onlineCountLabel: the count text.
    virtual void SetCountText(const std::string& text) = 0;
    // The information box; used for the prober's creation failures.
    virtual void ShowInformation(const std::string& text) = 0;
    // The send-error box (OK and Cancel); true when OK (abort) was chosen.
    virtual bool AskAbortAfterSendError(const std::string& text) = 0;
    // The user aborted `prober`'s sweep in the send-error box.
    virtual void SweepAborted(const NodeStatusProber& prober) = 0;
    // `prober`'s sweep went through its whole range.
    virtual void SweepCompleted(const NodeStatusProber& prober) = 0;
};

}  // namespace vantrel::scan
