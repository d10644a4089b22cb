// A file given on the command line (Form1::openFile): it lands exactly as a
// drop of that one file would, byte-exact names included, is refused while an
// operation runs, and brings the window to the front.

#include <QTest>

#include "dirpicker/PathText.h"
#include "tests/mainwindow/FormFixture.h"

class OpenFileTest : public FormFixture {
    Q_OBJECT

    // What the window shows and holds after taking a file.
    struct State {
        bool merge;
        QString text1, text3;
        std::string srcName;
        QStringList messages;
    };
    State state() {
        return {!form->host().Option1_0(), text("Text1"), text("Text3"),
                form->engine().SrcName(), messages()};
    }
    // A new form, in merge mode or not, with an earlier source adopted.
    void freshForm(bool merge) {
        form.reset();
        openForm();
        showForm();
        if (merge) selectMerge();
        form->adoptSource(path("earlier.QZ1"));
        form->messageBoxes().clearShown();
    }
    // A file manager's drop of the file whose name has the bytes name: the
    // drag comes in, moves, and is dropped.
    void dropFile(const QByteArray& name) {
        const QByteArray file = QByteArray::fromStdString(dir->path()) + '/' + name;
        sendDrop(form.get(), {QUrl::fromEncoded("file://" + file.toPercentEncoding("/"))});
    }

private slots:
    void init() {
        dir = std::make_unique<qz::TempDir>();
        makeFile("earlier.QZ1", 1572864);
    }
    void landsAsADropWould_data();
    void landsAsADropWould();
    void namesThatAreNoUtf8_data();
    void namesThatAreNoUtf8();
    void takenOnceTheRunEnds();
    void bringsTheWindowToTheFront();
};

void OpenFileTest::landsAsADropWould_data() {
    QTest::addColumn<bool>("merge");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("exists");
    QTest::newRow("first slice") << false << QByteArray("clip.mp4.QZ1") << true;
    QTest::newRow("plain file in merge mode") << true << QByteArray("clip.mp4") << true;
    QTest::newRow("later slice in merge mode") << true << QByteArray("clip.mp4.QZ3") << true;
    QTest::newRow("Chinese, blanks, percent") << false << QByteArray("影片 100%.mkv") << true;
    QTest::newRow("missing") << false << QByteArray("gone.mkv.QZ1") << false;
    QTest::newRow("not UTF-8") << true << QByteArray("clip\xff\xfe.QZ1") << true;
}

void OpenFileTest::landsAsADropWould() {
    QFETCH(bool, merge);
    QFETCH(QByteArray, name);
    QFETCH(bool, exists);
    if (exists) makeSource(name.toStdString(), 262144);

    freshForm(merge);
    dropFile(name);
    const State dropped = state();
    freshForm(merge);
    form->openFile(QByteArray::fromStdString(dir->path()) + '/' + name);
    const State opened = state();

    QCOMPARE(opened.merge, dropped.merge);
    QCOMPARE(opened.text1, dropped.text1);
    QCOMPARE(opened.text3, dropped.text3);
    QCOMPARE(opened.srcName, dropped.srcName);
    QCOMPARE(opened.messages, dropped.messages);
    // Each row changes something, so that a file that went nowhere fails.
    QVERIFY(opened.srcName != "earlier.QZ1" || !opened.messages.isEmpty());
}

void OpenFileTest::namesThatAreNoUtf8_data() {
    QTest::addColumn<bool>("byDrop");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("dropped") << true << QByteArray("\xff\xfe.bin");
    QTest::newRow("opened") << false << QByteArray("\xff\xfe.bin");
    QTest::newRow("first slice dropped") << true << QByteArray("\xe9t\xe9.QZ1");
    QTest::newRow("first slice opened") << false << QByteArray("\xe9t\xe9.QZ1");
}

void OpenFileTest::namesThatAreNoUtf8() {
    QFETCH(bool, byDrop);
    QFETCH(QByteArray, name);
    makeSource(name.toStdString(), 1572864);
    const std::string file = dir->path() + '/' + name.toStdString();  // as dropFile names it
    freshForm(false);
    if (byDrop)
        dropFile(name);
    else
        form->openFile(QByteArray::fromStdString(file));
    QCOMPARE(messages(), QStringList());
    QCOMPARE(text("Text1"), qzdirpicker::PathText::display(file));
    QCOMPARE(QByteArray::fromStdString(form->host().Text1()), QByteArray::fromStdString(file));
    QCOMPARE(QByteArray::fromStdString(form->engine().SrcName()), name);
    QCOMPARE(label("Label3"), QStringLiteral("1.5 MB"));
    if (name.endsWith("QZ1")) return;
    control<QLineEdit>("Text2")->setText(QStringLiteral("2"));
    QCOMPARE(form->Command5_Click(), qz::Engine::Outcome::Completed);
    for (const char* slice : {".QZ1", ".QZ2"})
        QVERIFY(qz::TempDir::exists(file + slice));
}

void OpenFileTest::takenOnceTheRunEnds() {
    freshForm(false);
    const QString src = makeFile("big.bin", 64 * 65535 + 17);
    const QByteArray slice = makeFile("other.bin.QZ1", 10).toUtf8();
    form->adoptSource(src);
    form->eventPump().setInterval(0);
    int tries = 0;
    bool untouched = true;
    duringOperation([&] {
        form->openFile(slice);
        untouched = untouched && text("Text1") == src && form->host().Option1_0() &&
                    form->engine().SrcName() == "big.bin";
        return ++tries >= 3;
    });
    QTest::mouseClick(control("Command5"), Qt::LeftButton);
    QCOMPARE(form->lastOutcome(), qz::Engine::Outcome::Completed);
    QVERIFY(untouched);
    QCOMPARE(tries, 3);
    QCOMPARE(messages(), QStringList{QStringLiteral("操作完成!")});
    // Not lost: taken once the window is free again.
    QVERIFY(!form->host().Option1_0());
    QCOMPARE(form->engine().SrcName(), std::string("other.bin.QZ1"));
}

void OpenFileTest::bringsTheWindowToTheFront() {
    freshForm(false);
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    form->showMinimized();
    form->openFile(makeFile("clip.mp4.QZ1").toUtf8());
    QVERIFY(!form->isMinimized());
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QVERIFY(!form->host().Option1_0());
}

QTEST_MAIN(OpenFileTest)
#include "OpenFileTest.moc"
