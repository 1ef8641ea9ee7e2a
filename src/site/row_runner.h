#pragma once

#include <cstddef>
#include <functional>

namespace quelvar::site {

// The most workers a run starts, whatever it is asked for: a thousand rows
// side by side, each one's descriptors and the thread's stack within what a
// machine gives a program (the descriptor limit is raised for them).
inline constexpr std::size_t kMaxWorkers = 1024;
// The descriptors one row holds at most at once (the status and search
// sockets of a probe, the IP-SETUP socket, the monitor connection, its log).
inline constexpr std::size_t kDescriptorsPerRow = 6;
// A row's thread waits in socket calls and sleeps, with a few kilobytes of
// buffers on its stack: far less than a system's default stack.
inline constexpr std::size_t kRowStackBytes = 512 * 1024;

// Works through `count` rows, `jobs` at a time (0: one worker per row), each
// row on a thread of its own that waits in plain blocking calls and sleeps:
// `row(index)` for every index, in order of starting. `watch()` runs on the
// calling thread about ten times a second until every row has ended (to
// show progress, or to answer Ctrl+C). Returns the number of workers it ran:
// fewer than asked when the system would not start more threads (the rows
// are taken by those there are), one on the calling thread when it started
// none. The soft limit of open descriptors is raised, where the system
// allows, for that many rows at once.
std::size_t RunRows(std::size_t count, unsigned jobs, const std::function<void(std::size_t)>& row,
                    const std::function<void()>& watch);

}  // namespace quelvar::site
