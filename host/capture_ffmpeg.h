// Video capture: presented frames piped raw into an ffmpeg child, scaled up nearest-neighbour,
// encoded as H.264 (.mp4) or as a lossless FFV1 master (.mkv), with the soundtrack muxed in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/child_process.h"
#include "host/frame_pipe.h"
#include "host/output_file.h"
#include "host/platform.h"

namespace tw {

struct CaptureOptions {
    std::string path; // the video to write: "*.mp4" (H.264) or "*.mkv" (lossless)
    int fps = 60;     // frames per second of the video (and of the fixed-step clock)
    int scale = 4;    // whole, even upscale factor: 4:2:0 chroma stays inside pixels
};

// Checks the options before anything runs; returns an empty string when they are usable,
// otherwise one line saying what is wrong.
std::string checkCaptureOptions(const CaptureOptions& options);

// The ffmpeg argument lists, exposed so tests and --help can show what runs.
// Video pass: raw frames on standard input into `output` (no audio): Matroska when `output`
// ends in ".mkv", otherwise the container of options.path.
std::vector<std::string> ffmpegVideoArgs(const CaptureOptions& options, const std::string& output);
// Mux pass: the video stream copied as it is into `output` (in the container of
// options.path), with the WAV (if any) encoded alongside.
std::vector<std::string> ffmpegMuxArgs(const CaptureOptions& options, const std::string& video,
                                       const std::string& wav, const std::string& output);

// Checks a finished video with ffprobe: it exists, holds `frames` video packets (and an
// audio stream when `withSound`), and lasts frames / fps. False with a one-line reason.
bool checkVideo(const std::string& file, int64_t frames, int fps, bool withSound,
                std::string& error);

struct CaptureSink final : FrameSink {
    ~CaptureSink() override; // an open capture is abandoned
    // Hands the frame to the encoder (queued: a writer thread feeds the encoder while the
    // next frame is drawn). False when the encoder stopped taking frames; the reason is then
    // in `failure`.
    bool present(const Bitmap& frame) override;
    std::string error() const override { return failure; }

    CaptureOptions options;
    ChildProcess encoder;
    FramePipe frames;          // raw frames on their way to encoder.input
    PendingFile output;        // options.path, written under a temporary name until checked
    PendingFile video;         // the picture alone, when the soundtrack is muxed in afterwards
    std::string videoPath;     // where the encoder writes (one of the two temporaries)
    int64_t framesWritten = 0; // frames handed to the encoder
    std::string failure;       // one line: why the capture failed
};

// Starts the encoder. With `withAudio` the video goes to a temporary file next to
// options.path and finishCapture muxes the soundtrack in; without it the encoder writes the
// final video (under its temporary name). False with `sink.failure` set when ffmpeg cannot
// start.
bool openCapture(CaptureSink& sink, const CaptureOptions& options, bool withAudio);

// Ends the video (end of input), checks the encoder's exit, then, if the capture was opened
// with audio, muxes `wav` in (an empty `wav` then gives a silent video, with a note). The
// result is checked with checkVideo and only then renamed onto options.path. Removes the
// temporaries. False with `sink.failure` set on any failure; an earlier file at
// options.path is then untouched.
bool finishCapture(CaptureSink& sink, const std::string& wav);

// Stops a capture that failed: kills the encoder and removes the temporaries, keeps
// sink.failure.
void abandonCapture(CaptureSink& sink);

} // namespace tw
