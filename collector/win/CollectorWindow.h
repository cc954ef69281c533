#pragma once
// The collector's one window: the person's entries, the detected facts,
// the server, and 提交. Sending runs on a worker thread so the window stays
// responsive; the answer comes back as a window message.

#include <windows.h>

#include <string>

#include "CollectorReport.h"

namespace vantrel::collector {

class CollectorWindow {
  public:
    CollectorWindow(HINSTANCE instance, HardwareFacts facts, PersonEntries person,
                    std::string server);
    ~CollectorWindow();
    CollectorWindow(const CollectorWindow&) = delete;
    CollectorWindow& operator=(const CollectorWindow&) = delete;

    // Shows the window and runs the message loop until it is closed.
    // Returns 0 after a thanked report, 1 otherwise. The outcome is shown in
    // the window's status line, not in a box.
    int Run(int show);

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(UINT message, WPARAM w, LPARAM l);
    void CreateControls();
    void Layout(int width, int height);
    void OnEditChanged(int id, HWND edit);
    void Submit();
    void OnPosted(struct PostDone* done);
    void SetStatus(const std::string& gbk);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    HardwareFacts facts_;
    PersonEntries person_;
    std::string server_;
    bool sending_ = false;
    bool thanked_ = false;
    bool statusIsError_ = false;
    // What each entry held before the last change, to undo a refused one.
    std::wstring lastGood_[8];
};

}  // namespace vantrel::collector
