// File names between bytes and the text the windows show: every byte string
// comes back as it went, valid UTF-8 shows as itself, and each other byte as
// one escape of its own.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtTest>

#include "dirpicker/PathText.h"

using qzdirpicker::PathText;

class tst_PathText : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void resolvesWhatQtsDialogGives();
};

void tst_PathText::roundTrip_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("shown");  // what the text shows
    auto row = [](const char* name, const QByteArray& path, const QString& shown) {
        QTest::newRow(name) << path << shown;
    };
    row("ASCII", "/tmp/a b.QZ1", "/tmp/a b.QZ1");
    row("Chinese", "/影片/切片.mkv", "/影片/切片.mkv");
    row("four-byte character", "\xf0\x9f\x98\x80.bin", QStringLiteral("😀.bin"));
    row("lone 0x80", "a\x80" "b", "a\\x80b");
    row("0xff 0xfe", "\xff\xfe.bin", "\\xff\\xfe.bin");
    row("truncated two-byte", "x\xc3", "x\\xc3");
    row("truncated three-byte", "\xe5\xbd.QZ1", "\\xe5\\xbd.QZ1");
    row("truncated four-byte", "\xf0\x9f\x98", "\\xf0\\x9f\\x98");
    row("Latin-1 name", "\xe9t\xe9.QZ1", "\\xe9t\\xe9.QZ1");
    row("overlong slash", "\xc0\xaf", "\\xc0\\xaf");
    row("overlong three-byte", "\xe0\x80\xaf", "\\xe0\\x80\\xaf");
    row("encoded surrogate", "\xed\xa0\x80", "\\xed\\xa0\\x80");
    row("encoded low surrogates", "\xed\xb2\x80\xed\xbf\xbf", "\\xed\\xb2\\x80\\xed\\xbf\\xbf");
    row("above U+10FFFF", "\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80");
    row("stray continuation after Chinese", "影\xbf", "影\\xbf");
    row("empty", "", "");
}

// The test's notation for the text: each escape written as \x and its byte.
static QString notation(const QString& text) {
    QString out;
    for (QChar c : text) {
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF)
            out += QStringLiteral("\\x%1").arg(c.unicode() - 0xDC00, 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

void tst_PathText::roundTrip() {
    QFETCH(QByteArray, path);
    QFETCH(QString, shown);
    const QString text = PathText::display(path.toStdString());
    QCOMPARE(notation(text), shown);
    QCOMPARE(QByteArray::fromStdString(PathText::bytes(text)), path);
}

// Qt's file dialog shows and returns names through its own decoding: the
// name chosen is found again, byte for byte, among its folder's names.
void tst_PathText::resolvesWhatQtsDialogGives() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string folder = dir.path().toStdString() + "/\xe9t\xe9";
    QVERIFY(::mkdir(folder.c_str(), 0755) == 0);
    const std::string file = folder + "/\xff\xfe.bin";
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(fd >= 0 && ::close(fd) == 0);
    const QString shown = QFile::decodeName(QByteArray::fromStdString(file));
    QVERIFY(shown.contains(QChar::ReplacementCharacter));
    const std::string found = qzdirpicker::PathText::resolved(shown);
    // Qt cannot remove such names either.
    QVERIFY(::unlink(file.c_str()) == 0 && ::rmdir(folder.c_str()) == 0);
    QCOMPARE(found, file);
}

QTEST_APPLESS_MAIN(tst_PathText)
#include "tst_PathText.moc"
