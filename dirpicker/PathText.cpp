#include "dirpicker/PathText.h"

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include <QFile>
#include <QStringList>
#include <memory>

#include <QStringView>

#include <unicode/utf8.h>

namespace qzdirpicker {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// Appends code point cp, which is no surrogate and at most U+10FFFF, as UTF-8.
void appendUtf8(std::string& out, char32_t cp) {
    char sequence[U8_MAX_LENGTH];
    int32_t length = 0;
    U8_APPEND_UNSAFE(sequence, length, cp);
    out.append(sequence, static_cast<std::size_t>(length));
}

}  // namespace

QString PathText::display(const std::string& path) {
    QString text;
    text.reserve(qsizetype(path.size()));
    const auto* bytes = reinterpret_cast<const uint8_t*>(path.data());
    const auto size = static_cast<int32_t>(path.size());
    for (int32_t at = 0; at < size;) {
        const int32_t start = at;
        UChar32 cp = 0;
        // ICU takes what it can of a broken sequence as one error; each of
        // its bytes is escaped alone here, so the next one is looked at anew.
        U8_NEXT(bytes, at, size, cp);
        if (cp < 0) {
            text += QChar(char16_t(kEscapeBase + bytes[start]));
            at = start + 1;
        } else {
            text += QChar::fromUcs4(char32_t(cp));
        }
    }
    return text;
}

std::string PathText::bytes(const QString& text) {
    std::string path;
    path.reserve(std::size_t(text.size()));
    const QStringView view(text);
    for (qsizetype i = 0; i < view.size(); ++i) {
        const QChar c = view[i];
        if (c.isHighSurrogate() && i + 1 < view.size() && view[i + 1].isLowSurrogate()) {
            appendUtf8(path, QChar::surrogateToUcs4(c, view[i + 1]));
            ++i;
        } else if (c.unicode() >= kEscapeBase + 0x80 && c.unicode() <= kEscapeBase + 0xFF) {
            path += char(c.unicode() - kEscapeBase);
        } else if (c.isSurrogate()) {
            appendUtf8(path, QChar::ReplacementCharacter);
        } else {
            appendUtf8(path, c.unicode());
        }
    }
    return path;
}

std::string PathText::resolved(const QString& qtPath) {
    if (!qtPath.contains(QChar::ReplacementCharacter)) return bytes(qtPath);
    std::string path;
    const QStringList parts = qtPath.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0) path += '/';
        path += parts[i].contains(QChar::ReplacementCharacter)
                    ? matchIn(path.empty() ? "/" : path, parts[i])
                    : bytes(parts[i]);
    }
    return path;
}

std::string PathText::currentDirectory() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string PathText::matchIn(const std::string& dir, const QString& component) {
    std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(dir.c_str()), ::closedir);
    std::string match;
    int matches = 0;
    while (const dirent* entry = folder ? ::readdir(folder.get()) : nullptr) {
        const std::string name = entry->d_name;
        if (QFile::decodeName(QByteArray::fromStdString(name)) == component) {
            match = name;
            ++matches;
        }
    }
    // Two names Qt cannot tell apart: neither is taken for the one chosen.
    return matches == 1 ? match : bytes(component);
}

}  // namespace qzdirpicker
