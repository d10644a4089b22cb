#include "mainwindow/OpenFileDialog.h"

#include <QFileDialog>

#include "dirpicker/PathText.h"
#include "mainwindow/SourceFileDialog.h"
#include <QFileSystemModel>

namespace qzmainwindow {

namespace {

// Qt reads the wildcards of a filter entry from the parentheses of its text,
// which would list only names with a dot for "所有文件(*.*)" and only a file
// called QZ1 for "合并格式(QZ1)". The dialog's file model lists the request's
// own pattern instead, also after the user picks the entry again, when the
// dialog re-reads the text before it reports the choice. Names are matched
// with their case, as slice names are: "*.QZ1" lists no "clip.qz1".
void listPattern(QFileDialog& dialog, const QString& pattern) {
    dialog.setFilter(dialog.filter() | QDir::CaseSensitive);
    auto* files = dialog.findChild<QFileSystemModel*>();
    if (!files) return;
    auto apply = [files, pattern] { files->setNameFilters({pattern}); };
    apply();
    QObject::connect(&dialog, &QFileDialog::filterSelected, files, apply);
}

}  // namespace

std::unique_ptr<SourceFileDialog> OpenFileDialog::build(QWidget* parent,
                                                   const OpenFileRequest& request) {
    auto dialog = std::make_unique<SourceFileDialog>(parent, request.title, request.directory,
                                                     request.pattern);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name of a missing file comes back, to be reported by the
    // caller as a name that cannot be found.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(request.filter);
    listPattern(*dialog, request.pattern);
    return dialog;
}

std::optional<QString> OpenFileDialog::show(QWidget* parent, const OpenFileRequest& request) {
    if (const auto scripted = answerScripted(request)) return *scripted;
    auto dialog = build(parent, request);
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    if (const auto& bytes = dialog->undecodedChoice())
        return qzdirpicker::PathText::display(*bytes);
    const QStringList chosen = dialog->selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    // Qt lists names through its own decoding, which loses bytes that are no
    // UTF-8; the name chosen is the one in its folder that shows that way.
    return qzdirpicker::PathText::display(qzdirpicker::PathText::resolved(chosen.first()));
}

}  // namespace qzmainwindow
