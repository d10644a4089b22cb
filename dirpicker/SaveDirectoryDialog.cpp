#include "dirpicker/SaveDirectoryDialog.h"

#include "dirpicker/Form2.h"
#include "dirpicker/MountTable.h"

namespace qzdirpicker {

void SaveDirectoryDialog::show(QWidget* parent,
                               const std::function<void(const QString&)>& writeText3) {
    if (const auto scripted = answerScripted(parent)) {
        if (*scripted) writeText3(**scripted);
        return;
    }
    Form2 picker(parent, box_, MountTable::drives, writeText3);
    picker.exec();
}

}  // namespace qzdirpicker
