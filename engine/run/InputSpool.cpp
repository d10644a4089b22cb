#include "engine/run/InputSpool.h"

#include <vector>

#include "engine/io/Interruption.h"
#include "engine/run/RunReport.h"
#include "engine/set/TempName.h"

namespace qz {

namespace {

constexpr std::size_t kPiece = std::size_t{1} << 20;

}  // namespace

FileHandle InputSpool::fill(FileHandle stream, const std::string& dir, const std::string& runName,
                            RunReport& report) {
    // As a new file would be: what the umask lets through.
    FileHandle spool = FileHandle::createScratch(dir, dir + TempName::fresh(runName), 0666);
    std::vector<unsigned char> piece(kPiece);
    while (const std::size_t got = stream.readSome(piece.data(), piece.size())) {
        spool.append(piece.data(), got);
        report.pump();
        Interruption::check();
    }
    stream.close();
    return spool;
}

}  // namespace qz
