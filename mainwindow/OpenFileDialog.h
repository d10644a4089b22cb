#pragma once
// The open-file dialog of the source button goes through here: Qt's own
// dialog, modal to its parent, or in scripted mode an answer from the queue (a
// path, or std::nullopt to cancel; a dialog with none queued is cancelled).

#include <QString>
#include <memory>
#include <optional>

#include "dirpicker/ScriptedModal.h"
#include "mainwindow/SourceFileDialog.h"

class QWidget;

namespace qzmainwindow {

// What the dialog is asked with.
struct OpenFileRequest {
    QString title;
    QString filter;     // the text of its one filter entry
    QString pattern;    // the wildcard that entry lists
    QString directory;  // where it starts
};

class OpenFileDialog
    : public qzdirpicker::ScriptedModal<OpenFileRequest, std::optional<QString>> {
public:
    OpenFileDialog() : ScriptedModal(std::nullopt) {}

    // Shows the dialog over parent and returns the full path chosen or typed,
    // whether or not such a file exists; nothing when it was cancelled.
    std::optional<QString> show(QWidget* parent, const OpenFileRequest& request);

    // The real dialog show() would run, built but not yet shown.
    static std::unique_ptr<SourceFileDialog> build(QWidget* parent, const OpenFileRequest& request);
};

}  // namespace qzmainwindow
