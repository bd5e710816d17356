# Warnings are errors in every target of the project.
function(bt_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
