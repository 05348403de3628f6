#pragma once
// The about window: the program's name in bold, what it is, its version
// and date, the copyright line and the credits, and an Ok button. The Ok
// button and the close button close it.

#include <QDialog>
#include <string>

namespace stovan::ui {

// The version line: "Version 2.18 (08.10.2015)".
std::string AboutVersionText();

class AboutWindow final : public QDialog {
    Q_OBJECT

  public:
    explicit AboutWindow(QWidget* parent = nullptr);
    // The whole page as rich text (what the window shows above its button).
    QString pageText() const;

  private:
    QString page_;
};

}  // namespace stovan::ui
