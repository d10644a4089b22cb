#pragma once
// The picker's one message box: a text, OK only, no icon, and the window
// system's default title; or in scripted mode only recorded, its text as what
// it was shown with.

#include <QString>
#include <memory>

#include "dirpicker/ScriptedModal.h"

class QMessageBox;
class QWidget;

namespace qzdirpicker {

class PlainMessageBox : public ScriptedModal<QString, Closed> {
public:
    PlainMessageBox() : ScriptedModal(Closed{}) {}

    // Shows text modally over parent and returns when the user has closed it.
    void show(QWidget* parent, const QString& text);

    // The box that show() runs, built but not yet shown.
    static std::unique_ptr<QMessageBox> build(QWidget* parent, const QString& text);
};

}  // namespace qzdirpicker
