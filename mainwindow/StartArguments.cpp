#include "mainwindow/StartArguments.h"

namespace qzmainwindow {

namespace {

StartArguments failed(const std::string& why) {
    StartArguments result;
    result.action = StartArguments::Action::UsageError;
    result.error = why;
    return result;
}

// path as given when absolute; else below cwd, as the caller meant it. No
// link is resolved and no name normalised: the window is to see the name the
// user chose.
std::string absolute(const std::string& path, const std::string& cwd) {
    if (path.empty() || path.front() == '/' || cwd.empty()) return path;
    return cwd.back() == '/' ? cwd + path : cwd + '/' + path;
}

}  // namespace

StartArguments StartArguments::parse(const std::vector<std::string>& args,
                                     const std::string& cwd) {
    StartArguments result;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        // "-" alone is a name like any other; "--" makes every later word one.
        if (!optionsEnded && arg.size() >= 2 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
                continue;
            }
            if (arg == "-h" || arg == "--help") return {Action::Help, {}, {}};
            if (arg == "-V" || arg == "--version") return {Action::Version, {}, {}};
            return failed("未知选项 " + arg + " / unknown option " + arg);
        }
        if (result.file) return failed("只能给一个文件 / only one FILE may be given");
        if (arg.empty()) return failed("文件名为空 / empty file name");
        result.file = absolute(arg, cwd);
    }
    return result;
}

const std::string& StartArguments::usage() {
    static const std::string text =
        "用法 / Usage:\n"
        "  qzslice [FILE]\n"
        "  qzslice --help | --version\n"
        "\n"
        "  打开 QZ切片宝 窗口。给出 FILE 时，窗口像拖放了这个文件一样接收它：\n"
        "  第一个切片 NAME.QZ1 选择合并，其他文件选择切割。\n"
        "  Opens the QZ切片宝 window. With FILE, the window takes it as if it had\n"
        "  been dropped on it: a first slice NAME.QZ1 selects merging, any other\n"
        "  file splitting.\n"
        "  窗口已经打开时，FILE 交给已打开的窗口，并把它提到最前。\n"
        "  When the window is already open, FILE goes to that window, which is\n"
        "  brought to the front.\n"
        "\n"
        "选项 / Options:\n"
        "  -V, --version    显示版本 / show the version\n"
        "  -h, --help       显示本说明 / show this help\n"
        "\n"
        "退出状态 / Exit status:\n"
        "  0  窗口已关闭，或 FILE 已交给已打开的窗口\n"
        "     the window was closed, or FILE was handed to the open window\n"
        "  1  FILE 无法交给已打开的窗口 / FILE could not be handed to the open window\n"
        "  2  用法错误，或没有图形界面 / usage error, or no graphical session\n"
        "  128+N  被信号 N 结束 / ended by signal N\n";
    return text;
}

}  // namespace qzmainwindow
