#pragma once
// A front end for the engine's tests: answers each requester with the next
// of the answers the test gave (then with `unanswered`), and records what
// the engine showed.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "core/Frontend.h"

namespace stovan::test {

class RecordingFrontend final : public Frontend {
  public:
    int Request(std::string_view title, std::string_view body, std::string_view buttons) override {
        requests.push_back(std::string(title) + "|" + std::string(body) + "|" +
                           std::string(buttons));
        bodies.emplace_back(body);
        buttonSets.emplace_back(buttons);
        if (answers.empty()) {
            return unanswered;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    // An empty text clears the progress line: not recorded.
    void ShowProgress(std::string_view text) override {
        if (!text.empty()) {
            progress.emplace_back(text);
        }
    }
    void SetGauge(std::uint32_t current, std::uint32_t total) override {
        gauge = std::to_string(current) + "/" + std::to_string(total);
    }
    void ShowOutput(std::string_view bytes) override { output += bytes; }
    // The end of a script's output shows in the record as "<end>".
    void EndOutput() override { output += "<end>"; }

    std::deque<int> answers;
    int unanswered = 0;
    // "title|body|buttons" of each requester, and its body and buttons.
    std::vector<std::string> requests;
    std::vector<std::string> bodies;
    std::vector<std::string> buttonSets;
    std::vector<std::string> progress;
    std::string gauge;
    std::string output;
};

}  // namespace stovan::test
