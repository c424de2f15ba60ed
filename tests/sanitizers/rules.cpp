// The sanitizers' rules and options, one set for every program the tests run: the test
// programs and the programs they start (conversion_child, and the application itself in a
// sanitizer build), so that a report in any of them means the same and fails its test.

// Programs that start children (ffmpeg, ffprobe, a message bus, the application) fork once
// threads run, which the thread sanitizer refuses by default.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options() { return "die_after_fork=0"; }
#endif

// The libraries below are not built with the thread sanitizer: their own memory accesses are
// invisible to it, but the calls they make into the C library (memcpy, free, ...) are seen,
// without the atomics and futexes that order them, so hand-overs of their buffers between their
// own threads look like races. called_from_lib drops exactly the calls made from one library
// (one rule each), also the locks they take, so a family whose members lock for each other
// (GLib, GObject, GStreamer and its plugins) is named whole. Our own code stays checked, also
// where it runs inside their callbacks: every main-queue task runs inside Qt's event loop.
// Never name a library with "race:": that hides every race one of whose stacks passes through
// it. Only used by thread-sanitizer builds.
extern "C" const char* __tsan_default_suppressions()
{
    return
        // Decoding, encoding, scaling, resampling and their frame threads.
        "called_from_lib:libavcodec.so\n"
        "called_from_lib:libavutil.so\n"
        "called_from_lib:libavformat.so\n"
        "called_from_lib:libswscale.so\n"
        "called_from_lib:libswresample.so\n"
        "called_from_lib:libx265.so\n"
        // Qt, its D-Bus thread's libdbus, its network thread's and the player's GLib.
        "called_from_lib:libQt6Core.so\n"
        "called_from_lib:libQt6Gui.so\n"
        "called_from_lib:libQt6Network.so\n"
        "called_from_lib:libQt6DBus.so\n"
        "called_from_lib:libdbus-1.so\n"
        "called_from_lib:libglib-2.0.so\n"
        "called_from_lib:libgobject-2.0.so\n"
        "called_from_lib:libgio-2.0.so\n"
        "called_from_lib:libgmodule-2.0.so\n"
        // The preview's player: Qt Multimedia and its GStreamer back end, GStreamer's
        // libraries and the plugins a playback loads, PulseAudio's client.
        "called_from_lib:libQt6Multimedia.so\n"
        "called_from_lib:libQt6MultimediaWidgets.so\n"
        "called_from_lib:libgstreamermediaplugin.so\n"
        "called_from_lib:libgstreamer-1.0.so\n"
        "called_from_lib:libgstbase-1.0.so\n"
        "called_from_lib:libgstvideo-1.0.so\n"
        "called_from_lib:libgstaudio-1.0.so\n"
        "called_from_lib:libgstpbutils-1.0.so\n"
        "called_from_lib:libgsttag-1.0.so\n"
        "called_from_lib:libgstapp-1.0.so\n"
        "called_from_lib:libgstallocators-1.0.so\n"
        "called_from_lib:libgstgl-1.0.so\n"
        "called_from_lib:libgstriff-1.0.so\n"
        "called_from_lib:libgstrtp-1.0.so\n"
        "called_from_lib:liborc-0.4.so\n"
        "called_from_lib:libgstcoreelements.so\n"
        "called_from_lib:libgstplayback.so\n"
        "called_from_lib:libgsttypefindfunctions.so\n"
        "called_from_lib:libgstisomp4.so\n"
        "called_from_lib:libgstlibav.so\n"
        "called_from_lib:libgstaudioparsers.so\n"
        "called_from_lib:libgstaudioconvert.so\n"
        "called_from_lib:libgstaudioresample.so\n"
        "called_from_lib:libgstvideoconvertscale.so\n"
        "called_from_lib:libgstvolume.so\n"
        "called_from_lib:libgstautodetect.so\n"
        "called_from_lib:libgstpulseaudio.so\n"
        "called_from_lib:libgstjack.so\n"
        "called_from_lib:libgstoss4.so\n"
        "called_from_lib:libgstossaudio.so\n"
        "called_from_lib:libgstvideo4linux2.so\n"
        "called_from_lib:libpulse.so\n"
        "called_from_lib:libpulsecommon-16.1.so\n"
        // glibc guards its time-zone state with an internal lock that is not instrumented
        // (local times are worked out on several threads).
        "race:tzset_internal\n";
}

// Allocations that uninstrumented libraries keep for the life of the process: x265's, those of
// the player's PulseAudio client and GLib, and the window data that Qt keeps for the offscreen
// platform. The rules name the libraries' own allocating functions, the frame right above
// malloc, so that a leak of ours is never covered by a library frame further down its stack:
// leak checking matches any frame, and libraries call into our code (the player's signals call
// the preview's slots, the offscreen platform delivers window events). Qt Multimedia and the
// offscreen platform keep nothing of their own: what is left of theirs is Qt's window data.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:x265::x265_malloc\n"
           "leak:pa_xmalloc\n"
           "leak:g_malloc\n"
           "leak:QPlatformBackingStore::QPlatformBackingStore\n"
           "leak:QBackingStore::QBackingStore\n"
           "leak:QRasterPaintEngine::\n"
           "leak:QImage::paintEngine\n"
           "leak:QImageData::create\n"
           "leak:QSurfaceFormat::QSurfaceFormat\n";
}
