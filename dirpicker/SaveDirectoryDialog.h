#pragma once
// The save-directory picker as the main window opens it: Form2, modal to its
// parent, over this machine's drives; or in scripted mode an answer from the
// queue, a directory as OK would hand it over or std::nullopt for a picker
// closed without a choice (as one is with none queued). The parent is what it
// was shown with.

#include <QString>
#include <functional>
#include <optional>

#include "dirpicker/PlainMessageBox.h"
#include "dirpicker/ScriptedModal.h"

class QWidget;

namespace qzdirpicker {

class SaveDirectoryDialog : public ScriptedModal<QWidget*, std::optional<QString>> {
public:
    SaveDirectoryDialog() : ScriptedModal(std::nullopt) {}

    // Opens the picker over parent and returns once it is closed; writeText3
    // receives the directory chosen with OK, before the picker closes.
    void show(QWidget* parent, const std::function<void(const QString&)>& writeText3);

    // The picker's own message box.
    PlainMessageBox& messageBox() { return box_; }

private:
    PlainMessageBox box_;
};

}  // namespace qzdirpicker
