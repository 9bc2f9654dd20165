#pragma once

#include <cstddef>
#include <functional>

// Calls `work(index)` once for every index below `count`, on the calling
// thread and on one thread of Qt's global pool for each other core, and
// returns when every call has returned. Each thread starts on a run of
// consecutive indices of its own and then helps with the others' runs: the
// chunks of a window, in rows, are then copied by each core in bands of its
// own, which takes half as long as handing out neighbouring chunks to the
// cores in turn, as QtConcurrent::blockingMap does.
void forEachOnEveryCore(std::size_t count, const std::function<void(std::size_t index)>& work);
