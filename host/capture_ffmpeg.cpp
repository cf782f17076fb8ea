// The ffmpeg capture sink: raw BGRA frames down a pipe, checked at every write and at exit.
#include "host/capture_ffmpeg.h"

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "base/report.h"

namespace tw {

namespace {

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
constexpr size_t kFrameBytes = static_cast<size_t>(kFrameWidth) * kFrameHeight * 4;
// Frames that may wait for the encoder: enough to ride out its uneven pace (x264 takes
// frames in bursts), few enough to stay small (1.2 MB).
constexpr int kQueuedFrames = 4;

bool endsWith(const std::string& s, const char* suffix) {
    size_t n = std::strlen(suffix);
    return s.size() > n && s.compare(s.size() - n, n, suffix) == 0;
}

bool lossless(const CaptureOptions& o) {
    return endsWith(o.path, ".mkv");
}

// The container is named, not guessed from the extension: temporaries end in ".part".
const char* muxerFor(const CaptureOptions& o) {
    return lossless(o) ? "matroska" : "mp4";
}

} // namespace

std::string checkCaptureOptions(const CaptureOptions& o) {
    if (!endsWith(o.path, ".mp4") && !endsWith(o.path, ".mkv")) {
        return format("--capture needs a file name ending in .mp4 (H.264) or .mkv (lossless), "
                      "not \"%s\"",
                      o.path.c_str());
    }
    if (o.fps < 1 || o.fps > 240) return format("--fps must be 1 to 240, not %d", o.fps);
    if (o.scale < 2 || o.scale > 16 || o.scale % 2 != 0) {
        return format("--scale for --capture must be an even number from 2 to 16 (so colour "
                      "stays inside each pixel), not %d",
                      o.scale);
    }
    return {};
}

std::vector<std::string> ffmpegVideoArgs(const CaptureOptions& o, const std::string& output) {
    std::string size = format("%dx%d", kFrameWidth, kFrameHeight);
    std::string scale = format("scale=iw*%d:ih*%d:flags=neighbor", o.scale, o.scale);
    std::vector<std::string> a = {"ffmpeg",      "-hide_banner",
                                  "-loglevel",   "error",
                                  "-nostdin",    "-y",
                                  "-f",          "rawvideo",
                                  "-pix_fmt",    "bgra",
                                  "-video_size", size,
                                  "-framerate",  std::to_string(o.fps),
                                  "-i",          "pipe:0"};
    if (lossless(o)) {
        // Exact pixels: FFV1 keeps 8-bit RGB; the alpha byte is dropped.
        a.insert(a.end(), {"-vf", scale + ",format=bgr0", "-c:v", "ffv1", "-level", "3"});
    } else {
        // Limited-range BT.709 4:2:0, tagged so players convert it back the same way. The
        // "superfast" preset encodes about 5 times faster than the default "medium", so a
        // capture keeps up with real time on two cores. The deblocking filter is off: it only
        // smears the sharp edges of the enlarged pixels, and without it the picture is closer
        // to the frames (higher PSNR and SSIM) than "medium" with it, at the same quality.
        a.insert(a.end(), {"-vf", scale + ":out_color_matrix=bt709:out_range=tv,format=yuv420p",
                           "-c:v", "libx264", "-preset", "superfast", "-crf", "16", "-x264-params",
                           "no-deblock=1", "-colorspace", "bt709", "-color_primaries", "bt709",
                           "-color_trc", "bt709", "-color_range", "tv"});
    }
    const char* muxer = endsWith(output, ".mkv") ? "matroska" : muxerFor(o);
    if (std::strcmp(muxer, "mp4") == 0) a.insert(a.end(), {"-movflags", "+faststart"});
    a.insert(a.end(), {"-f", muxer, output});
    return a;
}

std::vector<std::string> ffmpegMuxArgs(const CaptureOptions& o, const std::string& video,
                                       const std::string& wav, const std::string& output) {
    std::vector<std::string> a = {"ffmpeg",   "-hide_banner", "-loglevel", "error",
                                  "-nostdin", "-y",           "-i",        video};
    if (!wav.empty()) a.insert(a.end(), {"-i", wav});
    a.insert(a.end(), {"-map", "0:v:0"});
    if (!wav.empty()) a.insert(a.end(), {"-map", "1:a:0"});
    a.insert(a.end(), {"-c:v", "copy"});
    if (!wav.empty()) {
        if (lossless(o)) {
            a.insert(a.end(), {"-c:a", "flac"});
        } else {
            a.insert(a.end(), {"-c:a", "aac", "-b:a", "192k"});
        }
    }
    if (!lossless(o)) a.insert(a.end(), {"-movflags", "+faststart"});
    a.insert(a.end(), {"-f", muxerFor(o), output});
    return a;
}

bool checkVideo(const std::string& file, int64_t frames, int fps, bool withSound,
                std::string& error) {
    struct stat st {};
    if (stat(file.c_str(), &st) != 0 || st.st_size == 0) {
        error = "ffmpeg ended without an error but left no video";
        return false;
    }
    std::string out;
    if (!runChild({"ffprobe", "-v", "error", "-count_packets", "-show_entries",
                   "stream=codec_type,nb_read_packets:format=duration", "-of", "default=nw=1",
                   file},
                  error, &out)) {
        error = "cannot check the video: " + error;
        return false;
    }
    // Lines "key=value"; a stream's packet count follows its codec type.
    int64_t videoPackets = -1;
    bool audio = false, inVideo = false;
    double duration = -1;
    size_t start = 0;
    while (start < out.size()) {
        size_t end = out.find('\n', start);
        if (end == std::string::npos) end = out.size();
        std::string line = out.substr(start, end - start);
        start = end + 1;
        if (line == "codec_type=video") {
            inVideo = videoPackets < 0;
        } else if (line.rfind("codec_type=", 0) == 0) {
            audio = audio || line == "codec_type=audio";
            inVideo = false;
        } else if (line.rfind("nb_read_packets=", 0) == 0 && inVideo) {
            videoPackets = std::atoll(line.c_str() + 16);
        } else if (line.rfind("duration=", 0) == 0) {
            duration = std::atof(line.c_str() + 9);
        }
    }
    const double want = static_cast<double>(frames) / fps;
    if (videoPackets != frames) {
        error = videoPackets < 0
                    ? "ffmpeg wrote a file without a video stream"
                    : format("ffmpeg wrote %lld frames, not %lld",
                             static_cast<long long>(videoPackets), static_cast<long long>(frames));
    } else if (withSound && !audio) {
        error = "ffmpeg wrote a video without its soundtrack";
    } else if (!(std::fabs(duration - want) <= 0.1 + 1.0 / fps)) {
        error = format("ffmpeg wrote a video of %.3f s, not %.3f s", duration, want);
    } else {
        return true;
    }
    return false;
}

bool openCapture(CaptureSink& s, const CaptureOptions& options, bool withAudio) {
    s.options = options;
    s.failure = checkCaptureOptions(options);
    if (!s.failure.empty()) return false;
    // The video pass goes to a temporary in Matroska (it holds H.264 and FFV1 alike) when
    // the soundtrack is muxed afterwards.
    beginFile(s.output, options.path);
    if (withAudio) {
        beginFile(s.video, options.path, "video.mkv");
        s.videoPath = s.video.temp;
    } else {
        s.videoPath = s.output.temp;
    }
    s.framesWritten = 0;
    if (startChild(ffmpegVideoArgs(options, s.videoPath), true, s.encoder, s.failure)) {
        if (startFramePipe(s.frames, s.encoder.input, kFrameBytes, kQueuedFrames)) return true;
        s.failure = "cannot start the thread that feeds ffmpeg";
        kill(s.encoder.pid, SIGKILL);
        std::string ignored;
        finishChild(s.encoder, "ffmpeg", ignored);
    }
    discardFile(s.video);
    discardFile(s.output);
    return false;
}

namespace {

// The failure of a write to the encoder: when it stopped reading, its exit and its last words
// say why. The encoder has then ended or is ending, so it is waited for.
std::string writeFailure(CaptureSink& s, int error) {
    if (error != EPIPE) return format("cannot write a frame to ffmpeg: %s", std::strerror(error));
    std::string why = "ffmpeg stopped reading frames";
    if (!finishChild(s.encoder, "ffmpeg", why)) why = "ffmpeg stopped reading frames: " + why;
    return why;
}

} // namespace

CaptureSink::~CaptureSink() {
    if (frames.writer.joinable() || encoder.pid > 0) abandonCapture(*this);
}

bool CaptureSink::present(const Bitmap& frame) {
    if (encoder.input < 0) {
        if (failure.empty()) failure = "the capture is not open";
        return false;
    }
    if (frame.width != kFrameWidth || frame.height != kFrameHeight ||
        !frame.holds(kFrameWidth * kFrameHeight)) {
        failure = format("a frame of %dx%d cannot be captured (needs %dx%d)", frame.width,
                         frame.height, kFrameWidth, kFrameHeight);
        return false;
    }
    // Pixel words are 0xAARRGGBB in memory order B, G, R, A: exactly ffmpeg's "bgra".
    if (!pushFrame(frames, frame.pixels)) {
        stopFramePipe(frames);
        failure = writeFailure(*this, frames.error);
        return false;
    }
    ++framesWritten;
    return true;
}

bool finishCapture(CaptureSink& s, const std::string& wav) {
    // Every queued frame goes to the encoder before its input is closed.
    bool ok = drainFramePipe(s.frames);
    if (!ok) {
        s.failure = writeFailure(s, s.frames.error);
    } else {
        ok = finishChild(s.encoder, "ffmpeg", s.failure);
    }
    if (ok && !s.video.temp.empty()) {
        if (wav.empty()) {
            std::fprintf(stderr, "tarnwick: no soundtrack was rendered; the video is silent\n");
        }
        ok = runChild(ffmpegMuxArgs(s.options, s.video.temp, wav, s.output.temp), s.failure);
        if (!ok) s.failure = "adding the soundtrack: " + s.failure;
    }
    discardFile(s.video);
    ok = ok && checkVideo(s.output.temp, s.framesWritten, s.options.fps, !wav.empty(), s.failure);
    ok = ok && commitFile(s.output, s.failure);
    discardFile(s.output);
    return ok;
}

void abandonCapture(CaptureSink& s) {
    // Nothing of it is kept, so the encoder need not finish its file.
    if (s.encoder.pid > 0) kill(s.encoder.pid, SIGKILL);
    stopFramePipe(s.frames); // a write in progress fails now that the encoder is gone
    std::string ignored;
    finishChild(s.encoder, "ffmpeg", ignored);
    discardFile(s.video);
    discardFile(s.output);
}

} // namespace tw
