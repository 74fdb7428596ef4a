# Cross-builds for 64-bit ARM (arm64, aarch64) on a Debian or Ubuntu machine
# with the arm64 libraries installed beside its own through multiarch:
#   cmake -S . -B build-arm64 --toolchain toolchains/aarch64-linux-gnu.cmake
# scripts/test-arm64 installs what it needs and says how. The libraries and
# their pkg-config files are in /usr/lib/aarch64-linux-gnu, not under a
# sysroot, so CMAKE_FIND_ROOT_PATH stays unset: pointing it at
# /usr/aarch64-linux-gnu would hide them from pkg-config's library lookups.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
# How this machine runs what was built; qemu-aarch64 is called by name, with
# no binfmt handler registered for the whole machine.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
