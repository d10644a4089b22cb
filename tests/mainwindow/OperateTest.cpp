// Splits and merges run from the window's own operate button, with the message
// boxes answered ahead of time: the files each leaves and the window's state
// after each way out; what stays live while an operation runs (the About box,
// a refused close); source adoption; and the event pump under it all.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include <csignal>

#include "engine/io/Interruption.h"
#include "engine/set/SliceNames.h"
#include "mainwindow/Form1.h"
#include "tests/mainwindow/FormFixture.h"
#include "tests/support/TempDir.h"

using qzmainwindow::EventPump;
using Outcome = qz::Engine::Outcome;

class OperateTest : public FormFixture {
    Q_OBJECT

    // Presses the operate button as the user does: it must be enabled.
    Outcome operate() {
        auto* button = control<QPushButton>("Command5");
        if (!button->isEnabled()) qFatal("operate button disabled");
        QTest::mouseClick(button, Qt::LeftButton);
        return form->lastOutcome();
    }
    Outcome splitFromWindow(const std::string& source, const char* count) {
        form->adoptSource(QString::fromStdString(source));
        control<QLineEdit>("Text2")->setText(QLatin1String(count));
        return operate();
    }
    void selectMerge(const std::string& firstSlice, bool deleteAfter) {
        QTest::mouseClick(control("Option1_1"), Qt::LeftButton);
        control<QCheckBox>("Check1")->setChecked(deleteAfter);
        form->adoptSource(QString::fromStdString(firstSlice));
    }
    // The window idle again, its inputs usable.
    void verifyIdle(const QString& caption) {
        QCOMPARE(form->windowTitle(), caption);
        QVERIFY(control("Frame1")->isEnabled());
        QVERIFY(control("Command5")->isEnabled());
        QVERIFY(!form->host().Picture1Visible());
        QCOMPARE(form->engine().iPos(), 0);
        QVERIFY(!form->engine().inputOpen());
    }

private slots:
    void init() {
        dir = std::make_unique<qz::TempDir>();
        openForm();
        showForm(/*activate=*/true);
    }

    void adoptingASourceFillsTheFields();
    void adoptingAMissingFileSaysSo();
    void splitCompletes();
    void countReadIsTheOneTheFieldShows_data();
    void countReadIsTheOneTheFieldShows();
    void splitReplacesAnExistingSetOnYes();
    void splitDeclinedKeepsTheSource();
    void splitRefusedWhenSlicesWouldBeTooSmall();
    void splitFailureLeavesTheWindowIdle();
    void mergeJoinsAndDeletesTheSlices();
    void mergeDeclinedWritesNothing();
    void closeRefusedWhileBusyAndAcceptedAfter();
    void aboutBoxDuringAnOperationSuspendsIt();
    void aSignalEndsTheOperationAndThenTheWindow();
    void pumpNeverRunsInsideItself();
    void pumpRunsAtMostOncePerInterval();
    void screenshots();
};

void OperateTest::adoptingASourceFillsTheFields() {
    const std::string src = makeSource("clip.mp4", 1000000);
    form->adoptSource(QString::fromStdString(src));
    QCOMPARE(text("Text1"), QString::fromStdString(src));
    QCOMPARE(text("Text3"), QString::fromStdString(dir->path()));
    QCOMPARE(form->engine().SrcName(), std::string("clip.mp4"));
    QCOMPARE(label("Label3"), QStringLiteral("0.95 MB"));
    // The fields show where the paths begin.
    QCOMPARE(control<QLineEdit>("Text1")->cursorPosition(), 0);
    QCOMPARE(control<QLineEdit>("Text3")->cursorPosition(), 0);
    // The size caption grows its label: nothing of it is cut off.
    QVERIFY(control("Label3")->width() >= control("Label3")->sizeHint().width());
    QVERIFY(messages().isEmpty());
}

void OperateTest::adoptingAMissingFileSaysSo() {
    const std::string missing = *dir / "gone.bin";
    form->adoptSource(QString::fromStdString(missing));
    QCOMPARE(messages(), QStringList{QStringLiteral("找不到指定的文件名!")});
    QCOMPARE(form->messageBoxes().shown()[0].title, QStringLiteral("出错"));
    QCOMPARE(form->messageBoxes().shown()[0].style, 48);
    QVERIFY(text("Text1").isEmpty());
    QCOMPARE(text("Text3"), QString::fromStdString(dir->path()));
}

void OperateTest::splitCompletes() {
    const std::string src = makeSource("clip.mp4", 1000000);
    bool checkedFinalDisplay = false;
    // While the completion box is up the progress area shows the end state.
    form->messageBoxes().queueAnswer(qz::MsgAnswer::Ok, [&] {
        checkedFinalDisplay = form->host().Picture1Visible() && label("Label7") == "完成" &&
                              form->host().Label6Width() == form->host().Picture1InnerWidth() &&
                              form->windowTitle() == "操作进行中,请稍等..." &&
                              !control("Frame1")->isEnabled() && !control("Command5")->isEnabled();
    });
    QCOMPARE(splitFromWindow(src, "3"), Outcome::Completed);
    QVERIFY(checkedFinalDisplay);
    QCOMPARE(messages(), QStringList{QStringLiteral("操作完成!")});
    QCOMPARE(form->messageBoxes().shown()[0].title, QStringLiteral("提示"));
    QCOMPARE(form->messageBoxes().shown()[0].style, 64);

    QCOMPARE(qz::TempDir::size(src + ".QZ1"), 327675);
    QCOMPARE(qz::TempDir::size(src + ".QZ2"), 327675);
    QCOMPARE(qz::TempDir::size(src + ".QZ3"), 344650);
    QVERIFY(!qz::TempDir::exists(src + ".QZ4"));
    std::vector<unsigned char> joined;
    for (int k = 1; k <= 3; ++k) {
        auto part = qz::TempDir::read(qz::SliceNames::slicePath("", src, k));
        joined.insert(joined.end(), part.begin(), part.end());
    }
    QVERIFY(joined == qz::TempDir::read(src));

    verifyIdle(QStringLiteral("QZ切片宝V1.3优化版"));
    QVERIFY(text("Text1").isEmpty() && text("Text3").isEmpty() && label("Label3").isEmpty());
    QCOMPARE(text("Text2"), QStringLiteral("3"));
    QVERIFY(form->host().Option1_0());
}

void OperateTest::countReadIsTheOneTheFieldShows_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byAltO");  // else called from code, the window not active
    QTest::addColumn<int>("pieces");
    for (const char* t : {"05", "1", "0"})
        QTest::newRow(qPrintable(QStringLiteral("%1, Alt+O").arg(t))) << t << true << 2;
    QTest::newRow("7, Alt+O") << "7" << true << 7;
    QTest::newRow("05, from code") << "05" << false << 2;
}

void OperateTest::countReadIsTheOneTheFieldShows() {
    QFETCH(QString, typed);
    QFETCH(bool, byAltO);
    QFETCH(int, pieces);
    const std::string src = makeSource("clip.mp4", 1000000);
    form->adoptSource(QString::fromStdString(src));
    auto* text2 = control<QLineEdit>("Text2");
    text2->setFocus();
    text2->clear();
    QTest::keyClicks(text2, typed);
    QCOMPARE(text2->text(), typed);
    if (byAltO) {
        QVERIFY(text2->hasFocus());
        QTest::keyClick(text2, Qt::Key_O, Qt::AltModifier);
        // The button shows itself pressed for a moment before it acts.
        QTRY_COMPARE(form->lastOutcome(), Outcome::Completed);
    } else {
        form->hide();
        QCOMPARE(form->focusWidget(), text2);
        QCOMPARE(form->Command5_Click(), Outcome::Completed);
    }
    QCOMPARE(text2->text(), QString::number(pieces));
    QVERIFY(qz::TempDir::exists(qz::SliceNames::slicePath("", src, pieces)));
    QVERIFY(!qz::TempDir::exists(qz::SliceNames::slicePath("", src, pieces + 1)));
}

void OperateTest::splitReplacesAnExistingSetOnYes() {
    const std::string src = makeSource("clip.mp4", 1000000);
    for (int k = 1; k <= 7; ++k) qz::TempDir::write(qz::SliceNames::slicePath("", src, k), {1, 2, 3});
    form->messageBoxes().queueAnswer(qz::MsgAnswer::Yes);
    QCOMPARE(splitFromWindow(src, "3"), Outcome::Completed);
    QCOMPARE(messages(), QStringList({QStringLiteral("己存在该文件切片,是否代替原切片?"),
                                      QStringLiteral("操作完成!")}));
    QCOMPARE(qz::TempDir::size(src + ".QZ1"), 327675);
    QVERIFY(qz::TempDir::exists(src + ".QZ3"));
    QVERIFY(!qz::TempDir::exists(src + ".QZ4") && !qz::TempDir::exists(src + ".QZ7"));
}

void OperateTest::splitDeclinedKeepsTheSource() {
    const std::string src = makeSource("clip.mp4", 1000000);
    qz::TempDir::write(src + ".QZ1", {9});
    form->messageBoxes().queueAnswer(qz::MsgAnswer::No);
    QCOMPARE(splitFromWindow(src, "3"), Outcome::Declined);
    QCOMPARE(qz::TempDir::size(src + ".QZ1"), 1);
    QVERIFY(!qz::TempDir::exists(src + ".QZ2"));

    verifyIdle(QStringLiteral("QZ切片宝"));
    QCOMPARE(text("Text1"), QString::fromStdString(src));
    QVERIFY(text("Text3").isEmpty());
    QCOMPARE(label("Label3"), QStringLiteral("0.95 MB"));
    auto* text2 = control<QLineEdit>("Text2");
    QVERIFY(text2->hasFocus());
    QCOMPARE(text2->selectedText(), QStringLiteral("3"));
}

void OperateTest::splitRefusedWhenSlicesWouldBeTooSmall() {
    const std::string src = makeSource("small.bin", 131070);  // 65 535 a slice
    QCOMPARE(splitFromWindow(src, "2"), Outcome::Refused);
    const auto& shown = form->messageBoxes().shown();
    QCOMPARE(shown.size(), 1u);
    QCOMPARE(shown[0].text, QStringLiteral("对不起,文件太小影响完整性,建议每个单位不要小于64KB!"
                                           "请重新设置切割个数!"));
    QCOMPARE(shown[0].title, QStringLiteral("操作被中止"));
    QVERIFY(!qz::TempDir::exists(src + ".QZ1"));

    verifyIdle(QStringLiteral("QZ切片宝"));
    QCOMPARE(text("Text1"), QString::fromStdString(src));
    QCOMPARE(text("Text3"), QString::fromStdString(dir->path()));
    QCOMPARE(control<QLineEdit>("Text2")->selectedText(), QStringLiteral("2"));
    QVERIFY(control("Text2")->hasFocus());
}

void OperateTest::splitFailureLeavesTheWindowIdle() {
    const std::string src = makeSource("clip.mp4", 1000000);
    form->adoptSource(QString::fromStdString(src));
    std::remove(src.c_str());
    QCOMPARE(operate(), Outcome::Failed);
    QCOMPARE(messages(), QStringList{QStringLiteral("切片错误")});
    QCOMPARE(form->messageBoxes().shown()[0].title, QStringLiteral("出错"));
    verifyIdle(QStringLiteral("QZ切片宝V1.3优化版"));
    QCOMPARE(text("Text1"), QString::fromStdString(src));
    // Closing after a failure works.
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());
}

void OperateTest::mergeJoinsAndDeletesTheSlices() {
    const std::string src = makeSource("report.doc", 1000000);
    const auto original = qz::TempDir::read(src);
    QCOMPARE(splitFromWindow(src, "3"), Outcome::Completed);
    form->messageBoxes().clearShown();

    selectMerge(src + ".QZ1", true);
    bool fullAtEnd = false;
    form->messageBoxes().queueAnswer(qz::MsgAnswer::Yes);  // overwrite report.doc
    form->messageBoxes().queueAnswer(qz::MsgAnswer::Ok, [&] {
        fullAtEnd = label("Label7") == "100%" && form->host().Picture1Visible();
    });
    QCOMPARE(operate(), Outcome::Completed);
    QCOMPARE(messages(), QStringList({QStringLiteral("文件己经存在，是否覆盖原文件？"),
                                      QStringLiteral("操作完成!")}));
    QVERIFY(fullAtEnd);
    QVERIFY(qz::TempDir::read(src) == original);
    for (int k = 1; k <= 3; ++k) QVERIFY(!qz::TempDir::exists(qz::SliceNames::slicePath("", src, k)));

    verifyIdle(QStringLiteral("QZ切片宝V1.3优化版"));
    QVERIFY(text("Text1").isEmpty() && text("Text3").isEmpty() && label("Label3").isEmpty());
    QVERIFY(!form->host().Option1_0());
}

void OperateTest::mergeDeclinedWritesNothing() {
    const std::string src = makeSource("report.doc", 300000);
    QCOMPARE(splitFromWindow(src, "3"), Outcome::Completed);
    qz::TempDir::write(src, {7, 7});
    form->messageBoxes().clearShown();

    selectMerge(src + ".QZ1", true);
    form->messageBoxes().queueAnswer(qz::MsgAnswer::No);
    QCOMPARE(operate(), Outcome::Declined);
    QCOMPARE(messages().size(), 1);  // the question only, no completion
    QCOMPARE(qz::TempDir::size(src), 2);
    QVERIFY(qz::TempDir::exists(src + ".QZ1") && qz::TempDir::exists(src + ".QZ3"));
    verifyIdle(QStringLiteral("QZ切片宝V1.3优化版"));
    QVERIFY(text("Text1").isEmpty() && text("Text3").isEmpty() && label("Label3").isEmpty());
}

void OperateTest::closeRefusedWhileBusyAndAcceptedAfter() {
    const std::string src = makeSource("big.bin", 64 * 65535 + 17);
    form->eventPump().setInterval(0);
    int refusedBeforeCopy = 0, refusedWhileCopying = 0;
    duringOperation([&] {
        if (form->close()) qFatal("closed while busy");
        (form->host().Picture1Visible() ? refusedWhileCopying : refusedBeforeCopy)++;
        return refusedWhileCopying >= 3;
    });
    QCOMPARE(splitFromWindow(src, "2"), Outcome::Completed);
    QCOMPARE(refusedWhileCopying, 3);
    QVERIFY(refusedBeforeCopy >= 1);  // the pump right after opening the source
    QVERIFY(form->isVisible());
    QCOMPARE(messages(), QStringList{QStringLiteral("操作完成!")});  // refused silently
    QCOMPARE(qz::TempDir::size(src + ".QZ2") + qz::TempDir::size(src + ".QZ1"),
             64 * 65535 + 17);
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());
}

void OperateTest::aboutBoxDuringAnOperationSuspendsIt() {
    const std::string src = makeSource("big.bin", 64 * 65535 + 17);
    form->eventPump().setInterval(0);
    std::int64_t atOpen = -1, atClose = -1;
    duringOperation([&] {
        if (!form->host().Picture1Visible() || form->engine().iPos() < 10 * 65535) return false;
        auto* about = control<QPushButton>("Command1");
        if (!about->isEnabled()) qFatal("About disabled during an operation");
        form->messageBoxes().queueAnswer(qz::MsgAnswer::Ok, [&] {
            atOpen = form->engine().iPos();
            QTest::qWait(30);  // events run, the operation must not
            atClose = form->engine().iPos();
        });
        QTest::mouseClick(about, Qt::LeftButton);
        return true;
    });
    QCOMPARE(splitFromWindow(src, "2"), Outcome::Completed);
    QVERIFY(atOpen >= 10 * 65535);
    QCOMPARE(atClose, atOpen);
    const auto& shown = form->messageBoxes().shown();
    QCOMPARE(shown.size(), 2u);
    QCOMPARE(shown[0].title, QStringLiteral("QZ系列 (文件分割器)"));
    QCOMPARE(shown[1].text, QStringLiteral("操作完成!"));
    QCOMPARE(qz::TempDir::size(src + ".QZ1") + qz::TempDir::size(src + ".QZ2"),
             64 * 65535 + 17);
}

void OperateTest::aSignalEndsTheOperationAndThenTheWindow() {
    // As a logout ends the session: the window was made while the signals
    // were being caught, as the program makes it.
    qz::Interruption::install();
    form.reset();
    openForm();
    showForm(true);
    const std::string src = makeSource("big.bin", 64 * 65535 + 17);
    form->eventPump().setInterval(0);
    duringOperation([&] {
        if (form->engine().iPos() < 40 * 65535) return false;  // into slice 2
        ::raise(SIGHUP);
        return true;
    });
    const Outcome outcome = splitFromWindow(src, "2");
    const int caught = qz::Interruption::caught();
    qz::Interruption::reset();
    QCOMPARE(caught, SIGHUP);
    QCOMPARE(outcome, Outcome::Failed);
    QVERIFY(messages().isEmpty());  // nobody is there to answer
    QVERIFY(!form->isVisible());
    QVERIFY(!qz::TempDir::exists(src + ".QZ1") && !qz::TempDir::exists(src + ".QZ2"));
}

void OperateTest::pumpNeverRunsInsideItself() {
    EventPump pump(0);
    int outerEvents = 0, innerEvents = 0;
    QTimer::singleShot(0, [&] {
        ++outerEvents;
        QTimer::singleShot(0, [&] { ++innerEvents; });
        pump.pump();  // already pumping: returns at once
    });
    pump.pump();
    QCOMPARE(outerEvents, 1);
    QCOMPARE(innerEvents, 0);
    QCOMPARE(pump.runs(), 1);
    pump.pump();
    QCOMPARE(innerEvents, 1);
}

void OperateTest::pumpRunsAtMostOncePerInterval() {
    EventPump pump(10000);
    int delivered = 0;
    pump.pump();
    QTimer::singleShot(0, [&] { ++delivered; });
    for (int i = 0; i < 100; ++i) pump.pump();
    QCOMPARE(delivered, 0);
    QCOMPARE(pump.runs(), 1);
    pump.restart();  // a new operation repaints at once
    pump.pump();
    QCOMPARE(delivered, 1);
}

// Not a check: with QZ_SCREENSHOT_DIR set (run under xvfb-run with the xcb
// platform), saves the window and the screen at start and halfway through a
// split, for a look by eye at fonts, clipping and the progress area. With
// QZ_SCREENSHOT_SOURCE the file split is made at that path, in a directory
// that exists, so that a published screenshot shows a name such as a user's
// rather than the scratch directory; the file and its slices go afterwards.
void OperateTest::screenshots() {
    const QString out = qEnvironmentVariable("QZ_SCREENSHOT_DIR");
    if (out.isEmpty()) QSKIP("QZ_SCREENSHOT_DIR not set");
    auto save = [&](const QString& name) {
        QVERIFY(form->grab().save(out + "/" + name + "-window.png"));
        QVERIFY(form->screen()->grabWindow(0).save(out + "/" + name + "-screen.png"));
    };
    form->move(40, 40);
    QTest::qWait(200);
    save(QStringLiteral("start"));

    const std::int64_t size = 200 * 65535 + 1234;
    const QString at = qEnvironmentVariable("QZ_SCREENSHOT_SOURCE");
    std::string src;
    if (at.isEmpty()) {
        src = makeSource("视频片段.mp4", size);
    } else {
        src = at.toStdString();
        qz::TempDir::write(src, qz::TempDir::pattern(size));
    }
    form->eventPump().setInterval(0);
    bool saved = false;
    duringOperation([&] {
        if (!form->host().Picture1Visible() || form->engine().iPos() < 90 * 65535) return false;
        QTest::qWait(100);
        save(QStringLiteral("splitting"));
        saved = true;
        return true;
    });
    form->adoptSource(QString::fromStdString(src));
    QTest::qWait(100);
    save(QStringLiteral("adopted"));
    control<QLineEdit>("Text2")->setText(QStringLiteral("3"));
    QCOMPARE(operate(), Outcome::Completed);
    QVERIFY(saved);
    if (!at.isEmpty())
        for (const std::string& file : {src, src + ".QZ1", src + ".QZ2", src + ".QZ3"})
            QVERIFY(std::filesystem::remove(file));
}

QTEST_MAIN(OperateTest)
#include "OperateTest.moc"
