// The frame pipe's writer thread: takes slots in order, writes each whole, reports the
// first failure and stops.
#include "host/frame_pipe.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <pthread.h>
#include <system_error>

#include "host/child_process.h"

namespace tw {

namespace {

void writeFrames(FramePipe& p) {
    std::unique_lock<std::mutex> hold(p.lock);
    for (;;) {
        p.changed.wait(hold, [&] { return p.dropping || p.closing || p.written < p.queued; });
        if (p.dropping || p.written == p.queued) return; // closing with nothing left
        const uint8_t* slot =
            p.ring.data() + static_cast<size_t>(p.written % p.slotCount) * p.frameBytes;
        // The slot stays ours until `written` moves past it, so it is written unlocked.
        hold.unlock();
        const bool ok = writeAll(p.fd, slot, p.frameBytes);
        const int why = errno;
        hold.lock();
        if (!ok) {
            p.error = why != 0 ? why : EIO;
            p.changed.notify_all();
            return;
        }
        ++p.written;
        p.changed.notify_all();
    }
}

void joinWriter(FramePipe& p) {
    if (p.writer.joinable()) p.writer.join();
}

} // namespace

FramePipe::~FramePipe() {
    stopFramePipe(*this);
}

bool startFramePipe(FramePipe& p, int fd, size_t frameBytes, int slots) {
    p.fd = fd;
    p.frameBytes = frameBytes;
    p.slotCount = slots;
    p.ring.assign(frameBytes * static_cast<size_t>(slots), 0);
    p.queued = p.written = 0;
    p.closing = p.dropping = false;
    p.error = 0;
    // The thread starts with the interrupt signals blocked (it inherits this thread's mask),
    // so the clean-up handler always runs on the thread that started it.
    sigset_t interrupts, old;
    sigemptyset(&interrupts);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupts, sig);
    pthread_sigmask(SIG_BLOCK, &interrupts, &old);
    bool started = true;
    try {
        p.writer = std::thread(writeFrames, std::ref(p));
    } catch (const std::system_error&) {
        started = false;
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return started;
}

bool pushFrame(FramePipe& p, const void* frame) {
    std::unique_lock<std::mutex> hold(p.lock);
    if (!p.writer.joinable() || p.closing || p.dropping) {
        if (p.error == 0) p.error = EBADF; // not started, or already stopped
        return false;
    }
    p.changed.wait(hold, [&] { return p.error != 0 || p.queued - p.written < p.slotCount; });
    if (p.error != 0) return false;
    uint8_t* slot = p.ring.data() + static_cast<size_t>(p.queued % p.slotCount) * p.frameBytes;
    // The writer never touches a slot at or past `queued`, so it is filled unlocked.
    hold.unlock();
    std::memcpy(slot, frame, p.frameBytes);
    hold.lock();
    ++p.queued;
    p.changed.notify_all();
    return true;
}

bool drainFramePipe(FramePipe& p) {
    {
        std::lock_guard<std::mutex> hold(p.lock);
        p.closing = true;
        p.changed.notify_all();
    }
    joinWriter(p);
    return p.error == 0;
}

void stopFramePipe(FramePipe& p) {
    {
        std::lock_guard<std::mutex> hold(p.lock);
        p.dropping = true;
        p.changed.notify_all();
    }
    joinWriter(p);
}

} // namespace tw
