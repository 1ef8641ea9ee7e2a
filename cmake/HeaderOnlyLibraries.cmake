# The two header-only libraries the console front-end uses, from Debian:
# CLI11 (command lines) and nlohmann-json (JSON). As targets quelvar_cli11
# and quelvar_json.
#
# A cross build must not see the build machine's whole /usr/include (its C
# library headers would shadow the target's), so there the two libraries'
# own folders are linked into a folder of their own in the build tree.
add_library(quelvar_cli11 INTERFACE)
add_library(quelvar_json INTERFACE)
if(CMAKE_CROSSCOMPILING)
  find_path(QUELVAR_CLI11_INCLUDE CLI/CLI.hpp NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  find_path(QUELVAR_JSON_INCLUDE nlohmann/json.hpp NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(headers ${CMAKE_BINARY_DIR}/host-header-libraries)
  file(MAKE_DIRECTORY ${headers})
  file(CREATE_LINK ${QUELVAR_CLI11_INCLUDE}/CLI ${headers}/CLI SYMBOLIC)
  file(CREATE_LINK ${QUELVAR_JSON_INCLUDE}/nlohmann ${headers}/nlohmann SYMBOLIC)
  target_include_directories(quelvar_cli11 SYSTEM INTERFACE ${headers})
  target_include_directories(quelvar_json SYSTEM INTERFACE ${headers})
else()
  find_package(CLI11 CONFIG REQUIRED)
  find_package(nlohmann_json CONFIG REQUIRED)
  target_link_libraries(quelvar_cli11 INTERFACE CLI11::CLI11)
  target_link_libraries(quelvar_json INTERFACE nlohmann_json::nlohmann_json)
endif()
