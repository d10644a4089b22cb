#include "mainwindow/Controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <vector>

#include "dirpicker/Twips.h"
#include "mainwindow/ControlTable.h"
#include "mainwindow/PieceCount.h"

namespace qzmainwindow {

namespace {

using Kind = ControlTable::Kind;
using Row = ControlTable::Row;
using qzdirpicker::Twips;

const QColor kPathFieldColour(255, 224, 192);
const QColor kCountFieldColour(192, 255, 192);
const QColor kBarColour(128, 128, 255);

void setBackground(QWidget* w, QPalette::ColorRole role, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(role, colour);
    w->setPalette(p);
}

QString caption(const Row& row) { return QString::fromUtf8(row.caption); }

// The kind of the control called name.
Kind kindOf(const char* name) {
    for (const Row& row : ControlTable::rows())
        if (qstrcmp(row.name, name) == 0) return row.kind;
    qFatal("the control table has no %s", name);
}

// Where row's control goes, in pixels of container: inside the border of a
// picture box, as its children sit.
QRect placeOf(const Row& row, QWidget& container) {
    const QRect rect = Twips::toPixels(row.left, row.top, row.width, row.height);
    if (!row.container || kindOf(row.container) != Kind::PictureBox) return rect;
    return rect.translated(container.contentsRect().topLeft());
}

// Names a new control and puts it at rect.
template <typename T>
T* place(T* control, const Row& row, const QRect& rect) {
    control->setObjectName(QLatin1String(row.name));
    control->setGeometry(rect);
    return control;
}

QWidget* makePictureBox(const Row& row, QWidget& container, QRect rect) {
    auto* box = place(new QFrame(&container), row, rect);
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setLineWidth(1);
    box->setAutoFillBackground(true);  // covers the size line below it
    return box;
}

QWidget* makeLabel(const Row& row, QWidget& container, QRect rect) {
    auto* label = new QLabel(caption(row), &container);
    // The designed height is the 12-pixel em; the line of the font needs a
    // little more so that nothing of a glyph is clipped.
    rect.setHeight(std::max(rect.height(), label->fontMetrics().height()));
    // Labels size themselves to their caption, never below the design.
    label->setMinimumWidth(rect.width());
    place(label, row, rect)->resize(label->sizeHint().width(), rect.height());
    return label;
}

QWidget* makeBar(const Row& row, QWidget& container, QRect rect) {
    rect.setHeight(std::min(rect.height(), container.contentsRect().height()));
    auto* bar = place(new QLabel(&container), row, rect);
    bar->setAutoFillBackground(true);
    setBackground(bar, QPalette::Window, kBarColour);
    return bar;
}

QWidget* makeButton(const Row& row, QWidget& container, QRect rect) {
    auto* button = place(new QPushButton(caption(row), &container), row, rect);
    // Enter presses the button that has the focus, as Space does: Qt does
    // that by itself only for the buttons of a dialog, and the window is none.
    button->setAutoDefault(true);
    return button;
}

QWidget* makeField(const Row& row, QWidget& container, QRect rect) {
    auto* field = place(new QLineEdit(&container), row, rect);
    const bool path = row.kind == Kind::PathField;
    setBackground(field, QPalette::Base, path ? kPathFieldColour : kCountFieldColour);
    field->setText(caption(row));
    if (path)
        field->setReadOnly(true);
    else
        field->setMaxLength(PieceCount::kMaxLength);
    return field;
}

// A control of class T that shows the row's caption and nothing else
// of its own.
template <typename T>
QWidget* makeCaptioned(const Row& row, QWidget& container, const QRect& rect) {
    return place(new T(caption(row), &container), row, rect);
}

QWidget* makeOption(const Row& row, QWidget& container, const QRect& rect) {
    auto* option = place(new QRadioButton(caption(row), &container), row, rect);
    if (row.start == ControlTable::Start::Selected) option->setChecked(true);
    return option;
}

// The control of row, made in container at rect, in its start state.
QWidget* make(const Row& row, QWidget& container, const QRect& rect) {
    QWidget* control = nullptr;
    switch (row.kind) {
    case Kind::PictureBox: control = makePictureBox(row, container, rect); break;
    case Kind::Label: control = makeLabel(row, container, rect); break;
    case Kind::Bar: control = makeBar(row, container, rect); break;
    case Kind::Button: control = makeButton(row, container, rect); break;
    case Kind::Frame: control = makeCaptioned<QGroupBox>(row, container, rect); break;
    case Kind::CheckBox: control = makeCaptioned<QCheckBox>(row, container, rect); break;
    case Kind::Option: control = makeOption(row, container, rect); break;
    case Kind::PathField:
    case Kind::CountField: control = makeField(row, container, rect); break;
    }
    if (row.start == ControlTable::Start::Disabled) control->setEnabled(false);
    return control;
}

// The built control called name, as a T; a table that does not make it is a
// programming error.
template <typename T>
T* pick(const QHash<QString, QWidget*>& built, const char* name) {
    T* control = qobject_cast<T*>(built.value(QLatin1String(name)));
    if (!control) qFatal("the control table makes no %s of its kind", name);
    return control;
}

// Listed from the top of each container down; raising them bottom-up leaves
// the first one on top.
void stack(const QHash<QString, QWidget*>& built) {
    const auto rows = ControlTable::rows();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        built.value(QLatin1String(it->name))->raise();
}

// Chains the controls that take the focus in tab index order; the frame,
// labels and progress area take none.
void chainTabs(const QHash<QString, QWidget*>& built) {
    std::vector<const Row*> order;
    for (const Row& row : ControlTable::rows()) order.push_back(&row);
    std::sort(order.begin(), order.end(),
              [](const Row* a, const Row* b) { return a->tabIndex < b->tabIndex; });
    QWidget* previous = nullptr;
    for (const Row* row : order) {
        QWidget* control = built.value(QLatin1String(row->name));
        if (!(control->focusPolicy() & Qt::TabFocus)) continue;
        if (previous) QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

// The option array: index 0 is split, 1 is merge.
QButtonGroup* optionArray(QWidget& window, QRadioButton* index0, QRadioButton* index1) {
    auto* group = new QButtonGroup(&window);
    group->setObjectName(QStringLiteral("Option1"));
    group->addButton(index0, 0);
    group->addButton(index1, 1);
    return group;
}

}  // namespace

Controls::Controls(QWidget& window) : Controls(window, build(window)) {}

Controls::Controls(QWidget& window, const Built& built)
    : Picture1(pick<QFrame>(built, "Picture1")),
      Label7(pick<QLabel>(built, "Label7")),
      Label6(pick<QLabel>(built, "Label6")),
      Command5(pick<QPushButton>(built, "Command5")),
      Command1(pick<QPushButton>(built, "Command1")),
      Frame1(pick<QGroupBox>(built, "Frame1")),
      Check1(pick<QCheckBox>(built, "Check1")),
      Option1_1(pick<QRadioButton>(built, "Option1_1")),
      Option1_0(pick<QRadioButton>(built, "Option1_0")),
      Command4(pick<QPushButton>(built, "Command4")),
      Text3(pick<QLineEdit>(built, "Text3")),
      Text2(pick<QLineEdit>(built, "Text2")),
      Command3(pick<QPushButton>(built, "Command3")),
      Text1(pick<QLineEdit>(built, "Text1")),
      Label5(pick<QLabel>(built, "Label5")),
      Label2(pick<QLabel>(built, "Label2")),
      Label1(pick<QLabel>(built, "Label1")),
      Label4(pick<QLabel>(built, "Label4")),
      Label3(pick<QLabel>(built, "Label3")),
      Option1(optionArray(window, Option1_0, Option1_1)) {}

Controls::Built Controls::build(QWidget& window) {
    Built built;
    for (const Row& row : ControlTable::rows()) {
        QWidget& container = row.container ? *built.value(QLatin1String(row.container)) : window;
        built.insert(QLatin1String(row.name), make(row, container, placeOf(row, container)));
    }
    stack(built);
    chainTabs(built);
    return built;
}

}  // namespace qzmainwindow
