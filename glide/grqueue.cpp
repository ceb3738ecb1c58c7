// grqueue.cpp - the record list, the bands and the worker threads.
#include "grqueue.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace gr {

namespace {

// Records between two drains; a full list is drawn before more are taken.
constexpr int kCapacity = 1024;
// Primitives below this many pixels are drawn at once when nothing waits.
constexpr int64_t kSmallPixels = 4096;
// Recorded pixels that make it worth waking the workers.
constexpr int64_t kWakePixels = 16384;

struct alignas(64) Band {
    // Records drawn into this band: every index below it. Written by the
    // thread holding the band, read by all.
    std::atomic<uint64_t> done{0};
    std::atomic<bool> busy{false};
    int rowFirst = 0, rowLast = 0;
    Counters counters; // touched only by the thread holding the band
};

struct Queue {
    int threads = 1;
    std::vector<std::thread> workers;
    std::unique_ptr<Band[]> bands;
    int bandCount = 0;

    // Records live in a ring: index i in slot i % kCapacity. Indices only grow,
    // so a band's done count is never confused across drains.
    std::unique_ptr<Primitive[]> records;
    std::unique_ptr<Pipeline[]> pipelines; // at most one per record
    std::atomic<uint64_t> published{0};
    uint64_t drained = 0;  // records before this are drawn everywhere
    int pipelinesUsed = 0; // since the last drain
    uint64_t lastPipelineId = 0;
    uint32_t lastPipelineVersion = 0;
    int64_t unwokenPixels = 0;

    std::mutex lock;
    std::condition_variable wake;    // workers wait here for records
    std::condition_variable settled; // the draining thread waits here for bands
    uint64_t wakes = 0;              // guarded by lock
    bool stopping = false;           // guarded by lock
    std::atomic<int> waitingForBands{0};
};

Queue g_queue;

bool claim(Band &band) { return !band.busy.exchange(true, std::memory_order_acquire); }

// Draws every record the band has not seen; returns false when there were none.
bool drawBand(Queue &q, Band &band, Block &blk)
{
    const uint64_t end = q.published.load(std::memory_order_acquire);
    uint64_t i = band.done.load(std::memory_order_relaxed);
    if (i >= end)
        return false;
    for (; i < end; ++i) {
        const Primitive &prim = q.records[i % kCapacity];
        const int from = prim.rowFirst > band.rowFirst ? prim.rowFirst : band.rowFirst;
        const int to = prim.rowLast < band.rowLast ? prim.rowLast : band.rowLast;
        if (from <= to)
            drawRows(prim, blk, from, to, band.counters);
    }
    band.done.store(end, std::memory_order_release);
    return true;
}

// Takes bands with records waiting until there are none; the first band
// tried is `start`, so threads begin apart. Returns whether anything was drawn.
bool drawBands(Queue &q, Block &blk, int start)
{
    bool any = false, found = true;
    while (found) {
        found = false;
        for (int n = 0; n < q.bandCount; ++n) {
            Band &band = q.bands[(start + n) % q.bandCount];
            if (band.done.load(std::memory_order_acquire) >= q.published.load(std::memory_order_acquire))
                continue;
            if (!claim(band))
                continue;
            found = drawBand(q, band, blk) || found;
            // Sequentially consistent with the drainer's count and check, so
            // one of the two always sees the other.
            band.busy.store(false);
            if (q.waitingForBands.load()) {
                std::lock_guard<std::mutex> hold(q.lock);
                q.settled.notify_all();
            }
        }
        any = any || found;
    }
    return any;
}

void workerLoop(Queue &q, int index)
{
    auto blk = std::make_unique<Block>();
    uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> hold(q.lock);
            q.wake.wait(hold, [&] { return q.stopping || q.wakes != seen; });
            if (q.stopping)
                return;
            seen = q.wakes;
        }
        drawBands(q, *blk, index * q.bandCount / q.threads);
    }
}

bool allDrawn(Queue &q, uint64_t end)
{
    for (int n = 0; n < q.bandCount; ++n)
        if (q.bands[n].done.load() < end || q.bands[n].busy.load())
            return false;
    return true;
}

void wakeWorkers(Queue &q)
{
    q.unwokenPixels = 0;
    std::lock_guard<std::mutex> hold(q.lock);
    ++q.wakes;
    q.wake.notify_all();
}

Block &callerBlock()
{
    static Block blk;
    return blk;
}

} // namespace

void queueStart(int threads, int rows)
{
    Queue &q = g_queue;
    queueStop();
    q.threads = threads;
    if (threads < 2)
        return;
    q.bandCount = (rows + kBandRows - 1) / kBandRows;
    q.bands = std::make_unique<Band[]>(size_t(q.bandCount));
    for (int n = 0; n < q.bandCount; ++n) {
        q.bands[n].rowFirst = n * kBandRows;
        q.bands[n].rowLast = n * kBandRows + kBandRows - 1;
    }
    q.records = std::make_unique<Primitive[]>(kCapacity);
    q.pipelines = std::make_unique<Pipeline[]>(kCapacity);
    q.published.store(0);
    q.drained = 0;
    q.pipelinesUsed = 0;
    q.lastPipelineId = 0;
    q.stopping = false;
    for (int i = 1; i < threads; ++i)
        q.workers.emplace_back(workerLoop, std::ref(q), i);
}

void queueStop()
{
    Queue &q = g_queue;
    if (q.workers.empty())
        return;
    queueDrain();
    {
        std::lock_guard<std::mutex> hold(q.lock);
        q.stopping = true;
        q.wake.notify_all();
    }
    for (std::thread &t : q.workers)
        t.join();
    q.workers.clear();
    q.bands.reset();
    q.records.reset();
    q.pipelines.reset();
    q.bandCount = 0;
    q.threads = 1;
}

bool queueTakes(int64_t pixels)
{
    const Queue &q = g_queue;
    return !q.workers.empty() &&
           (q.published.load(std::memory_order_relaxed) > q.drained || pixels >= kSmallPixels);
}

void queueRecord(Primitive prim, const Pipeline *pipeline)
{
    Queue &q = g_queue;
    if (q.published.load(std::memory_order_relaxed) - q.drained >= uint64_t(kCapacity))
        queueDrain();
    if (pipeline) {
        if (q.pipelinesUsed == 0 || pipeline->id != q.lastPipelineId ||
            pipeline->version != q.lastPipelineVersion) {
            q.pipelines[q.pipelinesUsed++] = *pipeline;
            q.lastPipelineId = pipeline->id;
            q.lastPipelineVersion = pipeline->version;
        }
        prim.pipeline = &q.pipelines[q.pipelinesUsed - 1];
    }
    const uint64_t index = q.published.load(std::memory_order_relaxed);
    q.records[index % kCapacity] = prim;
    q.published.store(index + 1, std::memory_order_release);
    const int64_t rows = prim.rowLast - prim.rowFirst + 1;
    const int64_t columns = prim.kind == Primitive::kTriangle
                                ? prim.triangle.clipMaxX - prim.triangle.clipMinX
                            : prim.kind == Primitive::kClear ? prim.clear.x1 - prim.clear.x0
                                                             : 1;
    q.unwokenPixels += rows * columns;
    if (q.unwokenPixels >= kWakePixels)
        wakeWorkers(q);
}

void queueDrain()
{
    Queue &q = g_queue;
    const uint64_t end = q.published.load(std::memory_order_relaxed);
    if (q.workers.empty() || end == q.drained)
        return;
    wakeWorkers(q);
    drawBands(q, callerBlock(), 0);
    if (!allDrawn(q, end)) {
        q.waitingForBands.fetch_add(1);
        std::unique_lock<std::mutex> hold(q.lock);
        q.settled.wait(hold, [&] { return allDrawn(q, end); });
        q.waitingForBands.fetch_sub(1);
    }
    Board &b = board();
    for (int n = 0; n < q.bandCount; ++n) {
        b.counters += q.bands[n].counters;
        q.bands[n].counters = {};
    }
    for (int i = 0; i < q.pipelinesUsed; ++i)
        q.pipelines[i] = Pipeline{}; // lets go of the textures they read
    q.pipelinesUsed = 0;
    q.drained = end;
}

} // namespace gr
