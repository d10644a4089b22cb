// The source button's open-file dialog: what it is asked with in each mode,
// the file chosen or typed as it reaches the window's fields, a cancel, the
// size captions, and the real Qt dialog listing what its one filter entry
// promises.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <sys/stat.h>

#include "dirpicker/PathText.h"
#include "mainwindow/Form1.h"
#include "tests/mainwindow/FormFixture.h"
#include "tests/support/TempDir.h"

using qzmainwindow::OpenFileDialog;

class SourceDialogTest : public FormFixture {
    Q_OBJECT

    // Presses "..." beside the source field; the dialog answers with choice,
    // or is cancelled when there is none.
    void choose(const std::optional<QString>& choice) {
        form->openFileDialog().queueAnswer(choice);
        QTest::mouseClick(control("Command3"), Qt::LeftButton);
    }
    // The bar's width after setting 10 twips, as the label rounds it.
    float tenTwips() {
        const float before = form->host().Label6Width();
        form->host().setLabel6Width(10);
        const float ten = form->host().Label6Width();
        form->host().setLabel6Width(before);
        return ten;
    }
    // The names the dialog's file list shows for dialog's directory.
    static QStringList offered(QFileDialog& dialog) {
        auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
        QStringList names;
        for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
            names << view->model()->index(r, 0, view->rootIndex()).data().toString();
        names.sort();
        return names;
    }

private slots:
    void init() {
        dir = std::make_unique<qz::TempDir>();
        openForm();
        showForm();
    }

    void askedWithTheModesFilter_data();
    void askedWithTheModesFilter();
    void opensWhereTheProgramWasStarted();
    void cancelOnlyResetsTheBar();
    void firstSliceChosenInMergeMode();
    void dialogNeverChangesTheMode();
    void missingFileIsReported_data();
    void missingFileIsReported();
    void shortNamesAreSources();
    void sizeCaptions_data();
    void sizeCaptions();
    void realDialogReturnsATypedMissingName();
    void realDialogListsWhatItsFilterSays();
    void realDialogOffersNamesThatAreNoUtf8();
};

void SourceDialogTest::askedWithTheModesFilter_data() {
    QTest::addColumn<bool>("merge");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("split") << false << "所有文件(*.*)" << "*";
    QTest::newRow("merge") << true << "合并格式(QZ1)" << "*.QZ1";
}

void SourceDialogTest::askedWithTheModesFilter() {
    QFETCH(bool, merge);
    QFETCH(QString, filter);
    QFETCH(QString, pattern);
    if (merge) selectMerge();
    choose(std::nullopt);
    const auto& asked = form->openFileDialog().shown();
    QCOMPARE(asked.size(), 1u);
    QCOMPARE(asked[0].title, QStringLiteral("QZ_打开文件"));
    QCOMPARE(asked[0].filter, filter);
    QCOMPARE(asked[0].pattern, pattern);
    QCOMPARE(asked[0].directory, QDir::currentPath());
}

void SourceDialogTest::opensWhereTheProgramWasStarted() {
    struct RestoreDirectory {
        QString was = QDir::currentPath();
        ~RestoreDirectory() { QDir::setCurrent(was); }
    } restore;
    auto restart = [&] {
        form.reset();
        openForm();
        showForm();
    };
    const QString startedIn = path("started 在此");
    QVERIFY(QDir().mkdir(startedIn));
    QVERIFY(QDir::setCurrent(startedIn));
    restart();
    // Where the program was started, not where the directory is later.
    QVERIFY(QDir::setCurrent(QStringLiteral("/")));
    selectMerge();
    choose(std::nullopt);
    QCOMPARE(form->openFileDialog().shown().at(0).directory, startedIn);

    // Started in a directory removed meanwhile: the home folder.
    const QString gone = path("gone");
    QVERIFY(QDir().mkdir(gone));
    QVERIFY(QDir::setCurrent(gone));
    QVERIFY(QDir().rmdir(gone));
    restart();
    choose(std::nullopt);
    QCOMPARE(form->openFileDialog().shown().at(0).directory, QDir::homePath());
}

void SourceDialogTest::cancelOnlyResetsTheBar() {
    const QString src = makeFile("clip.mp4", 1572864);
    choose(src);
    form->host().setLabel6Width(900);
    choose(std::nullopt);
    QCOMPARE(form->host().Label6Width(), tenTwips());
    QCOMPARE(text("Text1"), src);
    QCOMPARE(text("Text3"), QString::fromStdString(dir->path()));
    QCOMPARE(form->engine().SrcName(), std::string("clip.mp4"));
    QCOMPARE(label("Label3"), QStringLiteral("1.5 MB"));
    QVERIFY(form->host().Option1_0());
    QVERIFY(form->messageBoxes().shown().empty());
}

void SourceDialogTest::firstSliceChosenInMergeMode() {
    const QString first = makeFile("clip.mp4.QZ1", 262144);
    makeFile("clip.mp4.QZ2");
    makeFile("clip.mp4.QZ3");
    selectMerge();
    form->host().setLabel6Width(900);
    choose(first);
    QCOMPARE(form->host().Label6Width(), tenTwips());
    QCOMPARE(text("Text1"), first);
    QCOMPARE(form->engine().SrcName(), std::string("clip.mp4.QZ1"));
    QCOMPARE(text("Text3"), QString::fromStdString(dir->path()));
    QCOMPARE(label("Label3"), QStringLiteral("0.25 MB"));
    QVERIFY(!form->host().Option1_0());
}

void SourceDialogTest::dialogNeverChangesTheMode() {
    const QString first = makeFile("clip.mp4.QZ1");
    choose(first);
    QVERIFY(form->host().Option1_0());
    QVERIFY(!control("Check1")->isEnabled());
    QCOMPARE(text("Text1"), first);
    QVERIFY(form->messageBoxes().shown().empty());
}

void SourceDialogTest::missingFileIsReported_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("typedDir");
    QTest::newRow("missing file") << "gone.bin" << "";
    QTest::newRow("missing directory") << "nowhere/gone.bin" << "nowhere/";
}

void SourceDialogTest::missingFileIsReported() {
    QFETCH(QString, typed);
    QFETCH(QString, typedDir);
    choose(makeFile("earlier.dat", 262144));

    choose(path(typed.toStdString()));
    const auto& shown = form->messageBoxes().shown();
    QCOMPARE(shown.size(), 1u);
    QCOMPARE(shown[0].text, QStringLiteral("找不到指定的文件名!"));
    QCOMPARE(shown[0].title, QStringLiteral("出错"));
    QCOMPARE(shown[0].style, 48);
    QVERIFY(text("Text1").isEmpty());
    // The steps before the size already name the missing file.
    QCOMPARE(form->engine().SrcName(), std::string("gone.bin"));
    QCOMPARE(text("Text3"), path(typedDir.toStdString()));
    QCOMPARE(label("Label3"), QStringLiteral("0.25 MB"));  // still the earlier file's
}

void SourceDialogTest::shortNamesAreSources() {
    for (const char* name : {"a.b", "ab", "x"}) {
        const QString src = makeFile(name, 10);
        choose(src);
        QCOMPARE(text("Text1"), src);
        QCOMPARE(form->engine().SrcName(), std::string(name));
        QCOMPARE(label("Label3"), QStringLiteral("0.00 MB"));
    }
    QVERIFY(form->messageBoxes().shown().empty());
}

void SourceDialogTest::sizeCaptions_data() {
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("caption");
    QTest::newRow("1.5") << qint64(1572864) << "1.5 MB";
    QTest::newRow("1.50390625") << qint64(1576960) << "1.50 MB";
    QTest::newRow("129") << qint64(135266304) << "129 MB";
    QTest::newRow("1.999 cut") << qint64(1.999 * 1048576) << "1.99 MB";
    QTest::newRow("0.6675") << qint64(700000) << "0.66 MB";
    QTest::newRow("10 bytes") << qint64(10) << "0.00 MB";
    QTest::newRow("empty") << qint64(0) << "0 MB";
}

void SourceDialogTest::sizeCaptions() {
    QFETCH(qint64, bytes);
    QFETCH(QString, caption);
    const QString src = makeFile("sized.bin", 0);
    std::filesystem::resize_file(src.toStdString(), std::uintmax_t(bytes));  // sparse
    choose(src);
    QCOMPARE(label("Label3"), caption);
    auto* label = control<QLabel>("Label3");
    QVERIFY(label->width() >= label->sizeHint().width());
}

void SourceDialogTest::realDialogReturnsATypedMissingName() {
    form->openFileDialog().setScripted(false);
    const QString typed = path("视频 片段.v2.mp4");
    QString title, filterShown;
    QWidget* parent = nullptr;
    bool modal = false;
    whenModalOpens<QFileDialog>([&](QFileDialog& dialog) {
        title = dialog.windowTitle();
        parent = dialog.parentWidget();
        modal = dialog.isModal();
        filterShown = dialog.nameFilters().join(QLatin1Char('|'));
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(typed);
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::mouseClick(control("Command3"), Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("QZ_打开文件"));
    QCOMPARE(parent, form.get());
    QVERIFY(modal);
    QCOMPARE(filterShown, QStringLiteral("所有文件(*.*)"));
    // Not refused by the dialog: the window reports it.
    QCOMPARE(form->messageBoxes().shown().size(), 1u);
    QCOMPARE(form->messageBoxes().shown()[0].text, QStringLiteral("找不到指定的文件名!"));
    QCOMPARE(form->engine().SrcName(), std::string("视频 片段.v2.mp4"));
    QCOMPARE(QApplication::topLevelWidgets().size(), 1);
}

void SourceDialogTest::realDialogListsWhatItsFilterSays() {
    for (const char* name : {"README", "a.b", "clip.QZ1", "clip.qz1", "clip.QZ2", "片段 一.QZ1"})
        makeFile(name);
    auto ask = [&](const QString& filter, const QString& pattern) {
        return OpenFileDialog::build(form.get(), {QStringLiteral("QZ_打开文件"), filter, pattern,
                                                  QString::fromStdString(dir->path())});
    };

    auto split = ask(QStringLiteral("所有文件(*.*)"), QStringLiteral("*"));
    QVERIFY(split->testOption(QFileDialog::DontUseNativeDialog));
    QCOMPARE(split->fileMode(), QFileDialog::AnyFile);
    QCOMPARE(split->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(split->directory().absolutePath() + "/", QString::fromStdString(dir->path()));
    auto* entry = split->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QCOMPARE(entry->count(), 1);
    QCOMPARE(entry->currentText(), QStringLiteral("所有文件(*.*)"));
    split->open();
    const QStringList everything{"README", "a.b", "clip.QZ1", "clip.QZ2", "clip.qz1",
                                 "片段 一.QZ1"};
    QTRY_COMPARE(offered(*split), everything);
    // Picking the one entry again, as a user may, makes Qt re-read its text.
    entry->showPopup();
    QAbstractItemView* popup = entry->view();
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {},
                      popup->visualRect(popup->model()->index(0, 0)).center());
    QVERIFY(!popup->isVisible());
    QTest::qWait(100);  // the list re-sorts and re-filters on a timer
    QCOMPARE(offered(*split), everything);
    split->reject();

    auto merge = ask(QStringLiteral("合并格式(QZ1)"), QStringLiteral("*.QZ1"));
    QCOMPARE(merge->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText(),
             QStringLiteral("合并格式(QZ1)"));
    merge->open();
    QTRY_COMPARE(offered(*merge), QStringList({"clip.QZ1", "片段 一.QZ1"}));
    QVERIFY(merge->findChild<QListWidget*>(QStringLiteral("undecodedList"))->isHidden());
    merge->reject();
}

void SourceDialogTest::realDialogOffersNamesThatAreNoUtf8() {
    makeFile("clip.QZ1");
    makeFile("clip\xff.QZ1");
    makeFile("clip\xfe.QZ2");
    QCOMPARE(::mkfifo((dir->path() + "pipe\xff.QZ1").c_str(), 0600), 0);
    auto merge = OpenFileDialog::build(form.get(), {QStringLiteral("QZ_打开文件"),
                                                    QStringLiteral("合并格式(QZ1)"),
                                                    QStringLiteral("*.QZ1"),
                                                    QString::fromStdString(dir->path())});
    merge->open();
    auto* undecoded = merge->findChild<QListWidget*>(QStringLiteral("undecodedList"));
    QVERIFY(!undecoded->isHidden());
    QCOMPARE(undecoded->count(), 1);
    QCOMPARE(undecoded->item(0)->text(), qzdirpicker::PathText::display("clip\xff.QZ1"));
    undecoded->setCurrentRow(0);
    QCOMPARE(merge->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
             undecoded->item(0)->text());
    merge->accept();
    QCOMPARE(merge->result(), int(QDialog::Accepted));
    QCOMPARE(merge->undecodedChoice(), std::optional(dir->path() + "clip\xff.QZ1"));
}

QTEST_MAIN(SourceDialogTest)
#include "SourceDialogTest.moc"
