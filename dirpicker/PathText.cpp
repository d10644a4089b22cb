#include "dirpicker/PathText.h"

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include <QFile>
#include <QStringList>
#include <memory>

#include <QStringView>

namespace qzdirpicker {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Appends code point cp as UTF-8.
void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::size_t PathText::sequenceLength(const std::string& path, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(path[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    // The range the second byte must be in: narrower after the leads whose
    // sequences could otherwise be overlong, surrogates or beyond U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (path.size() - at < length) return 0;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!isContinuation(byte(i))) return 0;
    return length;
}

QString PathText::display(const std::string& path) {
    QString text;
    text.reserve(qsizetype(path.size()));
    for (std::size_t at = 0; at < path.size();) {
        const std::size_t length = sequenceLength(path, at);
        if (length == 0) {
            text += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(path[at])));
            ++at;
            continue;
        }
        text += QString::fromUtf8(path.data() + at, qsizetype(length));
        at += length;
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
