# Hardening of the programs a user, the demo and a packager build: every
# optimised build gets
#
#   all platforms  -fstack-protector-strong, -D_FORTIFY_SOURCE=2
#   Linux          -fstack-clash-protection, -fcf-protection (x86), PIE, and
#                  full RELRO with immediate binding (-z relro -z now)
#   Windows        libssp, where mingw-w64 keeps the stack protector's and
#                  the fortified functions, linked in statically (the
#                  toolchain links everything statically: an .exe needs only
#                  Windows' own DLLs). ASLR with high entropy, DYNAMIC_BASE
#                  and NX_COMPAT are the mingw-w64 linker's defaults.
#
# What Debian's dpkg-buildflags gives a package, so that a build of the
# release preset is as hard as the .deb. Off in Debug builds (fortify needs
# optimisation, a debugger wants plain frames) and in the sanitizer and fuzz
# builds, whose instrumentation they only get in the way of. A packager's own
# _FORTIFY_SOURCE in the flags is kept. scripts/check-hardening checks the
# programs.
option(QUELVAR_HARDENING "Build optimised programs with stack protector, _FORTIFY_SOURCE and BIND_NOW" ON)

string(TOUPPER "${CMAKE_BUILD_TYPE}" quelvar_build_type)
if(NOT QUELVAR_HARDENING OR QUELVAR_SANITIZE OR QUELVAR_TSAN OR QUELVAR_FUZZ OR quelvar_build_type STREQUAL "DEBUG")
  return()
endif()

include(CheckCXXCompilerFlag)

add_compile_options(-fstack-protector-strong)
if(WIN32)
  # At the link, the flag makes gcc add libssp.
  add_link_options(-fstack-protector-strong)
endif()

# _FORTIFY_SOURCE takes effect only with optimisation (and warns without
# it): the flags of the build must ask for an -O level above 0.
set(quelvar_flags "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${quelvar_build_type}}")
if(NOT quelvar_flags MATCHES "_FORTIFY_SOURCE" AND
   quelvar_flags MATCHES "(^| )-O([1-3sgz]|fast)?( |$)")
  # A compiler that defines it itself at another level would warn otherwise.
  add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
endif()

if(NOT WIN32)
  check_cxx_compiler_flag(-fstack-clash-protection QUELVAR_HAS_STACK_CLASH_PROTECTION)
  if(QUELVAR_HAS_STACK_CLASH_PROTECTION)
    add_compile_options(-fstack-clash-protection)
  endif()
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|i[3-6]86)$")
    check_cxx_compiler_flag(-fcf-protection QUELVAR_HAS_CF_PROTECTION)
    if(QUELVAR_HAS_CF_PROTECTION)
      add_compile_options(-fcf-protection)
    endif()
  endif()
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
