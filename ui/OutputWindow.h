#pragma once
// The output window: what a running script writes, when the preferences
// ask to see the shell's output. It opens with the first output of a
// script; after the script has ended the run waits until the user closes
// it (the Abort button ends the wait too). The next script starts with an
// empty window.

#include <QDialog>
#include <QString>

class QPlainTextEdit;

namespace stovan::ui {

class OutputWindow final : public QDialog {
    Q_OBJECT

  public:
    explicit OutputWindow(QWidget* parent = nullptr);

    // Adds output, opening the window (emptied) when it is closed.
    void Append(const QString& text);
    // Returns when the window is closed, at once when it is not open, or
    // when abort() is emitted meanwhile.
    void WaitUntilClosed();
    QString text() const;

  signals:
    void abort();

  private:
    QPlainTextEdit* text_ = nullptr;
};

}  // namespace stovan::ui
