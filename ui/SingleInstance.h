#pragma once
// One Stovan per system root, seen from the desktop: the running window
// listens on a local socket named after its root, and a second start on the
// same root asks it to show itself instead of starting again (the running
// copy opens its main window). Only the word "show" is understood; the
// socket is private to the user, and a client gets a bounded time and a
// bounded line before it is dropped.

#include <QObject>
#include <QString>
#include <string>

class QLocalServer;

namespace stovan::ui {

// The server's name for a root folder: an absolute socket path in the
// user's runtime folder ($XDG_RUNTIME_DIR, else the temporary folder with
// the user's id), named after a hash of the root, so that any root length
// fits a socket path.
QString InstanceServerName(const std::string& rootFolder);

class SingleInstance final : public QObject {
    Q_OBJECT

  public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // Starts listening; a socket left by a Stovan that died is removed
    // first (the caller holds the root's running lock, so no live one
    // listens). False with error set when it cannot listen.
    bool Listen(const QString& name, QString& error);

    // The second start: asks the Stovan listening on `name` to show its
    // window. True when it said so within timeoutMs.
    static bool AskToShow(const QString& name, int timeoutMs = 3000);

  signals:
    // A second start asked for the window.
    void showRequested();

  private:
    void Accept();

    QLocalServer* server_ = nullptr;
};

}  // namespace stovan::ui
