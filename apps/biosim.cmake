# biosim: the runtime program.
if(TARGET engine AND TARGET platform_sdl)
  add_executable(biosim ${CMAKE_CURRENT_SOURCE_DIR}/biosim.cpp)
  target_link_libraries(biosim PRIVATE makers sim engine world platform_sdl platform_headless platform CLI11::CLI11)
  bt_warnings(biosim)
endif()
