// Thread-sanitizer options of the app test program (only in a -DSANITIZE=thread build): the
// shell's tests start the application itself and a private message bus as child processes,
// and the batch tests start ffmpeg, which the sanitizer refuses by default once threads run.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options() { return "die_after_fork=0"; }
#endif
