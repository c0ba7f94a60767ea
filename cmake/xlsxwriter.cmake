# libxlsxwriter as the imported target tabulora::xlsxwriter.
# Natively it is Debian's libxlsxwriter-dev (pkg-config xlsxwriter). For Windows it is a static
# library that scripts/build-xlsxwriter-mingw builds from Debian's libxlsxwriter source package
# into build/xlsxwriter-mingw, with the static zlib of libz-mingw-w64-dev; configuring runs the
# script when that library is missing.
include_guard(GLOBAL)

if(WIN32)
  set(TABULORA_XLSXWRITER_MINGW_DIR ${PROJECT_SOURCE_DIR}/build/xlsxwriter-mingw)
  set(xlsxwriter_library ${TABULORA_XLSXWRITER_MINGW_DIR}/lib/libxlsxwriter.a)
  if(NOT EXISTS ${xlsxwriter_library})
    message(STATUS "Building libxlsxwriter for MinGW (scripts/build-xlsxwriter-mingw)")
    execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-xlsxwriter-mingw RESULT_VARIABLE xlsxwriter_result)
    if(NOT xlsxwriter_result EQUAL 0 OR NOT EXISTS ${xlsxwriter_library})
      message(FATAL_ERROR "scripts/build-xlsxwriter-mingw failed; libxlsxwriter for MinGW is missing")
    endif()
  endif()
  find_library(TABULORA_MINGW_ZLIB NAMES libz.a REQUIRED)
  add_library(tabulora::xlsxwriter STATIC IMPORTED GLOBAL)
  set_target_properties(tabulora::xlsxwriter PROPERTIES
    IMPORTED_LOCATION ${xlsxwriter_library}
    INTERFACE_INCLUDE_DIRECTORIES ${TABULORA_XLSXWRITER_MINGW_DIR}/include
    INTERFACE_LINK_LIBRARIES ${TABULORA_MINGW_ZLIB})
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET GLOBAL xlsxwriter)
  add_library(tabulora::xlsxwriter INTERFACE IMPORTED GLOBAL)
  target_link_libraries(tabulora::xlsxwriter INTERFACE PkgConfig::XLSXWRITER)
endif()
