# Every target of ours links tarn_warnings: one place for warnings and sanitizer flags.
add_library(tarn_warnings INTERFACE)
target_compile_options(tarn_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-qual -Wformat=2
    -Wimplicit-fallthrough -Wmissing-declarations)
if(TARN_WERROR)
    target_compile_options(tarn_warnings INTERFACE -Werror)
endif()
if(TARN_SANITIZE)
    target_compile_options(tarn_warnings INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(tarn_warnings INTERFACE -fsanitize=address,undefined)
endif()
# The fuzz build: every library is compiled with the fuzzers' coverage and sanitizers, so a
# fuzz target links the libraries themselves (fuzz/CMakeLists.txt adds libFuzzer's main).
if(TARN_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    target_compile_options(tarn_warnings INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
        -fno-omit-frame-pointer)
    target_link_options(tarn_warnings INTERFACE -fsanitize=address,undefined)
endif()
