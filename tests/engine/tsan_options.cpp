// Thread-sanitizer settings of this test program (only in a -DSANITIZE=thread build).
// The FFmpeg libraries are not instrumented: the atomics of their reference counts are
// invisible to the sanitizer, so every frame handed from a decoder thread to another
// thread would read as a race.
// The output checks start ffprobe and ffmpeg as child processes, which the sanitizer
// refuses by default once threads run.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options() { return "die_after_fork=0"; }
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libavutil.so\n"
           "race:libavcodec.so\n"
           "race:libavformat.so\n"
           "race:libswscale.so\n"
           "race:libswresample.so\n";
}
#endif
