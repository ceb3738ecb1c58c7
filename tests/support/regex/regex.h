/*
 * regex.h - the part of POSIX <regex.h> that GoogleTest uses, for Windows
 * test programs, over std::regex's POSIX extended grammar. Without it the
 * Windows build of GoogleTest matches death test messages with its "simple"
 * expressions, which lack bracket expressions, intervals and alternatives.
 * Test support only (tests/support/regex_support.cpp).
 */
#ifndef MW_TESTS_SUPPORT_REGEX_H
#define MW_TESTS_SUPPORT_REGEX_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define REG_EXTENDED 1
#define REG_NOMATCH 1
#define REG_BADPAT 2

typedef struct {
    void *compiled; /* the std::regex, or NULL after a failed regcomp */
    size_t re_nsub;
} regex_t;

typedef long regoff_t;
typedef struct {
    regoff_t rm_so;
    regoff_t rm_eo;
} regmatch_t;

/* 0, or REG_BADPAT for a pattern that is not an extended expression. */
int regcomp(regex_t *expression, const char *pattern, int flags);
/* 0 when the expression matches somewhere in text, else REG_NOMATCH; the
 * first of the matches entries gets the whole match. */
int regexec(const regex_t *expression, const char *text, size_t matches, regmatch_t *match, int flags);
void regfree(regex_t *expression);
size_t regerror(int code, const regex_t *expression, char *buffer, size_t size);

#ifdef __cplusplus
}
#endif

#endif
