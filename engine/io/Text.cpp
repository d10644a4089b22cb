#include "engine/io/Text.h"

#include <libintl.h>

namespace qz {

namespace {

std::string filled(const char* pattern, std::initializer_list<std::string> args) {
    std::string text;
    for (const char* p = pattern; *p; ++p) {
        const std::size_t k = p[1] >= '1' && p[1] <= '9' ? static_cast<std::size_t>(p[1] - '1') : 9;
        if (*p == '%' && k < args.size()) {
            text += args.begin()[k];
            ++p;
        } else {
            text += *p;
        }
    }
    return text;
}

}  // namespace

const char* tr(const char* msgid) { return ::dgettext(kTextDomain, msgid); }

std::string tr(const char* msgid, std::initializer_list<std::string> args) {
    return filled(tr(msgid), args);
}

std::string trn(const char* singular, const char* plural, unsigned long n,
                std::initializer_list<std::string> args) {
    return filled(::dngettext(kTextDomain, singular, plural, n), args);
}

}  // namespace qz
