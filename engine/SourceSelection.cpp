#include "engine/SourceSelection.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "engine/Engine.h"
#include "engine/io/FileServices.h"
#include "engine/Host.h"

namespace qz {

namespace {

// m as plain decimal text: up to 15 significant digits, no trailing zeros,
// never an exponent, "." as the decimal point.
std::string plainDecimal(double m) {
    if (m == 0) return "0";
    // d.dddddddddddddde±x, "." whatever the locale says: to_chars never asks it.
    char buf[64];
    const auto end = std::to_chars(buf, buf + sizeof buf - 1, m, std::chars_format::scientific, 14).ptr;
    *end = '\0';
    std::string mant;
    for (const char* c = buf; *c && *c != 'e'; ++c)
        if (*c != '.') mant += *c;
    int exp = std::atoi(std::strchr(buf, 'e') + 1);
    while (mant.size() > 1 && mant.back() == '0') mant.pop_back();
    std::string t;
    if (exp < 0) {
        t = "0." + std::string(static_cast<std::size_t>(-exp - 1), '0') + mant;
    } else if (static_cast<std::size_t>(exp) + 1 >= mant.size()) {
        t = mant + std::string(static_cast<std::size_t>(exp) + 1 - mant.size(), '0');
    } else {
        t = mant.substr(0, static_cast<std::size_t>(exp) + 1) + "." +
            mant.substr(static_cast<std::size_t>(exp) + 1);
    }
    return t;
}

}  // namespace

void SourceSelection::adopt(Host& host, Engine& engine, const std::string& P,
                            const std::string& N) {
    host.setText3(P.substr(0, P.size() - N.size()));
    engine.adopt(N);
    host.setLabel3(sizeCaption(FileServices::GetFileSize(P)));
}

std::string SourceSelection::sizeCaption(std::int64_t bytes) {
    const std::string t = plainDecimal(static_cast<double>(bytes) / 1024 / 1024);
    const std::size_t p = t.find('.');
    if (p == std::string::npos) return t + " MB";
    if (p == 0) return std::string("0").append(t, 0, 3).append(" MB");
    return t.substr(0, p + 3) + " MB";
}

}  // namespace qz
