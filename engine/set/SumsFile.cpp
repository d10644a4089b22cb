#include "engine/set/SumsFile.h"

#include <algorithm>
#include <string_view>

#include "engine/io/FileError.h"
#include "engine/io/FileHandle.h"
#include "engine/io/FileServices.h"
#include "engine/set/SliceNames.h"
#include "engine/set/SliceSizes.h"
#include "engine/io/Text.h"

namespace qz {

namespace {

const char* const kByteOrderMark = "\xEF\xBB\xBF";

constexpr const char* kSuffix = ".QZ.sha256";
constexpr const char* kFormatLine = "# qzslice sums ";
constexpr std::size_t kDigestLength = 64;
// 999 lines of the longest names, escaped, and the comments: far less.
constexpr std::int64_t kLargest = std::int64_t{1} << 20;

// name as sha256sum writes it: a backslash and a newline escaped. The line
// that holds such a name starts with a backslash.
std::string escaped(const std::string& name) {
    std::string out;
    for (char c : name) out += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : std::string(1, c);
    return out;
}

bool needsEscape(const std::string& name) {
    return name.find_first_of("\\\n") != std::string::npos;
}

// The escaped text back as the name; nothing for an escape sha256sum
// does not write.
std::optional<std::string> unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
        } else if (i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == 'n')) {
            out += text[++i] == 'n' ? '\n' : '\\';
        } else {
            return std::nullopt;
        }
    }
    return out;
}

// text in single quotes for sh: a quote inside ends the quoting, is escaped
// and starts it again. Any byte but a line break, which would end the
// comment line the command stands on, keeps its meaning there.
std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? "'\\''" : std::string(1, c);
    return out + "'";
}

// text for bash (and zsh): single quotes, or $'...' with escapes where it
// holds a line break or another control character.
std::string bashQuoted(const std::string& text) {
    const bool plain = std::none_of(text.begin(), text.end(),
                                    [](unsigned char c) { return c < 0x20 || c == 0x7f; });
    if (plain) return shellQuoted(text);
    std::string out = "$'";
    for (const unsigned char c : text) {
        if (c == '\\' || c == '\'') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7f) {
            static const char kHex[] = "0123456789abcdef";
            out += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "'";
}

// Whether Windows takes text as a file's name, and cmd can be given it in
// double quotes without any part of it read as something else.
bool windowsNames(const std::string& text) {
    return std::none_of(text.begin(), text.end(), [](unsigned char c) {
        return c < 0x20 || std::string_view("\\/:*?\"<>|%").find(static_cast<char>(c)) !=
                               std::string_view::npos;
    });
}

// The whole number that is all of text; nothing for anything else.
std::optional<std::int64_t> number(const std::string& text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    std::int64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

char lowered(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return lowered(c); });
    return text;
}

// The open file at path, whole; FileError when it cannot be read or is too
// large for a sums file.
std::string contentOf(const FileHandle& file, const std::string& path) {
    const std::int64_t length = file.length();
    if (length > kLargest)
        throw FileError(tr("too large for a sums file"), path);
    std::string text(static_cast<std::size_t>(length), '\0');
    file.readAt(0, text.data(), text.size());
    return text;
}

}  // namespace

SumsFile::SumsFile(std::string source, std::int64_t size, std::vector<Line> lines,
                   std::uint32_t recovery)
    : source_(std::move(source)), size_(size), lines_(std::move(lines)), recovery_(recovery) {}

std::string SumsFile::pathFor(const std::string& dir, const std::string& stem) {
    return dir + stem + kSuffix;
}

std::optional<SumsFile> SumsFile::find(const std::string& dir, const std::string& stem,
                                       const std::vector<std::string>& names) {
    const std::string path = pathFor(dir, stem);
    const auto entry = FileServices::entry(path);
    if (!entry) return std::nullopt;
    // On a volume that ignores case the name answers for an entry in another
    // case too: a record renamed by hand, or not ours, which is not trusted.
    const std::string want = SliceNames::bareName(path);
    if (std::find(names.begin(), names.end(), want) == names.end())
        for (const std::string& name : names)
            if (SliceNames::foldCase(name) == SliceNames::foldCase(want))
                throw FileError(tr("the sums file's name is in another case: %1, not", {name}),
                                want);
    auto file = std::make_shared<const FileHandle>(FileHandle::openRead(path));
    SumsFile sums = parse(contentOf(*file, path), path);
    sums.path_ = path;
    sums.entry_ = entry->id;
    sums.file_ = std::move(file);
    return sums;
}

SumsFile SumsFile::parse(const std::string& original, const std::string& path) {
    // Read as sha256sum -c reads it after a trip through Windows: a UTF-8
    // byte order mark before the first line, a carriage return ending each.
    std::string text = original.starts_with(kByteOrderMark)
                           ? original.substr(std::char_traits<char>::length(kByteOrderMark))
                           : original;
    for (std::size_t cr = 0; (cr = text.find("\r\n", cr)) != std::string::npos;) text.erase(cr, 1);
    const auto malformed = [&](const std::string& why) {
        return FileError(tr("a malformed sums file: %1", {why}), path);
    };
    if (!text.starts_with(kFormatLine)) throw malformed(tr("its first line is not \"# qzslice sums N\""));
    if (!text.ends_with('\n')) throw malformed(tr("its last line is cut short"));
    std::string source;
    std::optional<std::int64_t> size, count;
    std::vector<Line> lines;
    std::size_t at = 0;
    for (std::size_t lineNo = 1; at < text.size(); ++lineNo) {
        const std::size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const std::string where = tr("line %1", {std::to_string(lineNo)});
        if (lineNo == 1) {
            const auto version = number(line.substr(std::char_traits<char>::length(kFormatLine)));
            if (!version) throw malformed(where);
            if (*version != kVersion)
                throw FileError(tr("a sums file of format version %1, this program reads version %2",
                                   {std::to_string(*version), std::to_string(kVersion)}),
                                path);
        } else if (line.starts_with("# source: ")) {
            const auto name = unescaped(line.substr(10));
            if (!name) throw malformed(where);
            source = *name;
        } else if (line.starts_with("# size: ")) {
            size = number(line.substr(8));
            if (!size) throw malformed(where);
        } else if (line.starts_with("# slices: ")) {
            count = number(line.substr(10));
            if (!count) throw malformed(where);
        } else if (line.starts_with('#')) {
            continue;
        } else {
            // sha256sum's own form: an escaped name starts the line with a
            // backslash; " " or "*" before the name says text or binary.
            const bool escapedName = line.starts_with('\\');
            const std::size_t d = escapedName ? 1 : 0;
            if (line.size() < d + kDigestLength + 3 || line[d + kDigestLength] != ' ' ||
                (line[d + kDigestLength + 1] != ' ' && line[d + kDigestLength + 1] != '*'))
                throw malformed(where);
            const std::string digest = lowered(line.substr(d, kDigestLength));
            if (!std::all_of(digest.begin(), digest.end(), isHexDigit)) throw malformed(where);
            const std::string rest = line.substr(d + kDigestLength + 2);
            const auto name = escapedName ? unescaped(rest) : std::optional<std::string>(rest);
            if (!name || name->find('/') != std::string::npos) throw malformed(where);
            lines.push_back({*name, digest});
        }
    }
    if (source.empty() || !size || !count)
        throw malformed(tr("the source, size or slice count is missing"));
    if (*count != static_cast<std::int64_t>(lines.size()) || lines.empty())
        throw malformed(tr("it says %1 slices and lists %2",
                           {std::to_string(*count), std::to_string(lines.size())}));
    return SumsFile(source, *size, std::move(lines));
}

void SumsFile::hold(const std::vector<std::pair<std::string, std::int64_t>>& slices) const {
    const std::string dir = FileServices::directoryOf(slices.front().first);
    const std::string stem = SliceNames::stemOf(slices.front().first);
    if (source_ != stem)
        throw FileError(tr("the sums file is of %1, not of %2", {source_, stem}),
                        path_);
    const std::size_t n = lines_.size();
    if (slices.size() < n)
        throw FileError(tr("a slice is missing: the sums file lists %1 slices, slice %2 is not there",
                           {std::to_string(n), std::to_string(slices.size() + 1)}),
                        dir + lines_[slices.size()].name);
    if (slices.size() > n)
        throw FileError(tr("the sums file lists %1 slices, not this one", {std::to_string(n)}),
                        slices[n].first);
    const auto want = SliceSizes::sizesFor(size_, static_cast<std::int64_t>(n));
    for (std::size_t k = 0; k < n; ++k) {
        const auto& [path, size] = slices[k];
        if (SliceNames::bareName(path) != lines_[k].name)
            throw FileError(tr("the sums file names slice %1 %2, not",
                               {std::to_string(k + 1), lines_[k].name}),
                            path);
        if (size != want[k])
            throw FileError(tr("slice %1 has %2 bytes where the sums file's split of %3 bytes makes %4",
                               {std::to_string(k + 1), std::to_string(size), std::to_string(size_),
                                std::to_string(want[k])}),
                            path);
    }
}

void SumsFile::holdDigest(std::size_t index, const std::string& path,
                          const std::string& digest) const {
    if (digest != lines_[index].digest)
        throw FileError(tr("slice %1 is damaged: its SHA-256 differs from the sums file's",
                           {std::to_string(index + 1)}),
                        path);
}

std::string SumsFile::text() const {
    const std::string n = std::to_string(lines_.size());
    // The commands name the files as they are, not as sha256sum escapes them.
    const bool sh = source_.find('\n') == std::string::npos;
    const std::string sums = bashQuoted(source_ + kSuffix);
    std::string t = kFormatLine + std::to_string(kVersion) + "\n";
    t += "# source: " + escaped(source_) + "\n";
    t += "# size: " + std::to_string(size_) + "\n";
    t += "# slices: " + n + "\n";
    t += "# QZ切片宝 的切片校验和，GNU sha256sum 格式 / SHA-256 of each slice, in GNU sha256sum's format.\n";
    t += "# 不用本程序校验、合并 / to check and join without this program:\n";
    t += "# check (Linux):         sha256sum -c " + sums + "\n";
    t += "# check (macOS):         shasum -a 256 -c " + sums + "\n";
    // The loop fails as soon as a slice cannot be read, and says so.
    t += "# join (sh, Linux/macOS): ";
    t += sh ? "i=1; while [ $i -le " + n + " ] && cat " + shellQuoted(source_ + ".QZ") +
                  "$i; do i=$((i+1)); done > " + shellQuoted(source_) + "; [ $i -gt " + n + " ]\n"
            : "(none: sh cannot be given a name with a line break here; use bash)\n";
    t += "# join (bash):           cat " + bashQuoted(source_ + ".QZ") + "{1.." + n + "} > " +
         bashQuoted(source_) + "\n";
    const std::string win = "\"" + source_ + "\"", winSlice = "\"" + source_ + ".QZ";
    t += "# join (Windows cmd):    ";
    t += windowsNames(source_)
             ? "copy /b /y " + winSlice + "1\" " + win + " >nul & for /l %i in (2,1," + n +
                   ") do @copy /b " + win + "+" + winSlice + "%i\" >nul\n"
             : std::string("(none: the name holds what Windows takes in no name)\n");
    if (recovery_ > 0) {
        const std::string index = source_ + ".QZ.par2";
        t += "# recovery: " + std::to_string(recovery_) + " (" + escaped(index) +
             " and its volumes rebuild up to " + std::to_string(recovery_) +
             " lost or damaged slices)\n";
        t += "# repair (par2):         par2 repair " + bashQuoted(index) + "\n";
    }
    for (const Line& line : lines_)
        t += (needsEscape(line.name) ? "\\" : "") + line.digest + "  " + escaped(line.name) + "\n";
    return t;
}

void SumsFile::writeTo(FileHandle& out) const {
    const std::string content = text();
    out.append(content.data(), content.size());
}

}  // namespace qz
