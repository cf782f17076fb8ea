// The ffmpeg capture sink: raw BGRA frames down a pipe, checked at every write and at exit.
#include "host/capture_ffmpeg.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/report.h"

namespace tw {

namespace {

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;

bool endsWith(const std::string& s, const char* suffix) {
    size_t n = std::strlen(suffix);
    return s.size() > n && s.compare(s.size() - n, n, suffix) == 0;
}

bool lossless(const CaptureOptions& o) {
    return endsWith(o.path, ".mkv");
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
        // Limited-range BT.709 4:2:0, tagged so players convert it back the same way.
        a.insert(a.end(),
                 {"-vf", scale + ":out_color_matrix=bt709:out_range=tv,format=yuv420p", "-c:v",
                  "libx264", "-crf", "16", "-colorspace", "bt709", "-color_primaries", "bt709",
                  "-color_trc", "bt709", "-color_range", "tv"});
        if (endsWith(output, ".mp4")) a.insert(a.end(), {"-movflags", "+faststart"});
    }
    a.push_back(output);
    return a;
}

std::vector<std::string> ffmpegMuxArgs(const CaptureOptions& o, const std::string& video,
                                       const std::string& wav) {
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
    a.push_back(o.path);
    return a;
}

bool openCapture(CaptureSink& s, const CaptureOptions& options, bool withAudio) {
    s.options = options;
    s.failure = checkCaptureOptions(options);
    if (!s.failure.empty()) return false;
    // The video pass goes to a temporary in Matroska (it holds H.264 and FFV1 alike) when
    // the soundtrack is muxed afterwards.
    s.videoPath = withAudio ? options.path + ".video.mkv" : options.path;
    s.framesWritten = 0;
    return startChild(ffmpegVideoArgs(options, s.videoPath), true, s.encoder, s.failure);
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
    if (!writeAll(encoder.input, frame.pixels,
                  static_cast<size_t>(kFrameWidth) * kFrameHeight * 4)) {
        failure = errno == EPIPE
                      ? "ffmpeg stopped taking frames (see its message above)"
                      : format("cannot write a frame to ffmpeg: %s", std::strerror(errno));
        return false;
    }
    ++framesWritten;
    return true;
}

bool finishCapture(CaptureSink& s, const std::string& wav) {
    bool ok = finishChild(s.encoder, "ffmpeg", s.failure);
    if (ok && s.videoPath != s.options.path) {
        if (wav.empty()) {
            std::fprintf(stderr, "tarnwick: no soundtrack was rendered; the video is silent\n");
        }
        ok = runChild(ffmpegMuxArgs(s.options, s.videoPath, wav), s.failure);
        if (!ok) s.failure = "adding the soundtrack: " + s.failure;
    }
    if (s.videoPath != s.options.path) std::remove(s.videoPath.c_str());
    return ok;
}

void abandonCapture(CaptureSink& s) {
    std::string ignored;
    finishChild(s.encoder, "ffmpeg", ignored);
    if (!s.videoPath.empty() && s.videoPath != s.options.path) std::remove(s.videoPath.c_str());
}

} // namespace tw
