// qzslice-window-bench SOURCE COUNT: splits SOURCE into COUNT slices beside it
// from the main window, offscreen, as the user would: the source adopted, the
// count typed, the operate button pressed, replacing an existing set and
// confirming the end. Exit status 0 when the split completed, 1 when it did
// not, 2 for wrong arguments. Prints nothing: the caller times it.

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "mainwindow/AppSetup.h"
#include "mainwindow/Form1.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    qzmainwindow::AppSetup::apply(app);
    qzmainwindow::Form1 form;
    form.messageBoxes().setScripted(true);
    form.messageBoxes().setDefaultAnswer(qz::MsgAnswer::Yes);
    form.show();

    // The save location is the source's own directory: it needs a full path.
    form.adoptSource(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
    form.findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(QString::fromLocal8Bit(argv[2]));
    auto* operate = form.findChild<QPushButton*>(QStringLiteral("Command5"));
    operate->click();
    return form.lastOutcome() == qz::Engine::Outcome::Completed ? 0 : 1;
}
