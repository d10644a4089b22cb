#include "cli/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "cli/UsageError.h"

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
        throw UsageError(name + " 后面缺少" + what + " / " + name + " needs a value");
    }
    if (value.empty()) throw UsageError(name + " 的值为空 / " + name + " has an empty value");
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

void requireFirstSlice(const std::string& path, const char* command) {
    if (!isFirstSlice(path))
        throw UsageError(std::string(command) +
                         " 的 FIRST_SLICE 须是名字以 .QZ1 结尾的第一个切片 / FIRST_SLICE must be "
                         "a first slice, its name ending in .QZ1: \"" + path + "\"");
}

}  // namespace

int CommandLine::parseCount(const std::string& text) {
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
        throw UsageError("切片个数必须是 1 到 999 的十进制数: \"" + text +
                         "\" / COUNT must be a decimal number from 1 to 999");
    return value;
}

std::int64_t CommandLine::parseSize(const std::string& text) {
    if (text == "fat32") return (std::int64_t{4} << 30) - 1;
    const UsageError bad("SIZE 须是字节数，可带 K、M、G 或 T，或 fat32: \"" + text +
                         "\" / SIZE must be a number of bytes with an optional K, M, G or T, "
                         "or fat32");
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

enum class Option { To, MaxSize, Delete, Yes, No, Quiet, Help, Version };

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
    {nullptr, "--to", Option::To, "目录"},
    {nullptr, "--max-size", Option::MaxSize, "大小"},
    {nullptr, "--delete", Option::Delete, nullptr},
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
    throw UsageError("未知选项 " + arg + " / unknown option " + arg);
}

}  // namespace

void CommandLine::take(const OptionRow& row, const std::vector<std::string>& args,
                       std::size_t& i, bool& yes, bool& no) {
    switch (row.option) {
    case Option::To:
        if (!saveDir.empty()) throw UsageError("--to 只能给一次 / --to given twice");
        saveDir = optionValue(args, i, row.longName, row.value);
        break;
    case Option::MaxSize:
        if (maxSize != 0) throw UsageError("--max-size 只能给一次 / --max-size given twice");
        maxSize = parseSize(optionValue(args, i, row.longName, row.value));
        break;
    case Option::Delete:
        deleteAfter = true;
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
    if (yes && no) throw UsageError("--yes 与 --no 不能同时使用 / --yes and --no exclude each other");
    cmd.answer = yes ? Answer::Yes : no ? Answer::No : Answer::Ask;
    cmd.validate(operands);
    return cmd;
}

void CommandLine::validate(const std::vector<std::string>& operands) {
    if (operands.empty())
        throw UsageError("缺少命令 split、merge、check 或 verify / missing command split, merge, "
                         "check or verify");
    const std::string& command = operands[0];
    if (deleteAfter && command != "merge")
        throw UsageError("--delete 只用于 merge / --delete is for merge only");
    if (maxSize != 0 && command != "split")
        throw UsageError("--max-size 只用于 split / --max-size is for split only");
    if (command == "split")
        validateSplit(operands);
    else if (command == "merge")
        validateMerge(operands);
    else if (command == "check" || command == "verify")
        validateCheck(operands);
    else
        throw UsageError("未知命令 " + command + " / unknown command " + command);
    source = operands[1];
    if (source.empty()) throw UsageError("文件名为空 / empty file name");
}

void CommandLine::validateSplit(const std::vector<std::string>& operands) {
    mode = Mode::Split;
    if (maxSize != 0) {
        if (operands.size() != 2)
            throw UsageError("split 带 --max-size 时只需要 SOURCE / split with --max-size "
                             "takes SOURCE alone");
        return;
    }
    if (operands.size() != 3)
        throw UsageError("split 需要 SOURCE 和 COUNT / split takes SOURCE and COUNT");
    count = parseCount(operands[2]);
}

void CommandLine::validateMerge(const std::vector<std::string>& operands) {
    if (operands.size() != 2) throw UsageError("merge 需要 FIRST_SLICE / merge takes FIRST_SLICE");
    mode = Mode::Merge;
    requireFirstSlice(operands[1], "merge");
}

void CommandLine::validateCheck(const std::vector<std::string>& operands) {
    const std::string& command = operands[0];
    if (operands.size() != 2)
        throw UsageError(command + " 需要 FIRST_SLICE / " + command + " takes FIRST_SLICE");
    if (!saveDir.empty() || answer != Answer::Ask)
        throw UsageError(command + " 只看不动：不带 --to、--yes 或 --no / " + command +
                         " changes nothing: no --to, --yes or --no");
    mode = command == "check" ? Mode::Check : Mode::Verify;
    requireFirstSlice(operands[1], command.c_str());
}

const std::string& CommandLine::usage() {
    static const std::string text =
        "用法 / Usage:\n"
        "  qzslice-cli split SOURCE COUNT [--to DIR] [--yes | --no] [-q]\n"
        "  qzslice-cli split SOURCE --max-size SIZE [--to DIR] [--yes | --no] [-q]\n"
        "  qzslice-cli merge FIRST_SLICE [--to DIR] [--delete] [--yes | --no] [-q]\n"
        "  qzslice-cli check FIRST_SLICE [-q]\n"
        "  qzslice-cli verify FIRST_SLICE [-q]\n"
        "  qzslice-cli --help | --version\n"
        "\n"
        "  split   把 SOURCE 切成 COUNT 个切片 SOURCE.QZ1 … SOURCE.QZn，COUNT 为 1 到 999\n"
        "          cut SOURCE into COUNT slices SOURCE.QZ1 ... SOURCE.QZn, COUNT from 1 to 999\n"
        "          带 --max-size 时，取使每个切片都不大于 SIZE 的最小个数\n"
        "          with --max-size, the smallest count that keeps every slice within SIZE\n"
        "  merge   按序号把第一个切片为 NAME.QZ1 的整套切片合并为 NAME；先检查整套切片，\n"
        "          不完整就什么都不动\n"
        "          join the set whose first slice is NAME.QZ1 back into NAME, in index\n"
        "          order; the whole set is checked first, and an incomplete one is left as it is\n"
        "  check   只做 merge 的检查：看整套切片是否完整，什么都不写、不问、不删\n"
        "          only the merge's check of the set: writes, asks and deletes nothing\n"
        "  verify  读出每个切片，与 NAME.QZ.sha256 里的 SHA-256 比对，逐个说出坏切片\n"
        "          read every slice and compare it with its SHA-256 in NAME.QZ.sha256;\n"
        "          one line for each bad slice\n"
        "\n"
        "  split 在切片旁写下 NAME.QZ.sha256（GNU sha256sum 格式），每个切片一行；\n"
        "  check 用它核对个数、名字和大小，merge 边合并边校验，verify 逐字节校验。\n"
        "  没有本程序时：sha256sum -c NAME.QZ.sha256 校验，\n"
        "  cat NAME.QZ{1..n} > NAME（不要用 NAME.QZ*，QZ10 会排在 QZ2 前面）合并。\n"
        "  split writes NAME.QZ.sha256 beside the slices (GNU sha256sum's format),\n"
        "  one line per slice; check holds the set to it by count, names and sizes,\n"
        "  merge verifies every slice as it joins it, verify reads them all. Without\n"
        "  this program: sha256sum -c NAME.QZ.sha256 checks a set, and\n"
        "  cat NAME.QZ{1..n} > NAME joins it (not NAME.QZ*, which puts QZ10 before\n"
        "  QZ2); the file's comments tell how on Windows.\n"
        "\n"
        "选项 / Options:\n"
        "  --to DIR         保存到 DIR，不写源文件所在目录\n"
        "                   save into DIR instead of the source's own directory\n"
        "  --max-size SIZE  每个切片最大的字节数，可带 K、M、G、T（1024 的幂）；\n"
        "                   fat32 即 4G-1 字节，FAT32 U 盘上单个文件的上限\n"
        "                   the largest slice in bytes, with an optional K, M, G or T\n"
        "                   (powers of 1024); fat32 is 4G-1 bytes, the most a file on a\n"
        "                   FAT32 stick can hold\n"
        "  --delete         合并后删除原切片 / delete the slices after merging\n"
        "  --yes            询问一律回答“是” / answer Yes to every question\n"
        "  --no             询问一律回答“否” / answer No to every question\n"
        "  -q, --quiet      成功时什么都不显示 / print nothing on success\n"
        "  -V, --version    显示版本 / show the version\n"
        "  -h, --help       显示本说明 / show this help\n"
        "\n"
        "  没有 --yes 或 --no 时在终端上询问；没有终端时按“否”处理。\n"
        "  Without --yes or --no a question is asked on the terminal; with no\n"
        "  terminal it is taken as No.\n"
        "\n"
        "例子 / Examples:\n"
        "  qzslice-cli split movie.mkv --max-size fat32 --to /media/usb\n"
        "      切成放得进 FAT32 U 盘的切片 / slices that fit on a FAT32 stick\n"
        "  qzslice-cli split report.pdf --max-size 17M\n"
        "      每片不超过 17 MiB，base64 编码后仍在 25 MB 的邮件限额内\n"
        "      at most 17 MiB each: after base64 still within a 25 MB mail limit\n"
        "      (about 17.4 MiB is the most that fits)\n"
        "  qzslice-cli check /media/usb/movie.mkv.QZ1 && \\\n"
        "      qzslice-cli merge /media/usb/movie.mkv.QZ1 --to ~/Videos --delete\n"
        "      先确认整套切片完整，再合并（逐字节校验）并删除切片和 .QZ.sha256\n"
        "      check the set, then join it, verifying every byte, and delete the\n"
        "      slices and their .QZ.sha256\n"
        "  qzslice-cli verify movie.mkv.QZ1\n"
        "      上传或拷贝之后确认每个切片都没有损坏 / after an upload or a copy, prove\n"
        "      that no slice is damaged\n"
        "\n"
        "退出状态 / Exit status:\n"
        "  0  操作完成；check：整套切片完整；verify：每个切片都对\n"
        "     completed; check: the set is whole; verify: every slice is good\n"
        "  1  出错，下一行说明原因；check：不完整；verify：有坏切片或没有校验和文件\n"
        "     failed, the reason on the next line; check: the set is not whole;\n"
        "     verify: a bad slice, or no sums file\n"
        "  2  用法错误，或 --max-size 找不到合适的个数 / usage error, or no count fits --max-size\n"
        "  3  回答了“否”，或切片小于 64KB 被拒绝 / stopped by a No or by the 64KB refusal\n"
        "  4  merge：输出文件已完整，之后的一步（刷新目录、删除切片）失败，下一行说明\n"
        "     输出在哪、删了哪些切片 / merge: the output is whole, a later step failed;\n"
        "     the reason says where the output is and which slices were deleted\n"
        "  128+N  被信号 N 中断（如 Ctrl-C 为 130），本次写的文件都已删除，程序随信号结束；\n"
        "         启动时被忽略的信号（nohup）仍被忽略\n"
        "         interrupted by signal N (130 for Ctrl-C): the files of the run are removed\n"
        "         and the program ends by the signal; one ignored at start (nohup) stays so\n";
    return text;
}

}  // namespace qzcli
