#pragma once
// Qt's own open-file dialog with one addition. Qt lists a folder through its
// own decoding of names and leaves out every name that is no UTF-8, so such
// a file could not be chosen here although a drop, a start argument and the
// folder picker all take it. Below Qt's list, a second list shows those
// files of the folder that the filter takes, and choosing one gives its very
// bytes back. The list is hidden where the folder has no such file.

#include <QFileDialog>
#include <optional>
#include <string>

class QLabel;
class QListWidget;

namespace qzmainwindow {

class SourceFileDialog : public QFileDialog {
    Q_OBJECT

public:
    // A dialog listing names that match pattern, a shell wildcard matched
    // with its case.
    SourceFileDialog(QWidget* parent, const QString& title, const QString& directory,
                     const QString& pattern);

    // The path, as bytes, of the file chosen in the second list; nothing
    // when the choice was made in Qt's part of the dialog.
    const std::optional<std::string>& undecodedChoice() const { return undecodedChoice_; }

    void accept() override;

private:
    // Fills the second list from the folder Qt shows now.
    void listUndecoded();
    // Puts the name chosen in the second list into the name field, so that
    // Qt's open button takes it.
    void offerSelected();
    // The bytes of the folder Qt shows, ending in "/".
    std::string folder() const;

    std::string pattern_;
    QLabel* caption_;
    QListWidget* undecoded_;
    std::optional<std::string> undecodedChoice_;
};

}  // namespace qzmainwindow
