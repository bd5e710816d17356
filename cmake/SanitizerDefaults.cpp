// Default options of the sanitizer runtimes, linked into every program of the sanitizer build.
// The programs install their own fatal-signal handler (the error trap), so AddressSanitizer must
// let them; leaks inside the system's graphics, sound and font libraries are not ours to fix.
extern "C" const char* __asan_default_options() {
    return "allow_user_segv_handler=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1";
}

extern "C" const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libSDL2\n"
           "leak:libX11\n"
           "leak:libxcb\n"
           "leak:libdbus\n"
           "leak:libfontconfig\n"
           "leak:libfreetype\n"
           "leak:libasound\n"
           "leak:libpulse\n"
           "leak:libGLX\n"
           "leak:libGL\n"
           "leak:libEGL\n"
           "leak:libLLVM\n"
           "leak:swrast_dri\n"
           "leak:libgallium\n"
           "leak:libglib\n"
           "leak:libgobject\n"
           "leak:libtiff\n"
           "leak:libSDL2_mixer\n"
           "leak:libSDL2_ttf\n"
           "leak:libSDL2_image\n";
}

// Libraries that SDL opens at run time (audio and video drivers) stay loaded: the leak report can
// then name them, and the suppressions above match. The process ends soon after anyway.
extern "C" int dlclose(void*) {
    return 0;
}
