#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

namespace quelvar::platform::fibers {

// A site's worth of modules side by side, each waiting on its connection
// most of the time: a thread each would wake the machine for every answer
// and every pause of every module, one context switch at a time. Fibers run
// the same blocking code many to a thread instead: where a socket call, a
// pause or a file's flush would block, the fiber steps aside, and one wait
// of the thread (epoll) serves every connection and pause that is due.
//
// The socket calls, platform::sleepFor and Offload know when they run on a
// fiber; everything else runs as it would on a thread. A fiber must not
// wait (socket, pause, Offload) while it holds a lock another fiber of its
// thread may take. POSIX only: elsewhere Supported() is false and callers
// use threads.
bool Supported();

// True on a fiber of Run.
bool OnFiber();

using TimePoint = std::chrono::steady_clock::time_point;

// Runs `task(index)` for every index below `count`, at most `concurrent` at
// once, each on a fiber of the calling thread, in order of starting; returns
// once every task has returned. `tick()` runs on the calling thread about
// every `tickEvery` while tasks run (between fibers, never during one).
// False, with nothing run, where the thread's wait cannot be set up (no
// descriptor left for it): the caller then runs the tasks as it would
// without fibers.
bool Run(std::size_t count, std::size_t concurrent, const std::function<void(std::size_t)>& task,
         const std::function<void()>& tick, std::chrono::milliseconds tickEvery);

// On a fiber: steps aside until the descriptor can be read (or written,
// `forWriting`) or `deadline` has come; true when it can. Only the socket
// calls use this.
bool WaitForDescriptor(int descriptor, bool forWriting, TimePoint deadline);

// On a fiber: steps aside until `deadline`.
void SleepUntil(TimePoint deadline);

// Runs `work` where it may block the thread (a file's flush to disk): on a
// fiber, on a helper thread while the fiber steps aside; elsewhere at once.
void Offload(const std::function<void()>& work);

}  // namespace quelvar::platform::fibers
