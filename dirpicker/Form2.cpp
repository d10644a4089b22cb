#include "Form2.h"

Form2::Form2(QWidget* parent, std::function<void(const QString&)> writeText3)
    : QDialog(parent), writeText3_(std::move(writeText3)) {
    setWindowTitle(QStringLiteral("保存目录"));
}
