#pragma once
// The open-file dialog of the source button goes through here: Qt's own
// dialog, modal to its parent, normally; in scripted mode it never appears and
// takes its answers from a queue set up ahead of time, so no test blocks.

#include <QString>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

class QFileDialog;
class QWidget;

namespace qzmainwindow {

class OpenFileDialog {
public:
    // What the dialog is asked with.
    struct Request {
        QString title;
        QString filter;     // the text of its one filter entry
        QString pattern;    // the wildcard that entry lists
        QString directory;  // where it starts
    };

    // Shows the dialog over parent and returns the full path chosen or typed,
    // whether or not such a file exists; nothing when it was cancelled.
    std::optional<QString> show(QWidget* parent, const Request& request);

    // The real dialog show() would run, built but not yet shown.
    static std::unique_ptr<QFileDialog> build(QWidget* parent, const Request& request);

    // Scripted mode: requests are recorded and answered, never shown.
    void setScripted(bool scripted) { scripted_ = scripted; }
    // Answer for the next scripted dialog: a path, or std::nullopt to cancel.
    // A dialog with no answer queued is cancelled.
    void queueAnswer(const std::optional<QString>& answer) { queue_.push_back(answer.value_or(QString())); }

    const std::vector<Request>& asked() const { return asked_; }

private:
    bool scripted_ = false;
    std::deque<QString> queue_;  // a null string cancels
    std::vector<Request> asked_;
};

}  // namespace qzmainwindow
