// The main window as it opens: every control with its container, place,
// stacking, tab order, text, colour and state; the window's border; and the
// message boxes it shows, About text included.

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTest>

#include "mainwindow/Form1.h"
#include "mainwindow/MessageBoxes.h"
#include "tests/mainwindow/FormFixture.h"

using qzmainwindow::MessageBoxes;

class LayoutTest : public FormFixture {
    Q_OBJECT

    // Position and size in twips inside the container's client area (inside
    // the border of Picture1).
    QRect twips(QWidget* w) {
        QRect r = w->geometry();
        if (auto* box = qobject_cast<QFrame*>(w->parentWidget());
            box && box->objectName() == QLatin1String("Picture1"))
            r.translate(-box->contentsRect().topLeft());
        return QRect(r.x() * 15, r.y() * 15, r.width() * 15, r.height() * 15);
    }

private slots:
    void init() { openForm(); }  // the tests that need it shown show it

    void controlsSitWhereDesigned_data();
    void controlsSitWhereDesigned();
    void stackingOrderWithinEachContainer();
    void textsFitTheirControls();
    void windowHasAFixedBorderAndCloseBoxOnly();
    void startState();
    void focusStartsOnTheSourceField();
    void tabOrderFollowsTheDesign();
    void fieldAndBarColoursAreThoseDesigned();
    void progressBarWidthRoundsToWholePixels();
    void messageBoxStylesAndChineseButtons_data();
    void messageBoxStylesAndChineseButtons();
    void realBoxAnswersWithTheButtonPressed_data();
    void realBoxAnswersWithTheButtonPressed();
    void aboutBoxTextByteForByte();
    void buttonsAnswerTheirAltKeys();
    void messageBoxesAreWideEnoughForTheirTitle_data();
    void messageBoxesAreWideEnoughForTheirTitle();
};

void LayoutTest::controlsSitWhereDesigned_data() {
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("designed");
    // Labels size themselves to their caption in the font: the design gives
    // their top-left and the least they take.
    QTest::addColumn<bool>("isLabel");
    auto row = [](const char* name, const char* container, int l, int t, int w, int h,
                  bool label = false) {
        QTest::newRow(name) << QString::fromLatin1(container) << QRect(l, t, w, h) << label;
    };
    row("Picture1", "Form1", 135, 2385, 1965, 360);
    row("Label7", "Picture1", 840, 90, 180, 180, true);
    row("Command5", "Form1", 3240, 2370, 1005, 405);
    row("Command1", "Form1", 2220, 2370, 1035, 405);
    row("Frame1", "Form1", 120, 90, 4155, 2175);
    row("Check1", "Frame1", 1950, 720, 1815, 255);
    row("Option1_1", "Frame1", 210, 720, 1485, 285);
    row("Option1_0", "Frame1", 210, 300, 1485, 285);
    row("Command4", "Frame1", 3390, 1590, 585, 315);
    row("Text3", "Frame1", 1050, 1590, 2175, 315);
    row("Text2", "Frame1", 2880, 300, 585, 255);
    row("Command3", "Frame1", 3390, 1170, 585, 315);
    row("Text1", "Frame1", 1050, 1170, 2175, 315);
    row("Label5", "Frame1", 150, 1650, 810, 180, true);
    row("Label2", "Frame1", 1950, 330, 810, 180, true);
    row("Label1", "Frame1", 150, 1200, 810, 180, true);
    row("Label4", "Form1", 165, 2460, 810, 180, true);
    row("Label3", "Form1", 1035, 2475, 90, 180, true);
}

void LayoutTest::controlsSitWhereDesigned() {
    QFETCH(QString, container);
    QFETCH(QRect, designed);
    QFETCH(bool, isLabel);
    QWidget* w = control(QTest::currentDataTag());
    QCOMPARE(w->parentWidget()->objectName(), container);
    const QRect actual = twips(w);
    QCOMPARE(actual.topLeft(), designed.topLeft());
    if (isLabel) {
        QVERIFY(actual.width() >= designed.width());
        QVERIFY(actual.height() >= designed.height());
    } else {
        QCOMPARE(actual.size(), designed.size());
    }
}

void LayoutTest::stackingOrderWithinEachContainer() {
    // Qt lists siblings bottom first; the design lists them top first.
    auto stack = [](QWidget* parent) {
        QStringList names;
        for (QObject* child : parent->children())
            if (child->isWidgetType() && !child->objectName().isEmpty())
                names.prepend(child->objectName());
        return names;
    };
    QCOMPARE(stack(form.get()), QStringList({"Picture1", "Command5", "Command1", "Frame1",
                                             "Label4", "Label3"}));
    QCOMPARE(stack(control("Frame1")),
             QStringList({"Check1", "Option1_1", "Option1_0", "Command4", "Text3", "Text2",
                          "Command3", "Text1", "Label5", "Label2", "Label1"}));
    QCOMPARE(stack(control("Picture1")), QStringList({"Label7", "Label6"}));
}

void LayoutTest::textsFitTheirControls() {
    // The layout holds only if the 12-pixel CJK font fits every caption.
    QCOMPARE(QApplication::font().pixelSize(), 12);
    QVERIFY(QFontInfo(QApplication::font()).family().contains(QLatin1String("WenQuanYi")));
    for (const char* name : {"Label1", "Label2", "Label4", "Label5", "Label7", "Check1",
                             "Option1_0", "Option1_1", "Command1", "Command5", "Command3"}) {
        QWidget* w = control(name);
        const QString text = w->property("text").toString();
        const int needed = qobject_cast<QLabel*>(w) ? w->sizeHint().width()
                                                    : w->fontMetrics().horizontalAdvance(text);
        QVERIFY2(needed <= w->width(), name);
    }
}

void LayoutTest::windowHasAFixedBorderAndCloseBoxOnly() {
    QCOMPARE(form->windowTitle(), QStringLiteral("QZ切片宝 V1.3优化版"));
    QCOMPARE(form->minimumSize(), QSize(292, 193));
    QCOMPARE(form->maximumSize(), QSize(292, 193));
    const Qt::WindowFlags f = form->windowFlags();
    QVERIFY(f & Qt::WindowCloseButtonHint);
    QVERIFY(!(f & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(f & Qt::WindowMaximizeButtonHint));
    QVERIFY(f & Qt::WindowStaysOnTopHint);  // not a Wayland session
    QVERIFY(form->topmost());
    QVERIFY(!QApplication::windowIcon().isNull());
    QVERIFY(QApplication::windowIcon().availableSizes().contains(QSize(32, 32)));
}

void LayoutTest::startState() {
    QVERIFY(control<QRadioButton>("Option1_0")->isChecked());
    QVERIFY(!control<QRadioButton>("Option1_1")->isChecked());
    QCOMPARE(control<QRadioButton>("Option1_0")->text(), QStringLiteral("分割文件"));
    QCOMPARE(control<QRadioButton>("Option1_1")->text(), QStringLiteral("合并文件"));
    auto* group = form->findChild<QButtonGroup*>(QStringLiteral("Option1"));
    QVERIFY(group);
    QCOMPARE(group->id(control<QAbstractButton>("Option1_0")), 0);
    QCOMPARE(group->id(control<QAbstractButton>("Option1_1")), 1);

    auto* text2 = control<QLineEdit>("Text2");
    QCOMPARE(text2->text(), QStringLiteral("2"));
    QCOMPARE(text2->maxLength(), 3);
    QVERIFY(text2->isEnabled() && !text2->isReadOnly());
    QVERIFY(control("Label2")->isEnabled());
    QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("分割个数:"));

    auto* check1 = control<QCheckBox>("Check1");
    QCOMPARE(check1->text(), QStringLiteral("合并后删除原切片"));
    QVERIFY(!check1->isChecked() && !check1->isEnabled());

    for (const char* path : {"Text1", "Text3"}) {
        auto* field = control<QLineEdit>(path);
        QVERIFY(field->text().isEmpty());
        QVERIFY(field->isReadOnly());
    }
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("文件来源:"));
    QCOMPARE(control<QLabel>("Label5")->text(), QStringLiteral("保存位置:"));
    QCOMPARE(control<QLabel>("Label4")->text(), QStringLiteral("文件大小:"));
    QVERIFY(control<QLabel>("Label3")->text().isEmpty());
    QVERIFY(!control("Label3")->isHidden());
    QCOMPARE(control<QPushButton>("Command3")->text(), QStringLiteral("..."));
    QCOMPARE(control<QPushButton>("Command4")->text(), QStringLiteral("..."));
    QCOMPARE(control<QPushButton>("Command5")->text(), QStringLiteral("操作(&O)"));
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("关于(&A)"));
    QVERIFY(control("Command5")->isEnabled() && control("Frame1")->isEnabled());
    QVERIFY(control<QGroupBox>("Frame1")->title().isEmpty());

    // The progress area is hidden; inside it the bar and "0%" as designed.
    QVERIFY(control("Picture1")->isHidden());
    QVERIFY(!form->host().Picture1Visible());
    QCOMPARE(control<QLabel>("Label7")->text(), QStringLiteral("0%"));
    QCOMPARE(form->host().Label6Width(), 15.0f);  // 16 twips, one whole pixel

    QCOMPARE(form->engine().iPos(), 0);
    QVERIFY(form->engine().SrcName().empty());
}

void LayoutTest::focusStartsOnTheSourceField() {
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QCOMPARE(QApplication::focusWidget(), control("Text1"));
}

void LayoutTest::tabOrderFollowsTheDesign() {
    QStringList chain;
    QWidget* start = control("Text1");
    QWidget* w = start;
    do {
        if (w->focusPolicy() & Qt::TabFocus) chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != start);
    QCOMPARE(chain, QStringList({"Text1", "Command3", "Text2", "Text3", "Command4", "Option1_0",
                                 "Option1_1", "Command5", "Check1", "Command1"}));
    for (const char* none : {"Frame1", "Picture1", "Label1", "Label3", "Label6", "Label7"})
        QCOMPARE(control(none)->focusPolicy(), Qt::NoFocus);
}

void LayoutTest::fieldAndBarColoursAreThoseDesigned() {
    // Painted, not only set: a style that ignored the palette would fail here.
    form->host().setPicture1Visible(true);
    form->host().setLabel6Width(900);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    auto painted = [](QWidget* w, QPoint at) { return w->grab().toImage().pixelColor(at); };
    for (const char* path : {"Text1", "Text3"})
        QCOMPARE(painted(control(path), {100, 10}), QColor(255, 224, 192));
    QCOMPARE(painted(control("Text2"), {30, 8}), QColor(192, 255, 192));
    QCOMPARE(painted(control("Label6"), {5, 10}), QColor(128, 128, 255));
}

void LayoutTest::progressBarWidthRoundsToWholePixels() {
    // The engine reads the width back as the control rounded it.
    form->host().setLabel6Width(117.963f);
    QCOMPARE(form->host().Label6Width(), 120.0f);
    form->host().setLabel6Width(7.4f);
    QCOMPARE(form->host().Label6Width(), 0.0f);
    // The bar at 100 % fills Picture1 inside its one-pixel border.
    QCOMPARE(form->host().Picture1InnerWidth(), 1935.0f);
    form->host().setLabel6Width(form->host().Picture1InnerWidth());
    QCOMPARE(control("Label6")->geometry().right(),
             control<QFrame>("Picture1")->contentsRect().right());
}

void LayoutTest::messageBoxStylesAndChineseButtons_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QStringList>("buttons");
    QTest::newRow("0") << 0 << int(QMessageBox::NoIcon) << QStringList{"确定"};
    QTest::newRow("36") << 36 << int(QMessageBox::Question) << QStringList{"是(&Y)", "否(&N)"};
    QTest::newRow("48") << 48 << int(QMessageBox::Warning) << QStringList{"确定"};
    QTest::newRow("64") << 64 << int(QMessageBox::Information) << QStringList{"确定"};
}

void LayoutTest::messageBoxStylesAndChineseButtons() {
    QFETCH(int, style);
    QFETCH(int, icon);
    QFETCH(QStringList, buttons);
    auto box = MessageBoxes::build(form.get(), QStringLiteral("切片错误"), QStringLiteral("出错"),
                                   style);
    QCOMPARE(box->windowTitle(), QStringLiteral("出错"));
    QCOMPARE(box->text(), QStringLiteral("切片错误"));
    QCOMPARE(int(box->icon()), icon);
    QStringList texts;
    for (QAbstractButton* b : box->buttons()) texts << b->text();
    texts.sort();
    buttons.sort();
    QCOMPARE(texts, buttons);
}

void LayoutTest::realBoxAnswersWithTheButtonPressed_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("press");  // a QMessageBox::StandardButton, or Esc
    QTest::addColumn<int>("answer");
    const int esc = -1;
    QTest::newRow("Yes") << 36 << int(QMessageBox::Yes) << int(qz::MsgAnswer::Yes);
    QTest::newRow("No") << 36 << int(QMessageBox::No) << int(qz::MsgAnswer::No);
    QTest::newRow("Esc on a question") << 36 << esc << int(qz::MsgAnswer::No);
    QTest::newRow("OK") << 48 << int(QMessageBox::Ok) << int(qz::MsgAnswer::Ok);
    QTest::newRow("Esc on OK") << 64 << esc << int(qz::MsgAnswer::Ok);
}

void LayoutTest::realBoxAnswersWithTheButtonPressed() {
    QFETCH(int, style);
    QFETCH(int, press);
    QFETCH(int, answer);
    MessageBoxes real;
    bool pressed = false;
    // A box Esc found nothing to press on is closed by the helper.
    whenModalOpens<QMessageBox>([&](QMessageBox& box) {
        if (press < 0)
            QTest::keyClick(&box, Qt::Key_Escape);
        else
            box.button(QMessageBox::StandardButton(press))->click();
        pressed = true;
    });
    QCOMPARE(int(real.show(form.get(), QStringLiteral("?"), QStringLiteral("提示"), style)),
             answer);
    QVERIFY(pressed);
    QCOMPARE(real.shown().size(), 1u);
}

void LayoutTest::aboutBoxTextByteForByte() {
    control<QPushButton>("Command1")->click();
    const auto& shown = form->messageBoxes().shown();
    QCOMPARE(shown.size(), 1u);
    const QByteArray expected =
        // The nine lines as UTF-8 bytes, ASCII punctuation and blanks kept.
        "\xe8\xbd\xaf\xe4\xbb\xb6\xe4\xbb\x8b\xe7\xbb\x8d:\n"
        "\xe8\xaf\xa5\xe8\xbd\xaf\xe4\xbb\xb6\xe5\x88\xa9\xe7\x94\xa8\xe6\x95\xb0\xe6\x8d\xae"
        "\xe5\xad\x98\xe5\x8f\x96\xe6\x96\xb9\xe5\xbc\x8f,\xe5\x85\xb7\xe6\x9c\x89\xe5\xbf"
        "\xab\xe9\x80\x9f\xe5\x88\x87\xe5\x89\xb2\xe5\x8a\x9f\xe8\x83\xbd!\n"
        "-------------------------------------------------\n"
        "\xe7\x89\x88\xe6\x9c\xac\xe4\xbf\xa1\xe6\x81\xaf:\n"
        "V1.1\xe4\xbf\xae\xe6\xad\xa3\xe4\xba\x86\xe5\x9c\xa8\xe4\xb8\x8d\xe5\x90\x8c\xe6\xa0"
        "\xb9\xe7\x9b\xae\xe5\xbd\x95\xe4\xb8\x8b\xe6\x97\xa0\xe6\xb3\x95\xe5\x90\x88\xe5\xb9"
        "\xb6\xe7\x9a\x84\xe9\x94\x99\xe8\xaf\xaf!\n"
        "V1.2\xe4\xbf\xae\xe6\xad\xa3\xe4\xba\x86\xe5\x90\x88\xe5\xb9\xb6\xe5\xa4\x9a\xe5\x88"
        "\x87\xe7\x89\x87\xe5\x87\xba\xe7\x8e\xb0\xe7\x9a\x84\xe9\x97\xae\xe9\xa2\x98,\xe5"
        "\xa2\x9e\xe5\x8a\xa0\xe4\xba\x86\xe8\xbf\x9b\xe5\xba\xa6\xe6\x9d\xa1.\n"
        "        \xe6\x94\xb9\xe8\xbf\x9b\xe4\xba\x86\xe8\xae\xbe\xe7\xbd\xae\xe4\xb8\xaa\xe6"
        "\x95\xb0,\xe5\xb1\x8f\xe8\x94\xbd\xe4\xba\x86\xe6\x89\x93\xe5\xbc\x80\xe4\xb8\x8d"
        "\xe5\xad\x98\xe5\x9c\xa8\xe6\x96\x87\xe4\xbb\xb6\xe7\x9a\x84\xe9\x94\x99\xe8\xaf\xaf"
        "! \n"
        "V1.3\xe6\x94\xaf\xe6\x8c\x81\xe6\x96\x87\xe4\xbb\xb6\xe6\x8b\x96\xe6\x94\xbe\xe6\x93"
        "\x8d\xe4\xbd\x9c,\xe5\x85\xb6\xe5\xae\x83\xe6\x93\x8d\xe4\xbd\x9c\xe6\x80\xa7\xe4"
        "\xbc\x98\xe5\x8c\x96.\n"
        " -------------------------------------------------";
    QCOMPARE(shown[0].text.toUtf8(), expected);
    QCOMPARE(shown[0].title, QStringLiteral("QZ系列 (文件分割器)"));
    QCOMPARE(shown[0].style, 64);

    const QStringList lines = shown[0].text.split(u'\n');
    QCOMPARE(lines.size(), 9);
    QCOMPARE(lines[2], QString(49, u'-'));
    QCOMPARE(lines[8], u' ' + QString(49, u'-'));
    QVERIFY(lines[6].startsWith(QString(8, u' ')) && !lines[6].startsWith(QString(9, u' ')));
    QVERIFY(lines[6].endsWith(QStringLiteral("! ")));
    // Nothing else changed.
    QVERIFY(control<QLineEdit>("Text1")->text().isEmpty());
    QCOMPARE(form->windowTitle(), QStringLiteral("QZ切片宝 V1.3优化版"));
}

void LayoutTest::buttonsAnswerTheirAltKeys() {
    QCOMPARE(control<QPushButton>("Command5")->shortcut(), QKeySequence(QStringLiteral("Alt+O")));
    QCOMPARE(control<QPushButton>("Command1")->shortcut(), QKeySequence(QStringLiteral("Alt+A")));
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    control("Text2")->setFocus();
    QTest::keyClick(form->windowHandle(), Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(form->messageBoxes().shown().size(), 1u);  // buttons animate the click
    QCOMPARE(form->messageBoxes().shown()[0].style, 64);
    QCOMPARE(control<QLineEdit>("Text2")->text(), QStringLiteral("2"));
}

void LayoutTest::messageBoxesAreWideEnoughForTheirTitle_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("style");
    QTest::newRow("done") << "操作完成!" << "提示" << 64;
    QTest::newRow("refused drop") << "请选择第一个切片文件" << "错误" << 48;
    QTest::newRow("long title") << "?" << "QZ系列 (文件分割器) QZ系列 (文件分割器)" << 36;
}

void LayoutTest::messageBoxesAreWideEnoughForTheirTitle() {
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(int, style);
    auto box = MessageBoxes::build(form.get(), text, title, style);
    box->show();  // Qt fixes the box's size as it shows it
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    QFont bold = box->font();
    bold.setBold(true);
    const int titleText = QFontMetrics(bold).horizontalAdvance(title);
    // Beside the title, the bar's icon and three buttons take a bar's height
    // each, and its two ends at least one more.
    const int bar = box->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, box.get());
    QVERIFY2(box->width() >= titleText + 5 * bar,
             qPrintable(QStringLiteral("box %1 px, title %2 px, bar %3 px")
                            .arg(box->width()).arg(titleText).arg(bar)));
}

QTEST_MAIN(LayoutTest)
#include "LayoutTest.moc"
