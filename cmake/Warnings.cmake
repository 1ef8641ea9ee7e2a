# Every target of ours gets the same strict warnings; third-party headers are
# included as system headers so they do not trip -Werror.
add_library(quelvar_warnings INTERFACE)
target_compile_options(quelvar_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
  $<$<BOOL:${QUELVAR_WERROR}>:-Werror>)
