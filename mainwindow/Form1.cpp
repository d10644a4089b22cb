#include "Form1.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSocketNotifier>
#include <algorithm>
#include <exception>

#include "DroppedName.h"
#include "FileError.h"
#include "Form2.h"
#include "Interruption.h"
#include "PieceCount.h"
#include "SliceNames.h"
#include "SourceSelection.h"
#include "Twips.h"

namespace qzmainwindow {

using qzdirpicker::Twips;

namespace {

const QColor kPathFieldColour(255, 224, 192);
const QColor kCountFieldColour(192, 255, 192);
const QColor kBarColour(128, 128, 255);

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

// A path field shows the start of its path, as typed text would; the whole
// path is in its tooltip.
void showPath(QLineEdit* field, const QString& path) {
    field->setText(path);
    field->setCursorPosition(0);
}

// The working directory: the folder the program was started from, the home
// folder when started from the desktop's menu. The home folder also stands in
// when that directory has been removed meanwhile.
QString workingDirectory() {
    const QString cwd = QDir::currentPath();
    return cwd.isEmpty() ? QDir::homePath() : cwd;
}

void setBackground(QWidget* w, QPalette::ColorRole role, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(role, colour);
    w->setPalette(p);
}

}  // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent), engine_(*this), startDirectory_(workingDirectory()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("QZ切片宝 V1.3优化版"));

    // Fixed single border: title, system menu and close box, nothing else.
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    // A Wayland compositor keeps no window above others on request.
    topmost_ = !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (topmost_) flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);
    setFixedSize(Twips::toPixels(4380), Twips::toPixels(2895));

    createControls();
    arrangeStacking();
    arrangeTabOrder();
    Text1_->setFocus();
    Form_Load();
    if (qz::Interruption::notifier() >= 0) {
        auto* notifier = new QSocketNotifier(qz::Interruption::notifier(),
                                            QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &Form1::terminationRequested);
    }
}

Form1::~Form1() = default;

void Form1::createControls() {
    // Names and places a new control; rect is in its container's pixels.
    auto place = [](auto* control, const char* name, QRect rect) {
        control->setObjectName(QLatin1String(name));
        control->setGeometry(rect);
        return control;
    };
    auto label = [&](QWidget* parent, const char* name, const QString& text, QRect rect) {
        auto* l = new QLabel(text, parent);
        // The designed height is the 12-pixel em; the line of the font needs
        // a little more so that nothing of a glyph is clipped.
        rect.setHeight(std::max(rect.height(), l->fontMetrics().height()));
        // Labels size themselves to their caption, never below the design.
        l->setMinimumWidth(rect.width());
        place(l, name, rect)->resize(l->sizeHint().width(), rect.height());
        return l;
    };
    auto button = [&](QWidget* parent, const char* name, const QString& text, QRect rect) {
        auto* b = place(new QPushButton(text, parent), name, rect);
        b->setAutoDefault(false);
        return b;
    };
    auto field = [&](QWidget* parent, const char* name, const QColor& colour, QRect rect) {
        auto* t = place(new QLineEdit(parent), name, rect);
        setBackground(t, QPalette::Base, colour);
        return t;
    };

    Picture1 = place(new QFrame(this), "Picture1", Twips::toPixels(135, 2385, 1965, 360));
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1->setLineWidth(1);
    Picture1->setAutoFillBackground(true);  // covers the size line below it
    // Children sit inside the border, as in a picture box.
    const QRect inside = Picture1->contentsRect();

    Label7 = label(Picture1, "Label7", QStringLiteral("0%"),
                   Twips::toPixels(840, 90, 180, 180).translated(inside.topLeft()));
    QRect bar = Twips::toPixels(0, 0, 16, 345).translated(inside.topLeft());
    bar.setHeight(std::min(bar.height(), inside.height()));
    Label6 = place(new QLabel(Picture1), "Label6", bar);
    Label6->setAutoFillBackground(true);
    setBackground(Label6, QPalette::Window, kBarColour);

    Command5 = button(this, "Command5", QStringLiteral("操作(&O)"),
                      Twips::toPixels(3240, 2370, 1005, 405));
    Command1 = button(this, "Command1", QStringLiteral("关于(&A)"),
                      Twips::toPixels(2220, 2370, 1035, 405));

    Frame1 = place(new QGroupBox(this), "Frame1", Twips::toPixels(120, 90, 4155, 2175));

    Check1_ = place(new QCheckBox(QStringLiteral("合并后删除原切片"), Frame1), "Check1",
                    Twips::toPixels(1950, 720, 1815, 255));
    Check1_->setEnabled(false);

    Option1_1 = place(new QRadioButton(QStringLiteral("合并文件"), Frame1), "Option1_1",
                      Twips::toPixels(210, 720, 1485, 285));
    Option1_0_ = place(new QRadioButton(QStringLiteral("分割文件"), Frame1), "Option1_0",
                       Twips::toPixels(210, 300, 1485, 285));
    Option1_0_->setChecked(true);
    // The option pair as one array: index 0 is split, 1 is merge.
    Option1 = new QButtonGroup(this);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->addButton(Option1_0_, 0);
    Option1->addButton(Option1_1, 1);

    Command4 = button(Frame1, "Command4", QStringLiteral("..."),
                      Twips::toPixels(3390, 1590, 585, 315));
    Text3_ = field(Frame1, "Text3", kPathFieldColour, Twips::toPixels(1050, 1590, 2175, 315));
    Text3_->setReadOnly(true);
    Text2_ = field(Frame1, "Text2", kCountFieldColour, Twips::toPixels(2880, 300, 585, 255));
    Text2_->setText(QStringLiteral("2"));
    Text2_->setMaxLength(PieceCount::kMaxLength);
    Command3 = button(Frame1, "Command3", QStringLiteral("..."),
                      Twips::toPixels(3390, 1170, 585, 315));
    Text1_ = field(Frame1, "Text1", kPathFieldColour, Twips::toPixels(1050, 1170, 2175, 315));
    Text1_->setReadOnly(true);

    Label5 = label(Frame1, "Label5", QStringLiteral("保存位置:"), Twips::toPixels(150, 1650, 810, 180));
    Label2 = label(Frame1, "Label2", QStringLiteral("分割个数:"), Twips::toPixels(1950, 330, 810, 180));
    Label1 = label(Frame1, "Label1", QStringLiteral("文件来源:"), Twips::toPixels(150, 1200, 810, 180));
    Label4 = label(this, "Label4", QStringLiteral("文件大小:"), Twips::toPixels(165, 2460, 810, 180));
    Label3 = label(this, "Label3", QString(), Twips::toPixels(1035, 2475, 90, 180));

    for (QLineEdit* path : {Text1_, Text3_}) {
        path->setMouseTracking(true);
        path->installEventFilter(this);
    }
    Text2_->installEventFilter(this);

    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Option1, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) Option1_Click(id);
    });
}

void Form1::arrangeStacking() {
    // Listed from the top of each container down; raising them bottom-up
    // leaves the first one on top.
    QWidget* const order[] = {Picture1, Label7,   Label6,    Command5,   Command1,
                              Frame1,   Check1_,  Option1_1, Option1_0_, Command4,
                              Text3_,   Text2_,   Command3,  Text1_,     Label5,
                              Label2,   Label1,   Label4,    Label3};
    for (auto it = std::rbegin(order); it != std::rend(order); ++it)
        (*it)->raise();
}

void Form1::arrangeTabOrder() {
    // The controls that take the focus, in tab index order; the frame,
    // labels and progress area take none.
    QWidget* const chain[] = {Text1_,     Command3,  Text2_,   Text3_,  Command4,
                              Option1_0_, Option1_1, Command5, Check1_, Command1};
    for (std::size_t i = 1; i < std::size(chain); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void Form1::Form_Load() {
    // The second-instance check runs before the window is built (main).
    Picture1->hide();
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
    if (watched == Text2_) {
        if (e->type() == QEvent::KeyPress) return Text2_KeyPress(static_cast<QKeyEvent&>(*e));
        if (e->type() == QEvent::FocusOut) {
            // A popup (the field's own context menu) or another program
            // taking the activation does not move the focus off the field.
            const Qt::FocusReason why = static_cast<QFocusEvent*>(e)->reason();
            if (why != Qt::PopupFocusReason && why != Qt::ActiveWindowFocusReason)
                Text2_LostFocus();
        }
    } else if (e->type() == QEvent::MouseMove && (watched == Text1_ || watched == Text3_)) {
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
    DropHandle hDrop(e->mimeData()->urls());
    try {
        DropFiles(hDrop);
    } catch (const std::exception&) {
        // Nothing a drop brings may end the program: the source is dropped
        // instead, so the operate button does nothing with half-set fields.
        Text1_->clear();
        if (hDrop.releases() == 0) hDrop.release();
    }
}

bool Form1::Text2_KeyPress(const QKeyEvent& key) {
    const int code = PieceCount::characterCode(key);
    if (code == PieceCount::kNoCharacter) return false;
    return !PieceCount::keepsCharacter(code);
}

void Form1::Text2_LostFocus() { Text2_->setText(PieceCount::normalised(Text2_->text())); }

void Form1::Option1_Click(int /*index*/) {
    const bool merge = Option1_1->isChecked();
    Label2->setEnabled(!merge);
    Text2_->setEnabled(!merge);
    Check1_->setEnabled(merge);
    Text1_->clear();
    Text3_->clear();
}

void Form1::leaveCountField() {
    // A click gives the button the focus before it acts, and the count field
    // is normalised on the way out; Alt+O clicks the button without moving
    // the focus, and the field would keep a count such as "05" that is then
    // used, only to turn into "2" when the operation disables the frame.
    if (focusWidget() != Text2_) return;
    // Only the active window gets focus events; in any other the rule runs
    // here.
    const bool focusOutFollows = Text2_->hasFocus();
    Command5->setFocus(Qt::ShortcutFocusReason);
    if (!focusOutFollows) Text2_LostFocus();
}

qz::Engine::Outcome Form1::Command5_Click() {
    leaveCountField();
    pump_.restart();
    lastOutcome_ = engine_.Command5_Click();
    // The program is being ended: the operation is over now, one way or the
    // other, so the window may go.
    if (qz::Interruption::caught() != 0) close();
    return lastOutcome_;
}

void Form1::terminationRequested() {
    qz::Interruption::drain();
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    if (!busy()) close();
}

void Form1::Command1_Click() {
    boxes_.show(this, aboutText(), QStringLiteral("QZ系列 (文件分割器)"), qz::MsgInfo);
}

void Form1::Command4_Click() {
    qzdirpicker::Form2 picker(this, [this](const QString& dir) { showPath(Text3_, dir); });
    picker.exec();
    Form_Activate();
}

OpenFileDialog::Request Form1::openRequest() const {
    // "*.*" stands for every file, as on the systems where every name has
    // a dot; on this one that is "*", names without a dot included. The
    // dialog opens where the program was started, not in the folder of its
    // executable: installed, that is among the system's programs.
    if (Option1_0())
        return {QStringLiteral("QZ_打开文件"), QStringLiteral("所有文件(*.*)"),
                QStringLiteral("*"), startDirectory_};
    return {QStringLiteral("QZ_打开文件"), QStringLiteral("合并格式(QZ1)"),
            QStringLiteral("*.QZ1"), startDirectory_};
}

void Form1::Command3_Click() {
    setLabel6Width(10);
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
    const std::string T = qz::DroppedName::path(hDrop.path(0).toStdString());
    setText1(T);
    switch (qz::DroppedName::choose(!Option1_0(), T)) {
    case qz::DroppedName::Choice::Refused:
        MsgBox("请选择第一个切片文件", "错误", qz::MsgWarning);
        Text1_->clear();
        hDrop.release();
        return;
    // Selecting the other option runs the mode switch, which empties Text1
    // and Text3; the adoption fills both again.
    case qz::DroppedName::Choice::Merge: Option1_1->setChecked(true); break;
    case qz::DroppedName::Choice::Split: Option1_0_->setChecked(true); break;
    }
    adoptSource(QString::fromStdString(T));
    hDrop.release();
}

void Form1::adoptSource(const QString& path) {
    showPath(Text1_, path);
    const std::string P = path.toStdString();
    try {
        qz::SourceSelection::adopt(*this, engine_, P, qz::SliceNames::bareName(P));
    } catch (const qz::FileError&) {
        MsgBox("找不到指定的文件名!", "出错", qz::MsgWarning);
        Text1_->clear();
    }
}

void Form1::fitLabel(QLabel* label) { label->resize(label->sizeHint().width(), label->height()); }

bool Form1::Option1_0() const { return Option1_0_->isChecked(); }

std::string Form1::Text1() const { return Text1_->text().toStdString(); }

void Form1::setText1(const std::string& text) { showPath(Text1_, QString::fromStdString(text)); }

std::string Form1::Text2() const { return Text2_->text().toStdString(); }

void Form1::focusText2SelectAll() {
    Text2_->setFocus(Qt::OtherFocusReason);
    Text2_->selectAll();
}

std::string Form1::Text3() const { return Text3_->text().toStdString(); }

void Form1::setText3(const std::string& text) { showPath(Text3_, QString::fromStdString(text)); }

bool Form1::Check1() const { return Check1_->isChecked(); }

void Form1::setLabel3(const std::string& caption) {
    Label3->setText(QString::fromStdString(caption));
    fitLabel(Label3);
}

void Form1::setLabel6Width(float twips) {
    Label6->resize(std::max(0, Twips::toPixels(twips)), Label6->height());
}

float Form1::Label6Width() const { return Twips::fromPixels(Label6->width()); }

void Form1::setLabel7(const std::string& text) {
    Label7->setText(QString::fromStdString(text));
    fitLabel(Label7);
}

bool Form1::Picture1Visible() const { return !Picture1->isHidden(); }

void Form1::setPicture1Visible(bool visible) { Picture1->setVisible(visible); }

float Form1::Picture1InnerWidth() const {
    return Twips::fromPixels(Picture1->contentsRect().width());
}

void Form1::setFrame1Enabled(bool enabled) { Frame1->setEnabled(enabled); }

void Form1::setCommand5Enabled(bool enabled) { Command5->setEnabled(enabled); }

void Form1::setCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
}

qz::MsgAnswer Form1::MsgBox(const std::string& text, const std::string& title, int style) {
    // Nobody may be there to answer while the program is being ended.
    if (qz::Interruption::caught() != 0)
        return style == qz::MsgQuestion ? qz::MsgAnswer::No : qz::MsgAnswer::Ok;
    return boxes_.show(this, QString::fromStdString(text), QString::fromStdString(title), style);
}

void Form1::DoEvents() { pump_.pump(); }

}  // namespace qzmainwindow
