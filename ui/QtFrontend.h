#pragma once
// The window's face towards the engine (core/Frontend.h): requesters as
// message boxes, progress text, gauge and working state as signals the main
// window shows in its status line, the log pane as the log's display, and
// the Abort button, which makes the next turn of the event loop return
// "Processing aborted by user." into the waiting operation.

#include <poll.h>

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Frontend.h"

class QWidget;

namespace stovan::ui {

class QtFrontend final : public QObject, public Frontend {
    Q_OBJECT

  public:
    // Answers a requester instead of the user (tests, scripted runs):
    // gets the title, body and button string, returns the button number.
    using Answerer =
        std::function<int(std::string_view title, std::string_view body, std::string_view buttons)>;

    explicit QtFrontend(QObject* parent = nullptr);

    // The window requesters are opened over; none: they stand alone.
    void setParentWindow(QWidget* window) { parentWindow_ = window; }
    void setAnswerer(Answerer answerer) { answerer_ = std::move(answerer); }
    void setLogDisplay(LogDisplay* display) { logDisplay_ = display; }

    // The Abort button: the operation waiting now ends with 315.
    void RequestAbort();
    bool abortRequested() const { return abortRequested_; }
    // For a transfer between its steps: serves the window, then true (and
    // the request taken) when Abort was pressed.
    bool TakeAbort();
    bool busy() const { return busyDepth_ > 0; }

    // --- Frontend ------------------------------------------------------------
    int Request(std::string_view title, std::string_view body, std::string_view buttons) override;
    void ShowProgress(std::string_view text) override;
    void ShowGauge(bool visible) override;
    void SetGauge(std::uint32_t current, std::uint32_t total) override;
    void SetBusy(bool busy) override;
    LogDisplay* logDisplay() override { return logDisplay_; }
    void RefreshList() override;
    void ShowOutput(std::string_view bytes) override;
    // Waits in the output window's own loop until the user closes it.
    void EndOutput() override;
    // How EndOutput waits: the main window's output window; none: it does not.
    void setOutputWait(std::function<void()> wait) { outputWait_ = std::move(wait); }
    MessageId ProcessInput() override;

  signals:
    void progressChanged(const QString& text);
    void gaugeShown(bool visible);
    // The gauge level in 0..1000.
    void gaugeChanged(int level);
    // The first run begins (true) or the last one ends (false).
    void busyChanged(bool busy);
    // The items changed: sent once per turn of the event loop however
    // often the engine asked, and at once when the last run ends.
    void listChanged();
    void outputArrived(const QString& text);
    // The Abort button was pressed: a waiting turn ends early.
    void abortRequestedSignal();

  private:
    void FlushListChange();

    QWidget* parentWindow_ = nullptr;
    Answerer answerer_;
    std::function<void()> outputWait_;
    LogDisplay* logDisplay_ = nullptr;
    bool abortRequested_ = false;
    int busyDepth_ = 0;
    bool listChangePending_ = false;
};

// The level of a gauge from 0 to 1000 (0 when the total is 0, never above 1000).
int GaugeLevel(std::uint32_t current, std::uint32_t total);

// The Qt face of the event loop's wait (desktop/ServeEvents.h setPoller):
// socket notifiers on the turn's descriptors and a nested QEventLoop that
// ends when one becomes ready, the timeout passes or Abort is pressed; the
// window stays drawn and answers meanwhile.
int WaitInQtLoop(QtFrontend& frontend, std::vector<pollfd>& fds, std::chrono::milliseconds timeout);

}  // namespace stovan::ui
