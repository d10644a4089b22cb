#include "mainwindow/SourceFileDialog.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStringDecoder>
#include <algorithm>
#include <memory>
#include <vector>

#include "dirpicker/PathText.h"

namespace qzmainwindow {

namespace {

// Whether Qt decodes name as it is: those are the names it lists.
bool isUtf8(const std::string& name) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(QByteArrayView(name.data(), qsizetype(name.size())));
    return !utf8.hasError();
}

// The names in folder that are no UTF-8, not hidden, match pattern and name
// regular files (through links too), in byte order. Nothing where the folder
// cannot be read: Qt's part of the dialog says what it can of that.
std::vector<std::string> undecodedFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.front() == '.' || isUtf8(name)) continue;
        if (::fnmatch(pattern.c_str(), name.c_str(), FNM_PERIOD) != 0) continue;
        struct stat st {};
        if (::stat((folder + name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

SourceFileDialog::SourceFileDialog(QWidget* parent, const QString& title,
                                   const QString& directory, const QString& pattern)
    : QFileDialog(parent, title, directory),
      pattern_(pattern.toStdString()),
      caption_(new QLabel(this)),
      undecoded_(new QListWidget(this)) {
    // Qt's own dialog, the same on every desktop and reachable from tests;
    // only it has a layout to add the second list to.
    setOption(QFileDialog::DontUseNativeDialog);
    undecoded_->setObjectName(QStringLiteral("undecodedList"));
    // Room for about four names: it is there for the few Qt leaves out.
    undecoded_->setFixedHeight(fontMetrics().height() * 5);
    caption_->setText(QStringLiteral("非 UTF-8 名称:"));
    caption_->setBuddy(undecoded_);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int row = grid->rowCount();
        grid->addWidget(caption_, row, 0, Qt::AlignTop);
        grid->addWidget(undecoded_, row, 1, 1, grid->columnCount() - 1);
    }
    connect(this, &QFileDialog::directoryEntered, this, &SourceFileDialog::listUndecoded);
    connect(undecoded_, &QListWidget::itemSelectionChanged, this,
            &SourceFileDialog::offerSelected);
    connect(undecoded_, &QListWidget::itemActivated, this, &SourceFileDialog::accept);
    listUndecoded();
}

std::string SourceFileDialog::folder() const {
    std::string path = qzdirpicker::PathText::bytes(directory().absolutePath());
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

void SourceFileDialog::listUndecoded() {
    undecoded_->clear();
    for (const std::string& name : undecodedFiles(folder(), pattern_)) {
        auto* item = new QListWidgetItem(qzdirpicker::PathText::display(name), undecoded_);
        item->setData(Qt::UserRole, QByteArray::fromStdString(name));
    }
    undecoded_->setVisible(undecoded_->count() > 0);
    caption_->setVisible(undecoded_->count() > 0);
}

void SourceFileDialog::offerSelected() {
    const QListWidgetItem* item = undecoded_->currentItem();
    if (!item || !item->isSelected()) return;
    if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(item->text());
}

void SourceFileDialog::accept() {
    const QListWidgetItem* item = undecoded_->currentItem();
    const auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    // The name field still shows the second list's choice: that is the file.
    if (item && item->isSelected() && name && name->text() == item->text()) {
        undecodedChoice_ = folder() + item->data(Qt::UserRole).toByteArray().toStdString();
        QDialog::accept();
        return;
    }
    undecodedChoice_.reset();
    QFileDialog::accept();
}

}  // namespace qzmainwindow
