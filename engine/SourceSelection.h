#pragma once
// Adopting a chosen file as the source of the next operation, shared by the
// open-file dialog and dropped files; and the size caption shown for it.

#include <cstdint>
#include <string>

namespace qz {

class Engine;
class Host;

class SourceSelection {
public:
    // Adopts full path P with bare name N: SrcName, Text3 (P's directory with
    // its "/") and Label3's size caption. Text1 is the caller's. Throws
    // FileError when P is no existing plain file; steps done before the
    // failure stay done.
    static void adopt(Host& host, Engine& engine, const std::string& P,
                      const std::string& N);

    // The size in megabytes of 1024 x 1024 bytes, cut (never rounded) after
    // the second decimal: "1.50 MB", "129 MB", "0.00 MB", "0 MB".
    static std::string sizeCaption(std::int64_t bytes);
};

}  // namespace qz
