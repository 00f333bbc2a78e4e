#pragma once
// A prompter that keeps every text the core shows, in order, and answers questions with a
// fixed answer. Installed for its lifetime.

#include <mutex>
#include <string>
#include <vector>

#include "shell/Prompt.h"

namespace t44::test {

class RecordingPrompter : public shell::Prompter {
public:
    explicit RecordingPrompter(bool answer = false) : answer_(answer) { shell::setPrompter(this); }
    ~RecordingPrompter() override { shell::setPrompter(nullptr); }
    void tell(const std::string &text) override {
        std::lock_guard lock(mutex_);
        texts_.push_back(text);
    }
    bool ask(const std::string &text) override {
        tell(text);
        return answer_;
    }
    std::vector<std::string> texts() const {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        texts_.clear();
    }

private:
    bool answer_;
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

}  // namespace t44::test
