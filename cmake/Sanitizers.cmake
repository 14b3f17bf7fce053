# Sanitizer builds: ASan+UBSan for the test suite, TSan for the threaded tests, and the
# libFuzzer build (clang only) for the fuzz targets.
option(VELCORA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(VELCORA_TSAN "Build with ThreadSanitizer" OFF)
option(VELCORA_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

if(VELCORA_SANITIZE AND VELCORA_TSAN)
    message(FATAL_ERROR "VELCORA_SANITIZE and VELCORA_TSAN cannot be combined")
endif()

if(VELCORA_SANITIZE OR VELCORA_FUZZ)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

if(VELCORA_TSAN)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()

if(VELCORA_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "VELCORA_FUZZ needs clang (configure with -DCMAKE_CXX_COMPILER=clang++)")
    endif()
    # Coverage instrumentation for every library the fuzz targets link.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
