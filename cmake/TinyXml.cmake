# Provides the target TinyXml::TinyXml: the system's library natively (pkg-config "tinyxml"),
# or the one our scripts built for a cross target (TINYXML_ROOT, with include/ and lib/).
if(TINYXML_ROOT)
    add_library(TinyXml::TinyXml STATIC IMPORTED GLOBAL)
    set_target_properties(TinyXml::TinyXml PROPERTIES
        IMPORTED_LOCATION "${TINYXML_ROOT}/lib/libtinyxml.a"
        INTERFACE_INCLUDE_DIRECTORIES "${TINYXML_ROOT}/include")
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(TINYXML REQUIRED IMPORTED_TARGET tinyxml)
    add_library(TinyXml::TinyXml ALIAS PkgConfig::TINYXML)
endif()
