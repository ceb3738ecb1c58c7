// POSIX regcomp and regexec over std::regex, for GoogleTest on Windows
// (regex/regex.h).
#include "regex/regex.h"

#include <cstdio>
#include <regex>

int regcomp(regex_t *expression, const char *pattern, int)
{
    try {
        expression->compiled = new std::regex(pattern, std::regex::extended);
        expression->re_nsub = static_cast<std::regex *>(expression->compiled)->mark_count();
        return 0;
    } catch (const std::regex_error &) {
        expression->compiled = nullptr;
        return REG_BADPAT;
    }
}

int regexec(const regex_t *expression, const char *text, size_t matches, regmatch_t *match, int)
{
    std::cmatch found;
    if (!expression->compiled ||
        !std::regex_search(text, found, *static_cast<std::regex *>(expression->compiled)))
        return REG_NOMATCH;
    if (matches > 0) {
        match[0].rm_so = static_cast<regoff_t>(found.position(0));
        match[0].rm_eo = static_cast<regoff_t>(found.position(0) + found.length(0));
    }
    return 0;
}

void regfree(regex_t *expression)
{
    delete static_cast<std::regex *>(expression->compiled);
    expression->compiled = nullptr;
}

size_t regerror(int code, const regex_t *, char *buffer, size_t size)
{
    const char *text = code == REG_NOMATCH ? "no match" : "bad pattern";
    if (size > 0)
        std::snprintf(buffer, size, "%s", text);
    return std::char_traits<char>::length(text) + 1;
}
