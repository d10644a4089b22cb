#include "tests/mainwindow/FormFixture.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QTimer>

#include "mainwindow/AppSetup.h"

void FormFixture::openForm() {
    form = std::make_unique<qzmainwindow::Form1>();
    form->messageBoxes().setScripted(true);
    form->openFileDialog().setScripted(true);
    form->saveDirectoryDialog().setScripted(true);
    form->saveDirectoryDialog().messageBox().setScripted(true);
}

void FormFixture::showForm(bool activate) {
    form->show();
    if (activate) form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
}

QString FormFixture::text(const char* name) { return control<QLineEdit>(name)->text(); }

QString FormFixture::label(const char* name) { return control<QLabel>(name)->text(); }

QString FormFixture::path(const std::string& name) { return QString::fromStdString(*dir / name); }

std::string FormFixture::makeSource(const std::string& name, std::int64_t size) {
    const std::string path = *dir / name;
    qz::TempDir::write(path, qz::TempDir::pattern(size));
    return path;
}

QString FormFixture::makeFile(const std::string& name, std::int64_t size) {
    return QString::fromStdString(makeSource(name, size));
}

void FormFixture::selectMerge() { QTest::mouseClick(control("Option1_1"), Qt::LeftButton); }

void FormFixture::duringOperation(std::function<bool()> step) {
    auto* timer = new QTimer(form.get());
    timer->setInterval(0);
    connect(timer, &QTimer::timeout, timer, [timer, step] {
        if (step()) timer->stop();
    });
    timer->start();
}

QStringList FormFixture::messages() {
    QStringList texts;
    for (const auto& s : form->messageBoxes().shown()) texts << s.text;
    return texts;
}

void FormFixture::initTestCase() { qzmainwindow::AppSetup::apply(*qApp); }

void FormFixture::cleanup() {
    form.reset();
    dir.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

FormFixture::Sent FormFixture::sendDrop(QWidget* target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QStringList lines;
    for (const QUrl& u : urls) lines << u.toString();
    data.setText(lines.join(QLatin1Char('\n')));
    const QPoint at = target->rect().center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    move.setDropAction(enter.dropAction());
    move.setAccepted(enter.isAccepted());
    QApplication::sendEvent(target, &move);
    if (!enter.isAccepted() || !move.isAccepted()) return {};
    QDropEvent drop(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    if (drop.proposedAction() != Qt::MoveAction) qFatal("no move proposed");
    QApplication::sendEvent(target, &drop);
    return {true, drop.isAccepted(), drop.dropAction()};
}
