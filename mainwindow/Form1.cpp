#include "mainwindow/Form1.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <utility>

#include "dirpicker/PathText.h"
#include "dirpicker/Twips.h"
#include "engine/set/DroppedName.h"
#include "engine/io/FileError.h"
#include "engine/io/Interruption.h"
#include "engine/set/SliceNames.h"
#include "engine/SourceSelection.h"
#include "mainwindow/PieceCount.h"

namespace qzmainwindow {

using qzdirpicker::PathText;
using qzdirpicker::Twips;

namespace {

// The About text. Lines are joined by "\n", where the text was written with
// "\r\n": a Qt message box breaks lines at "\n" and would show the "\r".
// Everything else, blanks and ASCII punctuation included, is as shown.
QString aboutText() {
    return QStringLiteral(
        "软件介绍:\n"
        "该软件利用数据存取方式,具有快速切割功能!\n"
        "-------------------------------------------------\n"
        "版本信息:\n"
        "V1.1修正了在不同根目录下无法合并的错误!\n"
        "V1.2修正了合并多切片出现的问题,增加了进度条.\n"
        "        改进了设置个数,屏蔽了打开不存在文件的错误! \n"
        "V1.3支持文件拖放操作,其它操作性优化.\n"
        " -------------------------------------------------");
}

// The working directory: the folder the program was started from, the home
// folder when started from the desktop's menu. The home folder also stands in
// when that directory has been removed meanwhile.
QString workingDirectory() {
    const std::string cwd = PathText::currentDirectory();
    return cwd.empty() ? QDir::homePath() : PathText::display(cwd);
}

}  // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent),
      topmost_(frameWindow()),
      controls_(*this),
      notice_(QStringLiteral(QZSLICE_DESKTOP_ID)),
      host_(*this, controls_, boxes_, pump_, notice_),
      engine_(host_),
      startDirectory_(workingDirectory()) {
    routeEvents();
    controls_.Text1->setFocus();
    Form_Load();
    if (qz::Interruption::notifier() >= 0) {
        auto* notifier = new QSocketNotifier(qz::Interruption::notifier(),
                                            QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &Form1::terminationRequested);
    }
}

Form1::~Form1() = default;

bool Form1::frameWindow() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("QZ切片宝 V1.3优化版"));

    // Fixed single border: title, system menu and close box, nothing else.
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    // A Wayland compositor keeps no window above others on request.
    const bool topmost = !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (topmost) flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);
    setFixedSize(Twips::toPixels(4380), Twips::toPixels(2895));
    return topmost;
}

void Form1::routeEvents() {
    for (QLineEdit* path : {controls_.Text1, controls_.Text3}) {
        path->setMouseTracking(true);
        path->installEventFilter(this);
    }
    controls_.Text2->installEventFilter(this);

    connect(controls_.Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(controls_.Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(controls_.Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(controls_.Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(controls_.Option1, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) Option1_Click(id);
    });
}

void Form1::Form_Load() {
    // The second-instance check runs before the window is built (main).
    controls_.Picture1->hide();
    // The window is the one drop target: a text field would take a dropped
    // file's name as text, so none of the controls accepts drops and a drop
    // over any of them comes to the window.
    for (QWidget* child : findChildren<QWidget*>()) child->setAcceptDrops(false);
    setAcceptDrops(true);
}

void Form1::Form_Activate() {
    if (!topmost_) return;
    // Only an X server restacks on request; other platforms keep the hint.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
    raise();
    // The activation of a click can arrive after the click opened a modal
    // window (the file dialog, a message box); that one stays above.
    if (QWidget* modal = QApplication::activeModalWidget()) modal->raise();
}

bool Form1::Form_Unload() { return busy(); }

bool Form1::busy() const {
    // The progress area shows once the operation starts copying, but the
    // pump right after the source is opened comes before that: the engine
    // knows the whole stretch.
    return engine_.operating();
}

bool Form1::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) Form_Activate();
    return QWidget::event(e);
}

void Form1::closeEvent(QCloseEvent* e) {
    // Refused silently while an operation runs; it ends hiding Picture1.
    if (Form_Unload())
        e->ignore();
    else
        e->accept();
}

bool Form1::eventFilter(QObject* watched, QEvent* e) {
    if (watched == controls_.Text2) {
        if (e->type() == QEvent::KeyPress) return Text2_KeyPress(static_cast<QKeyEvent&>(*e));
        if (e->type() == QEvent::FocusOut) {
            // A popup (the field's own context menu) or another program
            // taking the activation does not move the focus off the field.
            const Qt::FocusReason why = static_cast<QFocusEvent*>(e)->reason();
            if (why != Qt::PopupFocusReason && why != Qt::ActiveWindowFocusReason)
                Text2_LostFocus();
        }
    } else if (e->type() == QEvent::MouseMove &&
               (watched == controls_.Text1 || watched == controls_.Text3)) {
        // Text1_MouseMove, Text3_MouseMove: the whole path as the tooltip.
        auto* path = static_cast<QLineEdit*>(watched);
        path->setToolTip(path->text());
    }
    return QWidget::eventFilter(watched, e);
}

void Form1::judgeDrag(QDropEvent& e) {
    // Refused while busy, so that the pointer shows that a drop would do
    // nothing, rather than a copy that never happens.
    if (busy() || !e.mimeData()->hasUrls()) {
        e.ignore();
        return;
    }
    // Dropped files are read, never taken: whatever the source proposes.
    e.setDropAction(Qt::CopyAction);
    e.accept();
}

void Form1::dragEnterEvent(QDragEnterEvent* e) { judgeDrag(*e); }

// Judged again at every move: an operation may have started or ended since
// the drag came in.
void Form1::dragMoveEvent(QDragMoveEvent* e) { judgeDrag(*e); }

void Form1::dropEvent(QDropEvent* e) {
    judgeDrag(*e);
    if (!e->isAccepted()) return;
    // A dropped name that is no file to adopt is reported by adoptSource,
    // which catches the file error; any other exception would be a
    // programming error, and is not taken for a bad drop.
    DropHandle hDrop(e->mimeData()->urls());
    DropFiles(hDrop);
}

bool Form1::Text2_KeyPress(const QKeyEvent& key) {
    const int code = PieceCount::characterCode(key);
    if (code == PieceCount::kNoCharacter) return false;
    return !PieceCount::keepsCharacter(code);
}

void Form1::Text2_LostFocus() {
    controls_.Text2->setText(PieceCount::normalised(controls_.Text2->text()));
}

void Form1::Option1_Click(int /*index*/) {
    const bool merge = controls_.Option1_1->isChecked();
    controls_.Label2->setEnabled(!merge);
    controls_.Text2->setEnabled(!merge);
    controls_.Check1->setEnabled(merge);
    controls_.Text1->clear();
    controls_.Text3->clear();
}

void Form1::leaveCountField() {
    // A click gives the button the focus before it acts, and the count field
    // is normalised on the way out; Alt+O clicks the button without moving
    // the focus, and the field would keep a count such as "05" that is then
    // used, only to turn into "2" when the operation disables the frame.
    if (focusWidget() != controls_.Text2) return;
    // Only the active window gets focus events; in any other the rule runs
    // here.
    const bool focusOutFollows = controls_.Text2->hasFocus();
    controls_.Command5->setFocus(Qt::ShortcutFocusReason);
    if (!focusOutFollows) Text2_LostFocus();
}

qz::Engine::Outcome Form1::Command5_Click() {
    leaveCountField();
    pump_.restart();
    lastOutcome_ = engine_.Command5_Click();
    notice_.stopped();
    // The program is being ended: the operation is over now, one way or the
    // other, so the window may go.
    if (qz::Interruption::ending()) {
        close();
    } else if (handedWhileBusy_) {
        const QByteArray handed = *std::exchange(handedWhileBusy_, std::nullopt);
        openFile(handed);
    }
    return lastOutcome_;
}

void Form1::terminationRequested() {
    qz::Interruption::drain();
    closeOnceUnwound();
}

void Form1::closeOnceUnwound() {
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    // A running operation closes the window itself once it has ended.
    if (busy()) return;
    // The loop of a modal window is still on the stack, and the handler that
    // opened it (a drop, a button) goes on once it returns: the window must
    // not close, and the application not quit, under it. Asked again from
    // the loop the modal's loop returns to, until the outer one is reached.
    if (QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(0, this, &Form1::closeOnceUnwound);
        return;
    }
    close();
}

void Form1::Command1_Click() {
    boxes_.show(this, aboutText(), QStringLiteral("QZ系列 (文件分割器)"), qz::MsgInfo);
}

void Form1::Command4_Click() {
    pickerDialog_.show(
        this, [this](const QString& dir) { WindowHost::showPath(*controls_.Text3, dir); });
    Form_Activate();
}

OpenFileRequest Form1::openRequest() const {
    // "*.*" stands for every file, as on the systems where every name has
    // a dot; on this one that is "*", names without a dot included. The
    // dialog opens where the program was started, not in the folder of its
    // executable: installed, that is among the system's programs.
    if (host_.Option1_0())
        return {QStringLiteral("QZ_打开文件"), QStringLiteral("所有文件(*.*)"),
                QStringLiteral("*"), startDirectory_};
    return {QStringLiteral("QZ_打开文件"), QStringLiteral("合并格式(QZ1)"),
            QStringLiteral("*.QZ1"), startDirectory_};
}

void Form1::Command3_Click() {
    host_.setLabel6Width(10);
    const std::optional<QString> chosen = openDialog_.show(this, openRequest());
    if (chosen) adoptSource(*chosen);
}

void Form1::DropFiles(DropHandle& hDrop) {
    // The window refuses drags while busy; a drop handed over all the same
    // would rewrite the fields and the mode under the running operation.
    if (busy() || hDrop.count() < 1) {
        hDrop.release();
        return;
    }
    const std::string T = qz::DroppedName::path(hDrop.path(0));
    host_.setText1(T);
    switch (qz::DroppedName::choose(!host_.Option1_0(), T)) {
    case qz::DroppedName::Choice::Refused:
        host_.MsgBox("请选择第一个切片文件", "错误", qz::MsgWarning);
        controls_.Text1->clear();
        hDrop.release();
        return;
    // Selecting the other option runs the mode switch, which empties Text1
    // and Text3; the adoption fills both again.
    case qz::DroppedName::Choice::Merge: controls_.Option1_1->setChecked(true); break;
    case qz::DroppedName::Choice::Split: controls_.Option1_0->setChecked(true); break;
    }
    adoptSource(PathText::display(T));
    hDrop.release();
}

void Form1::openFile(const QByteArray& path) {
    // A second start handed it over on purpose: not lost, only later.
    if (busy()) {
        handedWhileBusy_ = path;
        return;
    }
    // To the front first, so that what the drop says shows over the window:
    // out of the task bar too, or a box would show alone.
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    DropHandle hDrop(std::vector<std::string>{path.toStdString()});
    DropFiles(hDrop);
}

void Form1::adoptSource(const QString& path) {
    WindowHost::showPath(*controls_.Text1, path);
    const std::string P = PathText::bytes(path);
    try {
        qz::SourceSelection::adopt(host_, engine_, P, qz::SliceNames::bareName(P));
    } catch (const qz::FileError&) {
        host_.MsgBox("找不到指定的文件名!", "出错", qz::MsgWarning);
        controls_.Text1->clear();
    }
}

}  // namespace qzmainwindow
