#pragma once
// Dir1: one open directory, shown as the chain of its ancestors from the
// drive's root, the directory itself and its subdirectories, indented like a
// tree. The highlighted entry is the open directory after every move, or the
// entry the user has clicked or reached with the arrow keys since; a double
// click opens an entry, and so do Right and Space, while Left opens the
// directory above the highlighted one.

#include <QString>
#include <QStringList>
#include <QTreeWidget>

namespace qzdirpicker {

class DirTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit DirTree(QWidget* parent);

    // Opens dir under the drive root (root is dir or one of its ancestors)
    // and returns true. When dir cannot be listed, returns false with the
    // system's description of the failure in *failure, if given, and leaves
    // the tree as it was.
    bool open(const QString& root, const QString& dir, QString* failure = nullptr);

    QString openPath() const { return openPath_; }
    // The full path of the highlighted entry, without a trailing "/" except
    // for "/" itself.
    QString highlightedPath() const;

signals:
    // A double-clicked entry could not be opened; text describes why.
    void openFailed(const QString& text);

protected:
    // Right and Space open the highlighted entry and Left its parent (at the
    // drive's root it does nothing); every other key works as in any tree.
    void keyPressEvent(QKeyEvent* e) override;
    // Every entry is always shown, so there are no expand marks to draw; the
    // indentation alone shows the tree.
    void drawBranches(QPainter*, const QRect&,
                      const QModelIndex&) const override {}

private:
    // Opens the double-clicked entry below the same drive root.
    void openItem(QTreeWidgetItem* item);
    // Adds an entry named text for the directory path below parent (or at
    // the top when parent is null).
    QTreeWidgetItem* addEntry(QTreeWidgetItem* parent, const QString& text,
                              const QString& path, bool opened);

    QString root_;
    QString openPath_;
};

}  // namespace qzdirpicker
