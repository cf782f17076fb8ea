// Frames handed to a writer thread that writes them down a pipe, so the next frame is drawn
// while the reader (an encoder) is still busy: a bounded ring of preallocated frame slots.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace tw {

struct FramePipe {
    FramePipe() = default;
    FramePipe(const FramePipe&) = delete;
    FramePipe& operator=(const FramePipe&) = delete;
    ~FramePipe(); // stops the writer; the reader must have ended or be reading

    int fd = -1;               // where the frames go (not owned: the caller closes it)
    size_t frameBytes = 0;     // the size of one frame
    int slotCount = 0;         // how many frames may wait
    std::vector<uint8_t> ring; // slotCount frames, allocated once at start

    // Shared with the writer thread, under `lock`.
    std::mutex lock;
    std::condition_variable changed;
    int64_t queued = 0;    // frames handed over so far
    int64_t written = 0;   // frames written whole so far
    bool closing = false;  // no more frames come: write what is queued, then stop
    bool dropping = false; // stop at once, drop what is queued
    int error = 0;         // errno of the write that failed (the writer then stops), else 0
    std::thread writer;
};

// Allocates `slots` frame slots and starts the writer thread on `fd`. The thread blocks
// SIGINT, SIGTERM and SIGHUP, so an interrupt is handled on the calling thread. False (with
// nothing started) when the thread cannot start.
bool startFramePipe(FramePipe& pipe, int fd, size_t frameBytes, int slots);

// Copies one frame into a free slot, waiting while every slot is full. False, with
// pipe.error set, once a write has failed; the frame is then not taken.
bool pushFrame(FramePipe& pipe, const void* frame);

// Waits until every queued frame is written and stops the writer. False with pipe.error set
// when a write failed. Safe on a pipe that never started.
bool drainFramePipe(FramePipe& pipe);

// Stops the writer without writing what is still queued. A write in progress is left to
// finish or fail, so the reader must have been killed (or be reading) first.
void stopFramePipe(FramePipe& pipe);

} // namespace tw
