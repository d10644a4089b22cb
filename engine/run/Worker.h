#pragma once
// The helper of a run: its thread hashes what the copy read and starts the
// write-back of what it wrote, in the order these were handed over, while
// the run goes on; at the end it flushes the run's files several at once. A
// failure of any of its tasks is the run's: kept in one slot, it skips what
// was handed over after it and is thrown by the next wait. Where no thread
// can be started (a process limit, no memory), the tasks run on the calling
// thread: slower, never lost.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace qz {

class Worker {
public:
    // Counts the tasks handed over: the nth task's ticket is n.
    using Ticket = std::uint64_t;

    Worker() = default;
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;
    // Waits for every task handed over, then ends the thread.
    ~Worker();

    // Hands task over, to run after every task handed over before it.
    Ticket post(std::function<void()> task);
    // Waits until the task of ticket is done; throws the first failure of
    // any task so far.
    void await(Ticket ticket);
    // Waits until every task handed over is done; throws as await does.
    void awaitAll();
    // Once every task handed over is done, runs tasks, several at once
    // (they must not depend on each other), and waits for them all; throws
    // as await does.
    void runTogether(const std::vector<std::function<void()>>& tasks);
    // Waits until every task handed over is done, for a way out that
    // already failed: no failure is thrown.
    void settle() noexcept;

private:
    // Starts the thread unless it runs or cannot be had.
    void start(std::unique_lock<std::mutex>& lock);
    // Runs task unless a failure came before, keeping its own.
    void runKeepingFailure(const std::function<void()>& task);
    // The thread: runs the tasks in turn until told to stop.
    void work();
    // Waits under lock until the task of ticket is done.
    void waitDone(std::unique_lock<std::mutex>& lock, Ticket ticket);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> tasks_;
    Ticket posted_ = 0, done_ = 0;
    std::exception_ptr failure_;
    bool stop_ = false;
    bool alone_ = false;  // no thread could be had: tasks run as posted
    std::thread thread_;
};

}  // namespace qz
