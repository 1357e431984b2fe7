# nlohmann/json for the MinGW build: the header-only library Debian installs for Linux
# (nlohmann-json3-dev), offered through a folder that holds only it, since adding /usr/include
# to a cross compilation would bring in the Linux system headers.
if(NOT TARGET nlohmann_json::nlohmann_json)
  set(_nlohmann_include ${CMAKE_BINARY_DIR}/nlohmann_json-include)
  file(MAKE_DIRECTORY ${_nlohmann_include})
  file(CREATE_LINK /usr/include/nlohmann ${_nlohmann_include}/nlohmann SYMBOLIC)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
                        INTERFACE_INCLUDE_DIRECTORIES ${_nlohmann_include})
endif()
