# Warnings are errors in every target of the project.
function(bt_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12's optimiser reports std::string and std::vector copies it has inlined as overlapping
    # or out of bounds (known false positives at -O2 and -O3). Real bounds are checked by the
    # AddressSanitizer build; Debug builds keep these warnings.
    target_compile_options(${target} PRIVATE
      $<$<NOT:$<CONFIG:Debug>>:-Wno-restrict -Wno-stringop-overflow -Wno-stringop-overread -Wno-array-bounds>)
  endif()
endfunction()
