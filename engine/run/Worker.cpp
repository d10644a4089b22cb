#include "engine/run/Worker.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace qz {

Worker::~Worker() {
    {
        std::unique_lock lock(mutex_);
        waitDone(lock, posted_);
        stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

Worker::Ticket Worker::post(std::function<void()> task) {
    std::unique_lock lock(mutex_);
    start(lock);
    if (alone_) {
        lock.unlock();
        runKeepingFailure(task);
        lock.lock();
        done_ = ++posted_;
        return posted_;
    }
    tasks_.push_back(std::move(task));
    const Ticket ticket = ++posted_;
    lock.unlock();
    changed_.notify_all();
    return ticket;
}

void Worker::start(std::unique_lock<std::mutex>& lock) {
    if (thread_.joinable() || alone_) return;
    lock.unlock();
    std::thread thread;
    try {
        thread = std::thread([this] { work(); });
    } catch (...) {
        // EAGAIN from a process limit, or no memory for a stack.
    }
    lock.lock();
    alone_ = !thread.joinable();
    thread_ = std::move(thread);
}

void Worker::runKeepingFailure(const std::function<void()>& task) {
    {
        const std::lock_guard lock(mutex_);
        if (failure_) return;
    }
    try {
        task();
    } catch (...) {
        const std::lock_guard lock(mutex_);
        if (!failure_) failure_ = std::current_exception();
    }
}

void Worker::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !tasks_.empty() || stop_; });
        if (tasks_.empty()) return;
        const std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        lock.unlock();
        runKeepingFailure(task);
        lock.lock();
        ++done_;
        changed_.notify_all();
    }
}

void Worker::waitDone(std::unique_lock<std::mutex>& lock, Ticket ticket) {
    changed_.wait(lock, [&] { return done_ >= ticket; });
}

void Worker::await(Ticket ticket) {
    std::unique_lock lock(mutex_);
    waitDone(lock, ticket);
    if (failure_) std::rethrow_exception(failure_);
}

void Worker::awaitAll() {
    std::unique_lock lock(mutex_);
    waitDone(lock, posted_);
    if (failure_) std::rethrow_exception(failure_);
}

void Worker::runTogether(const std::vector<std::function<void()>>& tasks) {
    awaitAll();
    // Several flushes at once let a journal commit them together, not one
    // commit each; more threads than this gain nothing.
    constexpr std::size_t kAtOnce = 8;
    std::atomic<std::size_t> next{0};
    const auto drain = [&] {
        for (std::size_t k; (k = next++) < tasks.size();) runKeepingFailure(tasks[k]);
    };
    std::vector<std::thread> helpers;
    try {
        while (helpers.size() + 1 < std::min(kAtOnce, tasks.size())) helpers.emplace_back(drain);
    } catch (...) {
        // No more threads to be had: those there are, and this one, do it all.
    }
    drain();
    for (std::thread& helper : helpers) helper.join();
    awaitAll();
}

void Worker::settle() noexcept {
    std::unique_lock lock(mutex_);
    waitDone(lock, posted_);
}

}  // namespace qz
