#pragma once

#include <string>
#include <vector>

namespace testsupport {

// Every fixture that is a whole media file (not an image, not broken on purpose, not a copy
// under another name): what the check for a source cut short must let through.
inline const std::vector<std::string>& whole_media_fixtures()
{
    static const std::vector<std::string> names = {
        "h264_aac.mp4", "ntsc.mp4",       "video_only.mp4",   "one_frame.mp4",    "bframes.mp4",
        "tc.mov",       "tc_ntsc.mov",    "plain.mov",        "rot90.mov",        "rot180.mov",
        "rot270.mov",   "rot45.mov",      "skewed.mov",       "sar169.mp4",       "sar169_rot90.mov",
        "audio.m4a",    "tone.wav",       "tone.mp3",         "cover.mp3",        "two_audio.mov",
        "fps50.mp4",    "white_mjpeg.mov", "mono_stereo.mov", "clip.mkv",         "clip.webm",
        "clip.avi",     "hevc.mp4",       "prores.mov",       "long.mp4",         "long.mkv",
        "ten.mov",      "short_audio.mov", "short_video.mov", "short_audio.mkv",  "late_audio.mkv",
        "vfr.mp4",      "tiny.mp4",       "odd.mp4",          "hi10.mp4",         "faststart.mp4",
        "hd1080.mp4",   "hd1080_rot90.mov", "titled_partial.mp4", "raw.h264",
        // Whole files that a conversion shortens (a sound delay or hole closed up, subtitles
        // left out): the source is what is judged, not the output's length.
        "late_audio.avi", "late_audio.mp4", "late_audio.webm", "late_audio.flv", "gap_audio.mp4",
        "gap_audio.m4a",  "gap_audio.mkv",  "gap_audio.avi",   "gap_audio.flv",  "long_subtitles.mkv",
        // Whole files whose lengths in time are no declarations: timestamps that start late, a
        // last picture that lasts long, sizes and lengths left at a writer's placeholders.
        "live_offset.flv", "live_pipe.flv", "late.opus", "pipe.avi", "slides.flv", "slides_pipe.mkv",
        "slides_late.mkv", "slides_pipe.avi", "late_pipe.avi",
        // Sound with a cover picture, as ripped music is.
        "cover.flac", "cover.m4a",
    };
    return names;
}

}  // namespace testsupport
