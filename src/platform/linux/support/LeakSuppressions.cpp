// Linked into programs only in sanitizer builds. GStreamer, GLib, libpulse and the codec libraries keep
// process-wide state (type system, plugin registry, caches, plugin threads) until the process ends; the leak
// checker is told not to report it.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libgstreamer-1.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgio-2.0.so\n"
           "leak:libpulse.so\n"
           "leak:libpulsecommon\n"
           "leak:/gstreamer-1.0/\n"
           "leak:libavcodec.so\n"
           "leak:libavutil.so\n";
}
