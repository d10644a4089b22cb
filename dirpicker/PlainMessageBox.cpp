#include "dirpicker/PlainMessageBox.h"

#include <QMessageBox>

namespace qzdirpicker {

std::unique_ptr<QMessageBox> PlainMessageBox::build(QWidget* parent, const QString& text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QString(), text,
                                             QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

void PlainMessageBox::show(QWidget* parent, const QString& text) {
    if (answerScripted(text)) return;
    build(parent, text)->exec();
}

}  // namespace qzdirpicker
