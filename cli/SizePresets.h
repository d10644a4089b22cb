#pragma once
// The words --max-size takes for a size that fits where the slices go: a
// FAT32 stick, a CD, a DVD, a double-layer DVD, a BD, and a mail of a given
// size once base64 has made the slice a third larger. Each medium's number
// is its capacity less what its file system needs; SizePresets.cpp tells
// how each was found.

#include <cstdint>
#include <optional>
#include <string>

namespace qzcli {

class SizePresets {
public:
    // The bytes a slice may have on the medium word names ("fat32", "cd",
    // "dvd", "dvd-dl", "bd"); nothing for any other word.
    static std::optional<std::int64_t> medium(const std::string& word);
    // The most bytes a slice may have so that it fits a mail of at most
    // mailBytes once encoded: base64 in lines of 76 characters and CRLF,
    // beside kMailHeaders bytes of headers; 0 when not even one line fits.
    static std::int64_t mail(std::int64_t mailBytes);

    // What a mail holds beside the encoded slice: its own headers (From, To,
    // Subject, Date, Message-ID, a few Received lines on the way), the MIME
    // boundaries and the attachment's part headers with its file name.
    // 4 KiB holds them with room to spare; a longer Received chain is rare.
    static constexpr std::int64_t kMailHeaders = 4096;
};

}  // namespace qzcli
