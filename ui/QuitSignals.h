#pragma once
// The end of a desktop session (SIGTERM), a closed terminal (SIGHUP) and
// control-C in the terminal that started the window (SIGINT) become the
// Quit command: the window closes as if the user chose Quit, so a running
// operation is aborted first and the user's modes are saved, instead of the
// process dying with them. The handler only writes a byte to a pipe; the
// event loop reads it.

#include <QObject>

class QSocketNotifier;

namespace stovan::ui {

class QuitSignals final : public QObject {
    Q_OBJECT

  public:
    // Installs the handlers; the old ones come back with the destructor.
    // Only one object may exist at a time.
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

  signals:
    void quitRequested();

  private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace stovan::ui
