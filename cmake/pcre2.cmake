# PCRE2's 16-bit library as the imported target tabulora::pcre2_16.
# Natively it is Debian's libpcre2-dev (pkg-config libpcre2-16). For Windows it is a static
# library that scripts/build-pcre2-mingw builds from Debian's pcre2 source package into
# build/pcre2-mingw; configuring runs the script when that library is missing.
include_guard(GLOBAL)

if(WIN32)
  set(TABULORA_PCRE2_MINGW_DIR ${PROJECT_SOURCE_DIR}/build/pcre2-mingw)
  set(pcre2_library ${TABULORA_PCRE2_MINGW_DIR}/lib/libpcre2-16.a)
  if(NOT EXISTS ${pcre2_library})
    message(STATUS "Building PCRE2 for MinGW (scripts/build-pcre2-mingw)")
    execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-pcre2-mingw RESULT_VARIABLE pcre2_result)
    if(NOT pcre2_result EQUAL 0 OR NOT EXISTS ${pcre2_library})
      message(FATAL_ERROR "scripts/build-pcre2-mingw failed; PCRE2 for MinGW is missing")
    endif()
  endif()
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
