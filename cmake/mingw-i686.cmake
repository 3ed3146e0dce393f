# Cross build for 32-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-i686):
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
# ./run.sh windows does exactly that.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

# The POSIX thread model (winpthread, linked in below) gives the C++ runtime all of <thread> and
# <mutex>, which GCC 12's win32 model lacks; naming it keeps the build independent of which model
# the machine's alternatives chose for the plain names.
set(_flarimond_mingw i686-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${_flarimond_mingw}-gcc-posix ${_flarimond_mingw}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${_flarimond_mingw}-g++-posix ${_flarimond_mingw}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${_flarimond_mingw}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${_flarimond_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# x87 arithmetic rounds through 80-bit registers; SSE2 rounds every float operation to single
# precision as the 64-bit Linux build does, so both builds draw the same coordinates.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# No debugger runs the Windows programs here: without debug information the code is the same, the
# build faster and the programs much smaller.
set(CMAKE_C_FLAGS_RELWITHDEBINFO_INIT "-O2 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELWITHDEBINFO_INIT "-O2 -DNDEBUG")

# The runtime (libgcc, libstdc++, winpthread) is linked in, so the module and the programs need
# no DLL beyond those of Windows itself.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# pkg-config must see the Windows sysroot's packages only, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${_flarimond_mingw}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
