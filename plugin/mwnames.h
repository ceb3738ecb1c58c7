/*
 * mwnames.h - name comparison shared by the plug-in manager and the blit
 * library (internal).
 */
#ifndef MW_PLUGIN_MWNAMES_H
#define MW_PLUGIN_MWNAMES_H

#include <cctype>
#include <cstddef>

/* Equal without regard to ASCII case over at most limit characters; names
 * in plug-in records need not be terminated when they fill their field. */
inline bool mwSameName(const char *a, const char *b, size_t limit)
{
    for (size_t i = 0; i < limit; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return false;
        if (ca == 0)
            return true;
    }
    return true;
}

#endif
