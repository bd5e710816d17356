# Libraries come from Debian packages (see scripts/deps.sh).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(SDL2_IMAGE REQUIRED IMPORTED_TARGET SDL2_image)
pkg_check_modules(SDL2_MIXER REQUIRED IMPORTED_TARGET SDL2_mixer)
pkg_check_modules(SDL2_TTF REQUIRED IMPORTED_TARGET SDL2_ttf)
pkg_check_modules(IMGUI IMPORTED_TARGET imgui)
find_package(CURL REQUIRED)
find_package(nlohmann_json 3 REQUIRED) # JSON: the dump and every JSON reader and writer
find_package(CLI11 CONFIG REQUIRED)     # both programs' command-line options
find_package(GTest)
pkg_check_modules(CPPHTTPLIB IMPORTED_TARGET cpp-httplib) # HTTP server inside tests
find_package(benchmark QUIET)

# Dear ImGui's SDL2 and SDL_Renderer backends ship only as sources in the Debian package.
set(BT_IMGUI_BACKENDS /usr/share/doc/libimgui-dev/examples/backends)
