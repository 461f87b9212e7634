# Read by CPack once per generator: the tarball is the portable program folder, the .deb
# the installed layout from the file system's root.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL deb)
  set(CPACK_PACKAGING_INSTALL_PREFIX /)
else()
  set(CPACK_COMPONENTS_ALL portable)
  # The tarball unpacks into a folder of its own, zorvel-<version>-linux-x86_64/.
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()
