#include "ui/OutputWindow.h"

#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>

namespace stovan::ui {

OutputWindow::OutputWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("OUTPUT"));
    setWindowTitle(QStringLiteral("Stovan Output Window"));
    auto* layout = new QVBoxLayout(this);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(text_);
    resize(640, 360);
}

void OutputWindow::Append(const QString& text) {
    if (!isVisible()) {
        text_->clear();
        show();
    }
    text_->moveCursor(QTextCursor::End);
    text_->insertPlainText(text);
    text_->moveCursor(QTextCursor::End);
}

void OutputWindow::WaitUntilClosed() {
    if (!isVisible()) {
        return;
    }
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    connect(this, &OutputWindow::abort, &loop, &QEventLoop::quit);
    raise();
    loop.exec();
}

QString OutputWindow::text() const {
    return text_->toPlainText();
}

}  // namespace stovan::ui
