# The version of Debian's nlohmann-json3-dev, which this folder stands in for.
set(PACKAGE_VERSION 3.11.2)
if(PACKAGE_FIND_VERSION VERSION_GREATER PACKAGE_VERSION)
  set(PACKAGE_VERSION_COMPATIBLE FALSE)
else()
  set(PACKAGE_VERSION_COMPATIBLE TRUE)
endif()
