# Warnings, sanitizers and target-wide compile settings.
add_library(qv_options INTERFACE)
target_compile_options(qv_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Wformat=2
  -Wno-missing-field-initializers -Werror)
# x86-64 baseline: SSE2 is always there; nothing newer is assumed.
target_compile_options(qv_options INTERFACE -msse2)
if(QV_SANITIZE STREQUAL "asan")
  target_compile_options(qv_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(qv_options INTERFACE -fsanitize=address,undefined)
elseif(QV_SANITIZE STREQUAL "fuzz")
  # libFuzzer builds (clang): coverage for the fuzzer on every object, plus ASan and UBSan; only
  # the fuzz targets link the fuzzer's own main.
  target_compile_options(qv_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
    -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(qv_options INTERFACE -fsanitize=address,undefined)
elseif(QV_SANITIZE STREQUAL "tsan")
  # GCC copies fixed-size records with inline moves that ThreadSanitizer does not see; calling
  # memcpy and memmove instead lets it check every record copy between threads.
  target_compile_options(qv_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer
    -fno-builtin-memcpy -fno-builtin-memmove)
  target_link_options(qv_options INTERFACE -fsanitize=thread)
endif()
# Reproducible binaries: no path of the build machine in them.
target_compile_options(qv_options INTERFACE -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=)
if(WIN32)
  # Stand-alone binaries: no libstdc++, libgcc or winpthread DLLs; no link time stamp in the PE
  # header, so two builds of one commit give the same bytes.
  target_link_options(qv_options INTERFACE -static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp)
  target_compile_definitions(qv_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()
# The two shipped libraries on Linux: hosts load their own C++ runtime, often of another version,
# so the libraries carry theirs. Sanitizer builds keep the shared runtime their interceptors expect.
set(QV_LIBRARY_LINK_OPTIONS)
if(NOT WIN32 AND NOT QV_SANITIZE)
  list(APPEND QV_LIBRARY_LINK_OPTIONS -static-libstdc++ -static-libgcc)
endif()
# Released libraries without symbol tables (a third smaller; the exported entry points stay).
# Stripped by the linker, which writes no time stamp, rather than by strip, which does on PE.
if(CMAKE_BUILD_TYPE STREQUAL "Release" AND NOT QV_SANITIZE)
  list(APPEND QV_LIBRARY_LINK_OPTIONS -s)
endif()
