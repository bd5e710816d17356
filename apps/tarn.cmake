# tarn, the map builder: a thin main over the builder library and its SDL/ImGui window layer.
if(TARGET builder_sdl)
  add_executable(tarn ${CMAKE_CURRENT_SOURCE_DIR}/tarn.cpp)
  target_link_libraries(tarn PRIVATE builder_sdl CLI11::CLI11)
  bt_warnings(tarn)
endif()
