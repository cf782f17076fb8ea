// The capture's frame pipe: frames reach a slow reader whole and in order however the ring
// wraps, and a reader that goes away fails the next hand-over instead of hanging it.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <thread>
#include <unistd.h>
#include <vector>

#include "host/frame_pipe.h"

namespace tw {
namespace {

TEST(FramePipe, FramesArriveWholeAndInOrderAndAGoneReaderFailsTheNextFrame) {
    std::signal(SIGPIPE, SIG_IGN);
    struct Case {
        size_t frameBytes;
        int slots, frames;
        int readerStopsAfter; // bytes read before the reader closes, -1 to read everything
    } cases[] = {
        {100'003, 4, 37, -1}, // more than a pipe's buffer: the writer blocks mid-frame
        {16, 1, 50, -1},      // one slot: every hand-over waits for the previous write
        {300'000, 3, 40, 500'000},
    };
    for (const Case& c : cases) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        std::vector<uint8_t> got;
        std::thread reader([&] {
            uint8_t buffer[4096];
            for (;;) {
                if (c.readerStopsAfter >= 0 && got.size() >= size_t(c.readerStopsAfter)) break;
                ssize_t n = read(fds[0], buffer, sizeof buffer);
                if (n <= 0) break;
                got.insert(got.end(), buffer, buffer + n);
            }
            close(fds[0]);
        });
        FramePipe p;
        ASSERT_TRUE(startFramePipe(p, fds[1], c.frameBytes, c.slots));
        std::vector<uint8_t> frame(c.frameBytes);
        int taken = 0;
        for (int n = 0; n < c.frames; ++n) {
            for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint8_t(n * 7 + i);
            if (!pushFrame(p, frame.data())) break;
            ++taken;
        }
        const bool drained = drainFramePipe(p);
        close(fds[1]);
        reader.join();
        if (c.readerStopsAfter < 0) {
            EXPECT_TRUE(drained);
            EXPECT_EQ(taken, c.frames);
            ASSERT_EQ(got.size(), c.frameBytes * c.frames);
            for (size_t i = 0; i < got.size(); ++i) {
                size_t n = i / c.frameBytes, at = i % c.frameBytes;
                ASSERT_EQ(got[i], uint8_t(n * 7 + at)) << "byte " << at << " of frame " << n;
            }
        } else {
            EXPECT_FALSE(drained);
            EXPECT_EQ(p.error, EPIPE);
            EXPECT_LT(taken, c.frames);
        }
        EXPECT_FALSE(pushFrame(p, frame.data())); // stopped: refuses, does not hang
    }
}

} // namespace
} // namespace tw
