#pragma once
// What every modal window of the program shares: a real window normally; in
// scripted mode it never appears and takes its answers from a queue set up
// ahead of time, so that no test and no benchmark waits on a window. Either
// way each window shown is recorded. The test fixtures switch scripted mode on
// for the windows of the object under test, which end with it.

#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace qzdirpicker {

// The one answer of a window that can only be closed.
struct Closed {};

// Shown is what a window is shown with, Answer what it answers.
template <typename Shown, typename Answer>
class ScriptedModal {
public:
    // Scripted mode: windows are recorded and answered, never shown.
    void setScripted(bool scripted) { scripted_ = scripted; }
    // Answer for the next scripted window; whileShown runs as if the user
    // acted while that window is up (the caller stays suspended meanwhile).
    void queueAnswer(Answer answer, std::function<void()> whileShown = {}) {
        queue_.push_back({std::move(answer), std::move(whileShown)});
    }
    // Answer for scripted windows once the queue is empty.
    void setDefaultAnswer(Answer answer) { defaultAnswer_ = std::move(answer); }

    // Every window shown so far, in order.
    const std::vector<Shown>& shown() const { return shown_; }
    void clearShown() { shown_.clear(); }

protected:
    explicit ScriptedModal(Answer defaultAnswer) : defaultAnswer_(std::move(defaultAnswer)) {}

    // Records a window shown with what. In scripted mode returns its answer,
    // after running what the user does while it is up; otherwise nothing, and
    // the caller shows the real window.
    std::optional<Answer> answerScripted(const Shown& what) {
        shown_.push_back(what);
        if (!scripted_) return std::nullopt;
        if (queue_.empty()) return defaultAnswer_;
        Entry next = std::move(queue_.front());
        queue_.pop_front();
        if (next.whileShown) next.whileShown();
        return next.answer;
    }

private:
    struct Entry {
        Answer answer;
        std::function<void()> whileShown;
    };

    bool scripted_ = false;
    std::deque<Entry> queue_;
    Answer defaultAnswer_;
    std::vector<Shown> shown_;
};

}  // namespace qzdirpicker
