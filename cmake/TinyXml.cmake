# Provides the target TinyXml::TinyXml: Debian's source release of TinyXML 2.6.2, with Debian's
# patches applied, which scripts/tinyxml-source.sh fetches into build/deps/src and every preset
# names in TINYXML_SOURCE_DIR. Every build compiles it here in one way, the way the shipped .exe
# runs it: without its standard-library string option, with this build's flags, so that
# sanitisers and fuzzers see inside it. The depth scan follows that release's parser step by step,
# so no other may be linked; check_options.cpp below stops the build on any other.
if(NOT TINYXML_SOURCE_DIR)
    message(FATAL_ERROR "TINYXML_SOURCE_DIR is not set: run scripts/tinyxml-source.sh, which "
                        "fetches Debian's TinyXML 2.6.2 source and prints its folder, and "
                        "configure with a preset (they name build/deps/src/tinyxml-2.6.2) or with "
                        "-DTINYXML_SOURCE_DIR=\"$(scripts/tinyxml-source.sh)\"")
endif()
# Debian's header switches the standard-library string option on; builds from source run
# without it. The sources include their header by quotes, which finds the one beside them
# first, so they are compiled from copies beside the header without that switch.
set(_tinyxml_dir "${CMAKE_BINARY_DIR}/tinyxml")
set(_tinyxml_sources tinystr.cpp tinyxml.cpp tinyxmlerror.cpp tinyxmlparser.cpp)
foreach(_file tinystr.h ${_tinyxml_sources})
    if(NOT EXISTS "${TINYXML_SOURCE_DIR}/${_file}")
        message(FATAL_ERROR "TINYXML_SOURCE_DIR (${TINYXML_SOURCE_DIR}) has no ${_file}: "
                            "run scripts/tinyxml-source.sh first")
    endif()
    configure_file("${TINYXML_SOURCE_DIR}/${_file}" "${_tinyxml_dir}/${_file}" COPYONLY)
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${TINYXML_SOURCE_DIR}/tinyxml.h")
file(READ "${TINYXML_SOURCE_DIR}/tinyxml.h" _tinyxml_header)
string(REGEX REPLACE "\n[ \t]*#[ \t]*define[ \t]+TIXML_USE_STL[ \t]*\n" "\n" _tinyxml_header
                     "${_tinyxml_header}")
if(_tinyxml_header MATCHES "#[ \t]*define[ \t]+TIXML_USE_STL")
    message(FATAL_ERROR "${TINYXML_SOURCE_DIR}/tinyxml.h still defines TIXML_USE_STL")
endif()
# Written only when it changes, so that a new configure run rebuilds nothing.
file(CONFIGURE OUTPUT "${_tinyxml_dir}/tinyxml.h" CONTENT "${_tinyxml_header}" @ONLY)
# Fails the build should the option come back on by another way, such as a flag.
file(CONFIGURE OUTPUT "${_tinyxml_dir}/check_options.cpp" CONTENT [=[
#include "tinyxml.h"
#ifdef TIXML_USE_STL
#error "TIXML_USE_STL is on, but TinyXML compiled in from source runs without it"
#endif
static_assert(TIXML_MAJOR_VERSION == 2 && TIXML_MINOR_VERSION == 6 && TIXML_PATCH_VERSION == 2,
              "TinyXML 2.6.2 is required");
]=])
list(TRANSFORM _tinyxml_sources PREPEND "${_tinyxml_dir}/")
add_library(tinyxml STATIC ${_tinyxml_sources} "${_tinyxml_dir}/check_options.cpp")
get_filename_component(_tinyxml_name "${TINYXML_SOURCE_DIR}" NAME)
# Build paths stay out of the objects: the copies are named after the source folder (such as
# tinyxml-2.6.2), the build folder, where the compiler runs, "build"; the last mapping given is
# tried first. Its asserts stay on whatever the build type, as in Debian's own build: they guard
# the library's own invariants in the shipped program as under the sanitisers and fuzzers, and
# cost about 3 % of a release run's instructions, in Armwright and in the benchmark's floors alike
# (docs/benchmark.md).
target_compile_options(tinyxml PRIVATE -w -UNDEBUG "-ffile-prefix-map=${CMAKE_BINARY_DIR}=build"
                                       "-ffile-prefix-map=${_tinyxml_dir}=${_tinyxml_name}")
target_include_directories(tinyxml SYSTEM BEFORE PUBLIC "${_tinyxml_dir}")
add_library(TinyXml::TinyXml ALIAS tinyxml)
# Archives without dates, owners or modes, whatever the archiver's default. The variables hold
# for every archive of the build.
foreach(_lang C CXX)
    set(CMAKE_${_lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${_lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${_lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()
