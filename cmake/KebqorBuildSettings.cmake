# The compile and link settings every target of the project shares, as one interface target:
# each area library links kebqor_build_settings publicly, so the programs, the test programs and
# the fuzz targets built on them get the same settings.
#
#   KEBQOR_SANITIZE  AddressSanitizer and UndefinedBehaviorSanitizer
#   KEBQOR_FUZZ      the libFuzzer targets (clang only); implies the two sanitizers

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
set(CMAKE_AUTOMOC ON)

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

add_library(kebqor_build_settings INTERFACE)

if(MSVC)
  target_compile_options(kebqor_build_settings INTERFACE /W4 /permissive-)
else()
  target_compile_options(kebqor_build_settings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
endif()

if(KEBQOR_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "The fuzz targets need clang (libFuzzer): -DCMAKE_CXX_COMPILER=clang++")
endif()

if(KEBQOR_SANITIZE OR KEBQOR_FUZZ)
  set(kebqor_sanitizers -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_compile_options(kebqor_build_settings INTERFACE ${kebqor_sanitizers})
  target_link_options(kebqor_build_settings INTERFACE -fsanitize=address,undefined)
endif()

if(KEBQOR_FUZZ)
  # Coverage for libFuzzer in every library; only the fuzz targets link its main.
  # The compiler does not list the ignore list as a dependency: its digest in a definition
  # rebuilds what it covers when it changes.
  set(kebqor_coverage_ignore ${CMAKE_CURRENT_LIST_DIR}/../fuzz/coverage-ignore.txt)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${kebqor_coverage_ignore})
  file(SHA1 ${kebqor_coverage_ignore} kebqor_coverage_ignore_digest)
  target_compile_options(kebqor_build_settings INTERFACE -fsanitize=fuzzer-no-link
    -fsanitize-coverage-ignorelist=${kebqor_coverage_ignore})
  target_compile_definitions(kebqor_build_settings INTERFACE
    KEBQOR_COVERAGE_IGNORE_DIGEST=${kebqor_coverage_ignore_digest})
endif()
