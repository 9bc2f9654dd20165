#include "render/everycore.h"

#include <QFuture>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

void forEachOnEveryCore(std::size_t count, const std::function<void(std::size_t index)>& work)
{
    const std::size_t runners = std::min(count, std::size_t(std::max(1, QThread::idealThreadCount())));
    if (runners <= 1) {
        for (std::size_t index = 0; index < count; ++index)
            work(index);
        return;
    }
    // A run of indices for each thread, taken from its front.
    struct Block
    {
        std::atomic<std::size_t> next;
        std::size_t end;
    };
    const std::unique_ptr<Block[]> blocks(new Block[runners]);
    for (std::size_t r = 0; r < runners; ++r) {
        blocks[r].next = count * r / runners;
        blocks[r].end = count * (r + 1) / runners;
    }
    const auto run = [&](std::size_t runner) {
        for (std::size_t n = 0; n < runners; ++n) {
            Block& block = blocks[(runner + n) % runners];
            for (std::size_t index = block.next++; index < block.end; index = block.next++)
                work(index);
        }
    };
    std::vector<QFuture<void>> helpers;
    helpers.reserve(runners - 1);
    for (std::size_t r = 1; r < runners; ++r)
        helpers.push_back(QtConcurrent::run(run, r));
    run(0);
    // A helper that has not started yet is run here, and finds nothing left.
    for (QFuture<void>& helper : helpers)
        helper.waitForFinished();
}
