#include "net/TransferSet.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

#include "core/MessageIds.h"

namespace stovan {
namespace {

CURLM* Multi(void* handle) {
    return static_cast<CURLM*>(handle);
}

// libcurl's global set-up is not thread-safe; it is done once, before the
// first set exists.
void InitialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

TransferSet::TransferSet() {
    InitialiseCurl();
    multi_ = curl_multi_init();
}

TransferSet::~TransferSet() {
    while (!running_.empty()) {
        Abort(*running_.front());
    }
    if (multi_ != nullptr) {
        curl_multi_cleanup(Multi(multi_));
    }
}

Status TransferSet::Start(Transfer& transfer) {
    if (multi_ == nullptr) {
        transfer.Finish(Status(msg::CannotCreateSocket));
        return transfer.result();
    }
    if (Status begun = transfer.Begin(); !begun.ok()) {
        transfer.Finish(begun);
        return begun;
    }
    if (curl_multi_add_handle(Multi(multi_), static_cast<CURL*>(transfer.easyHandle())) !=
        CURLM_OK) {
        transfer.Finish(Status(msg::CannotCreateSocket));
        return transfer.result();
    }
    running_.push_back(&transfer);
    return Status::Ok();
}

void TransferSet::Remove(Transfer& transfer) {
    if (void* easy = transfer.easyHandle(); easy != nullptr) {
        curl_multi_remove_handle(Multi(multi_), static_cast<CURL*>(easy));
    }
    running_.erase(std::remove(running_.begin(), running_.end(), &transfer), running_.end());
}

void TransferSet::Abort(Transfer& transfer) {
    if (std::find(running_.begin(), running_.end(), &transfer) == running_.end()) {
        return;
    }
    Remove(transfer);
    transfer.Finish(Status(msg::ProcessingAborted));
    finished_.push_back(&transfer);
}

void TransferSet::Perform() {
    if (multi_ == nullptr) {
        return;
    }
    // An abort asked for from outside ends the transfer here, whatever its
    // socket is doing.
    for (std::size_t index = running_.size(); index-- > 0;) {
        if (running_[index]->abortRequested()) {
            Abort(*running_[index]);
        }
    }
    int stillRunning = 0;
    curl_multi_perform(Multi(multi_), &stillRunning);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(Multi(multi_), &queued)) {
        if (message->msg != CURLMSG_DONE) {
            continue;
        }
        void* owner = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
        auto* transfer = static_cast<Transfer*>(owner);
        const CURLcode code = message->data.result;
        // The message belongs to the handle: read everything before removing it.
        curl_multi_remove_handle(Multi(multi_), message->easy_handle);
        if (transfer->AttemptEnded(code)) {
            if (curl_multi_add_handle(Multi(multi_), static_cast<CURL*>(transfer->easyHandle())) !=
                CURLM_OK) {
                running_.erase(std::remove(running_.begin(), running_.end(), transfer),
                               running_.end());
                transfer->Finish(Status(msg::CannotCreateSocket));
                finished_.push_back(transfer);
            }
            continue;
        }
        running_.erase(std::remove(running_.begin(), running_.end(), transfer), running_.end());
        finished_.push_back(transfer);
    }
    // A retry or redirect added above starts with the next Perform; make
    // sure the next Wait does not sleep through it.
    if (!running_.empty() && stillRunning < static_cast<int>(running_.size())) {
        curl_multi_perform(Multi(multi_), &stillRunning);
    }
}

std::vector<Transfer*> TransferSet::TakeFinished() {
    std::vector<Transfer*> done;
    done.swap(finished_);
    return done;
}

int TransferSet::Wait(int timeoutMilliseconds, std::span<pollfd> extra) {
    std::vector<curl_waitfd> descriptors(extra.size());
    for (std::size_t index = 0; index < extra.size(); ++index) {
        descriptors[index].fd = extra[index].fd;
        descriptors[index].events = static_cast<short>(extra[index].events);
        descriptors[index].revents = 0;
    }
    if (multi_ == nullptr) {
        std::vector<pollfd> copy(extra.begin(), extra.end());
        const int ready = ::poll(copy.data(), copy.size(), timeoutMilliseconds);
        std::copy(copy.begin(), copy.end(), extra.begin());
        return std::max(ready, 0);
    }
    int ready = 0;
    curl_multi_poll(Multi(multi_), descriptors.data(), static_cast<unsigned>(descriptors.size()),
                    std::max(timeoutMilliseconds, 0), &ready);
    int extraReady = 0;
    for (std::size_t index = 0; index < extra.size(); ++index) {
        extra[index].revents = descriptors[index].revents;
        if (extra[index].revents != 0) {
            ++extraReady;
        }
    }
    return extraReady;
}

void TransferSet::Wake() {
    if (multi_ != nullptr) {
        curl_multi_wakeup(Multi(multi_));
    }
}

}  // namespace stovan
