#pragma once
// The arguments of qzslice-cli, parsed and checked:
//   qzslice-cli split SOURCE COUNT [--to DIR] [--yes | --no]
//   qzslice-cli merge FIRST_SLICE [--to DIR] [--delete] [--yes | --no]
//   qzslice-cli --help

#include <string>
#include <vector>

namespace qzcli {

class CommandLine {
public:
    enum class Mode { Split, Merge, Help };
    // How the questions of an operation are answered.
    enum class Answer { Ask, Yes, No };

    // Parses the arguments after the program's name; UsageError when they are
    // not one of the forms above.
    static CommandLine parse(const std::vector<std::string>& args);
    // The help text, in Chinese and English.
    static const std::string& usage();
    // COUNT's value: decimal digits only, 1 to 999; UsageError otherwise.
    static int parseCount(const std::string& text);

    Mode mode = Mode::Help;
    std::string source;   // SOURCE or FIRST_SLICE, as given
    int count = 0;        // split only
    std::string saveDir;  // --to DIR as given; empty when absent
    bool deleteAfter = false;
    Answer answer = Answer::Ask;
};

}  // namespace qzcli
