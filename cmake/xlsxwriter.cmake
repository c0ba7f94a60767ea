# libxlsxwriter as the imported target tabulora::xlsxwriter.
# Natively it is Debian's libxlsxwriter-dev (pkg-config xlsxwriter). For Windows it is a static
# library that scripts/build-xlsxwriter-mingw builds from Debian's libxlsxwriter source package
# into build/xlsxwriter-mingw, with the static zlib of libz-mingw-w64-dev; configuring runs the
# script when that library is missing.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/mingw_library.cmake)

if(WIN32)
  set(TABULORA_XLSXWRITER_MINGW_DIR ${PROJECT_SOURCE_DIR}/build/xlsxwriter-mingw)
  set(xlsxwriter_library ${TABULORA_XLSXWRITER_MINGW_DIR}/lib/libxlsxwriter.a)
  tabulora_require_mingw_library(build-xlsxwriter-mingw ${xlsxwriter_library} libxlsxwriter)
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
