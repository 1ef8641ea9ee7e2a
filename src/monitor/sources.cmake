# Sources of the monitor subsystem, added to the core library.
target_sources(quelvar_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/download.cpp
  ${CMAKE_CURRENT_LIST_DIR}/upload.cpp
)
