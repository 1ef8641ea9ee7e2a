# Every target of ours gets the same strict warnings; third-party headers are
# included as system headers so they do not trip -Werror. -Werror itself only
# comes with QUELVAR_WERROR, which the developer and CI presets turn on: a
# compiler's new or false warning must never stop a user's or packager's build.
add_library(quelvar_warnings INTERFACE)
target_compile_options(quelvar_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
  $<$<BOOL:${QUELVAR_WERROR}>:-Werror>)
