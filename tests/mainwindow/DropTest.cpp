// Files dropped on the main window, sent as real drag-enter and drop events:
// over every kind of control, several at once, the mode each name selects or
// its refusal, items that are no file here, a drag while an operation runs,
// the drop handle and its release; and a Chinese name with blanks and dots
// through a split and a merge.

#include <QApplication>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>
#include <filesystem>

#include "engine/set/SliceNames.h"
#include "mainwindow/DropHandle.h"
#include "mainwindow/Form1.h"
#include "tests/mainwindow/FormFixture.h"
#include "tests/support/TempDir.h"

using qzmainwindow::DropHandle;
using Outcome = qz::Engine::Outcome;

class DropTest : public FormFixture {
    Q_OBJECT

    static QList<QUrl> files(const QStringList& paths) {
        QList<QUrl> urls;
        for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
        return urls;
    }
    Sent drop(const QStringList& paths) { return sendDrop(form.get(), files(paths)); }
    Outcome operate() {
        QTest::mouseClick(control("Command5"), Qt::LeftButton);
        return form->lastOutcome();
    }
    // The one message shown was "找不到指定的文件名!" as an error.
    void verifyNotFound() {
        const auto& shown = form->messageBoxes().shown();
        QCOMPARE(shown.size(), 1u);
        QCOMPARE(shown[0].text, QStringLiteral("找不到指定的文件名!"));
        QCOMPARE(shown[0].title, QStringLiteral("出错"));
        QCOMPARE(shown[0].style, 48);
    }

private slots:
    void init() {
        dir = std::make_unique<qz::TempDir>();
        openForm();
        showForm();
    }

    void dropOverAnyControlReachesTheWindow_data();
    void dropOverAnyControlReachesTheWindow();
    void onlyTheFirstOfSeveralIsAdopted();
    void nameSelectsTheMode_data();
    void nameSelectsTheMode();
    void itemsThatAreNoFileHere_data();
    void itemsThatAreNoFileHere();
    void blanksAroundThePathAreCut();
    void nameEndingInABlankIsAdopted();
    void fileURLNamingThisMachineIsAdopted();
    void shortNameIsAdopted();
    void dragWhileBusyIsRefused();
    void handleReadsEachURL();
    void everyWayOutReleasesOnce();
    void chineseNameWithBlanksAndDotsSplitsAndMerges();
};

void DropTest::dropOverAnyControlReachesTheWindow_data() {
    QTest::addColumn<QString>("target");
    for (const char* name : {"Form1", "Text1", "Text2", "Text3", "Command3", "Command5", "Frame1",
                             "Option1_0", "Label3"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void DropTest::dropOverAnyControlReachesTheWindow() {
    QFETCH(QString, target);
    QWidget* over = target == QLatin1String("Form1")
                        ? form.get()
                        : form->findChild<QWidget*>(target);
    QVERIFY(over);
    const QString src = makeFile("clip.mp4", 262144);
    const Sent sent = sendDrop(over, files({src}));
    QVERIFY(sent.entered && sent.dropped);
    // Offered a move, the window still only reads the file.
    QCOMPARE(sent.action, Qt::CopyAction);
    QVERIFY(qz::TempDir::exists(src.toStdString()));
    // No field took the drop as text.
    QCOMPARE(text("Text1"), src);
    QCOMPARE(text("Text2"), QStringLiteral("2"));
    QCOMPARE(text("Text3"), QString::fromStdString(dir->path()));
    QCOMPARE(label("Label3"), QStringLiteral("0.25 MB"));
    QVERIFY(messages().isEmpty());
}

void DropTest::onlyTheFirstOfSeveralIsAdopted() {
    const QString first = makeFile("first.bin", 10);
    const QString slice = makeFile("second.bin.QZ1");
    QVERIFY(drop({first, slice, makeFile("third.bin")}).dropped);
    QCOMPARE(text("Text1"), first);
    QCOMPARE(form->engine().SrcName(), std::string("first.bin"));
    QVERIFY(form->host().Option1_0());  // the slice second in line selects nothing
    QVERIFY(messages().isEmpty());
}

void DropTest::nameSelectsTheMode_data() {
    QTest::addColumn<bool>("mergeBefore");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("mergeAfter");
    QTest::addColumn<bool>("refused");
    QTest::newRow("split, first slice") << false << "clip.mp4.QZ1" << true << false;
    QTest::newRow("split, plain file") << false << "clip.mp4" << false << false;
    QTest::newRow("split, later slice") << false << "clip.mp4.QZ3" << false << false;
    QTest::newRow("split, lower-case qz1") << false << "clip.mp4.qz1" << false << false;
    QTest::newRow("merge, first slice") << true << "clip.mp4.QZ1" << true << false;
    QTest::newRow("merge, later slice") << true << "clip.mp4.QZ3" << true << true;
    QTest::newRow("merge, QZ and a letter") << true << "clip.mp4.QZx" << true << true;
    QTest::newRow("merge, plain file") << true << "clip.mp4" << false << false;
    QTest::newRow("merge, slice 12") << true << "clip.mp4.QZ12" << false << false;
    QTest::newRow("merge, lower-case qz1") << true << "clip.mp4.qz1" << false << false;
}

void DropTest::nameSelectsTheMode() {
    QFETCH(bool, mergeBefore);
    QFETCH(QString, name);
    QFETCH(bool, mergeAfter);
    QFETCH(bool, refused);
    makeFile("earlier.QZ1", 1572864);
    if (mergeBefore) selectMerge();
    form->adoptSource(path("earlier.QZ1"));
    form->host().setLabel6Width(900);
    const float barBefore = form->host().Label6Width();
    QSignalSpy switches(control<QRadioButton>("Option1_1"), &QRadioButton::toggled);

    const QString dropped = makeFile(name.toStdString(), 262144);
    QVERIFY(drop({dropped}).dropped);

    QCOMPARE(!form->host().Option1_0(), mergeAfter);
    QCOMPARE(switches.count(), mergeBefore == mergeAfter ? 0 : 1);
    QCOMPARE(control("Check1")->isEnabled(), mergeAfter);
    QCOMPARE(control("Text2")->isEnabled(), !mergeAfter);
    QCOMPARE(form->host().Label6Width(), barBefore);  // a drop leaves the bar alone
    if (refused) {
        const auto& shown = form->messageBoxes().shown();
        QCOMPARE(shown.size(), 1u);
        QCOMPARE(shown[0].text, QStringLiteral("请选择第一个切片文件"));
        QCOMPARE(shown[0].title, QStringLiteral("错误"));
        QCOMPARE(shown[0].style, 48);
        QVERIFY(text("Text1").isEmpty());
        QCOMPARE(text("Text3"), QString::fromStdString(dir->path()));
        QCOMPARE(form->engine().SrcName(), std::string("earlier.QZ1"));
        QCOMPARE(label("Label3"), QStringLiteral("1.5 MB"));
        return;
    }
    QVERIFY(messages().isEmpty());
    QCOMPARE(text("Text1"), dropped);
    QCOMPARE(text("Text3"), QString::fromStdString(dir->path()));
    QCOMPARE(form->engine().SrcName(), name.toStdString());
    QCOMPARE(label("Label3"), QStringLiteral("0.25 MB"));
}

void DropTest::itemsThatAreNoFileHere_data() {
    // %1 stands for the scratch directory.
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("merge");
    QTest::newRow("directory") << "file://%1sub" << false;
    QTest::newRow("directory named as a first slice") << "file://%1set.QZ1" << true;
    QTest::newRow("vanished file") << "file://%1gone.bin" << false;
    QTest::newRow("web address") << "https://example.com/clip.mp4" << false;
    // The same path exists here; it is still another machine's file.
    QTest::newRow("another machine's file") << "file://otherhost%1clip.mp4" << false;
}

void DropTest::itemsThatAreNoFileHere() {
    QFETCH(QString, item);
    QFETCH(bool, merge);
    std::filesystem::create_directory(*dir / "sub");
    std::filesystem::create_directory(*dir / "set.QZ1");
    makeFile("clip.mp4");
    if (merge) selectMerge();

    const Sent sent = sendDrop(form.get(), {QUrl(item.arg(path("")))});
    QVERIFY(sent.entered && sent.dropped);
    verifyNotFound();
    QVERIFY(text("Text1").isEmpty());
    QCOMPARE(!form->host().Option1_0(), merge);
    QVERIFY(label("Label3").isEmpty());
    // The operate button finds no source and does nothing.
    QCOMPARE(operate(), Outcome::Guard);
}

void DropTest::blanksAroundThePathAreCut() {
    const QString src = makeFile("clip.mp4");
    DropHandle hDrop({QUrl::fromLocalFile("  " + src + "   ")});
    form->DropFiles(hDrop);
    QCOMPARE(text("Text1"), src);
    QCOMPARE(form->engine().SrcName(), std::string("clip.mp4"));
    QVERIFY(messages().isEmpty());
}

void DropTest::nameEndingInABlankIsAdopted() {
    // Here a name may end in a blank; one with and one without it exist.
    makeFile("clip.mp4", 10);
    const QString src = makeFile("clip.mp4 ", 262144);
    QVERIFY(drop({src}).dropped);
    QVERIFY(messages().isEmpty());
    QCOMPARE(text("Text1"), src);
    QCOMPARE(form->engine().SrcName(), std::string("clip.mp4 "));
    QCOMPARE(label("Label3"), QStringLiteral("0.25 MB"));
}

void DropTest::fileURLNamingThisMachineIsAdopted() {
    const QString src = makeFile("clip.mp4", 262144);
    QUrl url = QUrl::fromLocalFile(src);
    url.setHost(QSysInfo::machineHostName().toUpper());
    QVERIFY(sendDrop(form.get(), {url}).dropped);
    QVERIFY(messages().isEmpty());
    QCOMPARE(text("Text1"), src);
    QCOMPARE(label("Label3"), QStringLiteral("0.25 MB"));
}

void DropTest::shortNameIsAdopted() {
    const QString src = makeFile("a.b", 10);
    QVERIFY(drop({src}).dropped);
    QCOMPARE(text("Text1"), src);
    QCOMPARE(form->engine().SrcName(), std::string("a.b"));
    QCOMPARE(label("Label3"), QStringLiteral("0.00 MB"));
    QVERIFY(messages().isEmpty());
}

void DropTest::dragWhileBusyIsRefused() {
    const QString src = makeFile("big.bin", 64 * 65535 + 17);
    const QString slice = makeFile("other.bin.QZ1", 10);
    form->adoptSource(src);
    const QString caption = label("Label3");
    form->eventPump().setInterval(0);
    int dropsWhileCopying = 0, dropsBeforeCopy = 0;
    bool untouched = true;
    duringOperation([&] {
        // Refused at the drag, so the pointer shows that nothing will happen.
        const Sent sent = sendDrop(control("Text1"), files({slice}));
        untouched = untouched && !sent.entered && !sent.dropped && text("Text1") == src &&
                    form->host().Option1_0() && form->engine().SrcName() == "big.bin" &&
                    label("Label3") == caption;
        (form->host().Picture1Visible() ? dropsWhileCopying : dropsBeforeCopy)++;
        return dropsWhileCopying >= 3;
    });
    QCOMPARE(operate(), Outcome::Completed);
    QVERIFY(untouched);
    QCOMPARE(dropsWhileCopying, 3);
    QVERIFY(dropsBeforeCopy >= 1);
    QCOMPARE(messages(), QStringList{QStringLiteral("操作完成!")});
    QCOMPARE(qz::TempDir::size(src.toStdString() + ".QZ1") +
                 qz::TempDir::size(src.toStdString() + ".QZ2"),
             64 * 65535 + 17);
    // Idle again, drops are taken.
    QVERIFY(drop({slice}).dropped);
    QCOMPARE(text("Text1"), slice);
    QVERIFY(!form->host().Option1_0());
}

void DropTest::handleReadsEachURL() {
    DropHandle hDrop({QUrl::fromLocalFile(QStringLiteral("/v/视频 片段.mp4")),
                      QUrl(QStringLiteral("file://localhost/v/a%20b.QZ1")),
                      QUrl(QStringLiteral("file://otherhost/v/c.bin")),
                      QUrl(QStringLiteral("https://example.com/d.bin")),
                      QUrl::fromEncoded("file:///v/clip%FF%FE%E9.bin")});
    QCOMPARE(hDrop.count(), 5);
    const auto path = [&](int i) { return QByteArray::fromStdString(hDrop.path(i)); };
    QCOMPARE(path(0), QByteArray("/v/视频 片段.mp4"));
    QCOMPARE(path(1), QByteArray("/v/a b.QZ1"));
    QCOMPARE(path(2), QByteArray("file://otherhost/v/c.bin"));
    QCOMPARE(path(3), QByteArray("https://example.com/d.bin"));
    // The bytes of a name that is no UTF-8, as the file manager encoded them.
    QCOMPARE(path(4), QByteArray("/v/clip\xff\xfe\xe9.bin"));
    hDrop.release();
    QCOMPARE(hDrop.count(), 0);
    QCOMPARE(hDrop.releases(), 1);
}

void DropTest::everyWayOutReleasesOnce() {
    const QString plain = makeFile("clip.mp4");
    const QString later = makeFile("clip.mp4.QZ2");
    auto release = [&](const QList<QUrl>& urls) {
        DropHandle hDrop(urls);
        form->DropFiles(hDrop);
        return hDrop.releases();
    };
    QCOMPARE(release(files({plain})), 1);               // adopted
    QCOMPARE(release(files({path("missing")})), 1);     // not found
    QCOMPARE(release({}), 1);                           // nothing dropped
    selectMerge();
    QCOMPARE(release(files({later})), 1);               // refused
    QCOMPARE(messages(), QStringList({QStringLiteral("找不到指定的文件名!"),
                                      QStringLiteral("请选择第一个切片文件")}));

    // An empty drop changes nothing at all.
    selectMerge();
    form->adoptSource(makeFile("set.QZ1"));
    form->messageBoxes().clearShown();
    QCOMPARE(release({}), 1);
    QCOMPARE(text("Text1"), path("set.QZ1"));
    QVERIFY(!form->host().Option1_0());
    QVERIFY(messages().isEmpty());
}

void DropTest::chineseNameWithBlanksAndDotsSplitsAndMerges() {
    const std::string name = "视频 片段 2024.第一版.final.mp4";
    const QString src = makeFile(name, 6 * 65535 + 77);
    const auto original = qz::TempDir::read(src.toStdString());

    form->openFileDialog().queueAnswer(src);
    QTest::mouseClick(control("Command3"), Qt::LeftButton);
    QCOMPARE(form->engine().SrcName(), name);
    control<QLineEdit>("Text2")->setText(QStringLiteral("3"));
    QCOMPARE(operate(), Outcome::Completed);
    for (int k = 1; k <= 3; ++k)
        QVERIFY(qz::TempDir::exists(qz::SliceNames::slicePath(dir->path(), name, k)));
    std::filesystem::rename(src.toStdString(), *dir / "kept.bin");

    // The first slice dropped in split mode selects merge mode.
    QVERIFY(drop({path(name + ".QZ1")}).dropped);
    QVERIFY(!form->host().Option1_0());
    QTest::mouseClick(control("Check1"), Qt::LeftButton);
    QCOMPARE(operate(), Outcome::Completed);
    QVERIFY(qz::TempDir::read(src.toStdString()) == original);
    for (int k = 1; k <= 3; ++k)
        QVERIFY(!qz::TempDir::exists(qz::SliceNames::slicePath(dir->path(), name, k)));
    QCOMPARE(messages(), QStringList({QStringLiteral("操作完成!"), QStringLiteral("操作完成!")}));
}

QTEST_MAIN(DropTest)
#include "DropTest.moc"
