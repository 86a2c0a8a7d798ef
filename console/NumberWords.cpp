// Strict number words for the commands that take numbers. strtod and strtol
// do the reading; a word counts only when they read all of it, so "7q" or
// "1,5" is refused instead of running with part of what was typed.
#include "console/NumberWords.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "console/CommandOutcome.h"

namespace {

// strtod and strtol skip leading white space; a word holding any is no number.
bool startsLikeNumber(const char* word) {
    return word && word[0] != '\0' && !std::isspace(static_cast<unsigned char>(word[0]));
}

}  // namespace

bool parseNumber(const char* word, double& value) {
    if (startsLikeNumber(word)) {
        char* end = nullptr;
        const double read = std::strtod(word, &end);
        // Values too small to hold read as zero or a tiny number: still finite, kept.
        if (*end == '\0' && std::isfinite(read)) {
            value = read;
            return true;
        }
    }
    CommandOutcome::report(stdout, "not a number: '%s'\n", word ? word : "");
    return false;
}

bool parseWhole(const char* word, int& value) {
    if (startsLikeNumber(word)) {
        char* end = nullptr;
        errno = 0;
        const long read = std::strtol(word, &end, 10);
        if (*end == '\0' && errno != ERANGE && read >= INT_MIN && read <= INT_MAX) {
            value = static_cast<int>(read);
            return true;
        }
    }
    CommandOutcome::report(stdout, "not a whole number: '%s'\n", word ? word : "");
    return false;
}
