# Third-party code, all from Debian: GoogleTest sources, RapidJSON and stb headers, and (Windows
# build only) libcurl and the LZMA SDK's 7z reader prepared by scripts/setup under .deps/.

find_package(Threads REQUIRED)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/third_party/googletest" EXCLUDE_FROM_ALL)
foreach(t gtest gtest_main gmock gmock_main)
  if(TARGET ${t})
    target_compile_options(${t} PRIVATE -w)
  endif()
endforeach()

# Header-only libraries reach the cross compiler through a folder of links, never through
# /usr/include, which would hand the host's C library headers to mingw.
set(_vendor_include "${CMAKE_BINARY_DIR}/third_party/include")
file(MAKE_DIRECTORY "${_vendor_include}")
foreach(dir rapidjson stb)
  if(EXISTS "/usr/include/${dir}" AND NOT EXISTS "${_vendor_include}/${dir}")
    file(CREATE_LINK "/usr/include/${dir}" "${_vendor_include}/${dir}" SYMBOLIC)
  endif()
endforeach()
add_library(vendor_headers INTERFACE)
target_include_directories(vendor_headers SYSTEM INTERFACE "${_vendor_include}")
if(CORVANE_NATIVE)
  # Debian's RapidJSON 1.1 offsets a null stack pointer before its first allocation
  # (internal/stack.h), which UBSan reports in every parse; that one check is off where it is used.
  target_compile_options(vendor_headers INTERFACE -fno-sanitize=pointer-overflow)
endif()

if(NOT CORVANE_NATIVE)
  find_package(CURL CONFIG REQUIRED PATHS "${CORVANE_DEPS}/mingw" NO_DEFAULT_PATH)

  set(_lzma "${CORVANE_DEPS}/lzma-sdk/C")
  add_library(lzma_sdk STATIC
    ${_lzma}/7zArcIn.c ${_lzma}/7zDec.c ${_lzma}/7zStream.c ${_lzma}/7zBuf.c ${_lzma}/7zCrc.c
    ${_lzma}/7zCrcOpt.c ${_lzma}/LzmaDec.c ${_lzma}/Lzma2Dec.c ${_lzma}/Bcj2.c ${_lzma}/Bra.c
    ${_lzma}/Bra86.c ${_lzma}/BraIA64.c ${_lzma}/Delta.c ${_lzma}/7zAlloc.c ${_lzma}/CpuArch.c)
  target_compile_definitions(lzma_sdk PUBLIC Z7_EXTRACT_ONLY)
  target_include_directories(lzma_sdk SYSTEM PUBLIC "${_lzma}")
  target_compile_options(lzma_sdk PRIVATE -w)
endif()
