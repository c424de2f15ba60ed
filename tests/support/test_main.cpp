#include <QApplication>
#include <gtest/gtest.h>

// The FFmpeg, x265 and Qt libraries are not built with the thread sanitizer: their decoder and scaler
// threads and their reference counts synchronise through atomics that it cannot see, so
// hand-overs of their buffers look like races. Only used by thread-sanitizer builds.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libavcodec.so\nrace:libavutil.so\nrace:libswscale.so\nrace:libswresample.so\n"
           "race:libavformat.so\nrace:libx265.so\nrace:libQt6Core.so\nrace:libQt6Gui.so\n"
           // Qt's network thread runs a GLib event loop, and glibc guards its time-zone state
           // with an internal lock (settings are read from two threads): neither is instrumented.
           "race:libQt6Network.so\nrace:libglib-2.0.so\nrace:tzset_internal\n"
           // Qt's D-Bus thread hands messages to libdbus, whose own locking it cannot see.
           "race:libdbus-1.so\nrace:libQt6DBus.so\n"
           // The player's audio output starts PulseAudio's client thread, which is not instrumented.
           "race:libpulsecommon-16.1.so\nrace:libpulse.so\nrace:libQt6Multimedia.so\n"
           // The preview's player decodes in GStreamer's own threads (its libav decoder among
           // them), which take their locks in orders and hand over buffers that it cannot see.
           "race:libgstreamer-1.0.so\nrace:libgstbase-1.0.so\nrace:libgstlibav.so\nrace:libgstcoreelements.so\nrace:libgstvideo-1.0.so\n"
           "deadlock:libgstreamer-1.0.so\ndeadlock:libgstbase-1.0.so\ndeadlock:libgstvideo-1.0.so\ndeadlock:libgstcoreelements.so\n"
           "deadlock:libgstlibav.so\ndeadlock:libavcodec.so\n";
}

// x265 keeps a few allocations for the life of the process, and so do the player's
// libraries (PulseAudio's client, GLib, Qt Multimedia) and Qt's offscreen platform, which
// keeps its native window data until the process ends.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libx265.so\nleak:libpulse.so\nleak:libglib-2.0.so\nleak:libQt6Multimedia.so\n"
           "leak:libqoffscreen.so\n";
}

// Every test program runs inside a real Qt application, so the main queue works.
int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
