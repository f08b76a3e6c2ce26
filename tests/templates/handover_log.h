#pragma once

// Stands in for the window in tests: a thread-safe record of what a fetcher handed over.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "templates/template_fetcher.h"

namespace zelvo::test {

using HandOver = std::pair<TemplateSlot, Text>;

class HandOverLog {
  public:
    void add(TemplateSlot slot, Text text) {
        {
            const std::lock_guard lock(mutex_);
            handOvers_.emplace_back(slot, std::move(text));
        }
        changed_.notify_all();
    }

    std::vector<HandOver> handOvers() const {
        const std::lock_guard lock(mutex_);
        return handOvers_;
    }

    bool waitForCount(std::size_t count, std::chrono::milliseconds timeout) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return handOvers_.size() >= count; });
    }

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<HandOver> handOvers_;
};

}  // namespace zelvo::test
