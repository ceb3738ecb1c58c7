// The headless back end: windows are their surfaces in memory, nothing is
// shown, and window events come only from mwPlatformInjectWindowEvent.
#include "backend.h"

namespace mwp {
namespace {

class HeadlessBackend final : public Backend {
public:
    bool headless() const override { return true; }

    bool create(Wnd &window, int width, int height) override
    {
        window.width = width;
        window.height = height;
        return true;
    }

    void destroy(Wnd &) override {}
    void show(Wnd &, bool) override {}
    void present(Wnd &, const RECT &) override {}
    int eventDescriptor() override { return -1; }
    void pump() override {}
    void systemAction(int, LPARAM) override {}
    unsigned long nativeId(Wnd &) override { return 0; }
};

} // namespace

std::unique_ptr<Backend> makeHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

} // namespace mwp
