#include "PlainMessageBox.h"

#include <QMessageBox>

namespace qzdirpicker {

std::function<void(const QString&)>& PlainMessageBox::standIn() {
    static std::function<void(const QString&)> s;
    return s;
}

void PlainMessageBox::setStandIn(std::function<void(const QString&)> s) {
    standIn() = std::move(s);
}

std::unique_ptr<QMessageBox> PlainMessageBox::build(QWidget* parent,
                                                    const QString& text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QString(),
                                             text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

void PlainMessageBox::show(QWidget* parent, const QString& text) {
    if (standIn()) {
        standIn()(text);
        return;
    }
    build(parent, text)->exec();
}

}  // namespace qzdirpicker
