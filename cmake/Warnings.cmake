# Warnings are errors in every build, native and cross.
function(hostutil_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wshadow)
endfunction()
