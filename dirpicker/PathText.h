#pragma once
// File names are bytes; Qt's widgets hold text. A name crosses between the
// two here only, and comes back byte for byte: valid UTF-8 shows as what it
// says, and every byte that is no part of a valid UTF-8 sequence shows as the
// lone low surrogate U+DC00 + that byte, which no valid UTF-8 ever decodes
// to. Qt's own conversions put U+FFFD there, and the name is lost.

#include <QString>
#include <string>

namespace qzdirpicker {

class PathText {
public:
    // The text that shows the name whose bytes are path.
    static QString display(const std::string& path);
    // The bytes of the name text shows: those display() was given, for text
    // it made. Any other text is written as UTF-8, a lone surrogate it cannot
    // take back to one byte as U+FFFD.
    static std::string bytes(const QString& text);

    // The bytes of a path that Qt's own decoding of names gave (its file
    // dialog's): a component in which Qt put U+FFFD is matched against the
    // names of its folder, and is the one name there that Qt decodes to it;
    // without such a name it stays as Qt gave it.
    static std::string resolved(const QString& qtPath);
    // The process's working directory, as the bytes the system gives; empty
    // when it cannot be read (it was removed, say). Qt's own reading loses a
    // name that is no UTF-8.
    static std::string currentDirectory();

private:
    // The name in the folder dir (bytes) that Qt decodes to component.
    static std::string matchIn(const std::string& dir, const QString& component);
};

}  // namespace qzdirpicker
