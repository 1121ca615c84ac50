# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 tool chain
# (g++-mingw-w64-x86-64, either thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)

# Headers and libraries come from the Windows sysroot only; programs (the
# build's own tools) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The executables carry their C and C++ runtimes, so they run on a bare
# Windows with nothing but the system's own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests built here run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# Only what we name: the program links opengl32, glu32, gdi32 and user32
# itself, and the compiler driver adds what its C runtime needs.
set(CMAKE_C_STANDARD_LIBRARIES "-lkernel32" CACHE STRING "Libraries linked with every C program")
set(CMAKE_CXX_STANDARD_LIBRARIES "-lkernel32" CACHE STRING "Libraries linked with every C++ program")
