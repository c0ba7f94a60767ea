# GoogleTest: Debian's packaged library natively; built from Debian's sources for MinGW.
if(CMAKE_CROSSCOMPILING)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  # Its CMake project defines the GTest:: targets itself.
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()

# Registers a whole test executable as one CTest test. Under the MinGW toolchain CTest runs it
# through Wine (CMAKE_CROSSCOMPILING_EMULATOR), one Wine start per executable.
function(tabulora_add_gtest target)
  add_test(NAME ${target} COMMAND ${target} --gtest_brief=1 WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
