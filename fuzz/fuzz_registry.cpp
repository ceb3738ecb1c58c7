// The POSIX layer's registry file: any text reads without fault, and what is
// read writes back to a text that reads the same.
#include <cstdio>
#include <cstdlib>

#include "regtext.h"

namespace {

bool sameKeys(const std::vector<mwp::RegKey> &a, const std::vector<mwp::RegKey> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t k = 0; k < a.size(); ++k) {
        if (a[k].path != b[k].path || a[k].values.size() != b[k].values.size())
            return false;
        for (size_t v = 0; v < a[k].values.size(); ++v) {
            const mwp::RegValue &x = a[k].values[v], &y = b[k].values[v];
            if (x.name != y.name || x.type != y.type || x.data != y.data)
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::vector<mwp::RegKey> keys = mwp::regParse(std::string(data, data + size));
    const std::string written = mwp::regFormat(keys);
    if (!sameKeys(keys, mwp::regParse(written))) {
        std::fprintf(stderr, "the registry reads back differently:\n%s", written.c_str());
        std::abort();
    }
    return 0;
}
