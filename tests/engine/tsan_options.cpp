// Thread-sanitizer options of this test program (only in a -DSANITIZE=thread build): the
// output checks start ffprobe and ffmpeg as child processes, which the sanitizer refuses
// by default once threads run. (The FFmpeg suppressions are in the shared test main.)
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options() { return "die_after_fork=0"; }
#endif
