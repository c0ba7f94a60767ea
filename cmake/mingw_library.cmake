# A static MinGW library that one of the scripts/build-*-mingw scripts builds from a Debian source
# package: configuring runs the script when the library file is missing.
include_guard(GLOBAL)

function(tabulora_require_mingw_library script library_file description)
  if(EXISTS ${library_file})
    return()
  endif()
  message(STATUS "Building ${description} for MinGW (scripts/${script})")
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/${script} RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT EXISTS ${library_file})
    message(FATAL_ERROR "scripts/${script} failed; ${description} for MinGW is missing")
  endif()
endfunction()
