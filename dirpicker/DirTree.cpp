#include "dirpicker/DirTree.h"

#include <QKeyEvent>
#include <QStyle>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

#include "dirpicker/PathText.h"

namespace qzdirpicker {

namespace {

constexpr int kPathRole = Qt::UserRole;

// The text shown for a failure with errno value err on path.
QString describe(const QString& path, int err) {
    return path + QStringLiteral(": ") +
           QString::fromLocal8Bit(std::strerror(err));
}

// path/name, without doubling the "/" of the root.
QString child(const QString& path, const QString& name) {
    return path.endsWith(u'/') ? path + name : path + u'/' + name;
}

// Case-blind name order, with case deciding between names equal without it.
bool nameOrder(const QString& a, const QString& b) {
    const int blind = a.compare(b, Qt::CaseInsensitive);
    return blind != 0 ? blind < 0 : a < b;
}

// True when entry of the directory open as fd is a directory or a link to
// one. A dangling link, or an entry removed meanwhile, is no directory.
bool isDirectory(int fd, const dirent& entry) {
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK)
        return entry.d_type == DT_DIR;
    struct stat st;
    return ::fstatat(fd, entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

// Fills names with those of dir's subdirectories, sorted without regard to
// case; returns 0, or the errno value of the first failure to read dir.
int subdirectories(const QString& dir, QStringList* names) {
    DIR* stream = ::opendir(PathText::bytes(dir).c_str());
    if (!stream) return errno;
    const int fd = ::dirfd(stream);
    int err = fd < 0 ? errno : 0;
    while (err == 0) {
        errno = 0;
        const dirent* entry = ::readdir(stream);
        if (!entry) {
            err = errno;
            break;
        }
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        if (isDirectory(fd, *entry)) names->append(PathText::display(name));
    }
    if (::closedir(stream) != 0 && err == 0) err = errno;
    if (err == 0) std::sort(names->begin(), names->end(), nameOrder);
    return err;
}

}  // namespace

DirTree::DirTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIndentation(12);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { openItem(item); });
}

bool DirTree::open(const QString& root, const QString& dir, QString* failure) {
    QStringList names;
    if (const int err = subdirectories(dir, &names)) {
        if (failure) *failure = describe(dir, err);
        return false;
    }

    clear();
    root_ = root;
    openPath_ = dir;
    QTreeWidgetItem* opened = addEntry(nullptr, root, root, true);
    QString path = root;
    const QString below = dir.mid(root == QLatin1String("/") ? 1 : root.size());
    for (const QString& part : below.split(u'/', Qt::SkipEmptyParts)) {
        path = child(path, part);
        opened = addEntry(opened, part, path, true);
    }
    for (const QString& name : names)
        addEntry(opened, name, child(dir, name), false);
    expandAll();
    setCurrentItem(opened);
    scrollToItem(opened);
    return true;
}

QString DirTree::highlightedPath() const {
    const QTreeWidgetItem* item = currentItem();
    return item ? item->data(0, kPathRole).toString() : openPath_;
}

void DirTree::keyPressEvent(QKeyEvent* e) {
    QTreeWidgetItem* item = currentItem();
    // The arrows of the keypad count as arrows.
    const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (!item || !plain) {
        QTreeWidget::keyPressEvent(e);
        return;
    }
    switch (e->key()) {
    case Qt::Key_Right:
    case Qt::Key_Space: openItem(item); break;
    // An entry's parent in the tree is the directory above it.
    case Qt::Key_Left:
        if (item->parent()) openItem(item->parent());
        break;
    default: QTreeWidget::keyPressEvent(e); break;
    }
}

void DirTree::openItem(QTreeWidgetItem* item) {
    QString failure;
    if (!open(root_, item->data(0, kPathRole).toString(), &failure)) emit openFailed(failure);
}

QTreeWidgetItem* DirTree::addEntry(QTreeWidgetItem* parent, const QString& text,
                                   const QString& path, bool opened) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, text);
    item->setData(0, kPathRole, path);
    item->setIcon(0, style()->standardIcon(opened ? QStyle::SP_DirOpenIcon
                                                  : QStyle::SP_DirClosedIcon));
    return item;
}

}  // namespace qzdirpicker
