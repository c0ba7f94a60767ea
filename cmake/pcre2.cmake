# PCRE2's 16-bit library as the imported target tabulora::pcre2_16.
# Natively it is Debian's libpcre2-dev (pkg-config libpcre2-16). For Windows it is a static
# library that scripts/build-pcre2-mingw builds from Debian's pcre2 source package into
# build/pcre2-mingw; configuring runs the script when that library is missing.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/mingw_library.cmake)

if(WIN32)
  set(TABULORA_PCRE2_MINGW_DIR ${PROJECT_SOURCE_DIR}/build/pcre2-mingw)
  set(pcre2_library ${TABULORA_PCRE2_MINGW_DIR}/lib/libpcre2-16.a)
  tabulora_require_mingw_library(build-pcre2-mingw ${pcre2_library} PCRE2)
  add_library(tabulora::pcre2_16 STATIC IMPORTED GLOBAL)
  set_target_properties(tabulora::pcre2_16 PROPERTIES
    IMPORTED_LOCATION ${pcre2_library}
    INTERFACE_INCLUDE_DIRECTORIES ${TABULORA_PCRE2_MINGW_DIR}/include
    INTERFACE_COMPILE_DEFINITIONS PCRE2_STATIC)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(PCRE2_16 REQUIRED IMPORTED_TARGET GLOBAL libpcre2-16)
  add_library(tabulora::pcre2_16 INTERFACE IMPORTED GLOBAL)
  target_link_libraries(tabulora::pcre2_16 INTERFACE PkgConfig::PCRE2_16)
endif()
