#pragma once
// The hidden names of files being written: "." + the run's name + ".qzpart-"
// + eight random letters or digits + "-" + six more that a hash of the run's
// name and the eight gives. Only a name whose six check out was made by a
// run; a file a person happened to name alike never passes for one.

#include <string>

namespace qz {

class TempName {
public:
    // A fresh hidden name for a file of the run runName.
    static std::string fresh(const std::string& runName);
    // Whether name is one that fresh(runName) can give.
    static bool isOf(const std::string& name, const std::string& runName);
    // The hidden name of the lock of runs of runName: "." + runName +
    // ".qzlock", runName cut as for the temporaries.
    static std::string lockOf(const std::string& runName);

private:
    // "." + runName + ".qzpart-", runName cut (between characters) so that
    // a whole name stays within what one name may hold.
    static std::string prefixOf(const std::string& runName);
    // runName cut (between characters) to at most keep bytes.
    static std::string cut(const std::string& runName, std::size_t keep);
    // The six letters or digits that prove token a run's, for runName.
    static std::string checkOf(const std::string& runName, const std::string& token);
};

}  // namespace qz
