#include "cli/SizePresets.h"

namespace qzcli {

namespace {

// Discs count in sectors of 2 048 bytes of user data.
constexpr std::int64_t kSector = 2048;

struct Medium {
    const char* word;
    std::int64_t bytes;
};

// Each disc's number is the user sectors of the smallest common medium of
// its kind less a reserve for the file system a burning program writes for
// one large file; a slice of that size still leaves the disc's structures
// their room.
constexpr Medium kMedia[] = {
    // The most FAT32 holds in one file: its size field is 32 bits.
    {"fat32", (std::int64_t{4} << 30) - 1},
    // An 80-minute CD-R: 359 849 sectors (its lead-out at 79:59:74 less the
    // 150-sector pregap), 736 970 752 bytes. Reserved: 512 sectors (1 MiB)
    // for ISO 9660 with Joliet and Rock Ridge: the 16-sector system area,
    // the volume descriptors, the path tables and directories, and the
    // 150 sectors of padding burning programs add at the end.
    // 359 337 sectors: 735 922 176 bytes.
    {"cd", (359849 - 512) * kSector},
    // A single-layer DVD+R, the smaller of DVD+R (2 295 104 sectors) and
    // DVD-R (2 298 496): 4 700 372 992 bytes. Reserved: 1 024 sectors
    // (2 MiB) for UDF, which a slice over 4 GiB - 1 needs (ISO 9660 alone
    // ends a file there): the 256 sectors before the first anchor, the 256
    // at the end for the last ones, the descriptor sequences and the file's
    // entry, and an ISO 9660 bridge beside it. 2 294 080 sectors:
    // 4 698 275 840 bytes.
    {"dvd", (2295104 - 1024) * kSector},
    // A double-layer DVD-R, the smaller of DVD-R DL (4 171 712 sectors) and
    // DVD+R DL (4 173 824): 8 543 666 176 bytes, with the same reserve as a
    // DVD. 4 170 688 sectors: 8 541 569 024 bytes.
    {"dvd-dl", (4171712 - 1024) * kSector},
    // A single-layer 25 GB BD-R used without spare areas: 12 219 392
    // sectors, 25 025 314 816 bytes. Reserved: 32 768 sectors (64 MiB) for
    // UDF 2.50 as BD burning programs write it: the anchors and descriptor
    // sequences at both ends, as on a DVD, and the metadata partition with
    // its mirror copy. A BD-R formatted with spare areas for defect
    // management holds less: give it its SIZE. 12 186 624 sectors:
    // 24 958 205 952 bytes.
    {"bd", (12219392 - 32768) * kSector},
};

// base64 makes 4 characters of every 3 bytes; a line holds 76 characters,
// 57 bytes, and ends in CRLF.
constexpr std::int64_t kLineChars = 76;
constexpr std::int64_t kLineBytes = kLineChars / 4 * 3;
constexpr std::int64_t kLineEnd = 2;

}  // namespace

std::optional<std::int64_t> SizePresets::medium(const std::string& word) {
    for (const Medium& m : kMedia)
        if (word == m.word) return m.bytes;
    return std::nullopt;
}

std::int64_t SizePresets::mail(std::int64_t mailBytes) {
    const std::int64_t room = mailBytes - kMailHeaders;
    if (room <= 0) return 0;
    const std::int64_t lines = room / (kLineChars + kLineEnd);
    const std::int64_t rest = room % (kLineChars + kLineEnd);
    // A last, shorter line: whole groups of 4 characters, then its CRLF.
    const std::int64_t lastLine = rest > kLineEnd ? (rest - kLineEnd) / 4 * 3 : 0;
    return lines * kLineBytes + lastLine;
}

}  // namespace qzcli
