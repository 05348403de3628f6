#include "ui/QtFrontend.h"

#include <poll.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <vector>

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "desktop/TerminalFrontend.h"
#include "platform/Latin1.h"
#include "ui/RichText.h"

namespace stovan::ui {

int GaugeLevel(std::uint32_t current, std::uint32_t total) {
    if (total == 0) {
        return 0;
    }
    const std::uint64_t level = std::uint64_t{std::min(current, total)} * 1000 / total;
    return static_cast<int>(level);
}

QtFrontend::QtFrontend(QObject* parent) : QObject(parent) {}

void QtFrontend::RequestAbort() {
    abortRequested_ = true;
    emit abortRequestedSignal();
}

int QtFrontend::Request(std::string_view title, std::string_view body, std::string_view buttons) {
    if (answerer_) {
        return answerer_(title, body, buttons);
    }
    const std::vector<RequesterButton> parsed = ParseButtons(buttons);
    QMessageBox box(parentWindow_);
    box.setWindowTitle(QString::fromLatin1(title.data(), static_cast<qsizetype>(title.size())));
    box.setTextFormat(Qt::RichText);
    box.setText(RichTextFromEscapes(body));
    std::vector<QAbstractButton*> made;
    const std::size_t fallback = DefaultButton(parsed);
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        // The label with its shortcut letter as the mnemonic.
        std::string label;
        for (char c : parsed[i].label) {
            if (parsed[i].shortcut != 0 && label.find('_') == std::string::npos &&
                amiga::ToUpper(c) == amiga::ToUpper(parsed[i].shortcut)) {
                label += '_';
            }
            label += c;
        }
        QPushButton* button = box.addButton(MnemonicText(label), QMessageBox::ActionRole);
        made.push_back(button);
        if (i == fallback) {
            box.setDefaultButton(button);
        }
    }
    if (made.empty()) {
        made.push_back(box.addButton(QString::fromLatin1(GetString(msg::RequesterOk)),
                                     QMessageBox::AcceptRole));
    }
    // Escape and the window's close choose the last button (Abort, Cancel).
    box.setEscapeButton(made.back());
    box.exec();
    const auto chosen = std::find(made.begin(), made.end(), box.clickedButton());
    const std::size_t index =
        chosen == made.end() ? made.size() - 1 : static_cast<std::size_t>(chosen - made.begin());
    return ButtonNumber(index, made.size());
}

void QtFrontend::ShowProgress(std::string_view text) {
    emit progressChanged(StyledTextFromEscapes(text).text);
}

void QtFrontend::ShowGauge(bool visible) {
    emit gaugeShown(visible);
}

void QtFrontend::SetGauge(std::uint32_t current, std::uint32_t total) {
    emit gaugeChanged(GaugeLevel(current, total));
}

void QtFrontend::SetBusy(bool busy) {
    const bool before = busyDepth_ > 0;
    busyDepth_ = busy ? busyDepth_ + 1 : std::max(0, busyDepth_ - 1);
    const bool after = busyDepth_ > 0;
    if (before == after) {
        return;
    }
    // An abort belongs to the run it was pressed in: none is left over
    // for the next run.
    abortRequested_ = false;
    if (!after) {
        FlushListChange();
    }
    emit busyChanged(after);
}

void QtFrontend::RefreshList() {
    if (listChangePending_) {
        return;
    }
    listChangePending_ = true;
    QTimer::singleShot(0, this, [this] { FlushListChange(); });
}

void QtFrontend::FlushListChange() {
    listChangePending_ = false;
    emit listChanged();
}

void QtFrontend::ShowOutput(std::string_view bytes) {
    emit outputArrived(QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

void QtFrontend::EndOutput() {
    if (outputWait_) {
        outputWait_();
    }
}

bool QtFrontend::TakeAbort() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    const bool aborted = abortRequested_;
    abortRequested_ = false;
    return aborted;
}

MessageId QtFrontend::ProcessInput() {
    // A turn that found its descriptors ready at once never waited in the
    // toolkit's loop: let the window draw and answer here.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (abortRequested_) {
        abortRequested_ = false;
        return msg::ProcessingAborted;
    }
    return 0;
}

int WaitInQtLoop(QtFrontend& frontend, std::vector<pollfd>& fds,
                 std::chrono::milliseconds timeout) {
    for (pollfd& fd : fds) {
        fd.revents = 0;
    }
    int ready = ::poll(fds.data(), fds.size(), 0);
    if (ready != 0 || timeout.count() <= 0 || frontend.abortRequested()) {
        return ready;
    }
    QEventLoop loop;
    std::vector<std::unique_ptr<QSocketNotifier>> notifiers;
    for (const pollfd& fd : fds) {
        if (fd.fd < 0) {
            continue;
        }
        for (const auto& [bit, type] : {std::pair{POLLIN, QSocketNotifier::Read},
                                        std::pair{POLLOUT, QSocketNotifier::Write}}) {
            if ((fd.events & bit) != 0) {
                auto notifier = std::make_unique<QSocketNotifier>(fd.fd, type);
                QObject::connect(notifier.get(), &QSocketNotifier::activated, &loop,
                                 &QEventLoop::quit);
                notifiers.push_back(std::move(notifier));
            }
        }
    }
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&frontend, &QtFrontend::abortRequestedSignal, &loop, &QEventLoop::quit);
    timer.start(timeout);
    loop.exec();
    notifiers.clear();
    ready = ::poll(fds.data(), fds.size(), 0);
    return ready;
}

}  // namespace stovan::ui
