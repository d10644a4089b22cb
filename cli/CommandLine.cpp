#include "cli/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "cli/SizePresets.h"
#include "cli/UsageError.h"
#include "engine/io/Text.h"

namespace qzcli {

namespace {

// The value of an option "--name=VALUE" or "--name VALUE", which must not be
// empty; arg is args[i], and i moves past a value taken from the next one.
std::string optionValue(const std::vector<std::string>& args, std::size_t& i,
                        const std::string& name, const std::string& what) {
    const std::string& arg = args[i];
    std::string value;
    if (arg.size() > name.size() && arg[name.size()] == '=') {
        value = arg.substr(name.size() + 1);
    } else if (i + 1 < args.size()) {
        value = args[++i];
    } else {
        throw UsageError(qz::tr("%1 needs a value: %2", {name, what}));
    }
    if (value.empty()) throw UsageError(qz::tr("%1 has an empty value", {name}));
    return value;
}

// Whether arg is the option name, alone or as "name=VALUE".
bool isOption(const std::string& arg, const std::string& name) {
    return arg == name || arg.rfind(name + "=", 0) == 0;
}

// A first slice's name: something, then ".QZ1".
bool isFirstSlice(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.size() > 4 && name.ends_with(".QZ1");
}

// A set's PAR2 index, NAME.QZ.par2, names its first slice, NAME.QZ1, also
// when that is lost; anything else is left as it is.
std::string firstSliceOf(const std::string& path) {
    constexpr std::string_view kIndex = ".QZ.par2";
    const std::size_t slash = path.rfind('/');
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    if (path.size() <= name + kIndex.size() || !path.ends_with(kIndex)) return path;
    return path.substr(0, path.size() - kIndex.size()) + ".QZ1";
}

void requireFirstSlice(const std::string& path, const char* command) {
    if (!isFirstSlice(path))
        throw UsageError(qz::tr("the FIRST_SLICE of %1 must be a first slice, its name ending "
                                "in .QZ1: \"%2\"",
                                {command, path}));
}

}  // namespace

int CommandLine::parseCount(const std::string& text, const char* what) {
    bool digits = !text.empty();
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            digits = false;
            break;
        }
        value = std::min(value * 10 + (c - '0'), 1000);  // 1000: too big
    }
    if (!digits || value < 1 || value > 999)
        throw UsageError(
            qz::tr("%1 must be a decimal number from 1 to 999: \"%2\"", {what, text}));
    return value;
}

std::int64_t CommandLine::parseSize(const std::string& text) {
    if (const auto bytes = SizePresets::medium(text)) return *bytes;
    static const std::string mail = "mail:";
    if (text.starts_with(mail) && !text.starts_with(mail + mail)) {
        const std::int64_t bytes = SizePresets::mail(parseSize(text.substr(mail.size())));
        if (bytes == 0)
            throw UsageError(qz::tr("%1 leaves no room for a slice beside the mail's headers",
                                    {text}));
        return bytes;
    }
    const UsageError bad(qz::tr("SIZE must be a number of bytes with an optional K, M, G or T, "
                                "or fat32, cd, dvd, dvd-dl, bd or mail:SIZE: \"%1\"",
                                {text}));
    std::size_t digits = 0;
    std::int64_t value = 0;
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        if (value > (kMax - 9) / 10) throw bad;
        value = value * 10 + (text[digits] - '0');
    }
    if (digits == 0 || text.size() > digits + 1) throw bad;
    int shift = 0;
    if (text.size() == digits + 1) {
        const std::string units = "KMGT";
        const std::size_t unit = units.find(static_cast<char>(std::toupper(text.back())));
        if (unit == std::string::npos) throw bad;
        shift = 10 * static_cast<int>(unit + 1);
    }
    if (value == 0 || value > (kMax >> shift)) throw bad;
    return value << shift;
}

enum class Option { To, MaxSize, Recovery, Name, Delete, Stdout, Yes, No, Quiet, Help, Version };

// One option: its short and long names, and what its value is (nullptr for
// an option that takes none).
struct OptionRow {
    const char* shortName;
    const char* longName;
    Option option;
    const char* value;
};

namespace {

constexpr OptionRow kOptions[] = {
    {nullptr, "--to", Option::To, "DIR"},
    {nullptr, "--max-size", Option::MaxSize, "SIZE"},
    {nullptr, "--recovery", Option::Recovery, "K"},
    {nullptr, "--name", Option::Name, "NAME"},
    {nullptr, "--delete", Option::Delete, nullptr},
    {nullptr, "--stdout", Option::Stdout, nullptr},
    {nullptr, "--yes", Option::Yes, nullptr},
    {nullptr, "--no", Option::No, nullptr},
    {"-q", "--quiet", Option::Quiet, nullptr},
    {"-h", "--help", Option::Help, nullptr},
    {"-V", "--version", Option::Version, nullptr},
};

// The row arg names: by either name, or as "--name=VALUE" for an option
// with a value; UsageError for an unknown option.
const OptionRow& rowOf(const std::string& arg) {
    for (const OptionRow& row : kOptions) {
        if ((row.shortName && arg == row.shortName) || arg == row.longName) return row;
        if (row.value && isOption(arg, row.longName)) return row;
    }
    throw UsageError(qz::tr("unknown option %1", {arg}));
}

}  // namespace

void CommandLine::take(const OptionRow& row, const std::vector<std::string>& args,
                       std::size_t& i, bool& yes, bool& no) {
    switch (row.option) {
    case Option::To:
        if (!saveDir.empty()) throw UsageError(qz::tr("%1 given twice", {row.longName}));
        saveDir = optionValue(args, i, row.longName, row.value);
        break;
    case Option::MaxSize:
        if (maxSize != 0) throw UsageError(qz::tr("%1 given twice", {row.longName}));
        maxSize = parseSize(optionValue(args, i, row.longName, row.value));
        break;
    case Option::Recovery:
        if (recovery != 0) throw UsageError(qz::tr("%1 given twice", {row.longName}));
        recovery = parseCount(optionValue(args, i, row.longName, row.value), "K");
        break;
    case Option::Name:
        if (!name.empty()) throw UsageError(qz::tr("%1 given twice", {row.longName}));
        name = optionValue(args, i, row.longName, row.value);
        break;
    case Option::Delete:
        deleteAfter = true;
        break;
    case Option::Stdout:
        toStdout = true;
        break;
    case Option::Yes:
        yes = true;
        break;
    case Option::No:
        no = true;
        break;
    case Option::Quiet:
        quiet = true;
        break;
    case Option::Help:
    case Option::Version:
        break;  // they end the parse where they stand
    }
}

CommandLine CommandLine::parse(const std::vector<std::string>& args) {
    CommandLine cmd;
    std::vector<std::string> operands;
    bool yes = false, no = false, optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else {
            const OptionRow& row = rowOf(arg);
            if (row.option == Option::Help) return CommandLine{};
            if (row.option == Option::Version) {
                cmd.mode = Mode::Version;
                return cmd;
            }
            cmd.take(row, args, i, yes, no);
        }
    }
    if (yes && no) throw UsageError(qz::tr("--yes and --no exclude each other"));
    cmd.answer = yes ? Answer::Yes : no ? Answer::No : Answer::Ask;
    cmd.validate(operands);
    return cmd;
}

void CommandLine::validate(const std::vector<std::string>& operands) {
    if (operands.empty())
        throw UsageError(qz::tr("missing command split, merge, check, verify or repair"));
    const std::string& command = operands[0];
    if (deleteAfter && command != "merge")
        throw UsageError(qz::tr("%1 is for %2 only", {"--delete", "merge"}));
    if (maxSize != 0 && command != "split")
        throw UsageError(qz::tr("%1 is for %2 only", {"--max-size", "split"}));
    if (recovery != 0 && command != "split")
        throw UsageError(qz::tr("%1 is for %2 only", {"--recovery", "split"}));
    if (!name.empty() && command != "split")
        throw UsageError(qz::tr("%1 is for %2 only", {"--name", "split"}));
    if (toStdout && command != "merge")
        throw UsageError(qz::tr("%1 is for %2 only", {"--stdout", "merge"}));
    if (command == "split")
        validateSplit(operands);
    else if (command == "merge")
        validateMerge(operands);
    else if (command == "check" || command == "verify" || command == "repair")
        validateCheck(operands);
    else
        throw UsageError(qz::tr("unknown command %1", {command}));
    source = operands[1];
    if (source.empty()) throw UsageError(qz::tr("empty file name"));
    if (mode == Mode::Merge || mode == Mode::Repair) source = firstSliceOf(source);
    if (mode == Mode::Split) validateStream();
}

void CommandLine::validateStream() const {
    if (source != "-") {
        if (!name.empty())
            throw UsageError(qz::tr("%1 is for %2 only", {"--name", "split -"}));
        return;
    }
    if (name.empty()) throw UsageError(qz::tr("split - needs --name NAME for its slices"));
    if (name.find('/') != std::string::npos || name == "." || name == "..")
        throw UsageError(qz::tr("NAME must be a file name without a folder: \"%1\"", {name}));
}

void CommandLine::validateSplit(const std::vector<std::string>& operands) {
    mode = Mode::Split;
    if (maxSize != 0) {
        if (operands.size() != 2)
            throw UsageError(qz::tr("split with --max-size takes SOURCE alone"));
        return;
    }
    if (operands.size() != 3)
        throw UsageError(qz::tr("split takes SOURCE and COUNT"));
    count = parseCount(operands[2]);
}

void CommandLine::validateMerge(const std::vector<std::string>& operands) {
    if (operands.size() != 2) throw UsageError(qz::tr("%1 takes FIRST_SLICE", {"merge"}));
    mode = Mode::Merge;
    requireFirstSlice(firstSliceOf(operands[1]), "merge");
    // Nothing is written to a folder, asked or deleted: the bytes go out.
    if (toStdout && (!saveDir.empty() || deleteAfter))
        throw UsageError(qz::tr("%1 excludes %2", {"--stdout", "--to, --delete"}));
}

void CommandLine::validateCheck(const std::vector<std::string>& operands) {
    const std::string& command = operands[0];
    if (operands.size() != 2)
        throw UsageError(qz::tr("%1 takes FIRST_SLICE", {command}));
    if (!saveDir.empty() || answer != Answer::Ask)
        throw UsageError(command == "repair"
                             ? qz::tr("%1 mends the set where it is: no --to, --yes or --no",
                                      {command})
                             : qz::tr("%1 changes nothing: no --to, --yes or --no", {command}));
    mode = command == "check" ? Mode::Check : command == "verify" ? Mode::Verify : Mode::Repair;
    requireFirstSlice(mode == Mode::Repair ? firstSliceOf(operands[1]) : operands[1],
                      command.c_str());
}

std::string CommandLine::usage() {
    return qz::tr(
        "Usage:\n"
        "  qzslice-cli split SOURCE COUNT [--to DIR] [--recovery K] [--yes | --no] [-q]\n"
        "  qzslice-cli split SOURCE --max-size SIZE [--to DIR] [--yes | --no] [-q]\n"
        "  qzslice-cli split - --name NAME (COUNT | --max-size SIZE) [--to DIR] ...\n"
        "  qzslice-cli merge FIRST_SLICE [--to DIR] [--delete] [--yes | --no] [-q]\n"
        "  qzslice-cli merge FIRST_SLICE --stdout [-q]\n"
        "  qzslice-cli check FIRST_SLICE [-q]\n"
        "  qzslice-cli verify FIRST_SLICE [-q]\n"
        "  qzslice-cli repair FIRST_SLICE [-q]\n"
        "  qzslice-cli --help | --version\n"
        "\n"
        "  split   cut SOURCE into COUNT slices SOURCE.QZ1 ... SOURCE.QZn, COUNT from\n"
        "          1 to 999; with --max-size, the smallest count that keeps every\n"
        "          slice within SIZE\n"
        "  merge   join the set whose first slice is NAME.QZ1 back into NAME, in index\n"
        "          order; the whole set is checked first, and an incomplete one is\n"
        "          left as it is\n"
        "  split -  read standard input to its end, then cut it into NAME.QZ1 ...\n"
        "          NAME.QZn in DIR (default: the current folder); it is held in an\n"
        "          unnamed file there meanwhile, as the slice sizes follow from the\n"
        "          whole length\n"
        "  merge --stdout  write the joined bytes to standard output instead; each\n"
        "          slice is checked against NAME.QZ.sha256 before any byte of it is\n"
        "          written, and a bad one ends the output with exit status 1\n"
        "  check   only the merge's check of the set: writes, asks and deletes nothing\n"
        "  verify  read every slice and compare it with its SHA-256 in NAME.QZ.sha256;\n"
        "          one line for each bad slice\n"
        "  repair  rebuild lost or damaged slices from the set's recovery files;\n"
        "          merge does so first by itself. FIRST_SLICE may be given as\n"
        "          NAME.QZ.par2 when NAME.QZ1 is lost\n"
        "\n"
        "  split writes NAME.QZ.sha256 beside the slices (GNU sha256sum's format),\n"
        "  one line per slice; check holds the set to it by count, names and sizes,\n"
        "  merge verifies every slice as it joins it, verify reads them all. Without\n"
        "  this program: sha256sum -c NAME.QZ.sha256 checks a set, and\n"
        "  cat NAME.QZ{1..n} > NAME joins it (not NAME.QZ*, which puts QZ10 before\n"
        "  QZ2); the file's comments tell how on Windows.\n"
        "\n"
        "  Messages are in the language that LANGUAGE, LC_ALL, LC_MESSAGES or LANG\n"
        "  name: Chinese for zh_CN, English for any other.\n"
        "\n"
        "Options:\n"
        "  --to DIR         save into DIR instead of the source's own directory\n"
        "  --max-size SIZE  the largest slice in bytes, with an optional K, M, G or T\n"
        "                   (powers of 1024), or a word for where the slices go:\n"
        "                   fat32   4G-1 bytes, the most a file on a FAT32 stick holds\n"
        "                   cd      735922176, an 80-minute CD-R less ISO 9660's room\n"
        "                   dvd     4698275840, a DVD+R or DVD-R less UDF's room\n"
        "                   dvd-dl  8541569024, a double-layer DVD less UDF's room\n"
        "                   bd      24958205952, a 25 GB BD-R less UDF 2.50's room\n"
        "                   mail:SIZE  what fits a mail of SIZE bytes in base64,\n"
        "                           76-character lines and 4K of headers\n"
        "  --recovery K     also write PAR2 recovery files, NAME.QZ.par2 and K\n"
        "                   volumes of about one slice each: any K lost or damaged\n"
        "                   slices can be rebuilt, by merge or repair, or without\n"
        "                   this program by: par2 repair NAME.QZ.par2\n"
        "  --name NAME      the slices' name when SOURCE is - (standard input)\n"
        "  --stdout         merge to standard output\n"
        "  --delete         delete the slices after merging\n"
        "  --yes            answer Yes to every question\n"
        "  --no             answer No to every question\n"
        "  -q, --quiet      print nothing on success\n"
        "  -V, --version    show the version\n"
        "  -h, --help       show this help\n"
        "\n"
        "  Without --yes or --no a question is asked on the terminal; with no\n"
        "  terminal it is taken as No.\n"
        "\n"
        "Examples:\n"
        "  qzslice-cli split movie.mkv --max-size fat32 --to /media/usb\n"
        "      slices that fit on a FAT32 stick\n"
        "  qzslice-cli split report.pdf --max-size mail:25000000\n"
        "      each slice sent alone within a 25 MB mail limit (18 266 235 bytes)\n"
        "  qzslice-cli check /media/usb/movie.mkv.QZ1 && \\\n"
        "      qzslice-cli merge /media/usb/movie.mkv.QZ1 --to ~/Videos --delete\n"
        "      check the set, then join it, verifying every byte, and delete the\n"
        "      slices and their .QZ.sha256\n"
        "  tar -c photos | qzslice-cli split - --name photos.tar --max-size 4G\n"
        "      an archive cut as it is made, with no photos.tar on the disk\n"
        "  qzslice-cli merge photos.tar.QZ1 --stdout | tar -x\n"
        "      unpacked straight from its checked slices\n"
        "  qzslice-cli verify movie.mkv.QZ1\n"
        "      after an upload or a copy, prove that no slice is damaged\n"
        "\n"
        "Exit status:\n"
        "  0  completed; check: the set is whole; verify: every slice is good\n"
        "  1  failed, the reason on the next line; check: the set is not whole;\n"
        "     verify: a bad slice, or no sums file\n"
        "  2  usage error, or no count fits --max-size\n"
        "  3  stopped by a No or by the 64KB refusal\n"
        "  4  merge: the output is whole, a later step failed; the reason says where\n"
        "     the output is and which slices were deleted\n"
        "  128+N  interrupted by signal N (130 for Ctrl-C): the files of the run are\n"
        "         removed and the program ends by the signal; one ignored at start\n"
        "         (nohup) stays so\n");
}

}  // namespace qzcli
