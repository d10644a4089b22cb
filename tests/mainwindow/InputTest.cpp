// The inputs as the user works them: the count field's key filter and its
// normalisation on losing the focus, the mode switch, and the path tooltips.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "mainwindow/Form1.h"
#include "mainwindow/PieceCount.h"
#include "tests/mainwindow/FormFixture.h"

using qzmainwindow::PieceCount;

class InputTest : public FormFixture {
    Q_OBJECT

    QLineEdit* text1 = nullptr;
    QLineEdit* text2 = nullptr;
    QLineEdit* text3 = nullptr;

    // Types into Text2 from empty, as the user does.
    void retype(const QString& keys) {
        text2->setFocus();
        text2->clear();
        QTest::keyClicks(text2, keys);
    }
    // Moves the focus from Text2 to the next control, with Tab.
    void leaveText2() {
        QTest::keyClick(text2, Qt::Key_Tab);
        QVERIFY(!text2->hasFocus());
    }
    void hover(QLineEdit* field) {
        QMouseEvent move(QEvent::MouseMove, QPointF(20, 5), field->mapToGlobal(QPointF(20, 5)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(field, &move);
    }

private slots:
    void init() {
        openForm();
        text1 = form->findChild<QLineEdit*>(QStringLiteral("Text1"));
        text2 = form->findChild<QLineEdit*>(QStringLiteral("Text2"));
        text3 = form->findChild<QLineEdit*>(QStringLiteral("Text3"));
        showForm();
    }

    void normalisation_data();
    void normalisation();
    void normalisationRunsWhenTheFocusLeaves();
    void pastedTextIsNormalisedOnLeaving_data();
    void pastedTextIsNormalisedOnLeaving();
    void keyFilterKeepsDigitsAndBackspaceOnly();
    void clipboardShortcutsAndEnterAreDropped();
    void keysThatTypeNothingStillWork();
    void atMostThreeCharacters();
    void switchingToMergeAndBack();
    void programmaticSwitchRunsTheSameRule();
    void tooltipsMirrorThePathFields();
    void saveDirectoryPickerIsModalAndLeavesTheWindowOnTop();
    void directoryPickedIsTheSaveLocation();
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();
};

void InputTest::normalisation_data() {
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("after");
    // Step 1: empty, unreadable or below 2.
    for (const char* t : {"", "0", "1", "00", "01", "000", "001", "3a", "1e3", "-5", "1.9"})
        QTest::newRow(t) << QString::fromLatin1(t) << "2";
    // Step 2: a leading zero or non-digit, even when the number is fine.
    for (const char* t : {"02", "05", "010", "099", " 3", "+5", "2.5x"})
        QTest::newRow(t) << QString::fromLatin1(t) << "2";
    // Counts written without a leading zero stay as they are.
    for (const char* t : {"2", "3", "10", "100", "999", "2.5"})
        QTest::newRow(t) << QString::fromLatin1(t) << QString::fromLatin1(t);
}

void InputTest::normalisation() {
    QFETCH(QString, left);
    QFETCH(QString, after);
    QCOMPARE(PieceCount::normalised(left), after);
}

void InputTest::normalisationRunsWhenTheFocusLeaves() {
    retype(QString());
    leaveText2();
    QCOMPARE(text2->text(), QStringLiteral("2"));
    retype(QStringLiteral("05"));
    leaveText2();
    QCOMPARE(text2->text(), QStringLiteral("2"));  // not 5
    retype(QStringLiteral("100"));
    leaveText2();
    QCOMPARE(text2->text(), QStringLiteral("100"));
    // Pressing the operate button takes the focus first: the count it reads
    // is already normalised.
    retype(QStringLiteral("1"));
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("Command5")), Qt::LeftButton);
    QCOMPARE(text2->text(), QStringLiteral("2"));
}

void InputTest::pastedTextIsNormalisedOnLeaving_data() {
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("after");
    QTest::newRow("3a") << "3a" << "2";
    QTest::newRow("leading blank") << " 7" << "2";
    QTest::newRow("sign") << "-9" << "2";
    QTest::newRow("digits") << "42" << "42";
}

void InputTest::pastedTextIsNormalisedOnLeaving() {
    // A paste from the context menu does not pass the key filter.
    QFETCH(QString, pasted);
    QFETCH(QString, after);
    QGuiApplication::clipboard()->setText(pasted);
    text2->setFocus();
    text2->clear();
    text2->paste();
    QCOMPARE(text2->text(), pasted);
    leaveText2();
    QCOMPARE(text2->text(), after);
}

void InputTest::keyFilterKeepsDigitsAndBackspaceOnly() {
    retype(QStringLiteral("1a-. "));
    QTest::keyClick(text2, Qt::Key_Return);
    QTest::keyClick(text2, Qt::Key_Enter, Qt::KeypadModifier);
    for (const QString& wide : {QStringLiteral("中"), QStringLiteral("é"), QStringLiteral("٣")}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, wide);
        QApplication::sendEvent(text2, &press);
    }
    QCOMPARE(text2->text(), QStringLiteral("1"));
    QTest::keyClicks(text2, QStringLiteral("7"));
    QTest::keyClick(text2, Qt::Key_Backspace);
    QCOMPARE(text2->text(), QStringLiteral("1"));
}

void InputTest::clipboardShortcutsAndEnterAreDropped() {
    QGuiApplication::clipboard()->setText(QStringLiteral("77"));
    retype(QStringLiteral("12"));
    QTest::keyClick(text2, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(text2, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(text2->text(), QStringLiteral("12"));
    text2->selectAll();
    QTest::keyClick(text2, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(text2->text(), QStringLiteral("12"));
    QTest::keyClick(text2, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("77"));
    // Enter neither types nor presses a button.
    QTest::keyClick(text2, Qt::Key_Return);
    QCOMPARE(form->messageBoxes().shown().size(), 0u);
    QCOMPARE(form->lastOutcome(), qz::Engine::Outcome::Guard);
}

void InputTest::keysThatTypeNothingStillWork() {
    retype(QStringLiteral("12"));
    QTest::keyClick(text2, Qt::Key_Left);
    QTest::keyClicks(text2, QStringLiteral("3"));
    QCOMPARE(text2->text(), QStringLiteral("132"));
    QTest::keyClick(text2, Qt::Key_Home);
    QTest::keyClick(text2, Qt::Key_Delete);
    QCOMPARE(text2->text(), QStringLiteral("32"));
    QTest::keyClick(text2, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form->findChild<QWidget*>(QStringLiteral("Text3")));
}

void InputTest::atMostThreeCharacters() {
    retype(QStringLiteral("1234"));
    QCOMPARE(text2->text(), QStringLiteral("123"));
    QGuiApplication::clipboard()->setText(QStringLiteral("98765"));
    text2->clear();
    text2->paste();
    QCOMPARE(text2->text(), QStringLiteral("987"));
}

void InputTest::switchingToMergeAndBack() {
    auto* option0 = form->findChild<QRadioButton*>(QStringLiteral("Option1_0"));
    auto* option1 = form->findChild<QRadioButton*>(QStringLiteral("Option1_1"));
    auto* label2 = form->findChild<QLabel*>(QStringLiteral("Label2"));
    auto* check1 = form->findChild<QCheckBox*>(QStringLiteral("Check1"));
    text1->setText(QStringLiteral("/v/clip.mp4"));
    text3->setText(QStringLiteral("/v/"));
    text2->setText(QStringLiteral("7"));
    form->engine().adopt("clip.mp4");
    form->host().setLabel3("1.50 MB");

    QTest::mouseClick(option1, Qt::LeftButton);
    QVERIFY(option1->isChecked() && !option0->isChecked());
    QVERIFY(!form->host().Option1_0());
    QVERIFY(!label2->isEnabled() && !text2->isEnabled());
    QVERIFY(check1->isEnabled());
    QVERIFY(text1->text().isEmpty() && text3->text().isEmpty());
    // Only the two path fields are emptied.
    QCOMPARE(text2->text(), QStringLiteral("7"));
    QCOMPARE(form->engine().SrcName(), std::string("clip.mp4"));
    QCOMPARE(form->findChild<QLabel*>(QStringLiteral("Label3"))->text(), QStringLiteral("1.50 MB"));

    QTest::mouseClick(check1, Qt::LeftButton);
    QVERIFY(form->host().Check1());
    text1->setText(QStringLiteral("/v/clip.mp4.QZ1"));
    text3->setText(QStringLiteral("/v/"));
    QTest::mouseClick(option0, Qt::LeftButton);
    QVERIFY(form->host().Option1_0());
    QVERIFY(label2->isEnabled() && text2->isEnabled());
    QVERIFY(!check1->isEnabled());
    QVERIFY(check1->isChecked());  // the tick survives, greyed out
    QVERIFY(text1->text().isEmpty() && text3->text().isEmpty());
    QCOMPARE(text2->text(), QStringLiteral("7"));
}

void InputTest::programmaticSwitchRunsTheSameRule() {
    // Dropped files select the mode in code; the switch must still run.
    text1->setText(QStringLiteral("/v/a.QZ1"));
    form->findChild<QRadioButton*>(QStringLiteral("Option1_1"))->setChecked(true);
    QVERIFY(form->findChild<QCheckBox*>(QStringLiteral("Check1"))->isEnabled());
    QVERIFY(!text2->isEnabled());
    QVERIFY(text1->text().isEmpty());
}

void InputTest::tooltipsMirrorThePathFields() {
    hover(text1);
    QVERIFY(text1->toolTip().isEmpty());
    const QString longPath = QStringLiteral("/home/user/视频/一个很长很长的目录名/clip.mp4");
    text1->setText(longPath);
    text3->setText(QStringLiteral("/home/user/视频/"));
    QVERIFY(text1->toolTip().isEmpty());  // only a pointer move updates it
    hover(text1);
    QCOMPARE(text1->toolTip(), longPath);
    QVERIFY(text3->toolTip().isEmpty());
    hover(text3);
    QCOMPARE(text3->toolTip(), QStringLiteral("/home/user/视频/"));
    text1->clear();
    hover(text1);
    QVERIFY(text1->toolTip().isEmpty());
}

void InputTest::saveDirectoryPickerIsModalAndLeavesTheWindowOnTop() {
    form->saveDirectoryDialog().setScripted(false);
    text3->setText(QStringLiteral("/v/"));
    QWidget* pickerParent = nullptr;
    whenModalOpens<QDialog>([&](QDialog& picker) {
        pickerParent = picker.parentWidget();
        picker.reject();
    });
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("Command4")), Qt::LeftButton);
    QCOMPARE(pickerParent, form.get());
    QCOMPARE(text3->text(), QStringLiteral("/v/"));  // closed without a choice
    QVERIFY(form->isVisible());
    QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
    // The picker is gone with its window once closed.
    QCOMPARE(QApplication::topLevelWidgets().size(), 1);
}

void InputTest::directoryPickedIsTheSaveLocation() {
    text3->setText(QStringLiteral("/v/"));
    auto& picker = form->saveDirectoryDialog();
    picker.queueAnswer(QStringLiteral("/srv/片段/"));
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("Command4")), Qt::LeftButton);
    QCOMPARE(text3->text(), QStringLiteral("/srv/片段/"));
    // Closed without a choice: nothing is written.
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("Command4")), Qt::LeftButton);
    QCOMPARE(text3->text(), QStringLiteral("/srv/片段/"));
    QVERIFY(picker.shown() == std::vector<QWidget*>(2, form.get()));  // over the window
}

void InputTest::enterPressesTheFocusedButton_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    for (const char* name : {"Command5", "Command1", "Command3", "Command4"}) {
        QTest::addRow("%s, Return", name) << QString::fromLatin1(name) << int(Qt::Key_Return);
        QTest::addRow("%s, keypad Enter", name) << QString::fromLatin1(name) << int(Qt::Key_Enter);
    }
}

void InputTest::enterPressesTheFocusedButton() {
    QFETCH(QString, button);
    QFETCH(int, key);
    auto* pressed = control<QPushButton>(button.toLatin1().constData());
    pressed->setFocus(Qt::TabFocusReason);
    QVERIFY(pressed->hasFocus());
    QSignalSpy clicks(pressed, &QPushButton::clicked);
    QTest::keyClick(pressed, Qt::Key(key),
                    key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QCOMPARE(clicks.count(), 1);
}

QTEST_MAIN(InputTest)
#include "InputTest.moc"
