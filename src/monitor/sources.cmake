# Sources of the monitor subsystem (and the setup record file format it
# reads and writes), added to the core library.
target_sources(quelvar_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/data_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/download.cpp
  ${CMAKE_CURRENT_LIST_DIR}/record_download.cpp
  ${CMAKE_CURRENT_LIST_DIR}/telnet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/texts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/upload.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../records/rec_file.cpp
)
