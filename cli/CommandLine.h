#pragma once
// The arguments of qzslice-cli, parsed and checked:
//   qzslice-cli split SOURCE COUNT [--to DIR] [--yes | --no] [-q]
//   qzslice-cli split SOURCE --max-size SIZE [--to DIR] [--yes | --no] [-q]
//   qzslice-cli split - --name NAME (COUNT | --max-size SIZE) [--to DIR] [--yes | --no] [-q]
//   qzslice-cli merge FIRST_SLICE [--to DIR] [--delete] [--yes | --no] [-q]
//   qzslice-cli merge FIRST_SLICE --stdout [-q]
//   qzslice-cli check FIRST_SLICE [-q]
//   qzslice-cli verify FIRST_SLICE [-q]
//   qzslice-cli repair FIRST_SLICE [-q]
//   qzslice-cli --help | --version

#include <cstdint>
#include <string>
#include <vector>

namespace qzcli {

struct OptionRow;

class CommandLine {
public:
    enum class Mode { Split, Merge, Check, Verify, Repair, Help, Version };
    // How the questions of an operation are answered.
    enum class Answer { Ask, Yes, No };

    // Parses the arguments after the program's name; UsageError when they are
    // not one of the forms above.
    static CommandLine parse(const std::vector<std::string>& args);
    // The help text, in the user's language.
    static std::string usage();
    // The value of COUNT (or of what names another such number): decimal
    // digits only, 1 to 999; UsageError otherwise.
    static int parseCount(const std::string& text, const char* what = "COUNT");
    // SIZE's value in bytes: a whole number with an optional K, M, G or T
    // (powers of 1024), a medium's word (SizePresets: "fat32" for the
    // largest file FAT32 holds, "cd", "dvd", "dvd-dl", "bd"), or "mail:"
    // and a SIZE, the largest slice that fits a mail of that size once
    // encoded; UsageError for anything else, for 0 and for overflow.
    static std::int64_t parseSize(const std::string& text);

    Mode mode = Mode::Help;
    std::string source;         // SOURCE or FIRST_SLICE, as given
    int count = 0;              // split by count
    std::int64_t maxSize = 0;   // split by largest slice; 0 when by count
    int recovery = 0;           // --recovery K; 0 when absent
    std::string saveDir;        // --to DIR as given; empty when absent
    std::string name;           // --name NAME of a split of standard input
    bool deleteAfter = false;
    bool toStdout = false;      // merge --stdout
    bool quiet = false;         // nothing printed on success
    Answer answer = Answer::Ask;

private:
    // Takes the option of row, args[i], with its value; i moves past a value
    // taken from the next argument. --yes and --no are noted in yes and no.
    void take(const OptionRow& row, const std::vector<std::string>& args, std::size_t& i,
              bool& yes, bool& no);
    // Checks the operands against the command they name, and the options
    // against it; UsageError when they do not fit.
    void validate(const std::vector<std::string>& operands);
    void validateSplit(const std::vector<std::string>& operands);
    void validateMerge(const std::vector<std::string>& operands);
    // SOURCE "-" and --name: both or neither; NAME a bare file name.
    void validateStream() const;
    // check and verify: both only read.
    void validateCheck(const std::vector<std::string>& operands);
};

}  // namespace qzcli
