#pragma once
// What the engine asks of the user interface, and nothing more: the engine
// never calls a widget. The main window implements it; so does the command
// line (desktop/TerminalFrontend.h). Texts are ISO-8859-1 with the text
// display's escape sequences ("\033b" bold, "\033n" normal, "\033c" centred,
// "\033P[7]" pens, "\033u", "\033I[...]"), rendered by the front end.

#include <cstdint>
#include <string_view>

#include "core/Status.h"

namespace stovan {

class LogDisplay;

class Frontend {
  public:
    virtual ~Frontend() = default;

    // A requester: title, body and a button string such as
    // "_Update|*A_ll|_Skip|_Abort" ("|" between buttons, "_" before the
    // shortcut letter, "*" on the default button). Returns the chosen
    // button counted from the left starting at 1, the rightmost button
    // giving 0 (a single button gives 0).
    virtual int Request(std::string_view title, std::string_view body,
                        std::string_view buttons) = 0;

    // The progress text above the gauge.
    virtual void ShowProgress(std::string_view text) { (void)text; }
    // The gauge: shown or hidden, and its level.
    virtual void ShowGauge(bool visible) { (void)visible; }
    virtual void SetGauge(std::uint32_t current, std::uint32_t total) {
        (void)current;
        (void)total;
    }
    // The working state: controls that start a run are disabled meanwhile.
    virtual void SetBusy(bool busy) { (void)busy; }
    // Where the log shows its entries; none when the front end has no log view.
    virtual LogDisplay* logDisplay() { return nullptr; }
    // The item list changed (states, versions): redraw it.
    virtual void RefreshList() {}
    // Bytes a script wrote while the user asked to see the shell's output.
    virtual void ShowOutput(std::string_view bytes) { (void)bytes; }
    // The script whose output was shown has ended. A front end with an
    // output window keeps it open and returns when the user has closed it
    // (at once when no output arrived).
    virtual void EndOutput() {}

    // --- the event loop's face -----------------------------------------------
    // A descriptor that becomes readable when the front end has input to
    // process (-1: none; the loop then only calls ProcessInput once per turn).
    virtual int inputDescriptor() const { return -1; }
    // Processes pending input. 0, or msg::ProcessingAborted when the user
    // asked to abort what runs (the Abort button, the window's close).
    virtual MessageId ProcessInput() { return 0; }
};

}  // namespace stovan
