#pragma once
// Test doubles for the program-wide dialogs and the main window's notifications: they record what
// the screen would show.

#include "core/app/Dialogs.h"
#include "core/link/Transports.h"

#include <string>
#include <vector>

namespace quorvane::test {

struct RecordingDialogView : DialogView {
    void showMessage(const std::string& text) override {
        message = lastMessage = text;
        messageUp = true;
        messages.push_back(text);
        events.push_back("message " + text);
    }
    void hideMessage() override {
        message.clear();
        messageUp = false;
        events.push_back("hide message");
    }
    void showBusy(const std::string& text) override {
        busy = lastBusy = text;
        busyUp = true;
        events.push_back("busy " + text);
    }
    void setBusyText(const std::string& text) override { busy = lastBusy = text; }
    void hideBusy() override {
        busy.clear();
        busyUp = false;
        events.push_back("hide busy");
    }
    void showNotice(const std::string& text) override {
        notices.push_back(text);
        events.push_back("notice " + text);
    }

    std::string message; // on screen; empty while no message box is up
    std::string busy;    // on screen; empty while no busy box is up
    bool messageUp = false;
    bool busyUp = false;
    std::string lastMessage; // the last text shown, kept after the box closed
    std::string lastBusy;
    std::vector<std::string> messages; // every message shown, in order
    std::vector<std::string> notices;
    std::vector<std::string> events; // shows and hides in order
};

struct RecordingEvents : AppEvents {
    void pageBusy(bool isBusy) override { busy.push_back(isBusy); }
    void serialFailure() override { ++serialFailures; }
    std::vector<bool> busy;
    int serialFailures = 0;
};

} // namespace quorvane::test
