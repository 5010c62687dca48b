# Compiler settings for the project's own targets. Nothing here is global:
# every target of ours calls kavex_target_defaults() on itself.

function(kavex_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(KAVEX_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# Always-sanitised variant for the decoder robustness tests, independent of
# KAVEX_SANITIZE, so one CTest configuration runs under ASan in every build.
function(kavex_force_sanitize target)
  target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(${target} PRIVATE -fsanitize=address,undefined)
endfunction()
