# Provides the target TinyXml::TinyXml:
# - TINYXML_ROOT: a library our scripts built for a cross target (include/ and lib/);
# - TINYXML_SOURCE_DIR: Debian's source release compiled here with this build's flags, so that
#   sanitisers and fuzzers see inside it;
# - otherwise the system's library (pkg-config "tinyxml").
if(TINYXML_ROOT)
    add_library(TinyXml::TinyXml STATIC IMPORTED GLOBAL)
    set_target_properties(TinyXml::TinyXml PROPERTIES
        IMPORTED_LOCATION "${TINYXML_ROOT}/lib/libtinyxml.a"
        INTERFACE_INCLUDE_DIRECTORIES "${TINYXML_ROOT}/include")
elseif(TINYXML_SOURCE_DIR)
    add_library(tinyxml_source STATIC
        ${TINYXML_SOURCE_DIR}/tinyxml.cpp
        ${TINYXML_SOURCE_DIR}/tinyxmlerror.cpp
        ${TINYXML_SOURCE_DIR}/tinyxmlparser.cpp)
    # Debian's header switches the standard-library string option on, as its packaged build does.
    target_compile_definitions(tinyxml_source PUBLIC TIXML_USE_STL)
    target_compile_options(tinyxml_source PRIVATE -w)
    target_include_directories(tinyxml_source SYSTEM BEFORE PUBLIC ${TINYXML_SOURCE_DIR})
    add_library(TinyXml::TinyXml ALIAS tinyxml_source)
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(TINYXML REQUIRED IMPORTED_TARGET tinyxml)
    add_library(TinyXml::TinyXml ALIAS PkgConfig::TINYXML)
endif()
