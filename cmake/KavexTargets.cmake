# Compiler settings for the project's own targets. Nothing here is global:
# every target of ours calls kavex_target_defaults() on itself.

function(kavex_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(KAVEX_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(KAVEX_THREAD_SANITIZE)
    # gcc's bounds warnings misread the vector code that TSan instruments
    # (vector::insert into a fresh vector): warn, do not fail.
    target_compile_options(${target} PRIVATE -fsanitize=thread -fno-omit-frame-pointer -Wno-error=array-bounds)
    target_link_options(${target} PRIVATE -fsanitize=thread)
  endif()
  # The fuzz build instruments every target of ours for coverage; only the
  # fuzz targets themselves link libFuzzer's main (fuzz/CMakeLists.txt).
  if(KAVEX_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# A layer of libkavex: position-independent objects with hidden symbols
# (only the Kavex_ functions are exported), includes written from the
# project root.
function(kavex_sdk_layer target)
  set_target_properties(${target} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/sdk/include)
  kavex_target_defaults(${target})
endfunction()

# Always-sanitised variant for the decoder robustness tests, independent of
# KAVEX_SANITIZE, so one CTest configuration runs under ASan in every build.
function(kavex_force_sanitize target)
  target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(${target} PRIVATE -fsanitize=address,undefined)
endfunction()
