#include "CommandLine.h"

#include <algorithm>

#include "UsageError.h"

namespace qzcli {

namespace {

// Takes the value of --to from "--to=DIR" or from the next argument.
std::string toValue(const std::vector<std::string>& args, std::size_t& i) {
    const std::string& arg = args[i];
    std::string dir;
    if (arg.size() > 4 && arg[4] == '=') {
        dir = arg.substr(5);
    } else if (i + 1 < args.size()) {
        dir = args[++i];
    } else {
        throw UsageError("--to 后面缺少目录 / --to needs a directory");
    }
    if (dir.empty()) throw UsageError("--to 的目录为空 / --to has an empty directory");
    return dir;
}

bool isToOption(const std::string& arg) {
    return arg == "--to" || arg.rfind("--to=", 0) == 0;
}

// A first slice's name: something, then ".QZ1".
bool isFirstSlice(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.size() > 4 && name.ends_with(".QZ1");
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
        } else if (arg == "-h" || arg == "--help") {
            return CommandLine{};
        } else if (isToOption(arg)) {
            if (!cmd.saveDir.empty()) throw UsageError("--to 只能给一次 / --to given twice");
            cmd.saveDir = toValue(args, i);
        } else if (arg == "--delete") {
            cmd.deleteAfter = true;
        } else if (arg == "--yes") {
            yes = true;
        } else if (arg == "--no") {
            no = true;
        } else {
            throw UsageError("未知选项 " + arg + " / unknown option " + arg);
        }
    }
    if (yes && no) throw UsageError("--yes 与 --no 不能同时使用 / --yes and --no exclude each other");
    cmd.answer = yes ? Answer::Yes : no ? Answer::No : Answer::Ask;

    if (operands.empty()) throw UsageError("缺少命令 split 或 merge / missing command split or merge");
    const std::string& command = operands[0];
    if (command == "split") {
        if (operands.size() != 3)
            throw UsageError("split 需要 SOURCE 和 COUNT / split takes SOURCE and COUNT");
        if (cmd.deleteAfter)
            throw UsageError("--delete 只用于 merge / --delete is for merge only");
        cmd.mode = Mode::Split;
        cmd.count = parseCount(operands[2]);
    } else if (command == "merge") {
        if (operands.size() != 2)
            throw UsageError("merge 需要 FIRST_SLICE / merge takes FIRST_SLICE");
        cmd.mode = Mode::Merge;
        if (!isFirstSlice(operands[1]))
            throw UsageError("FIRST_SLICE 须是名字以 .QZ1 结尾的第一个切片 / FIRST_SLICE must be "
                             "a first slice, its name ending in .QZ1: \"" + operands[1] + "\"");
    } else {
        throw UsageError("未知命令 " + command + " / unknown command " + command);
    }
    cmd.source = operands[1];
    if (cmd.source.empty()) throw UsageError("文件名为空 / empty file name");
    return cmd;
}

const std::string& CommandLine::usage() {
    static const std::string text =
        "用法 / Usage:\n"
        "  qzslice-cli split SOURCE COUNT [--to DIR] [--yes | --no]\n"
        "  qzslice-cli merge FIRST_SLICE [--to DIR] [--delete] [--yes | --no]\n"
        "  qzslice-cli --help\n"
        "\n"
        "  split   把 SOURCE 切成 COUNT 个切片 SOURCE.QZ1 … SOURCE.QZn，COUNT 为 1 到 999\n"
        "          cut SOURCE into COUNT slices SOURCE.QZ1 ... SOURCE.QZn, COUNT from 1 to 999\n"
        "  merge   按序号把第一个切片为 NAME.QZ1 的整套切片合并为 NAME；先检查整套切片，\n"
        "          不完整就什么都不动\n"
        "          join the set whose first slice is NAME.QZ1 back into NAME, in index\n"
        "          order; the whole set is checked first, and an incomplete one is left as it is\n"
        "\n"
        "选项 / Options:\n"
        "  --to DIR    保存到 DIR，不写源文件所在目录\n"
        "              save into DIR instead of the source's own directory\n"
        "  --delete    合并后删除原切片 / delete the slices after merging\n"
        "  --yes       询问一律回答“是” / answer Yes to every question\n"
        "  --no        询问一律回答“否” / answer No to every question\n"
        "  -h, --help  显示本说明 / show this help\n"
        "\n"
        "  没有 --yes 或 --no 时在终端上询问；没有终端时按“否”处理。\n"
        "  Without --yes or --no a question is asked on the terminal; with no\n"
        "  terminal it is taken as No.\n"
        "\n"
        "退出状态 / Exit status:\n"
        "  0  操作完成 / completed\n"
        "  1  出错，下一行说明原因 / failed, the reason on the next line\n"
        "  2  用法错误 / usage error\n"
        "  3  回答了“否”，或切片小于 64KB 被拒绝 / stopped by a No or by the 64KB refusal\n"
        "  128+N  被信号 N 中断（如 Ctrl-C 为 130），本次写的文件都已删除\n"
        "         interrupted by signal N (130 for Ctrl-C); the files of the run are removed\n";
    return text;
}

}  // namespace qzcli
