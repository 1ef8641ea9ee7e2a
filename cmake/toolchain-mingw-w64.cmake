# Cross-building the Windows programs on Debian with mingw-w64 (64-bit).
# The posix thread model is required: the win32 model of gcc 12 has no
# std::thread, std::mutex or std::condition_variable.
#
#   cmake --preset win64 && cmake --build --preset win64
#
# Running the built tests needs Wine; the test wiring sets
# CMAKE_CROSSCOMPILING_EMULATOR itself (see tests/wine).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUELVAR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUELVAR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUELVAR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUELVAR_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${QUELVAR_MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${QUELVAR_MINGW_TRIPLET}-ranlib CACHE FILEPATH "")

# Headers and libraries come from the mingw sysroot only; programs (code
# generators, scripts) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${QUELVAR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every .exe is one file that needs nothing but Windows' own DLLs: the gcc
# runtime, the C++ library and winpthread are linked in statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# gcc 12 reports a false -Wrestrict inside std::string's operator+ when it
# inlines it at -O2 and above (GCC bug 105651); it would stop the build under
# -Werror without pointing at anything in our code.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
