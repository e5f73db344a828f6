# What `cmake --install` puts in place and what `make package` wraps in a Debian package: the
# executables, the core library with its headers and CMake package, and the sample scenes.
include(CMakePackageConfigHelpers)

install(TARGETS tavorin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS tavorin_core EXPORT tavorinTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY include/tavorin DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES data/small.img data/small.hdr data/landsat_scene01.img data/landsat_scene01.hdr
  DESTINATION ${CMAKE_INSTALL_DATADIR}/tavorin)

set(TAVORIN_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tavorin)
install(EXPORT tavorinTargets NAMESPACE tavorin:: DESTINATION ${TAVORIN_CMAKE_DIR})
configure_package_config_file(cmake/tavorinConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/tavorinConfig.cmake INSTALL_DESTINATION ${TAVORIN_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/tavorinConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tavorinConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/tavorinConfigVersion.cmake DESTINATION ${TAVORIN_CMAKE_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavorin)
set(CPACK_PACKAGE_VENDOR "TAVORIN developers")
set(CPACK_PACKAGE_CONTACT "TAVORIN developers <tavorin@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Unsupervised classification of multi-band remote-sensing images")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The headers and the CMake package need these to build against the core.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libpng-dev, nlohmann-json3-dev, libgdal-dev")
find_program(TAVORIN_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TAVORIN_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
